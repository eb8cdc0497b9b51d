// SPDX-License-Identifier: GPL-3.0-or-later
// The satellite choice: the catalogue of the element files, the filter, the age text, the ordered
// list of chosen satellites, and the [TRACKER] settings they are kept in.

#include "satellites/SatelliteCatalogue.h"
#include "config/ProfileFile.h"
#include "satellites/TrackerSettings.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray Leo = "DEMO-LEO (ISS-LIKE)\n"
                       "1 90001U 98067A   26340.50000000  .00012000  00000-0  21000-3 0  9999\n"
                       "2 90001  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123450\n";
// The same satellite with an epoch a day older, under another name.
const QByteArray OlderLeo = "OLD LEO\n"
                            "1 90001U 98067A   26339.50000000  .00012000  00000-0  21000-3 0  9997\n"
                            "2 90001  51.6400 121.5000 0004500  85.0000 275.1000 15.50000000123450\n";
const QByteArray Molniya = "DEMO-MOLNIYA\n"
                           "1 90002U 15049A   26340.25000000  .00000100  00000-0  10000-3 0  9997\n"
                           "2 90002  63.4000 250.0000 7200000 270.0000  10.0000  2.00600000345675\n";

CatalogueEntry Entry(const char* name, long number) {
    CatalogueEntry e;
    e.name = QString::fromUtf8(name);
    e.set.name = name;
    e.set.catalogueNumber = number;
    return e;
}

TEST(SatelliteCatalogueTest, FilterByNameOrCatalogueNumber) {
    struct Row {
        const char* filter;
        const char* name;
        long number;
        bool shown;
    } rows[] = {
        {"", "ISS (ZARYA)", 25544, true},
        {"  ", "ISS (ZARYA)", 25544, true},
        {"iss", "ISS (ZARYA)", 25544, true},
        {" zarya ", "ISS (ZARYA)", 25544, true},
        {"255", "ISS (ZARYA)", 25544, true},
        {"25544", "ISS (ZARYA)", 25544, true},
        {"544", "ISS (ZARYA)", 25544, false}, // digits match the start of the number only
        {"AO-7", "AO-7", 7530, true},
        {"ao-73", "AO-7", 7530, false},
        {"7", "AO-7", 7530, true}, // by number and by name
        {"91", "NOAA 19", 33591, false},
        {"19", "NOAA 19", 33591, true}, // a number in the name
    };
    for (const Row& r : rows)
        EXPECT_EQ(MatchesFilter(Entry(r.name, r.number), QString::fromUtf8(r.filter)), r.shown)
            << r.filter << " / " << r.name;
}

TEST(SatelliteCatalogueTest, AgeText) {
    const std::pair<double, const char*> rows[] = {
        {-0.3, "0.0日"}, {0, "0.0日"},   {0.04, "0.0日"}, {0.45, "0.5日"},        {9.94, "9.9日"},
        {9.96, "10日"},  {13.6, "14日"}, {14.0, "14日"},  {14.2, "14日（古い）"}, {400, "400日（古い）"},
    };
    for (const auto& [days, text] : rows)
        EXPECT_EQ(AgeText(days), QString::fromUtf8(text)) << days;
}

