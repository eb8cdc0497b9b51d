// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SatelliteDialog.h"

#include "config/ProfileFile.h"
#include "mainwindow/WindowParts.h"
#include "sky/StationSetting.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// Rows of the catalogue list keep the index of their entry.
constexpr int EntryRole = Qt::UserRole;

} // namespace

SatelliteDialog::SatelliteDialog(QString iniPath, NowUtc nowUtc, QWidget* parent)
    : QWidget(parent, Qt::Window), iniPath_(std::move(iniPath)), nowUtc_(std::move(nowUtc)) {
    setObjectName(QStringLiteral("SatelliteDialog"));
    setWindowTitle(QStringLiteral("追跡衛星の選択"));
    network_ = new QNetworkAccessManager(this);
    update_ = new ElementUpdate(*network_, this);
    BuildWidgets();

    connect(txtFilter, &QLineEdit::textChanged, this, [this] { ShowCatalogue(); });
    connect(cmdAdd, &QPushButton::clicked, this, &SatelliteDialog::AddSelected);
    connect(lstCatalogue, &QTreeWidget::itemDoubleClicked, this, [this] { AddSelected(); });
    connect(cmdRemove, &QPushButton::clicked, this,
            [this] { ShowChosen(chosen_.Remove(lstChosen->currentRow())); });
    connect(cmdUp, &QPushButton::clicked, this,
            [this] { ShowChosen(chosen_.MoveUp(lstChosen->currentRow())); });
    connect(cmdDown, &QPushButton::clicked, this,
            [this] { ShowChosen(chosen_.MoveDown(lstChosen->currentRow())); });
    connect(cmdSave, &QPushButton::clicked, this, &SatelliteDialog::Save);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdClose, &QPushButton::click);
    connect(cmdUpdate, &QPushButton::clicked, this, &SatelliteDialog::StartUpdate);
    connect(cmdCancel, &QPushButton::clicked, update_, &ElementUpdate::Cancel);
    connect(update_, &ElementUpdate::Progress, this,
            [this](int index, int count, qint64 received, qint64 total) {
                // Each address has an equal share of the bar; an unknown length fills its share halfway.
                const double share = total > 0 ? double(received) / double(total) : 0.5;
                barUpdate->setValue(static_cast<int>(100 * (index + share) / count));
            });
    connect(update_, &ElementUpdate::Finished, this, &SatelliteDialog::UpdateFinished);
    connect(txtLocation, &QLineEdit::textChanged, this, &SatelliteDialog::ShowLocationCheck);

    const ProfileDocument settings = ProfileDocument::Read(iniPath_);
    txtLocation->setText(StationLocationText(settings));
    ShowLocationCheck();
    settings_ = ReadTrackerSettings(settings, iniPath_);
    chosen_ = ChosenSatellites(settings_.satellites);
    Reload();
}

SatelliteDialog::~SatelliteDialog() = default;

