// SPDX-License-Identifier: GPL-3.0-or-later
#include "stations/Form4.h"

#include "settingsdialog/WidgetMaking.h"

#include "common/MessageSink.h"
#include "stations/EditorChecks.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

namespace {

const QString AzimuthMessage = QStringLiteral("水平の角度を０から３６０の範囲の値をいれてください");
const QString ElevationMessage = QStringLiteral("仰角の角度を０から９０の範囲の値をいれてください");
const QString NoNameMessage = QStringLiteral("無線局（人工衛星）／放送局の名前が入力されていません。");
const QString TimeMessage = QStringLiteral("開始時間を１３：３０の形式で入力してください");
const QString FullListMessage = QStringLiteral("局リストには%1局までしか登録できません。").arg(MaxStations);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    return MakeWidget<QLabel>(parent, QLatin1String(name), text, geometry);
}

QLineEdit* MakeBox(QWidget* parent, const char* name, const QString& tip, QRect geometry) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    box->setGeometry(geometry);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QString& tip,
                        QRect geometry) {
    return MakeWidget<QPushButton>(parent, QLatin1String(name), caption, geometry, tip);
}

} // namespace

Form4::Form4(MessageSink& messages, QString stationFilePath, RestartDemand demandRestart, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), path_(std::move(stationFilePath)),
      demandRestart_(std::move(demandRestart)) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("局リスト登録・修正"));
    BuildWidgets();
    connect(Check1, &QCheckBox::toggled, this, &Form4::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    // Escape leaves the editor the same way as its close button.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Command3, &QPushButton::click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form4::Command5_Click);
    connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!selectingByCode_ && row >= 0)
            List1_Click();
    });
    const QLineEdit* boxes[] = {Text1, Text2, Text3, Text4, Text5};
    for (int i = 0; i < 5; ++i)
        connect(boxes[i], &QLineEdit::returnPressed, this, [this, i] { Text_KeyPress(i + 1, 13); });
    Form_Load();
}

