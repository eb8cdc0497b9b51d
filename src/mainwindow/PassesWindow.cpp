// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/PassesWindow.h"

#include "mainwindow/WindowParts.h"
#include "satellites/SatelliteCatalogue.h"
#include "satellites/TrackerSettings.h"
#include "sky/StationSetting.h"
#include "skymap/SkyMapWidget.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Degrees(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

} // namespace

PassesWindow::PassesWindow(QString iniPath, NowUtc nowUtc, SkyMapWidget* map, std::function<QString()> served,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), iniPath_(std::move(iniPath)), nowUtc_(std::move(nowUtc)),
      served_(std::move(served)), map_(map) {
    auto* layout = StartListWindow(this, "PassesWindow", QStringLiteral("衛星の通過予定"));
    lblStation = new QLabel(this);
    lblStation->setObjectName(QStringLiteral("lblStation"));
    layout->addWidget(lblStation);
    lstPasses = MakeListView(
        this, "lstPasses",
        {QStringLiteral("衛星名"), QStringLiteral("AOS"), QStringLiteral("最高点"), QStringLiteral("LOS"),
         QStringLiteral("AOS (UTC)"), QStringLiteral("最高点 (UTC)"), QStringLiteral("LOS (UTC)"),
         QStringLiteral("AOS方位"), QStringLiteral("LOS方位"), QStringLiteral("最大仰角")});
    lstPasses->setMinimumSize(980, 300);
    layout->addWidget(lstPasses);
    lblNotes = MakeNotesLabel(this);
    layout->addWidget(lblNotes);
    cmdRefresh = MakeButton(this, "cmdRefresh", QStringLiteral("再計算"),
                            QStringLiteral("今の時刻から計算しなおします"));
    cmdClearTrack = MakeButton(this, "cmdClearTrack", QStringLiteral("軌跡を消す"),
                               QStringLiteral("地図の軌跡を消します"));
    cmdRecords = MakeButton(this, "cmdRecords", QStringLiteral("追跡記録"),
                            QStringLiteral("自動追尾した通過の指向誤差を表示します"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("閉じる"), QStringLiteral("通過予定を閉じます"));
    layout->addLayout(MakeButtonRow({cmdRefresh, cmdClearTrack, cmdRecords, cmdClose}));

    connect(cmdRefresh, &QPushButton::clicked, this, &PassesWindow::Recompute);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdClearTrack, &QPushButton::clicked, this, [this] {
        lstPasses->clearSelection();
        if (map_)
            map_->ClearTrack();
    });
    connect(cmdRecords, &QPushButton::clicked, this, &PassesWindow::OpenRecords);
    connect(lstPasses, &QTreeWidget::itemSelectionChanged, this, &PassesWindow::ShowSelectedTrack);
    step_.setSingleShot(true);
    step_.setInterval(0);
    connect(&step_, &QTimer::timeout, this, &PassesWindow::ComputeNext);
    Recompute();
}

PassesWindow::~PassesWindow() = default;

void PassesWindow::Recompute() {
    QString problem;
    const auto station = ReadStationLocation(iniPath_, &problem);
    observer_ = station.value_or(DefaultStationLocation);
    lblStation->setText(
        QStringLiteral("観測地: 北緯 %1°  東経 %2°  %3 m%4")
            .arg(Degrees(observer_.latitude, 4), Degrees(observer_.longitude, 4),
                 Degrees(observer_.height, 0),
                 station ? QString() : QStringLiteral("（[STATION] LOCATION 未設定のため既定の位置）")));

    const TrackerSettings settings = ReadTrackerSettings(iniPath_);
    index_ = SatelliteIndex::Read(settings.elementFiles);
    sets_.clear();
    QStringList notes;
    for (const QString& id : settings.satellites) {
        if (const CatalogueEntry* entry = index_.Find(id))
            sets_.push_back(entry->set);
        else
            notes << QStringLiteral("%1: 軌道要素がありません").arg(id);
    }
    if (settings.satellites.isEmpty())
        notes << QStringLiteral("追跡する衛星が選ばれていません（設定 → 追跡衛星の選択）。");
    notes_ = notes;
    lblNotes->setText(QStringLiteral("計算中…"));
    lstPasses->clear();
    if (map_)
        map_->ClearTrack();
    passes_ = {};
    from_ = nowUtc_();
    next_ = 0;
    cmdRefresh->setEnabled(false);
    step_.start();
}

