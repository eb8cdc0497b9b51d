// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/ElementSet.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <set>
#include <vector>

// The satellites the tracker serves: the chosen ones of the element files, in the chosen order.
struct SatelliteSetup {
    std::vector<orbit::ElementSet> chosen;
    QStringList notes; // problems in the files and warnings, for the log
    QString error;     // why the setup cannot be served (a file unreadable, a satellite not found)
    bool ok() const { return error.isEmpty(); }
};

// Reads the files and finds the wanted satellites (catalogue number or name). With no satellite
// wanted, the first set of the files is served. Sets older than 14 days at `nowUtc` are warned about,
// each catalogue number once per `warned` set (which the caller keeps across reloads).
// Strictly, a file that cannot be read or a satellite in no file is an error. Leniently (the tracker
// started from the settings, where an error would leave azelmon without a data server and so without
// the window to mend the choice), they are left out with a note; with nothing left, no satellite is served.
enum class Missing { Error, LeaveOut };
SatelliteSetup LoadSatellites(const QStringList& files, const QStringList& wanted, const QDateTime& nowUtc,
                              std::set<long>* warned = nullptr, Missing missing = Missing::Error);
