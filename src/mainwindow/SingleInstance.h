// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Refuses a second running copy, and a second program on one board, with locks only one process can
// hold: a name bound in the abstract Unix socket namespace. Such a name belongs to the machine (its
// network namespace), not to a folder, so it is the same whatever XDG_RUNTIME_DIR, HOME or the working
// folder say (cron, su, ssh); the kernel releases it when its holder ends in any way, SIGKILL and
// crashes included, so a copy that died never blocks the next start; two copies starting at the same
// moment cannot both bind it. Two locks are taken:
// - the user's: one copy per user (the name carries the user id);
// - the board's, when the program drives a board: named after its transport and address (Modbus TCP
//   address and port, or the serial device's real path), so two users cannot drive one board either.
// A lock that cannot be taken at all (no socket to be had) refuses the start as well: a copy that
// cannot tell whether it is alone must not drive motors.
class SingleInstance {
  public:
    // boardKey: BoardKey() of the board the program drives; empty for none (the simulated board).
    explicit SingleInstance(QString name, QString boardKey = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes both locks. Nothing when this copy holds them from now on (asking again keeps them);
    // otherwise the message that refuses the start: "既に起動されています。" for another copy of the same
    // user, a message naming the board when another program holds it, or the reason the lock could not
    // be taken.
    std::optional<QString> Refusal();
    // The user's lock only: true when another live copy holds it or it cannot be taken.
    bool AnotherCopyRunning() { return Refusal().has_value(); }

    // The user's lock name unless AZELMON_INSTANCE_NAME sets another (tests run copies side by side).
    static QString DefaultName();
    // The board's lock key: "tcp <address>:<port>" (address trimmed, lower case) or "rtu <device>" (the
    // device's canonical path, so a /dev/serial/by-id link and its target are one board).
    static QString TcpBoardKey(const QString& address, int port);
    static QString RtuBoardKey(const QString& device);

  private:
    enum class Outcome { Held, Busy, Failed };
    // Binds the abstract name; errorText set when it failed for another reason than "in use".
    Outcome Bind(const QString& name, int& fd, QString& errorText);

    QString name_;
    QString boardKey_;
    int userFd_ = -1;
    int boardFd_ = -1;
};