void PassesWindow::ComputeNext() {
    if (next_ < sets_.size()) {
        // One satellite per turn of the event loop: a long list never holds the main window's cycle
        // or its stop button for more than one satellite's search.
        ComingPassList one = ComingPasses({sets_[next_]}, observer_, from_, PassesPerSatellite);
        for (PassRow& row : one.rows) {
            row.satellite = static_cast<int>(next_);
            passes_.rows.push_back(std::move(row));
        }
        passes_.notes += one.notes;
        ++next_;
        step_.start();
        return;
    }
    std::stable_sort(passes_.rows.begin(), passes_.rows.end(), [](const PassRow& a, const PassRow& b) {
        return a.pass.aos.Value() < b.pass.aos.Value();
    });
    lblNotes->setText((notes_ + passes_.notes).join(QLatin1Char('\n')));
    for (const PassRow& row : passes_.rows) {
        const orbit::Pass& p = row.pass;
        auto* item = new QTreeWidgetItem({row.name, PassTimeText(p.aos, false),
                                          PassTimeText(p.culmination, false), PassTimeText(p.los, false),
                                          PassTimeText(p.aos, true), PassTimeText(p.culmination, true),
                                          PassTimeText(p.los, true), Degrees(p.aosAzimuth, 1),
                                          Degrees(p.losAzimuth, 1), Degrees(p.maxElevation, 1)});
        for (int column = 7; column <= 9; ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        lstPasses->addTopLevelItem(item);
    }
    cmdRefresh->setEnabled(true);
    // The pass being followed, if the served satellite is in the list and above the horizon.
    const CatalogueEntry* served = served_ ? index_.Find(served_()) : nullptr;
    const double now = orbit::JulianDate::FromUnixMilliseconds(from_.toMSecsSinceEpoch()).Value();
    for (std::size_t i = 0; i < passes_.rows.size() && served; ++i) {
        const orbit::Pass& p = passes_.rows[i].pass;
        const long number = sets_.at(passes_.rows[i].satellite).catalogueNumber;
        if (number == served->set.catalogueNumber && p.aos.Value() <= now && now <= p.los.Value()) {
            lstPasses->setCurrentItem(lstPasses->topLevelItem(static_cast<int>(i)));
            break;
        }
    }
    emit Computed();
}

void PassesWindow::ShowSelectedTrack() {
    if (!map_)
        return;
    const QList<QTreeWidgetItem*> selected = lstPasses->selectedItems();
    if (selected.isEmpty()) {
        map_->ClearTrack();
        return;
    }
    const int index = lstPasses->indexOfTopLevelItem(selected.front());
    if (index < 0 || index >= static_cast<int>(passes_.rows.size()))
        return;
    const PassRow& row = passes_.rows[index];
    std::vector<QPointF> track;
    for (const PassTrackPoint& point : PassTrack(sets_.at(row.satellite), observer_, row.pass))
        track.emplace_back(point.azimuth, point.elevation);
    map_->SetTrack(std::move(track));
}

void PassesWindow::OpenRecords() {
    if (records_) {
        records_->Reload();
        records_->raise();
        records_->activateWindow();
        return;
    }
    records_ = new PassRecordWindow(recordFolder_, this);
    records_->setAttribute(Qt::WA_DeleteOnClose);
    records_->show();
}

void PassesWindow::closeEvent(QCloseEvent* event) {
    if (map_)
        map_->ClearTrack();
    QWidget::closeEvent(event);
}
