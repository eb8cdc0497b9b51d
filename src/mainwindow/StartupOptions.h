// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "links/RotctldServer.h"

#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <utility>
#include <variant>

class ProfileDocument;

// azelmon's command line as plain values. Every option is checked here; what the settings file has to
// add (the board, the observer's place) is chosen later from these.
struct StartupOptions {
    std::optional<QString> board; // --board, sim or modbus, when given
    int modbusPort = 502;
    bool modbusPortGiven = false;
    bool boardCheck = false;
    double simAzimuth = 0;
    double simElevation = 0;
    RotctldListenSpec listen;
    bool remoteLink = false; // --link rotctld
    QString rotctldName;
    std::optional<std::pair<double, double>> observer; // --observer, when given
};

// Declares the options, --help and --version on `parser`.
void DeclareStartupOptions(QCommandLineParser& parser);

// The options of a parser that has parsed the command line, or the text of the first one that cannot
// be used (the program says it and ends with exit code 2).
std::variant<StartupOptions, QString> ReadStartupOptions(const QCommandLineParser& parser);

// The observer for the Sun, the Moon and Mars under --link rotctld: --observer when given, else the
// station location of the settings, else 35.68,139.77. `problem` gets a station location that is there
// but cannot be read. Nothing when the place cannot be used.
std::optional<std::pair<double, double>> ObserverPlace(const StartupOptions& options,
                                                       const ProfileDocument& settings,
                                                       const QString& iniPath, QString* problem);