void Form4::BuildWidgets() {
    setFixedSize(500, 372);
    MakeLabel(this, "Label1", QStringLiteral("水平角"), QRect(10, 8, 60, 18));
    MakeLabel(this, "Label2", QStringLiteral("仰角"), QRect(80, 8, 60, 18));
    MakeLabel(this, "Label3", QStringLiteral("無線局／放送局"), QRect(150, 8, 200, 18));
    Text1 =
        MakeBox(this, "Text1", QStringLiteral("水平角の入力（０度から３６０度まで）"), QRect(10, 26, 62, 24));
    Text2 = MakeBox(this, "Text2", QStringLiteral("仰角の入力（０度から９０度まで）"), QRect(80, 26, 62, 24));
    Text3 = MakeBox(this, "Text3", QStringLiteral("無線局の名前や衛星の名前、放送局などの名称の設定"),
                    QRect(150, 26, 340, 24));

    Check1 = new QCheckBox(this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(QStringLiteral("スケジュール時間を設定する場合にチェック"));
    Check1->setGeometry(10, 76, 20, 24);
    MakeLabel(this, "Label4", QStringLiteral("スケジュール"), QRect(30, 76, 80, 24));
    MakeLabel(this, "Label5", QStringLiteral("開始時間"), QRect(120, 58, 70, 18));
    MakeLabel(this, "Label6", QStringLiteral("終了時間"), QRect(200, 58, 70, 18));
    Text4 = MakeBox(this, "Text4", QStringLiteral("スケジュール運用開始時間の設定"), QRect(120, 76, 62, 24));
    Text5 = MakeBox(this, "Text5", QStringLiteral("スケジュール終了時間の設定"), QRect(200, 76, 62, 24));

    Command1 = MakeButton(this, "Command1", QStringLiteral("登録"), QStringLiteral("入力項目の登録"),
                          QRect(10, 112, 76, 28));
    Command4 = MakeButton(this, "Command4", QStringLiteral("修正"), QStringLiteral("下記設定内容の項目修正"),
                          QRect(94, 112, 76, 28));
    Command2 = MakeButton(this, "Command2", QStringLiteral("削除"), QStringLiteral("下記項目の削除"),
                          QRect(178, 112, 76, 28));
    Command5 = MakeButton(this, "Command5", QStringLiteral("中止"), QStringLiteral("登録や修正の中止"),
                          QRect(262, 112, 76, 28));
    Command3 = MakeButton(this, "Command3", QStringLiteral("終了"),
                          QStringLiteral("局リストの設定、修正の終了"), QRect(414, 112, 76, 28));

    MakeLabel(this, "Label7", QStringLiteral("水平角"), QRect(14, 150, 60, 18));
    MakeLabel(this, "Label8", QStringLiteral("仰角"), QRect(78, 150, 60, 18));
    MakeLabel(this, "Label9", QStringLiteral("無線局／放送局"), QRect(336, 150, 150, 18));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setToolTip(QStringLiteral("スケジュール登録されている一覧の表示"));
    List1->setGeometry(10, 168, 480, 194);
    // The list lines are aligned with blanks, so they need a fixed-width font.
    List1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void Form4::ShowTimeBoxes(bool enabled) {
    const QPalette system = QApplication::palette();
    for (QLineEdit* box : {Text4, Text5}) {
        box->setEnabled(enabled);
        QPalette p = box->palette();
        const QColor colour = system.color(enabled ? QPalette::Base : QPalette::Button);
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(g, QPalette::Base, colour);
        box->setPalette(p);
    }
}

void Form4::Form_Load() {
    ShowTimeBoxes(false);
    Check1->setChecked(false);
    ListEntries.clear();
    Command2->setEnabled(false);
    Command4->setEnabled(false);
    LoadEditorList();
}

void Form4::LoadEditorList() {
    const StationFileContents contents = ReadStationFile(path_);
    fileUnreadable_ = contents.unreadable;
    backupNeeded_ = contents.NeedsBackup();
    for (StationRecord entry : contents.stations) {
        // The list shows the times as read; an empty one is held as "no schedule".
        List1->addItem(EditorLine(entry));
        if (entry.startTime.isEmpty())
            entry.startTime = NoScheduleTime;
        if (entry.endTime.isEmpty())
            entry.endTime = NoScheduleTime;
        ListEntries << entry;
    }
    readCount_ = static_cast<int>(ListEntries.size());
    // Told once, when the editor opens: what was not loaded, and what a rewrite would change.
    QStringList notice;
    if (contents.Damaged())
        notice << SetAsideMessage(path_, contents);
    if (const QString rewrite = RewriteNotice(path_, contents); !rewrite.isEmpty())
        notice << rewrite;
    else if (contents.Damaged() && !contents.unreadable)
        notice << QStringLiteral("保存するときは元のファイルを \"%1.bak\" として残します。").arg(path_);
    if (!notice.isEmpty())
        messages_.ShowMessage(notice.join(QLatin1Char('\n')));
}

QString Form4::TrySaveStationList() {
    if (fileUnreadable_)
        return QStringLiteral("局リスト \"%1\" を読み込めなかったので、書き換えませんでした。").arg(path_);
    // A list shorter than what was read, beyond what the user deleted, would lose stations.
    if (ListCount() < readCount_ - deletedCount_)
        return QStringLiteral(
            "局リストの局数が読み込んだときより少なくなっているため、書き換えませんでした。");
    if (backupNeeded_ && !backupKept_) {
        // What the rewrite cannot keep stays in the original beside it.
        if (!KeepBackup(path_))
            return QStringLiteral(
                       "元の局リストを \"%1.bak\" として残せなかったため、局リストを書き換えませんでした。")
                .arg(path_);
        backupKept_ = true;
    }
    if (!WriteStationFile(path_, ListEntries))
        return QStringLiteral("局リスト \"%1\" に書き込めませんでした。").arg(path_);
    unsaved_ = false;
    return QString();
}

bool Form4::SaveStationList() {
    const QString problem = TrySaveStationList();
    if (problem.isEmpty())
        return true;
    messages_.ShowMessage(problem);
    return false;
}

bool Form4::SaveOrOfferToDiscard() {
    const QString problem = TrySaveStationList();
    if (problem.isEmpty())
        return true;
    // The editor can always be closed: the file then stays as it was.
    if (messages_.AskYesNo(
            problem + QStringLiteral("\n変更を保存せずに閉じますか？（局リストのファイルは元のままです）"))) {
        discarded_ = true;
        return true;
    }
    return false;
}

void Form4::RemoveEditorEntry() {
    if (EditIndex >= 0 && EditIndex < ListEntries.size())
        ListEntries.removeAt(EditIndex);
}

std::int16_t Form4::ChkVal(QLineEdit* box, const QString& min, const QString& max) {
    QString text = box->text();
    const std::int16_t code = CheckValueText(text, min, max, messages_);
    if (text != box->text())
        box->setText(text);
    return code;
}

void Form4::ClearListSelection() {
    selectingByCode_ = true;
    List1->setCurrentRow(-1);
    List1->clearSelection();
    selectingByCode_ = false;
}

void Form4::List1_Click() {
    const int row = List1->currentRow();
    if (row < 0 || row >= ListEntries.size())
        return;
    Command2->setEnabled(true);
    Command4->setEnabled(true);
    Command1->setEnabled(false);
    EditIndex = row;
    const StationRecord& entry = ListEntries.at(row);
    Text1->setText(entry.azimuth);
    Text2->setText(entry.elevation);
    Text3->setText(entry.name);
    if (entry.startTime != NoScheduleTime) {
        Check1->setChecked(true);
        Text4->setText(entry.startTime);
        Text5->setText(entry.endTime);
    } else {
        Check1->setChecked(false);
        Text4->clear();
        Text5->clear();
    }
}

void Form4::Check1_Click() {
    ShowTimeBoxes(Check1->isChecked());
    if (Check1->isChecked())
        Text4->setFocus();
}

bool Form4::AngleBoxValid(QLineEdit* box, const QString& max, const QString& message) {
    if (ChkVal(box, QStringLiteral("0"), max) == 0)
        return true;
    messages_.ShowMessage(message);
    box->clear();
    box->setFocus();
    return false;
}

bool Form4::AzimuthBoxValid() {
    return AngleBoxValid(Text1, QStringLiteral("360"), AzimuthMessage);
}

bool Form4::ElevationBoxValid() {
    return AngleBoxValid(Text2, QStringLiteral("90"), ElevationMessage);
}

bool Form4::CheckPosition() {
    if (!AzimuthBoxValid() || !ElevationBoxValid())
        return false;
    if (Text3->text().isEmpty()) {
        messages_.ShowMessage(NoNameMessage);
        Text3->setFocus();
        return false;
    }
    if (const QString problem = NameProblem(Text3->text()); !problem.isEmpty()) {
        messages_.ShowMessage(problem);
        Text3->setFocus();
        return false;
    }
    return true;
}

bool Form4::TakeTimes(StationRecord& entry) {
    struct Time {
        QLineEdit* box;
        QString* value;
    };
    for (const Time& t : {Time{Text4, &entry.startTime}, Time{Text5, &entry.endTime}}) {
        if (!Check1->isChecked()) {
            t.box->clear();
            *t.value = NoScheduleTime;
            continue;
        }
        if (IsBadTime(t.box->text())) {
            messages_.ShowMessage(TimeMessage);
            t.box->clear();
            t.box->setFocus();
            return false;
        }
        *t.value = t.box->text();
    }
    return true;
}

void Form4::ClearInputs() {
    for (QLineEdit* box : {Text1, Text2, Text3, Text4, Text5})
        box->clear();
    Check1->setChecked(false);
}

void Form4::ReturnToIdle() {
    ClearInputs();
    Command1->setEnabled(true);
    Command2->setEnabled(false);
    Command4->setEnabled(false);
    ClearListSelection();
}

void Form4::RefillList() {
    selectingByCode_ = true;
    List1->clear();
    for (const StationRecord& entry : ListEntries)
        List1->addItem(EditorLine(entry));
    selectingByCode_ = false;
}

void Form4::Command1_Click() {
    EntryAdded = 1;
    if (ListEntries.size() >= MaxStations) {
        messages_.ShowMessage(FullListMessage);
        return;
    }
    if (!CheckPosition())
        return;
    StationRecord entry{Text1->text(), Text2->text(), Text3->text(), QString(), QString()};
    if (!TakeTimes(entry))
        return;
    ListEntries << entry;
    List1->addItem(EditorLine(entry));
    unsaved_ = true;
    ClearInputs();
}

void Form4::Command4_Click() {
    EntryModified = 1;
    if (EditIndex < 0 || EditIndex >= ListEntries.size())
        return;
    if (!CheckPosition())
        return;
    // Nothing is stored until every check has passed, so a refused time leaves the entry as listed.
    StationRecord entry{Text1->text(), Text2->text(), Text3->text(), QString(), QString()};
    if (!TakeTimes(entry))
        return;
    ListEntries[EditIndex] = entry;
    unsaved_ = true;
    RefillList();
    ReturnToIdle();
}

void Form4::Command2_Click() {
    EntryDeleted = 1;
    if (EditIndex >= 0 && EditIndex < ListEntries.size()) {
        selectingByCode_ = true;
        delete List1->takeItem(EditIndex);
        selectingByCode_ = false;
        RemoveEditorEntry();
        ++deletedCount_;
        unsaved_ = true;
    }
    ReturnToIdle();
}

void Form4::Command5_Click() {
    ReturnToIdle();
    Text1->setFocus();
}

void Form4::Command3_Click() {
    if (!discarded_ && !SaveOrOfferToDiscard())
        return;
    close();
}

void Form4::Text_KeyPress(int box, int keyAscii) {
    if (keyAscii != 13)
        return;
    switch (box) {
    case 1:
        if (AzimuthBoxValid())
            Text2->setFocus();
        break;
    case 2:
        if (ElevationBoxValid())
            Text3->setFocus();
        break;
    case 3:
        Check1->setFocus();
        break;
    case 4:
        Text5->setFocus();
        break;
    case 5:
        // While adding, the modify button is disabled and cannot take the focus: go to the add button.
        (Command4->isEnabled() ? Command4 : Command1)->setFocus();
        break;
    default:
        break;
    }
}

bool Form4::Form_Unload() {
    if (!discarded_ && (Changed() || ListCount() > 0) && !SaveOrOfferToDiscard())
        return false;
    // Closed without saving: the file is as it was, so the running program still matches it.
    if (Changed() && !discarded_ && demandRestart_)
        demandRestart_();
    return true;
}

void Form4::closeEvent(QCloseEvent* event) {
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}
