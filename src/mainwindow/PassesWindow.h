// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/PassRecordWindow.h"
#include "orbit/ElementSet.h"
#include "satellites/ComingPasses.h"
#include "satellites/SatelliteIndex.h"

#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;
class SkyMapWidget;

// The coming passes (menu 衛星の通過予定): the next passes of each chosen satellite, AOS, highest point
// and LOS in local time and UTC, AOS and LOS azimuths and the maximum elevation. The pass selected in
// the list is drawn on the main window's sky map, AOS and LOS marked, until another is selected or the
// window closes; when the list is shown, the pass in progress of the satellite being served is selected. The
// list is worked out when the window opens and on 再計算. 追跡記録 opens the passes followed so far.
class PassesWindow : public QWidget {
    Q_OBJECT
  public:
    using NowUtc = std::function<QDateTime()>;
    // `served` names the satellite the data server serves now (may be empty): its pass in progress is
    // selected when the list is shown, so the map shows the track being followed.
    PassesWindow(QString iniPath, NowUtc nowUtc, SkyMapWidget* map, std::function<QString()> served = {},
                 QWidget* parent = nullptr);
    ~PassesWindow() override;

    const ComingPassList& passes() const { return passes_; }
    // Works the list out again from now (再計算, or a new choice of satellites): one satellite per
    // turn of the event loop, the list shown when all are done (Computed).
    void Recompute();
    bool Computing() const { return step_.isActive(); }

    // Where the records of followed passes are (追跡記録); empty, the default, for the current directory.
    void SetRecordFolder(const QString& folder) { recordFolder_ = folder; }
    // The window of recorded passes, opened by 追跡記録 (one at a time).
    PassRecordWindow* Records() const { return records_; }

    // Passes per satellite.
    static constexpr int PassesPerSatellite = 5;

  signals:
    void Computed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void ComputeNext();
    void ShowSelectedTrack();
    void OpenRecords();

    QString iniPath_;
    NowUtc nowUtc_;
    std::function<QString()> served_;
    QPointer<SkyMapWidget> map_;
    SatelliteIndex index_; // of the element files the tracker serves from
    std::vector<orbit::ElementSet> sets_;
    orbit::Geodetic observer_;
    ComingPassList passes_;
    QStringList notes_;
    QDateTime from_;
    std::size_t next_ = 0;
    QTimer step_;
    QString recordFolder_;
    QPointer<PassRecordWindow> records_;

  public:
    QLabel *lblStation = nullptr, *lblNotes = nullptr;
    QTreeWidget* lstPasses = nullptr;
    QPushButton *cmdRefresh = nullptr, *cmdClearTrack = nullptr, *cmdRecords = nullptr, *cmdClose = nullptr;
};
