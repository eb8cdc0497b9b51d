// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/Form1.h"
#include "mainwindow/StationsController.h"
#include "mainwindow/TrackingController.h"
#include "rotator/RotatorControl.h"
#include "support/FakePorts.h"
#include "support/StepPhases.h"
#include "tracking/TrackingCycle.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A main window on fakes: ORBI answers with a satellite at 123.456 / 12.3, the settings file and the
// station list live in a temporary folder, the antenna stands at 0 / 0 and the clock at 21:00 local time.
struct WindowFixture : ::testing::Test {
    QTemporaryDir dir;
    FakeWorld world;
    std::unique_ptr<Form1> window;
    QList<int> endCodes;
    QMap<QString, QString> orbi{
        {"TEXT1", "ISS"},   {"TEXT2", "123.456"}, {"TEXT3", "12.3"},   {"TEXT4", "1234567"},
        {"TEXT5", "45678"}, {"TEXT6", "123.45"},  {"TEXT7", "-2346"},  {"text8", "250.04"},
        {"text9", "20.5"},  {"text10", "100.0"},  {"text11", "-30.0"}, {"text20", "80.0"},
        {"text21", "5.0"},
    };

    WindowFixture() { world.link.servers[QStringLiteral("ORBI|EXTRN")] = orbi; }

    QString iniPath() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }

    void WriteFile(const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    Form1& Make() {
        window = std::make_unique<Form1>(world.ports(), iniPath());
        window->setEndHandler([this](int code) { endCodes << code; });
        window->stations().setStationFilePath(dir.filePath(QStringLiteral("azelmon.csv")));
        window->tracking().cycle().passRecorder().SetFolder(dir.path());
        return *window;
    }

    Form1& Start() {
        Make();
        EXPECT_TRUE(window->Form_Load());
        return *window;
    }

    TrackingCycle::Report Tick() {
        // A second of the window: a step's pauses end on time on the way, as its phase timer ends them.
        AdvanceEndingPauses(window->rotator().positioning, world.clock, 1000);
        return window->tracking().cycle().Timer1_Timer();
    }

    bool ButtonsReady() const {
        const Form1& w = *window;
        return w.Command2->isEnabled() && w.Command3->isEnabled() && w.Command5->isEnabled() &&
               w.Command6->isEnabled() && !w.Command4->isEnabled();
    }
};
