// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "satellites/ElementUpdate.h"
#include "satellites/SatelliteCatalogue.h"
#include "satellites/TrackerSettings.h"

#include <QDateTime>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QNetworkAccessManager;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// The satellite dialog (menu 追跡衛星の選択): every set of the element files, filtered by name or
// catalogue number, with its age; the chosen satellites in order of preference; the station's
// location (a locator or latitude, longitude and height, checked as typed); and the download of
// fresh element sets. Saving writes the choice to [TRACKER] and the location to [STATION] of the
// settings file, which azelmon-tracker watches and reads again at once. A plain window, not modal: the main
// window's timers and buttons go on while it is open, and it shows its own messages in its own label.
class SatelliteDialog : public QWidget {
    Q_OBJECT
  public:
    using NowUtc = std::function<QDateTime()>;
    SatelliteDialog(QString iniPath, NowUtc nowUtc, QWidget* parent = nullptr);
    ~SatelliteDialog() override;

    // Tests shorten the stall time-out of the download.
    void SetUpdateOptions(ElementUpdate::Options options) { updateOptions_ = options; }

    const Catalogue& catalogue() const { return catalogue_; }
    const ChosenSatellites& chosen() const { return chosen_; }

  signals:
    // The choice (and the location) was written to the settings file.
    void Saved(const QStringList& satellites);

  private:
    void BuildWidgets();
    void Reload();
    void ShowCatalogue();
    void ShowChosen(int selectRow);
    void ShowLastUpdate();
    void AddSelected();
    void Save();
    void StartUpdate();
    void UpdateFinished(bool replaced, const QString& message);
    void SetMessage(const QString& text);
    void ShowLocationCheck();

    QString iniPath_;
    NowUtc nowUtc_;
    TrackerSettings settings_;
    Catalogue catalogue_;
    ChosenSatellites chosen_;
    QNetworkAccessManager* network_ = nullptr;
    ElementUpdate* update_ = nullptr;
    ElementUpdate::Options updateOptions_;

  public:
    QLineEdit *txtFilter = nullptr, *txtLocation = nullptr;
    QTreeWidget* lstCatalogue = nullptr;
    QListWidget* lstChosen = nullptr;
    QPushButton *cmdAdd = nullptr, *cmdRemove = nullptr, *cmdUp = nullptr, *cmdDown = nullptr,
                *cmdSave = nullptr, *cmdClose = nullptr, *cmdUpdate = nullptr, *cmdCancel = nullptr;
    QLabel *lblUpdated = nullptr, *lblMessage = nullptr, *lblLocation = nullptr;
    QProgressBar* barUpdate = nullptr;
};
