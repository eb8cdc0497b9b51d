#pragma once
// The settings dialog over a settings file in a temporary folder, a recording board and recorded
// messages.

#include "config/Form2.h"
#include "support/FakePorts.h"
#include "support/TestFiles.h"

#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct Form2Fixture : ::testing::Test {
    QTemporaryDir dir;
    ModuleState module;
    RecordingBoard board;
    RecordingMessages messages;
    std::unique_ptr<Form2> form;

    QString iniPath() const { return dir.filePath(QStringLiteral("rotorcfg.ini")); }
    void WriteIni(const QByteArray& text) { WriteBytes(iniPath(), text); }
    // Empty when there is no file.
    QByteArray ReadIni() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    Form2& Open() {
        form = std::make_unique<Form2>(module, &board, &messages, iniPath());
        form->Form_Load();
        return *form;
    }
    // A user's move of a slider: the dialog sees it as the slider's click.
    void Move(int slider, int position) { form->Slider[slider]->setValue(position); }
};
