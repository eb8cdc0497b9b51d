// SPDX-License-Identifier: GPL-3.0-or-later
// The station list as a user's editor, another program or a damaged disk may leave it.
#include "FuzzInput.h"
#include "stations/StationFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

const QTemporaryDir& Dir() {
    static QTemporaryDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = Dir().filePath(StationFileName);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    const StationFileContents read = ReadStationFile(path);
    FUZZ_CHECK(read.stations.size() <= MaxStations);
    FUZZ_CHECK(read.Damaged() ==
               (read.unreadable || !read.setAsideLines.isEmpty() || read.firstLineBeyondLimit > 0));
    FUZZ_CHECK(read.Damaged() == !SetAsideMessage(path, read).isEmpty());
    for (const StationRecord& station : read.stations) {
        ComboLine(station);
        EditorLine(station);
    }

    // What the editor writes back is read back as the same stations, nothing set aside. A value
    // holding a double quote has no faithful form in this file (there is no escape), so such lists
    // are only read.
    if (read.stations.isEmpty())
        return 0;
    for (const StationRecord& s : read.stations)
        for (const QString* value : {&s.azimuth, &s.elevation, &s.name, &s.startTime, &s.endTime})
            if (value->contains(u'"'))
                return 0;
    const QString copy = Dir().filePath(QStringLiteral("copy.csv"));
    if (!WriteStationFile(copy, read.stations))
        return 0;
    const StationFileContents again = ReadStationFile(copy);
    // Shift-JIS bytes that happen to form UTF-8 kana or kanji are read as UTF-8: a text no real name
    // gives, and not a fault of the writer.
    if (again.readAsUtf8)
        return 0;
    FUZZ_CHECK(!again.Damaged());
    if (again.stations != read.stations) {
        for (qsizetype i = 0; i < std::min(read.stations.size(), again.stations.size()); ++i)
            if (!(read.stations[i] == again.stations[i]))
                std::fprintf(stderr, "station %lld: \"%s\" came back as \"%s\"\n", static_cast<long long>(i),
                             qPrintable(StationFileLines({read.stations[i]}).join(QString())),
                             qPrintable(StationFileLines({again.stations[i]}).join(QString())));
    }
    FUZZ_CHECK(again.stations == read.stations);
    return 0;
}