TEST(SatelliteCatalogueTest, AgeIsCountedFromTheEpoch) {
    const auto sets = orbit::ParseElementText(Leo.toStdString(), "x").sets; // epoch 2026-12-06 12:00 UTC
    ASSERT_EQ(sets.size(), 1u);
    const QDateTime epoch(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
    EXPECT_NEAR(AgeDays(sets[0], epoch), 0, 1e-6);
    EXPECT_NEAR(AgeDays(sets[0], epoch.addSecs(36 * 3600)), 1.5, 1e-6);
    EXPECT_NEAR(AgeDays(sets[0], epoch.addSecs(-6 * 3600)), -0.25, 1e-6);
}

// A satellite in several files is listed once with its newest set; the list is by name; an unreadable
// file and a bad set are reported, the rest still listed.
TEST(SatelliteCatalogueTest, CatalogueOfSeveralFiles) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.tle"), b = dir.filePath("b.tle");
    WriteBytes(a, OlderLeo + Molniya);
    WriteBytes(b, Leo + "BROKEN\n1 99999U\n");
    const Catalogue c = SatelliteIndex::Read({a, b, dir.filePath("missing.tle")});
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_EQ(c.entries[0].name, "DEMO-LEO (ISS-LIKE)");
    EXPECT_EQ(c.entries[0].file, b);
    EXPECT_EQ(c.entries[1].name, "DEMO-MOLNIYA");
    ASSERT_EQ(c.problems.size(), 2) << qPrintable(c.problems.join("\n"));
    EXPECT_TRUE(c.problems[0].contains("b.tle:5")) << qPrintable(c.problems[0]);
    EXPECT_TRUE(c.problems[1].contains("missing.tle")) << qPrintable(c.problems[1]);
    EXPECT_EQ(c.Find("demo-molniya"), &c.entries[1]);
    EXPECT_EQ(c.Find(" 90001 "), &c.entries[0]);
    EXPECT_EQ(c.Find("90003"), nullptr);
}

// One rule for every lookup (the dialog, the tracker, the update, the passes window, the pass plan):
// digits are a catalogue number, anything else a name without regard to case; a satellite's newest
// set wins, whichever file or name brought it.
TEST(SatelliteCatalogueTest, IndexLookupRules) {
    // Another satellite under the Molniya's name, with a newer epoch.
    const QByteArray NewerNamesake =
        "demo-molniya\n"
        "1 90003U 15049A   26341.25000000  .00000100  00000-0  10000-3 0  9999\n"
        "2 90003  63.4000 250.0000 7200000 270.0000  10.0000  2.00600000345676\n";
    QTemporaryDir dir;
    const QString a = dir.filePath("a.tle"), b = dir.filePath("b.tle");
    // The older set of 90001 comes first.
    WriteBytes(a, OlderLeo + Molniya);
    WriteBytes(b, Leo + NewerNamesake);
    const SatelliteIndex index = SatelliteIndex::Read({a, b});
    struct Row {
        const char* identifier;
        long number; // 0: none
        const char* name;
    } rows[] = {
        {"90001", 90001, "DEMO-LEO (ISS-LIKE)"},
        {" 90001 ", 90001, "DEMO-LEO (ISS-LIKE)"},
        {"DEMO-LEO (ISS-LIKE)", 90001, "DEMO-LEO (ISS-LIKE)"},
        {"demo-leo (iss-like)", 90001, "DEMO-LEO (ISS-LIKE)"},
        {"old leo", 90001, "DEMO-LEO (ISS-LIKE)"}, // an old name finds the satellite's newest set
        {"90002", 90002, "DEMO-MOLNIYA"},
        {"DEMO-MOLNIYA", 90003, "demo-molniya"}, // two satellites of one name: the newest epoch
        {"90004", 0, ""},
        {"DEMO", 0, ""}, // no part of a name
        {"", 0, ""},
    };
    for (const Row& r : rows) {
        const CatalogueEntry* found = index.Find(QString::fromUtf8(r.identifier));
        ASSERT_EQ(found != nullptr, r.number != 0) << r.identifier;
        if (found) {
            EXPECT_EQ(found->set.catalogueNumber, r.number) << r.identifier;
            EXPECT_EQ(found->name, QString::fromUtf8(r.name)) << r.identifier;
        }
    }
    EXPECT_EQ(index.Missing({"90001", "90004", "old leo", "nothing"}), QStringList({"90004", "nothing"}));
    ASSERT_NE(index.First(), nullptr);
    EXPECT_EQ(index.First()->set.catalogueNumber, 90001);
    EXPECT_EQ(index.First()->name, "DEMO-LEO (ISS-LIKE)");
}

