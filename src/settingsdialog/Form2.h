// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "config/CalibrationCapture.h"
#include "config/SettingsDialogLogic.h"

#include <QWidget>
#include <array>

class IoBoard;
class MessageSink;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class TrackingGroup;

// The settings dialog "設定（ＩＮＩファイル）": edits every setting of the profile file, shows the live
// sensor voltages and captures the calibration voltages. Ranges and the delay act in the running
// program as soon as a slider accepts them; everything else takes effect after a restart.
//
// The dialog does not know the main window: closing emits ClosedWithoutSave (the window gets its
// buttons and timers back) or RestartDemanded (a save happened; the program must end).
class Form2 : public QWidget {
    Q_OBJECT

  public:
    Form2(ModuleState& module, IoBoard* board, MessageSink* messages, QString iniPath,
          QWidget* parent = nullptr);
    ~Form2() override;

    // Reads the file into the widgets and starts the live display. Hand-edited values that the widgets
    // cannot show are reported in one message.
    void Form_Load();

    // 0 when all four address boxes hold 0..255, else the number of the first bad box (after the
    // message, with the focus on it).
    int CheckBoardAddress();
    // Whether the port box holds a usable port (or nothing); else the message, with the focus on it.
    bool CheckBoardPort();

    // Handlers named after their widgets.
    void Command1_Click(); // close
    void Command2_Click(); // capture azimuth 0
    void Command3_Click(); // capture azimuth 360 (the range maximum)
    void Command4_Click(); // save
    void Command5_Click(); // capture elevation 0
    void Command6_Click(); // capture elevation 90 (the range maximum)
    void Timer1_Timer();
    void Slider7_Click();
    void Slider8_Click();
    void Slider9_Click();
    void Slider10_Click();
    void Slider11_Click();
    void Check3_Click();

    bool SettingsSaved() const { return settingsSaved_; }
    const DialogSettings& workingCopies() const { return copies_; }
    const CalibrationCapture& capture() const { return capture_; }

  signals:
    void ClosedWithoutSave();
    void RestartDemanded();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildWidgets();
    void ConnectWidgets();
    void ShowRangeCaptions();
    // Whether the pair maximum/minimum slider (by number) is refused, with the message shown: a crossed
    // pair or an equal one.
    bool RangeRefused(int maxSlider, int minSlider, bool movedMax);
    // Whether a travel past the range is set that the captured calibration cannot read, with the
    // message shown and the focus on that travel's box.
    bool TravelRefused();

    ModuleState& module_;
    IoBoard* board_;
    MessageSink* messages_;
    QString iniPath_;
    TrackingGroup* trackingGroup_ = nullptr; // pass following (section TRACKING)
    DialogSettings copies_;
    CalibrationCapture capture_;
    bool settingsSaved_ = false;
    bool closing_ = false;

  public:
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr, *Frame3 = nullptr, *Frame4 = nullptr, *Frame5 = nullptr,
              *Frame6 = nullptr, *Frame7 = nullptr, *Frame8 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr, *Check3 = nullptr;
    QComboBox* Combo1 = nullptr;    // the board the next start drives
    QLineEdit* BoardPort = nullptr; // its TCP port, beside the address
    QRadioButton *Option1 = nullptr, *Option2 = nullptr;
    std::array<QSlider*, 12> Slider{}; // Slider1..Slider11
    std::array<QLineEdit*, 9> Text{};  // Text1..Text8
    std::array<QLabel*, 36> Label{};   // Label1..Label35 (the named ones)
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr;
    QTimer* Timer1 = nullptr;
};
