// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/PassesWindow.h"
#include "mainwindow/SatelliteDialog.h"

#include <QObject>
#include <QPointer>

class Form1;
class QLabel;

// The main window's satellite side: the satellite dialog (menu 追跡衛星の選択) and the window of
// coming passes (menu 衛星の通過予定), one of each at a time, both plain windows beside the main one;
// and the notice on the sky map while the station's location is the default one.
class SatellitesController : public QObject {
    Q_OBJECT
  public:
    explicit SatellitesController(Form1& window);
    ~SatellitesController() override;

    void menu_eisei_Click();
    void menu_yohou_Click();

    // End of start-up: when the data server serves its placeholder (the settings choose no satellite,
    // or none it can find), the satellite dialog opens so the user can choose rather than track
    // nothing. True when it was opened.
    bool OfferAtFirstStart();

    // Shows or hides the notice after the settings file's [STATION] LOCATION.
    void ShowLocationNotice();

    SatelliteDialog* Dialog() const { return dialog_; }
    QLabel* LocationNotice() const { return notice_; }
    PassesWindow* Passes() const { return passes_; }

  private:
    Form1& window_;
    QPointer<SatelliteDialog> dialog_;
    QPointer<PassesWindow> passes_;
    QLabel* notice_ = nullptr;
};
