// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SatellitesController.h"

#include "common/Clock.h"
#include "common/NoSatellite.h"
#include "mainwindow/Form1.h"
#include "mainwindow/PassesWindow.h"
#include "mainwindow/SatelliteDialog.h"
#include "sky/StationSetting.h"
#include "skymap/SkyMapWidget.h"

#include <QAction>
#include <QLabel>

namespace {

template <class W> void Raise(W* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

SatellitesController::SatellitesController(Form1& window) : window_(window) {
    connect(window_.menu_eisei, &QAction::triggered, this, &SatellitesController::menu_eisei_Click);
    connect(window_.menu_yohou, &QAction::triggered, this, &SatellitesController::menu_yohou_Click);
    // In the map's top left corner, clear of the north mark: small, and only while it is true.
    notice_ = new QLabel(QStringLiteral("既定の位置（東京）"), window_.Picture1);
    notice_->setObjectName(QStringLiteral("lblDefaultLocation"));
    QFont small = notice_->font();
    small.setPointSize(8);
    notice_->setFont(small);
    notice_->setStyleSheet(QStringLiteral("background: #ffff80; color: black; padding: 0 2px"));
    notice_->adjustSize();
    notice_->move(2, 2);
    ShowLocationNotice();
}

void SatellitesController::ShowLocationNotice() {
    QString problem;
    const bool set = ReadStationLocation(window_.settingsPath(), &problem).has_value();
    notice_->setToolTip(
        (problem.isEmpty() ? QStringLiteral("局の位置（[STATION] LOCATION）が未設定のため、")
                           : QStringLiteral("局の位置（[STATION] LOCATION）が読めないため、")) +
        QStringLiteral(
            "既定の位置 %1 で追跡対象を計算しています。「設定(S)」→「追跡衛星の選択」で設定してください。")
            .arg(PlaceText(DefaultStationLocation)));
    notice_->setVisible(!set);
}

SatellitesController::~SatellitesController() = default;

void SatellitesController::menu_eisei_Click() {
    if (dialog_) {
        Raise(dialog_.data());
        return;
    }
    Clock* clock = window_.ports().clock;
    dialog_ = new SatelliteDialog(
        window_.settingsPath(), [clock] { return clock ? clock->UtcNow() : QDateTime::currentDateTimeUtc(); },
        &window_);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &SatelliteDialog::Saved, this, [this](const QStringList& satellites) {
        window_.SetLeft(QStringLiteral("追跡衛星を保存しました"));
        window_.SetRight(satellites.isEmpty() ? QStringLiteral("（なし）")
                                              : satellites.join(QStringLiteral(", ")));
        ShowLocationNotice();
        if (passes_)
            passes_->Recompute();
    });
    dialog_->show();
}

void SatellitesController::menu_yohou_Click() {
    if (passes_) {
        Raise(passes_.data());
        return;
    }
    Clock* clock = window_.ports().clock;
    passes_ = new PassesWindow(
        window_.settingsPath(), [clock] { return clock ? clock->UtcNow() : QDateTime::currentDateTimeUtc(); },
        window_.Picture1, [this] { return window_.state().DataBox[1]; }, &window_);
    passes_->setAttribute(Qt::WA_DeleteOnClose);
    passes_->show();
}

bool SatellitesController::OfferAtFirstStart() {
    if (!IsNoSatelliteTarget(window_.state().DataBox[1]))
        return false;
    menu_eisei_Click();
    return true;
}
