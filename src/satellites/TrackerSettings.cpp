// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/TrackerSettings.h"

#include "config/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString Value(const QString& key, const ProfileDocument& settings) {
    return settings.Value(key, TrackerSection).value_or(QString());
}

// A list the dialog writes, read whole: a hundred satellites by catalogue number run to 600 characters.
QString ListValue(const QString& key, const ProfileDocument& settings) {
    return settings.WholeValue(key, TrackerSection).value_or(QString());
}

bool SameFile(const QString& a, const QString& b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

} // namespace

QStringList DefaultElementAddresses() {
    return {QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=amateur&FORMAT=tle"),
            QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=stations&FORMAT=tle")};
}

QString JoinList(const QStringList& items) {
    return items.join(QLatin1Char(';'));
}

QStringList SplitList(const QString& value) {
    QStringList items;
    for (const QString& part : value.split(QLatin1Char(';')))
        if (!part.trimmed().isEmpty())
            items << part.trimmed();
    return items;
}

TrackerSettings ReadTrackerSettings(const QString& iniPath) {
    return ReadTrackerSettings(ProfileDocument::Read(iniPath), iniPath);
}

TrackerSettings ReadTrackerSettings(const ProfileDocument& settings, const QString& iniPath) {
    TrackerSettings s;
    s.elementFiles = SplitList(Value(QStringLiteral("TLE"), settings));
    s.satellites = SplitList(ListValue(QStringLiteral("SATELLITE"), settings));
    for (int i = 1; i <= MaxElementAddresses; ++i) {
        const QString address = Value(QStringLiteral("URL%1").arg(i), settings).trimmed();
        if (!address.isEmpty())
            s.addresses << address;
    }
    if (s.addresses.isEmpty())
        s.addresses = DefaultElementAddresses();
    s.updateFile = Value(QStringLiteral("UPDATE_FILE"), settings).trimmed();
    if (s.updateFile.isEmpty())
        s.updateFile = QFileInfo(iniPath).absoluteDir().filePath(QStringLiteral("elements.tle"));
    s.lastUpdate = Value(QStringLiteral("UPDATED"), settings).trimmed();
    return s;
}

QStringList CatalogueFiles(const TrackerSettings& settings) {
    QStringList files = settings.elementFiles;
    const bool listed = std::any_of(files.begin(), files.end(),
                                    [&](const QString& f) { return SameFile(f, settings.updateFile); });
    if (!listed && QFileInfo::exists(settings.updateFile))
        files << QFileInfo(settings.updateFile).absoluteFilePath();
    return files;
}

bool WriteTrackerChoice(const QString& iniPath, const QStringList& files, const QStringList& satellites) {
    if (!SetINIValue(JoinList(files), QStringLiteral("TLE"), TrackerSection, iniPath))
        return false;
    return SetINIValue(JoinList(satellites), QStringLiteral("SATELLITE"), TrackerSection, iniPath);
}

bool WriteUpdateDone(const QString& iniPath, const TrackerSettings& settings, const QString& updatedUtc) {
    bool ok = true;
    const bool listed = std::any_of(settings.elementFiles.begin(), settings.elementFiles.end(),
                                    [&](const QString& f) { return SameFile(f, settings.updateFile); });
    if (!listed)
        ok = SetINIValue(
            JoinList(settings.elementFiles + QStringList{QFileInfo(settings.updateFile).absoluteFilePath()}),
            QStringLiteral("TLE"), TrackerSection, iniPath);
    return SetINIValue(updatedUtc, QStringLiteral("UPDATED"), TrackerSection, iniPath) && ok;
}
