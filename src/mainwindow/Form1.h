// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "common/Ports.h"
#include "common/StatusLine.h"
#include "rotator/RotatorView.h"
#include "settingsdialog/WidgetMaking.h"

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSlider;
class QPushButton;
class QTimer;
class ControlDeadman;
class BoardOwner;
class RotatorControl;
class SkyMapWidget;
class SkyMapPainter;
class TrackingController;
class ProfileDocument;
class SettingsWatch;
class StationsController;
class SettingsController;
class SatellitesController;
class RunTrace;
class RelaySafeMessages;
class TracingBoard;

// The main window: widgets, menus and timers, and the start-up and shut-down of the program.
// The shared variables live in one MainState owned here; the routines of the subsystems get it
// by reference. Every outside thing comes through Ports.
class Form1 : public QMainWindow, public StatusLine, public RotatorView {
    Q_OBJECT

  public:
    // How the program asks to end: the app quits its event loop; tests record the call.
    using EndHandler = std::function<void(int exitCode)>;

    Form1(Ports ports, QString settingsPath, QWidget* parent = nullptr);
    ~Form1() override;

    // Whether this copy may run (no other copy, the board free, the lock taken): nothing, or the message
    // that refuses the start. Asked once by start-up, before anything else touches the board.
    void setInstanceCheck(std::function<std::optional<QString>()> refusal) {
        instanceRefusal_ = std::move(refusal);
    }
    void setEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }
    // What the board has to say at start-up (values of its map replaced, a refused map, a serial device
    // that cannot be opened): asked once after the settings are read, shown with their own messages
    // while every relay is still off.
    void setBoardMessages(std::function<QStringList()> source) { boardMessages_ = std::move(source); }

    // Start-up. Returns false when the program ended during it (a second copy, no data server).
    bool Form_Load();
    // The same with the settings as the start read them (the file is not read again).
    bool Form_Load(const ProfileDocument& settings);
    void ShutDown();

    // Every way out ends here: relays off and latched off, timers stopped, the event loop told to quit.
    void EndProgram(int exitCode = 0);
    // The program starts to end: every relay off, and from now on none can be switched on again.
    void BeginEnding();
    bool HasEnded() const { return ended_; }

    MainState& state() { return state_; }
    Ports& ports() { return ports_; }
    const QString& settingsPath() const { return settingsPath_; }
    RotatorControl& rotator() { return *rotator_; }
    // The watch on a stalled control, kept by the real board's owner (null on the simulated board).
    const ControlDeadman* deadman() const;
    SkyMapPainter& mapPainter();
    TrackingController& tracking() { return *tracking_; }
    // The watch that reloads the pass plan's element sets; nullptr without section TRACKING.
    SettingsWatch* planWatch() { return planWatch_.get(); }
    StationsController& stations() { return *stations_; }
    SettingsController& settings() { return *settings_; }
    SatellitesController& satellites() { return *satellites_; }

    // RotatorView
    void ShowRelayIndicators(bool right, bool left, bool up, bool down) override;
    void ShowPresentAngles(const QString& azimuthText, const QString& elevationText) override;
    int AzimuthSliderValue() override;
    int ElevationSliderValue() override;
    void DrawPointedPositionMark(double x, double y, const QColor& inner) override;
    void DrawAntennaMark(double azimuth, double elevation) override;
    void DrawSunMoonMars() override;
    void FinishManualOperation() override;
    void Command4_Click() override;
    void PositioningStepEnded() override;

    // 設定 enabled now when no positioning step is parked in a wait, otherwise once the step has ended
    // (and the program is idle then).
    void EnableSettingsMenuWhenNoStepParked();
    void EndProgram() override { EndProgram(0); }

    // Window width in twips: 5300 with the information panel hidden, 6465 with it shown. A panel
    // widget that does not fit wholly inside the width is hidden, so no sliver of it shows at the edge.
    void SetWindowWidthTwips(int twips);
    // Busy (light green) or idle (button face) colour of a command button.
    static void SetButtonBusy(QPushButton* button, bool busy);
    // Shows the data boxes' texts held in the state.
    void ShowDataBoxes();

    // StatusLine
    void SetLeft(const QString& text) override;
    void SetRight(const QString& text) override;

    // Handlers named after their widgets.
    void Command1_Click();
    void menucls_Click();
    void MENU_ITI_Click();
    void menu_debug_on_Click();
    void menu_debug_off_Click();

    // All four relay variables to 0 and written to the board for every connected axis.
    void SwitchAllRelaysOff();

    // The window's timers stop (settings dialog open, the end) or run again. Timer3, which only moves
    // the simulated counts of the relays that are on, runs while timers run and a relay is on for an
    // axis whose motor is not on the board (H_MOTOR / V_MOTOR other than "1").
    void StopTimers();
    void StartTimers();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildWidgets();
    void KeepLiveLabelsInPlace();
    void BuildMenus();
    void BuildTimers();
    // Starts or stops Timer3 to match the relays and motors; run each time the event loop is about to wait,
    // so it follows every relay change before the next tick would be due.
    void FollowRelaysWithTimer3();
    void ApplyWindowPosition();
    // The board's relays read back where it can, then all written off, before any box of start-up.
    void ClearRelaysAtStart();
    void Picture1_MouseDown(double x, double y);
    void ConnectMapMenus();
    bool OpenDataLinks();
    void CloseDataLinks();
    void LoadMapPicture();
    void LoadStations();
    void RedrawMap();

    Ports ports_;
    QString settingsPath_;
    MainState state_;
    std::function<std::optional<QString>()> instanceRefusal_;
    std::function<QStringList()> boardMessages_;
    EndHandler endHandler_;
    std::unique_ptr<RunTrace> trace_;
    // The real board's own thread. Declared before the rotator, so it outlives every relay write and
    // sends the last offs after the window has gone.
    std::unique_ptr<BoardOwner> boardOwner_;
    long tracedCycles_ = 0;
    std::unique_ptr<TracingBoard> tracingBoard_;
    std::unique_ptr<RelaySafeMessages> safeMessages_;
    std::unique_ptr<RotatorControl> rotator_;
    std::unique_ptr<TrackingController> tracking_;
    std::unique_ptr<StationsController> stations_;
    std::unique_ptr<SettingsController> settings_;
    std::unique_ptr<SatellitesController> satellites_;
    // The settings file and the element files, watched for the pass plan (section TRACKING only).
    std::unique_ptr<SettingsWatch> planWatch_;
    bool ended_ = false;
    bool timersRunning_ = true;
    bool shutDownDone_ = false;
    bool settingsMenuWaitsForStep_ = false;
    // The information panel's captions and boxes, in the column beyond the narrow window's edge.
    std::vector<QWidget*> informationPanel_;

  public:
    // Widgets, with the names the whole program uses (also their object names).
    QWidget* central = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr;
    QComboBox* Combo1 = nullptr;
    SkyMapWidget* Picture1 = nullptr;
    QLabel *lblAz = nullptr, *lblEl = nullptr, *Label23 = nullptr, *Label18 = nullptr;
    QLabel *Label24 = nullptr, *Label25 = nullptr, *Label26 = nullptr, *Label27 = nullptr;
    QLabel *Label19 = nullptr, *Label20 = nullptr, *Label21 = nullptr, *Label22 = nullptr;
    std::array<QFrame*, 5> Shape{}; // Shape1..Shape4
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr, *Option4 = nullptr;
    QSlider *Slider1 = nullptr, *Slider2 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr;
    std::array<QLineEdit*, 20> Text{}; // Text1..Text19 (Text16 unused)
    QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr, *Timer4 = nullptr;
    QMenu *menufile = nullptr, *menuset = nullptr, *menuhelp = nullptr, *menu_sun = nullptr,
          *menu_moon = nullptr, *menu_kasei = nullptr, *menu_debug = nullptr;
    QAction *menucls = nullptr, *menuhoseiti = nullptr, *MENU_ITI = nullptr, *menukyoku = nullptr,
            *menu_s_hyouji = nullptr, *menu_s_hihyouji = nullptr, *menu_m_hyouji = nullptr,
            *menu_m_hihyouji = nullptr, *menu_k_hyouji = nullptr, *menu_k_hihyouji = nullptr,
            *menu_debug_on = nullptr, *menu_debug_off = nullptr, *menusousa = nullptr, *menuhome = nullptr,
            *menuver = nullptr, *menu_eisei = nullptr, *menu_yohou = nullptr;
};
