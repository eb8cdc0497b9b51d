// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/PassRecordWindow.h"

#include "mainwindow/PointingErrorPlot.h"
#include "mainwindow/WindowParts.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString DegreesText(double value) {
    return QString::number(value, 'f', 2) + QStringLiteral("°");
}

QString DurationText(double seconds) {
    const long s = std::lround(seconds);
    return QStringLiteral("%1分%2秒").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

PassRecordWindow::PassRecordWindow(QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(std::move(folder)) {
    auto* layout = StartListWindow(this, "PassRecordWindow", QStringLiteral("追跡記録"));
    lstRecords = MakeListView(this, "lstRecords",
                              {QStringLiteral("衛星名"), QStringLiteral("開始 (UTC)"), QStringLiteral("時間"),
                               QStringLiteral("中央値"), QStringLiteral("95%値"), QStringLiteral("最大")});
    lstRecords->header()->setStretchLastSection(false);
    lstRecords->setMinimumHeight(140);
    layout->addWidget(lstRecords);

    auto* plotRow = new QHBoxLayout;
    picError = new PointingErrorPlot(this);
    plotRow->addWidget(picError, 1);
    lblFigures = new QLabel(this);
    lblFigures->setObjectName(QStringLiteral("lblFigures"));
    lblFigures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblFigures->setMinimumWidth(190);
    plotRow->addWidget(lblFigures);
    layout->addLayout(plotRow, 1);

    lblNotes = MakeNotesLabel(this);
    layout->addWidget(lblNotes);
    cmdReload =
        MakeButton(this, "cmdReload", QStringLiteral("再読込"), QStringLiteral("記録を読みなおします"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("閉じる"));
    layout->addLayout(MakeButtonRow({cmdReload, cmdClose}));

    connect(cmdReload, &QPushButton::clicked, this, &PassRecordWindow::Reload);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(lstRecords, &QTreeWidget::itemSelectionChanged, this, &PassRecordWindow::ShowSelected);
    Reload();
}

void PassRecordWindow::Reload() {
    lstRecords->clear();
    records_.clear();
    QStringList notes;
    const QDir dir(folder_.isEmpty() ? QStringLiteral(".") : folder_);
    for (const QString& name : ListPassRecords(folder_)) {
        QString problem;
        auto record = ReadPassRecord(dir.filePath(name), &problem);
        if (!record) {
            notes << QStringLiteral("%1: %2").arg(name, problem);
            continue;
        }
        const ErrorFigures f = PointingErrorFigures(record->samples);
        auto* item = new QTreeWidgetItem({record->satellite,
                                          record->startUtc.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                          DurationText(record->samples.back().seconds), DegreesText(f.median),
                                          DegreesText(f.p95), DegreesText(f.max)});
        item->setToolTip(0, name);
        for (int column = 2; column <= 5; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        lstRecords->addTopLevelItem(item);
        records_.push_back(std::move(*record));
    }
    if (records_.empty())
        notes.prepend(QStringLiteral("自動追尾した通過の記録はまだありません（%1）。")
                          .arg(QDir::toNativeSeparators(dir.absolutePath())));
    lblNotes->setText(notes.join(QLatin1Char('\n')));
    if (records_.empty())
        ShowSelected();
    else
        lstRecords->setCurrentItem(lstRecords->topLevelItem(0));
}

void PassRecordWindow::ShowSelected() {
    const QList<QTreeWidgetItem*> selected = lstRecords->selectedItems();
    const int index = selected.isEmpty() ? -1 : lstRecords->indexOfTopLevelItem(selected.front());
    if (index < 0 || index >= static_cast<int>(records_.size())) {
        picError->Clear();
        lblFigures->clear();
        return;
    }
    const PassRecord& record = records_[index];
    picError->SetRecord(record);
    const ErrorFigures f = PointingErrorFigures(record.samples);
    lblFigures->setText(
        QStringLiteral("%1\n%2 (UTC) から %3\n\n指向誤差\n中央値  %4\n95%値  %5\n最大  %6\n\n%7 点")
            .arg(record.satellite, record.startUtc.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                 DurationText(record.samples.back().seconds), DegreesText(f.median), DegreesText(f.p95),
                 DegreesText(f.max), QString::number(record.samples.size())));
}
