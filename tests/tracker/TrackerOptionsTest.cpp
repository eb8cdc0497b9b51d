// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackerOptions.h"
#include "TrackerParts.h"
#include "config/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime Now = QDateTime::fromString(QStringLiteral("2026-12-07T02:21:00Z"), Qt::ISODate);

std::variant<TrackerOptions, QString> Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    DeclareTrackerOptions(parser);
    EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("azelmon-tracker")} + arguments))
        << parser.errorText().toStdString();
    return ReadTrackerOptions(parser, Now);
}

TrackerOptions Options(const QStringList& arguments) {
    const auto read = Parse(arguments);
    EXPECT_TRUE(std::holds_alternative<TrackerOptions>(read)) << arguments.join(' ').toStdString();
    return std::holds_alternative<TrackerOptions>(read) ? std::get<TrackerOptions>(read) : TrackerOptions{};
}

} // namespace

TEST(TrackerOptions, EachMistakeIsNamedWithItsOption) {
    struct Row {
        QStringList arguments;
        const char* mistake; // nullptr: the options are read
    };
    const Row rows[] = {
        {{"--topic", "orbit"}, "unknown topic \"orbit\" (orbi or calsat)"},
        {{"--time", "yesterday"}, "bad --time (ISO 8601, for example 2026-12-07T02:21:00Z)"},
        {{"--lat", "north"}, "bad --lat/--lon: "},
        {{"--passes", "0"}, "bad --passes (1..1000)"},
        {{"--passes", "1001", "--tle", "x.tle"}, "bad --passes (1..1000)"},
        {{"--speedup", "0.5"}, "bad --speedup (1 or more)"},
        {{"--epoch", "soon"}, "bad --epoch"},
        {{"--quit-after", "-1"}, "bad --quit-after"},
        // The demonstration's options count only where the demonstration runs.
        {{"--tle", "x.tle", "--speedup", "0", "--epoch", "soon"}, nullptr},
        {{"--from-settings", "--speedup", "0"}, nullptr},
        {{"--passes", "2", "--speedup", "0"}, nullptr},
        // --update reads the settings and nothing more.
        {{"--update", "--observer", "north", "--passes", "0"}, nullptr},
        // The first mistake is the one named.
        {{"--quit-after", "x", "--topic", "x"}, "unknown topic \"x\" (orbi or calsat)"},
    };
    for (const Row& row : rows) {
        const auto read = Parse(row.arguments);
        const std::string arguments = row.arguments.join(' ').toStdString();
        if (!row.mistake) {
            EXPECT_TRUE(std::holds_alternative<TrackerOptions>(read)) << arguments;
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<QString>(read)) << arguments;
        EXPECT_TRUE(std::get<QString>(read).startsWith(QString::fromUtf8(row.mistake)))
            << arguments << ": " << std::get<QString>(read).toStdString();
    }
    // The place's own reason follows its option.
    const auto observer = Parse({"--observer", "91,139"});
    ASSERT_TRUE(std::holds_alternative<QString>(observer));
    EXPECT_TRUE(std::get<QString>(observer).startsWith("bad --observer \"91,139\": latitude must be"));
    const auto locator = Parse({"--locator", "ZZ99"});
    ASSERT_TRUE(std::holds_alternative<QString>(locator));
    EXPECT_TRUE(std::get<QString>(locator).startsWith("bad --locator: "));
}

TEST(TrackerOptions, WhereTheSatellitesAndTheObserverComeFrom) {
    struct Row {
        QStringList arguments;
        bool fromSettings, demo, observerFromSettings;
    };
    const Row rows[] = {
        {{}, false, true, true},
        {{"--tle", "a.tle"}, false, false, true},
        {{"--from-settings"}, true, false, true},
        {{"--from-settings", "--tle", "a.tle"}, false, false, true}, // --tle wins
        {{"--observer", "35,139"}, false, true, false},
        {{"--lon", "140"}, false, true, false},
        {{"--from-settings", "--locator", "PM95vq"}, true, false, false},
    };
    for (const Row& row : rows) {
        const TrackerOptions o = Options(row.arguments);
        const std::string arguments = row.arguments.join(' ').toStdString();
        EXPECT_EQ(o.FromSettings(), row.fromSettings) << arguments;
        EXPECT_EQ(o.Demo(), row.demo) << arguments;
        EXPECT_EQ(o.ObserverFromSettings(), row.observerFromSettings) << arguments;
    }
}

