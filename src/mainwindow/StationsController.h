// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stations/Form4.h"
#include "stations/StationFile.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <cstdint>

class Form1;

// The main window's station side: the station list, the station and schedule buttons, the daily
// schedule and the station list editor.
class StationsController : public QObject {
    Q_OBJECT

  public:
    explicit StationsController(Form1& window);

    // Start-up: the station list into Combo1 and the station arrays (tells the user once when part
    // of the file had to be set aside).
    void LoadStationList();

    // Station button (選局): manual positioning to the station chosen in Combo1.
    void Command5_Click();
    // Schedule button: scheduled operation on; the next Timer4 tick starts the station due.
    void Command6_Click();
    // Every 15 s: the first station whose daily window holds the present minute is started.
    void Timer4_Timer();
    // Manual positioning to station `index`, or automatic tracking when it names the tracking target.
    void StartScheduledStation(int index);
    // Every target option button but the selected one disabled.
    void LockTargetChoice();
    // The abort button's share: Combo1 white again, without a selection.
    void ClearScheduleDisplay();

    // The station list editor (menu 局リスト登録); one window at a time.
    void menukyoku_Click();
    Form4* Editor() const { return editor_; }
    // The program is ending: entries the editor holds unsaved are written to the list file rather
    // than lost; when that fails the user is told. Called with every relay already off.
    void SaveEditorBeforeEnd();

    const QList<StationRecord>& Stations() const { return Stations_; }
    int StationCount() const { return static_cast<int>(Stations_.size()); }
    std::int16_t SelectedStationIndex = -1;

    // The list file, "azelmon.csv" in the current directory unless a test sets another.
    void setStationFilePath(const QString& path) { path_ = path; }
    const QString& stationFilePath() const { return path_; }

  private:
    void PaintCombo(const QColor& colour);
    void SetStationButtonsBusy(bool command5Busy, bool command6Busy);
    void DisableSetupMenus();
    void DemandRestart();

    Form1& window_;
    QString path_ = StationFileName;
    // Each entry holds StationAzimuth, StationElevation, StationName, StationStartTime, StationEndTime
    // as read from the file.
    QList<StationRecord> Stations_;
    QPointer<Form4> editor_;
};
