// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stations/StationFile.h"

#include <QWidget>
#include <cstdint>
#include <functional>

class MessageSink;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// The station list editor "局リスト登録・修正": adds, modifies and deletes stations of the list file
// and writes the file back when it closes. It is not modal. The main window reads the list only at
// start-up, so after any press of add, modify or delete closing the editor demands a restart.
class Form4 : public QWidget {
    Q_OBJECT

  public:
    // Ends the program after a change: the caller switches the relays off, shows the restart
    // message (EditorRestartMessage) and ends.
    using RestartDemand = std::function<void()>;

    Form4(MessageSink& messages, QString stationFilePath, RestartDemand demandRestart,
          QWidget* parent = nullptr);

    void Form_Load();
    void LoadEditorList();
    // Rewrites the list file from the entries. False (after a message) when the file could not be
    // written, when its original could not be kept as ".bak" first (a file that was damaged, in
    // UTF-8 or with extra columns), when the file could not be read at all, or when the list holds
    // fewer stations than were read and not deleted.
    bool SaveStationList();
    // The same without the message: empty on success, otherwise why the file was not written.
    QString TrySaveStationList();
    void RemoveEditorEntry();
    // 0 valid, -1 empty, -2 not a number, -3 out of range; a number is written back in plain form.
    std::int16_t ChkVal(QLineEdit* box, const QString& min, const QString& max);

    void List1_Click();
    void Check1_Click();
    void Command1_Click(); // add
    void Command2_Click(); // delete
    void Command3_Click(); // close
    void Command4_Click(); // modify
    void Command5_Click(); // cancel
    // Enter in Text1..Text5 moves through the form.
    void Text_KeyPress(int box, int keyAscii);
    // Runs when the window closes. When the file cannot be written the user chooses: close without
    // saving (the file stays as it was) or keep the editor open (false).
    bool Form_Unload();
    // Added, modified or deleted entries not yet written to the file.
    bool HasUnsavedChanges() const { return unsaved_; }

    const QList<StationRecord>& Entries() const { return ListEntries; }
    int ListCount() const { return static_cast<int>(ListEntries.size()); }
    bool Changed() const { return EntryAdded || EntryDeleted || EntryModified; }

    int EditIndex = -1;
    std::int16_t EntryAdded = 0, EntryDeleted = 0, EntryModified = 0;

    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr;
    QListWidget* List1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildWidgets();
    // Checks an angle box (0..max); a bad value is reported, cleared and given the focus.
    bool AngleBoxValid(QLineEdit* box, const QString& max, const QString& message);
    bool AzimuthBoxValid();
    bool ElevationBoxValid();
    void ShowTimeBoxes(bool enabled);
    void ClearInputs();
    void ReturnToIdle();
    void RefillList();
    // Azimuth, elevation and name checked in order; false after the failing check's message.
    bool CheckPosition();
    // The two times from the boxes (or "--:--" without a schedule); false after a message.
    bool TakeTimes(StationRecord& entry);
    void ClearListSelection();

    MessageSink& messages_;
    QString path_;
    RestartDemand demandRestart_;
    // Each entry holds the five columns ListAzimuth, ListElevation, ListName, ListStartTime, ListEndTime.
    QList<StationRecord> ListEntries;
    // Saves, or after a failure asks whether to close without saving; true when the editor may close.
    bool SaveOrOfferToDiscard();

    bool fileUnreadable_ = false;
    bool backupNeeded_ = false;
    bool backupKept_ = false;
    bool unsaved_ = false;
    bool discarded_ = false;
    int readCount_ = 0;    // stations loaded from the file
    int deletedCount_ = 0; // of those and the added ones, how many the user deleted
    bool selectingByCode_ = false;
};

// The demand after a change of settings or of the station list.
inline const QString EditorRestartMessage =
    QStringLiteral("設定変更しましたので、改めてプログラムを起動しなおしてください。");
