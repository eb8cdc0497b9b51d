// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class RemoteTarget;

// Hamlib's error numbers; rotctld sends them negated after "RPRT".
namespace HamlibError {
constexpr int Ok = 0;
constexpr int InvalidArgument = 1; // RIG_EINVAL
constexpr int NotImplemented = 4;  // RIG_ENIMPL
constexpr int Rejected = 9;        // RIG_ERJCTED
constexpr int NotAvailable = 11;   // RIG_ENAVAIL
} // namespace HamlibError

// Compass frame: azimuth 0..360 from north, clockwise; elevation 0..90.
struct AntennaDirection {
    double azimuth = 0, elevation = 0;
};

// The operating range in the compass frame (with the south start point the azimuth limits are
// shifted by half a turn, so they may run from -180).
struct AntennaLimits {
    double minAzimuth = 0, maxAzimuth = 360, minElevation = 0, maxElevation = 90;
};

// What the rotctld endpoint reads from and does to the station. Called on the event-loop thread.
class RotctldStation {
  public:
    virtual ~RotctldStation() = default;
    // Where the antenna points, as the sky map shows it (corrections applied, compass frame).
    virtual AntennaDirection PresentDirection() const = 0;
    virtual AntennaLimits OperatingRange() const = 0;
    // The abort button's action. Returns a Hamlib error number, HamlibError::Ok when done.
    virtual int Stop() = 0;
    // One line for "_" (get_info).
    virtual QString Info() const = 0;
};

// Hamlib 4 rotctld's text protocol, one request line at a time, apart from any socket.
//
// Commands (short and long names): p \get_pos, P \set_pos, S \stop, K \park, M \move, _ \get_info,
// \dump_state, q/Q \quit. Set commands are answered "RPRT n"; get commands with their values one
// per line and no RPRT on success. A leading "+" asks for the extended response (a header line with
// the command's long name, "Key: value" lines, "RPRT n"); ";", "|" or "," do the same on one line
// with that separator. Unknown commands get "RPRT -1"; K and M are not available here ("RPRT -4").
//
// P takes azimuth -180..450 (kept modulo 360) and elevation 0..90, a decimal comma accepted; it
// sets the remote target, and is refused with "RPRT -11" when no remote target feeds the program.
class RotctldProtocol {
  public:
    RotctldProtocol(RotctldStation& station, RemoteTarget* target);

    struct Reply {
        QByteArray text;    // everything to send, in one write
        bool close = false; // drop the client after sending text
    };
    // One request line, without or with its line end.
    Reply Handle(QByteArray line);

    // A line with control or non-ASCII bytes (tab and CR aside) is not a rotctld client talking.
    static bool IsGarbage(const QByteArray& line);
    // A number of degrees as clients send it: "174.46", "174,46", "-5", "1e1". Whole token only.
    static std::optional<double> ParseAngle(QByteArray token);

    static constexpr int ProtocolVersion = 1;
    // Hamlib's model number of the network rotator, the one clients pick to talk to us.
    static constexpr int ModelNumber = 2;

  private:
    RotctldStation& station_;
    RemoteTarget* target_;
};
