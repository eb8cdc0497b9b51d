#include "mainwindow/SatellitesController.h"

#include "common/Clock.h"
#include "common/NoSatellite.h"
#include "mainwindow/Form1.h"
#include "mainwindow/PassesWindow.h"
#include "mainwindow/SatelliteDialog.h"
#include "skymap/SkyMapWidget.h"

#include <QAction>

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
