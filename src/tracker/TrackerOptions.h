// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TopicServer.h"
#include "orbit/Frames.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

// azelmon-tracker's command line as plain values. Every option is checked here, in the order the
// program has always named the first mistake; what the settings file adds (the observer's place, the
// satellites of --from-settings) is read later.
struct TrackerOptions {
    Topic topic = Topic::Orbi;
    ServerClock clock;                       // --time (else the instant of reading) and --freeze
    QString settingsPath;                    // --settings, else azelmon's rotorcfg.ini
    bool update = false;                     // --update: the options after it are neither read nor checked
    std::optional<orbit::Geodetic> observer; // --observer, --locator or --lat/--lon, when given
    QStringList elementFiles;                // --tle
    QStringList satellites;                  // --satellite
    bool fromSettingsAsked = false;          // --from-settings
    std::optional<int> passes;               // --passes
    double speedup = 1;                      // --speedup (the demonstration only)
    std::optional<QDateTime> epoch;          // --epoch (the demonstration only)
    std::optional<double> quitAfterSeconds;  // --quit-after
    std::optional<QString> busAddress;       // --bus, else the session bus

    // Element files and satellites come from the settings: --from-settings without --tle.
    bool FromSettings() const { return fromSettingsAsked && elementFiles.isEmpty(); }
    // The scripted demonstration satellite: neither element files nor the settings.
    bool Demo() const { return elementFiles.isEmpty() && !FromSettings(); }
    // The observer is the settings' station location (or the default while it has none).
    bool ObserverFromSettings() const { return !observer; }
};

// Declares the options and --help on `parser`.
void DeclareTrackerOptions(QCommandLineParser& parser);

// The options of a parser that has parsed the command line, or the text of the first one that cannot
// be used (the tracker says it and ends with exit code 2). `now` is the clock's start without --time.
std::variant<TrackerOptions, QString> ReadTrackerOptions(const QCommandLineParser& parser,
                                                         const QDateTime& now);
