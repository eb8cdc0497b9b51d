// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SkySource.h"
#include "TopicServer.h"
#include "TrackerOptions.h"
#include "orbit/ElementSet.h"
#include "orbit/Frames.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <memory>
#include <set>
#include <vector>

class ProfileDocument;
class SettingsWatch;

// The pieces azelmon-tracker's main puts together, each one decision or one start-up step.

// A line on stderr, as the tracker says everything it has to say.
void Say(const QString& text);

// The observer: the command line first, then the station location of the settings, then Tokyo. A
// location that is there but cannot be read is an error, except when the tracker serves from the
// settings (started by the bus): azelmon must not lose its data server over it, so the default serves
// with a note until the setting is mended.
struct ObserverChoice {
    orbit::Geodetic place;
    QString error; // the tracker ends with it
    QString note;  // said, and the tracker goes on
};
ObserverChoice ChooseObserver(const TrackerOptions& options);

// UT1 - UTC in seconds ([TRACKER] DUT1=, as time signals broadcast it), 0 when not given. A value that is
// not a number or lies outside +-0.9 s is refused, with `note` saying so, and 0 used.
double Dut1Setting(const ProfileDocument& settings, QString* note);
// The same from the file, saying the note on stderr.
double ReadDut1(const QString& iniPath);

// Downloads fresh element sets into the update file of the settings and exits: 0 when the file was
// replaced, 1 when it was kept (the reason on stderr).
int RunUpdate(QCoreApplication& app, const QString& iniPath);

// The next `count` passes of every chosen satellite, as --passes prints them.
QString PassTables(const std::vector<orbit::ElementSet>& chosen, const orbit::Geodetic& observer,
                   const QDateTime& fromUtc, int count);

// The sky to serve: the scripted demonstration satellite, or the chosen satellites (none is said) with
// the Sun, the Moon and Mars.
std::unique_ptr<SkySource> MakeSky(const TrackerOptions& options, const orbit::Geodetic& observer,
                                   const std::vector<orbit::ElementSet>& chosen);

// The bus the options name (--bus), else the session bus.
QDBusConnection ConnectBus(const TrackerOptions& options);

// Registers the topic's object, then its name, so whoever sees the name can already ask. Empty when
// served, else why not.
QString ServeTopic(QDBusConnection& bus, TopicServer& server, Topic topic);

// What the tracker serves: the observer and the satellites, changed while it follows the settings.
struct ServedChoice {
    orbit::Geodetic observer;
    std::vector<orbit::ElementSet> chosen;
    std::set<long> warned; // stale sets are warned about once, not at every reload
};

// The satellites of the command line, or with --from-settings those of the settings file, into
// `served` (none for the demonstration). From the settings a choice that cannot be served in full
// starts anyway with what can be (azelmon offers its satellite dialog when none is left); from the
// command line it is an error. Empty when served, else why not; the notes are said on stderr.
QString LoadChosenSatellites(const TrackerOptions& options, ServedChoice& served);
// Takes a change of the settings into `served`: the station location when `location`, the satellites
// when `satellites`. A location or a choice that cannot be served leaves the present one in service.
// Returns what to say about it.
QStringList TakeSettingsChange(const ProfileDocument& settings, const QString& iniPath, bool location,
                               bool satellites, const QDateTime& nowUtc, ServedChoice& served);

// Served from the settings, the tracker follows them: a choice saved in azelmon's satellite dialog, a
// location saved there, a hand edit or an --update takes effect within a second, without a restart.
// The satellites are followed when they come from the settings and no --satellite chose them, the
// location when no observer was given (the demonstration follows nothing). Nothing to watch: null.
std::unique_ptr<SettingsWatch> FollowSettings(const TrackerOptions& options, TopicServer& server,
                                              ServedChoice& served);