void SatelliteDialog::BuildWidgets() {
    auto* grid = new QGridLayout(this);
    grid->addWidget(MakeLabel(this, "Label1", QStringLiteral("軌道要素の衛星")), 0, 0);
    grid->addWidget(MakeLabel(this, "Label2", QStringLiteral("追跡する衛星（上から優先）")), 0, 2);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(MakeLabel(this, "Label3", QStringLiteral("絞り込み")));
    txtFilter = new QLineEdit(this);
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setToolTip(QStringLiteral("衛星名の一部、またはカタログ番号"));
    txtFilter->setClearButtonEnabled(true);
    filterRow->addWidget(txtFilter);
    grid->addLayout(filterRow, 1, 0);

    lstCatalogue = new QTreeWidget(this);
    lstCatalogue->setObjectName(QStringLiteral("lstCatalogue"));
    lstCatalogue->setHeaderLabels(
        {QStringLiteral("衛星名"), QStringLiteral("番号"), QStringLiteral("元期から")});
    lstCatalogue->setRootIsDecorated(false);
    lstCatalogue->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstCatalogue->setMinimumSize(360, 320);
    lstCatalogue->header()->setStretchLastSection(false);
    lstCatalogue->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstCatalogue->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lstCatalogue->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    grid->addWidget(lstCatalogue, 2, 0);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    cmdAdd = MakeButton(this, "cmdAdd", QStringLiteral("追加 →"),
                        QStringLiteral("選んだ衛星を追跡する衛星に加えます"));
    middle->addWidget(cmdAdd);
    middle->addStretch();
    grid->addLayout(middle, 2, 1);

    lstChosen = new QListWidget(this);
    lstChosen->setObjectName(QStringLiteral("lstChosen"));
    lstChosen->setMinimumWidth(240);
    grid->addWidget(lstChosen, 1, 2, 2, 1);

    auto* order = new QVBoxLayout;
    cmdUp = MakeButton(this, "cmdUp", QStringLiteral("上へ"), QStringLiteral("優先順位を上げます"));
    cmdDown = MakeButton(this, "cmdDown", QStringLiteral("下へ"), QStringLiteral("優先順位を下げます"));
    cmdRemove =
        MakeButton(this, "cmdRemove", QStringLiteral("削除"), QStringLiteral("追跡する衛星から外します"));
    order->addWidget(cmdUp);
    order->addWidget(cmdDown);
    order->addWidget(cmdRemove);
    order->addStretch();
    grid->addLayout(order, 1, 3, 2, 1);

    auto* locationRow = new QHBoxLayout;
    locationRow->addWidget(MakeLabel(this, "Label4", QStringLiteral("局の位置")));
    txtLocation = new QLineEdit(this);
    txtLocation->setObjectName(QStringLiteral("txtLocation"));
    txtLocation->setToolTip(
        QStringLiteral("グリッドロケーター（例: PM95vq）、または 緯度,経度[,高さ]（度、北と東が正、高さは "
                       "m。例: 35.68,139.77,40）"));
    txtLocation->setPlaceholderText(QStringLiteral("PM95vq または 35.68,139.77,40"));
    txtLocation->setMinimumWidth(200);
    txtLocation->setMaximumWidth(260);
    locationRow->addWidget(txtLocation);
    lblLocation = MakeLabel(this, "lblLocation", QString());
    locationRow->addWidget(lblLocation, 1);
    grid->addLayout(locationRow, 3, 0, 1, 4);

    auto* updateRow = new QHBoxLayout;
    lblUpdated = MakeLabel(this, "lblUpdated", QString());
    updateRow->addWidget(lblUpdated, 1);
    cmdUpdate = MakeButton(this, "cmdUpdate", QStringLiteral("軌道要素の更新"),
                           QStringLiteral("設定された取得先から最新の軌道要素を取得します"));
    barUpdate = new QProgressBar(this);
    barUpdate->setObjectName(QStringLiteral("barUpdate"));
    barUpdate->setRange(0, 100);
    barUpdate->setValue(0);
    barUpdate->setVisible(false);
    cmdCancel = MakeButton(this, "cmdCancel", QStringLiteral("更新中止"), QStringLiteral("取得を中止します"));
    cmdCancel->setEnabled(false);
    updateRow->addWidget(barUpdate);
    updateRow->addWidget(cmdUpdate);
    updateRow->addWidget(cmdCancel);
    grid->addLayout(updateRow, 4, 0, 1, 4);

    lblMessage = MakeLabel(this, "lblMessage", QString());
    lblMessage->setWordWrap(true);
    grid->addWidget(lblMessage, 5, 0, 1, 4);

    cmdSave =
        MakeButton(this, "cmdSave", QStringLiteral("保存"),
                   QStringLiteral("選択を設定ファイルに書き込みます。追跡プログラムがすぐに読み直します"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("閉じる"), QStringLiteral("保存せずに閉じます"));
    grid->addLayout(MakeButtonRow({cmdSave, cmdClose}), 6, 0, 1, 4);
}

void SatelliteDialog::Reload() {
    catalogue_ = SatelliteIndex::Read(CatalogueFiles(settings_));
    ShowCatalogue();
    ShowChosen(lstChosen->currentRow());
    ShowLastUpdate();
    if (catalogue_.entries.empty())
        SetMessage(QStringLiteral("軌道要素のファイルがありません。「軌道要素の更新」で取得してください。"));
    else if (!catalogue_.problems.isEmpty())
        SetMessage(QStringLiteral("読めなかった要素があります: %1").arg(catalogue_.problems.front()));
}

void SatelliteDialog::ShowCatalogue() {
    const QDateTime now = nowUtc_();
    lstCatalogue->clear();
    QList<QTreeWidgetItem*> items;
    for (std::size_t i = 0; i < catalogue_.entries.size(); ++i) {
        const CatalogueEntry& entry = catalogue_.entries[i];
        if (!MatchesFilter(entry, txtFilter->text()))
            continue;
        auto* item = new QTreeWidgetItem(
            {entry.name, QString::number(entry.set.catalogueNumber), AgeText(AgeDays(entry.set, now))});
        item->setData(0, EntryRole, static_cast<int>(i));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items << item;
    }
    lstCatalogue->addTopLevelItems(items);
    if (!items.isEmpty())
        lstCatalogue->setCurrentItem(items.front());
}

void SatelliteDialog::ShowChosen(int selectRow) {
    lstChosen->clear();
    for (int row = 0; row < chosen_.Count(); ++row)
        lstChosen->addItem(chosen_.RowText(row, catalogue_));
    if (selectRow >= 0 && selectRow < chosen_.Count())
        lstChosen->setCurrentRow(selectRow);
}

void SatelliteDialog::ShowLastUpdate() {
    const QDateTime updated = QDateTime::fromString(settings_.lastUpdate, Qt::ISODate);
    lblUpdated->setText(updated.isValid()
                            ? QStringLiteral("最終更新: %1")
                                  .arg(updated.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")))
                            : QStringLiteral("最終更新: なし"));
}

void SatelliteDialog::AddSelected() {
    int row = -1;
    for (QTreeWidgetItem* item : lstCatalogue->selectedItems())
        row = chosen_.Add(catalogue_.entries.at(item->data(0, EntryRole).toInt()).set);
    if (row >= 0)
        ShowChosen(row);
}

void SatelliteDialog::Save() {
    const LocationInput location = CheckLocationInput(txtLocation->text());
    if (location.state == LocationInput::Bad) {
        SetMessage(QStringLiteral("局の位置が正しくありません（%1）。保存していません。").arg(location.text));
        txtLocation->setFocus();
        return;
    }
    settings_ = ReadTrackerSettings(iniPath_);
    if (!WriteTrackerChoice(iniPath_, CatalogueFiles(settings_), chosen_.Identifiers())) {
        SetMessage(
            QStringLiteral("設定ファイル %1 に書き込めません。選択は保存されていません。").arg(iniPath_));
        return;
    }
    if (StationLocationText(ProfileDocument::Read(iniPath_)) != location.value &&
        !SetINIValue(location.value, StationLocationKey, StationSection, iniPath_)) {
        SetMessage(
            QStringLiteral("設定ファイル %1 に書き込めません。局の位置は保存されていません。").arg(iniPath_));
        return;
    }
    settings_ = ReadTrackerSettings(iniPath_);
    SetMessage(chosen_.Count() == 0 ? QStringLiteral("保存しました（追跡する衛星なし）。")
                                    : QStringLiteral("保存しました。追跡プログラムがすぐに読み直します。"));
    emit Saved(chosen_.Identifiers());
}

void SatelliteDialog::StartUpdate() {
    settings_ = ReadTrackerSettings(iniPath_);
    const std::vector<orbit::ElementSet> others =
        SetsBesideTheUpdateFile(settings_.elementFiles, settings_.updateFile);
    QStringList required = settings_.satellites;
    for (const QString& id : chosen_.Identifiers())
        if (!required.contains(id))
            required << id;
    QList<QUrl> addresses;
    for (const QString& a : settings_.addresses)
        addresses << QUrl(a);
    cmdUpdate->setEnabled(false);
    cmdCancel->setEnabled(true);
    barUpdate->setValue(0);
    barUpdate->setVisible(true);
    SetMessage(QStringLiteral("軌道要素を取得しています…"));
    update_->Start(addresses, settings_.updateFile, required, others, updateOptions_);
}

void SatelliteDialog::UpdateFinished(bool replaced, const QString& message) {
    cmdUpdate->setEnabled(true);
    cmdCancel->setEnabled(false);
    barUpdate->setVisible(false);
    if (replaced) {
        const QString now = nowUtc_().toUTC().toString(Qt::ISODate);
        if (!WriteUpdateDone(iniPath_, settings_, now)) {
            SetMessage(message + QStringLiteral("（設定ファイルに更新時刻を書き込めません）"));
            settings_ = ReadTrackerSettings(iniPath_);
            Reload();
            return;
        }
        settings_ = ReadTrackerSettings(iniPath_);
        Reload();
    }
    SetMessage(message);
}

void SatelliteDialog::ShowLocationCheck() {
    const LocationInput input = CheckLocationInput(txtLocation->text());
    lblLocation->setText(input.text);
    // Red for a text that cannot be saved, amber while the default location is in force.
    const char* colour = input.state == LocationInput::Bad     ? "#c00000"
                         : input.state == LocationInput::Blank ? "#a05a00"
                                                               : "";
    lblLocation->setStyleSheet(*colour ? QStringLiteral("color: %1").arg(QLatin1String(colour)) : QString());
}

void SatelliteDialog::SetMessage(const QString& text) {
    lblMessage->setText(text);
}
