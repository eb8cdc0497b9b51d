// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "links/DbusDataLink.h"
#include "mainwindow/Form1.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/SystemPorts.h"
#include "rotator/ModbusBoard.h"
#include "support/FakePorts.h"
#include "tracking/PrivateBusServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <memory>
#include <optional>

// A program folder as a user's: the data files the program reads from its current folder and, when
// given, a rotorcfg.ini with these settings.
void FillProgramFolder(const QString& folder, const QByteArray& settings = {});

// Settings of a program on boardsim (127.0.0.1) whose azimuth range is 100..340, calibrated at the
// range's ends on boardsim's potentiometer (0..5 V over 0..360°): from 0° it turns right by itself.
inline const QByteArray OutsideRangeSettings =
    "[TCP/IP]\r\nIP=127.0.0.1\r\n[HPOSITION]\r\nH-RANGE=100,340\r\nHVOLT0=1.3889\r\nHVOLT360=4.7222\r\n";

// Pumps the event loop until the condition holds or the time is up; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);

// tools/boardsim on a free loopback port. Its relay lines are gathered as they come.
class BoardsimProcess {
  public:
    ~BoardsimProcess();
    bool Start(const QStringList& arguments);
    int port() const { return port_; }
    // Relay levels (right, left, up, down) read back with Read Coils on a connection of our own;
    // std::nullopt when the emulator does not answer.
    std::optional<std::array<int, 4>> Coils() const;
    bool AllCoilsOff() const;
    // Writes one coil (bit 4..7) on a connection of our own, as another master on the bus would.
    bool SetCoil(int bit, int level) const;
    // Everything printed so far ("relay BIT LEVEL az=.. el=.." lines).
    QString Output();
    // Stops and resumes the emulator: while stopped the kernel still accepts connections but nothing answers.
    void Pause();
    void Resume();

  private:
    QProcess process_;
    QString output_;
    int port_ = 0;
};

// The rotator's true angles (azimuth, elevation) at boardsim's last relay change, from its
// "relay BIT LEVEL az=DEG el=DEG" lines; once every relay is off, where the antenna came to rest.
std::optional<std::pair<double, double>> LastRelayAngles(const QString& output);

// The fixed date and place the data server plays: a pass in progress or starting soon.
struct PassTime {
    QString time;  // the server clock's start
    QString epoch; // pass reference
};

// The whole program in this process: the main window on a real Modbus board (boardsim) and the real
// D-Bus link (azelmon-tracker on a private bus), with recorded message boxes and sounds, a settings file
// and a working folder of its own holding copies of the data files.
class Program {
  public:
    Program();
    ~Program();

    bool StartBus();
    bool StartServer(const QStringList& extra = {});
    bool StartBoard(const QStringList& arguments);
    // Writes the settings file (ASCII keys; the board address is set to loopback first).
    void WriteSettings(const QByteArray& extraText = {});
    // Builds the window and runs its start-up. False when start-up ended the program.
    bool Launch();
    // Destroys the window (after its end) so that another may be launched on the same files.
    void Close();
    // Waits until the first cycles have found the antenna in range and the buttons are enabled.
    bool WaitUntilReady(int timeoutMs = 15000);

    // Clicks the map where the given compass direction is drawn.
    void ClickMap(double azimuth, double elevation);
    // The antenna's present angles as the window shows them.
    double ShownAzimuth() const;
    double ShownElevation() const;
    QString StatusText() const;

    // One D-Bus answer of the data server, asked directly.
    QString ServerItem(const QString& item) const;

    QTemporaryDir dir;
    std::unique_ptr<PrivateBus> bus;
    TrackServerProcess server;
    BoardsimProcess board;
    std::unique_ptr<ModbusBoard> modbus;
    std::unique_ptr<DbusDataLink> link;
    SystemClock clock;
    EventLoopWaiter waiter;
    RecordingMessages messages;
    RecordingSound sound;
    RecordingHelp help;
    RecordingBrowser browser;
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<Form1> window;
    QList<int> endCodes;
    QString serverArguments;

  private:
    QString previousDir_;
};