// A sequence of edits and the list and selected row after each.
TEST(SatelliteCatalogueTest, ChosenListEdits) {
    const auto sets = orbit::ParseElementText((Leo + Molniya).toStdString(), "x").sets;
    ChosenSatellites chosen({"AO-7"});
    struct Step {
        std::function<int()> edit;
        QStringList after;
        int selected;
    } steps[] = {
        {[&] { return chosen.Add(sets[0]); }, {"AO-7", "90001"}, 1},
        {[&] { return chosen.Add(sets[1]); }, {"AO-7", "90001", "90002"}, 2},
        {[&] { return chosen.Add(sets[0]); }, {"AO-7", "90001", "90002"}, 1}, // no double
        {[&] { return chosen.MoveUp(2); }, {"AO-7", "90002", "90001"}, 1},
        {[&] { return chosen.MoveUp(0); }, {"AO-7", "90002", "90001"}, 0},   // top stays
        {[&] { return chosen.MoveDown(2); }, {"AO-7", "90002", "90001"}, 2}, // bottom stays
        {[&] { return chosen.MoveDown(0); }, {"90002", "AO-7", "90001"}, 1},
        {[&] { return chosen.MoveUp(-1); }, {"90002", "AO-7", "90001"}, -1}, // nothing selected
        {[&] { return chosen.Remove(2); }, {"90002", "AO-7"}, 1},
        {[&] { return chosen.Remove(5); }, {"90002", "AO-7"}, -1},
        {[&] { return chosen.Remove(0); }, {"AO-7"}, 0},
        {[&] { return chosen.Remove(0); }, {}, -1},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(steps[i].edit(), steps[i].selected);
        EXPECT_EQ(chosen.Identifiers(), steps[i].after);
    }
    // A satellite stored by name is recognised when its set is added.
    ChosenSatellites byName({"demo-leo (iss-like)"});
    EXPECT_EQ(byName.Add(sets[0]), 0);
    EXPECT_EQ(byName.Count(), 1);
}

TEST(SatelliteCatalogueTest, TrackerSettingsDefaultsAndRoundTrip) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("rotorcfg.ini");
    TrackerSettings s = ReadTrackerSettings(ini);
    EXPECT_TRUE(s.elementFiles.isEmpty());
    EXPECT_TRUE(s.satellites.isEmpty());
    EXPECT_EQ(s.addresses, DefaultElementAddresses());
    EXPECT_EQ(s.updateFile, QDir(dir.path()).filePath("elements.tle"));
    EXPECT_TRUE(s.lastUpdate.isEmpty());
    // No update file yet: nothing to choose from it.
    EXPECT_TRUE(CatalogueFiles(s).isEmpty());

    ASSERT_TRUE(SetINIValue("http://127.0.0.1:8080/a.txt?x=1&y=2", "URL2", TrackerSection, ini));
    ASSERT_TRUE(WriteTrackerChoice(ini, {"/data/own.tle"}, {"90002", "AO-7"}));
    WriteBytes(s.updateFile, Leo);
    s = ReadTrackerSettings(ini);
    EXPECT_EQ(s.elementFiles, QStringList{"/data/own.tle"});
    EXPECT_EQ(s.satellites, (QStringList{"90002", "AO-7"}));
    EXPECT_EQ(s.addresses, QStringList{"http://127.0.0.1:8080/a.txt?x=1&y=2"}); // set keys only
    EXPECT_EQ(CatalogueFiles(s), (QStringList{"/data/own.tle", s.updateFile}));

    ASSERT_TRUE(WriteUpdateDone(ini, s, "2026-12-08T10:00:00Z"));
    s = ReadTrackerSettings(ini);
    EXPECT_EQ(s.elementFiles, (QStringList{"/data/own.tle", s.updateFile}));
    EXPECT_EQ(s.lastUpdate, "2026-12-08T10:00:00Z");
    ASSERT_TRUE(WriteUpdateDone(ini, s, "2026-12-09T10:00:00Z")); // listed once only
    EXPECT_EQ(ReadTrackerSettings(ini).elementFiles.size(), 2);

    // A hundred satellites (600 characters) come back whole, on one CR LF line of the file.
    QStringList hundred;
    for (int i = 0; i < 100; ++i)
        hundred << QString::number(40000 + i);
    ASSERT_TRUE(WriteTrackerChoice(ini, s.elementFiles, hundred));
    EXPECT_EQ(ReadTrackerSettings(ini).satellites, hundred);
    EXPECT_TRUE(ReadBytes(ini).contains("SATELLITE=" + hundred.join(';').toLatin1() + "\r\n"));
}

} // namespace
