// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The tracker's settings, section "TRACKER" of rotorcfg.ini:
//   TLE         element files, separated by ";" (absolute paths; the tracker may run in any folder)
//   SATELLITE   chosen satellites in order of preference, by catalogue number (a name, as the
//               tracker's --satellite takes it, is understood too), separated by ";"
//   URL1..URL9  addresses the element sets are downloaded from; when none is set, the public amateur
//               and space-station groups of CelesTrak
//   UPDATE_FILE the file a download replaces; by default "elements.tle" beside rotorcfg.ini
//   UPDATED     when the last download replaced it, ISO 8601 UTC
// Each value is read as one profile value of at most 254 characters, which is why the addresses
// have a key each; SATELLITE alone is read whole, so that no number of chosen satellites is cut.
inline const QString TrackerSection = QStringLiteral("TRACKER");
// The station's place, which the tracker serves for: section "STATION", key "LOCATION" (read by
// sky/StationSetting.h).
inline const QString StationSection = QStringLiteral("STATION");
inline const QString StationLocationKey = QStringLiteral("LOCATION");

struct TrackerSettings {
    QStringList elementFiles;
    QStringList satellites;
    QStringList addresses;
    QString updateFile;
    QString lastUpdate;
};

QStringList DefaultElementAddresses();
constexpr int MaxElementAddresses = 9;

class ProfileDocument;

// The section as read in `settings`, the file at iniPath (whose folder holds the default update file).
TrackerSettings ReadTrackerSettings(const ProfileDocument& settings, const QString& iniPath);
TrackerSettings ReadTrackerSettings(const QString& iniPath);

// The files whose sets can be chosen: the configured ones, then the update file when it exists and
// is not among them.
QStringList CatalogueFiles(const TrackerSettings& settings);

// Stores a choice: first the files (so a tracker that reads between the two writes never misses a
// set), then the satellites. False when either write failed; the file is then as it was or has only
// the new file list.
bool WriteTrackerChoice(const QString& iniPath, const QStringList& files, const QStringList& satellites);

// Records a download that replaced the update file: the file joins TLE when it is not listed, and
// UPDATED gets the time.
bool WriteUpdateDone(const QString& iniPath, const TrackerSettings& settings, const QString& updatedUtc);

// A value list as written: the items joined by ";".
QString JoinList(const QStringList& items);
QStringList SplitList(const QString& value);
