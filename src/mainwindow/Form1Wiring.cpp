// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up's calls into the subsystems, and the window's side of the rotator routines.
#include "mainwindow/Form1.h"

#include "common/MessageSink.h"
#include "mainwindow/StationsController.h"
#include "mainwindow/TrackingController.h"
#include "rotator/RotatorControl.h"
#include "skymap/BodyMenus.h"
#include "skymap/MapPicture.h"
#include "skymap/PointingByMouse.h"
#include "skymap/SkyMapMarks.h"
#include "skymap/SkyMapPainter.h"
#include "skymap/SkyMapWidget.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

bool Form1::OpenDataLinks() {
    return tracking_->OpenDdeLinks();
}

void Form1::CloseDataLinks() {
    tracking_->CloseDdeLinks();
}

void Form1::LoadMapPicture() {
    if (const auto picture = ::LoadMapPicture(InstalledDataFolders())) {
        Picture1->SetBackground(*picture);
        return;
    }
    Picture1->SetBackground(QImage());
    ports_.messages->ShowMessage(
        QStringLiteral("地図の画像ファイル \"%1\" が見つかりません。背景なしで地図を表示します。")
            .arg(MapPictureFileName));
}

void Form1::LoadStations() {
    stations_->LoadStationList();
}

void Form1::RedrawMap() {
    DrawSkyMap(Picture1->painter(), state_);
}

void Form1::Picture1_MouseDown(double x, double y) {
    ::Picture1_MouseDown(state_, *ports_.messages, Picture1->painter(), x, y);
}

void Form1::ConnectMapMenus() {
    struct Pair {
        CelestialBody body;
        QAction* show;
        QAction* hide;
        void (*onShow)(MainState&);
        void (*onHide)(MainState&);
    };
    const Pair pairs[] = {
        {CelestialBody::Sun, menu_s_hyouji, menu_s_hihyouji, &menu_s_hyouji_Click, &menu_s_hihyouji_Click},
        {CelestialBody::Moon, menu_m_hyouji, menu_m_hihyouji, &menu_m_hyouji_Click, &menu_m_hihyouji_Click},
        {CelestialBody::Mars, menu_k_hyouji, menu_k_hihyouji, &menu_k_hyouji_Click, &menu_k_hihyouji_Click},
    };
    for (const Pair& p : pairs) {
        auto sync = [this, p] {
            const bool shown = ShowItemChecked(state_, p.body);
            p.show->setChecked(shown);
            p.hide->setChecked(!shown);
        };
        connect(p.show, &QAction::triggered, this, [this, p, sync] {
            p.onShow(state_);
            sync();
        });
        connect(p.hide, &QAction::triggered, this, [this, p, sync] {
            p.onHide(state_);
            sync();
        });
    }
}

void Form1::ShowRelayIndicators(bool right, bool left, bool up, bool down) {
    const bool on[5] = {false, right, left, up, down};
    for (int i = 1; i <= 4; ++i) {
        // Called several times a step: only a lamp that changes is repainted.
        if (Shape[i]->property("filled").toBool() == on[i])
            continue;
        Shape[i]->setProperty("filled", on[i]);
        Shape[i]->update();
    }
}

void Form1::KeepLiveLabelsInPlace() {
    // The labels rewritten every second neither move nor change size: a fixed size spares the window a
    // layout request per new text, and an opaque background spares the frame behind them a repaint.
    for (QLabel* label : {lblAz, lblEl, Label23, Label18, Label26, Label27}) {
        label->setFixedSize(label->size());
        label->setAutoFillBackground(true);
    }
}

void Form1::ShowPresentAngles(const QString& azimuthText, const QString& elevationText) {
    Label26->setText(azimuthText);
    Label27->setText(elevationText);
}

int Form1::AzimuthSliderValue() {
    return Slider2->value();
}

int Form1::ElevationSliderValue() {
    return Slider1->value();
}

void Form1::DrawPointedPositionMark(double x, double y, const QColor& inner) {
    SkyMapPainter& p = Picture1->painter();
    p.Circle(x, y, 50, QColor(255, 255, 255));
    p.Circle(x, y, 10, inner);
}

void Form1::DrawAntennaMark(double azimuth, double elevation) {
    Picture1->painter().DrawAntennaPointing(azimuth, elevation);
}

void Form1::DrawSunMoonMars() {
    ::DrawSunMoonMars(Picture1->painter(), state_);
}

void Form1::SetButtonBusy(QPushButton* button, bool busy) {
    // Busy buttons are filled flat with exactly light green (192, 255, 192): a bare background colour
    // would let the style shade it into a pale gradient that hardly shows the running mode. The border
    // in the sheet makes the whole button drawn by the sheet. Idle ones take the style's face again.
    button->setStyleSheet(
        busy ? QStringLiteral("QPushButton { background-color: rgb(192, 255, 192); border: 1px solid "
                              "rgb(96, 96, 96); border-radius: 3px; padding: 2px; }"
                              "QPushButton:pressed { background-color: rgb(160, 224, 160); }")
             : QString());
}

void Form1::FinishManualOperation() {
    Command4->setEnabled(false);
    menuset->setEnabled(true);
    menuhelp->setEnabled(true);
    for (QPushButton* b : {Command2, Command3, Command5, Command6}) {
        b->setEnabled(true);
        SetButtonBusy(b, false);
    }
}

void Form1::Command4_Click() {
    tracking_->Command4_Click();
}
