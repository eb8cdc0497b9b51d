// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tracking/PassRecord.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class PointingErrorPlot;

// The recorded passes (追跡記録, from the coming passes): one line per record in the folder, newest
// first, with its median, 95th percentile and maximum pointing error; the selected pass's error drawn
// against time, its figures beside the plot. Opens with the newest pass selected.
class PassRecordWindow : public QWidget {
    Q_OBJECT
  public:
    // `folder`: where the records are; empty for the current directory.
    explicit PassRecordWindow(QString folder, QWidget* parent = nullptr);

    // Reads the folder again (再読込).
    void Reload();

  private:
    void ShowSelected();

    QString folder_;
    std::vector<PassRecord> records_;

  public:
    QTreeWidget* lstRecords = nullptr;
    PointingErrorPlot* picError = nullptr;
    QLabel *lblFigures = nullptr, *lblNotes = nullptr;
    QPushButton *cmdReload = nullptr, *cmdClose = nullptr;
};