TEST(TrackerOptions, ValuesAsGiven) {
    const TrackerOptions d = Options({});
    EXPECT_EQ(d.topic, Topic::Orbi);
    EXPECT_EQ(d.clock.start, Now);
    EXPECT_FALSE(d.clock.frozen);
    EXPECT_FALSE(d.update);
    EXPECT_FALSE(d.passes);
    EXPECT_EQ(d.speedup, 1);
    EXPECT_FALSE(d.epoch);
    EXPECT_FALSE(d.quitAfterSeconds);
    EXPECT_FALSE(d.busAddress);
    EXPECT_TRUE(d.settingsPath.endsWith(QStringLiteral("rotorcfg.ini")));

    const TrackerOptions g = Options({"--topic",
                                      "Calsat32",
                                      "--time",
                                      "2026-12-21T12:00:00+09:00",
                                      "--freeze",
                                      "--settings",
                                      "my.ini",
                                      "--satellite",
                                      "ISS",
                                      "--satellite",
                                      "25544",
                                      "--speedup",
                                      "60",
                                      "--epoch",
                                      "2026-12-21T03:10:00Z",
                                      "--quit-after",
                                      "2.5",
                                      "--bus",
                                      "unix:path=/tmp/b",
                                      "--lat",
                                      "-33.9"});
    EXPECT_EQ(g.topic, Topic::Calsat);
    EXPECT_EQ(g.clock.start, QDateTime::fromString(QStringLiteral("2026-12-21T03:00:00Z"), Qt::ISODate));
    EXPECT_TRUE(g.clock.frozen);
    EXPECT_EQ(g.settingsPath, QStringLiteral("my.ini"));
    EXPECT_EQ(g.satellites, QStringList({"ISS", "25544"}));
    EXPECT_EQ(g.speedup, 60);
    EXPECT_EQ(g.epoch, QDateTime::fromString(QStringLiteral("2026-12-21T03:10:00Z"), Qt::ISODate));
    EXPECT_EQ(g.quitAfterSeconds, 2.5);
    EXPECT_EQ(g.busAddress, QStringLiteral("unix:path=/tmp/b"));
    ASSERT_TRUE(g.observer);
    EXPECT_DOUBLE_EQ(g.observer->latitude, -33.9);
    EXPECT_DOUBLE_EQ(g.observer->longitude, 139.77); // the older form's missing half is Tokyo's
}

TEST(TrackerParts, Dut1IsTakenWithinNineTenthsOfASecond) {
    const struct {
        const char* value; // nullptr: no key
        double dut1;
        bool refused;
    } rows[] = {
        {nullptr, 0, false},   {"", 0, false},    {" -0.25 ", -0.25, false}, {"0.9", 0.9, false},
        {"-0.9", -0.9, false}, {"0.91", 0, true}, {"ms", 0, true},           {"nan", 0, true},
    };
    for (const auto& row : rows) {
        QByteArray text = "[TRACKER]\r\n";
        if (row.value)
            text += QByteArray("DUT1=") + row.value + "\r\n";
        QString note;
        EXPECT_DOUBLE_EQ(Dut1Setting(ProfileDocument::FromBytes(text), &note), row.dut1) << text.constData();
        EXPECT_EQ(!note.isEmpty(), row.refused) << text.constData();
    }
}

// The observer of the command line is taken as it is; else the station location of the settings. One
// that cannot be read ends the tracker started by hand, but not the one serving from the settings.
TEST(TrackerParts, TheObserverComesFromTheCommandLineThenTheSettings) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const struct {
        const char* location; // nullptr: no key
        QStringList arguments;
        double latitude;
        bool error, note;
    } rows[] = {
        {"-33.9,18.4", {}, -33.9, false, false},
        {nullptr, {}, 35.68, false, false},
        {"-33.9,18.4", {"--observer", "10,20"}, 10, false, false},
        {"somewhere", {}, 0, true, false},
        {"somewhere", {"--from-settings"}, 35.68, false, true},
        {"somewhere", {"--lat", "50"}, 50, false, false},
    };
    int n = 0;
    for (const auto& row : rows) {
        const QString ini = scratch.filePath(QStringLiteral("rotorcfg%1.ini").arg(++n));
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[STATION]\r\n");
        if (row.location)
            file.write(QByteArray("LOCATION=") + row.location + "\r\n");
        file.close();
        const ObserverChoice choice = ChooseObserver(Options(row.arguments + QStringList{"--settings", ini}));
        SCOPED_TRACE(n);
        EXPECT_EQ(!choice.error.isEmpty(), row.error);
        EXPECT_EQ(!choice.note.isEmpty(), row.note);
        if (!row.error) {
            EXPECT_DOUBLE_EQ(choice.place.latitude, row.latitude);
        }
    }
}
