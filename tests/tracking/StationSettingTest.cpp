// SPDX-License-Identifier: GPL-3.0-or-later
#include "sky/StationSetting.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Row {
    const char* file; // contents; nullptr: no file
    bool found;
    double latitude, longitude, height;
    bool problem;
};

// The station's place as azelmon and the tracker read it from the settings file.
TEST(StationSetting, ReadsCoordinatesOrALocator) {
    const Row rows[] = {
        {"[STATION]\r\nLOCATION=35.5,139.5,10\r\n", true, 35.5, 139.5, 10, false},
        {"[station]\r\nlocation = PM95vq\r\n", true, 35.6875, 139.7916666666667, 0, false},
        {"[STATION]\r\nLOCATION=somewhere\r\n", false, 0, 0, 0, true},
        {"[STATION]\r\nLOCATION=95,139\r\n", false, 0, 0, 0, true},
        {"[HOUI]\r\nHKITEN=0\r\n", false, 0, 0, 0, false},
        {nullptr, false, 0, 0, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file ? row.file : "no file");
        QTemporaryDir dir;
        const QString path = dir.filePath("rotorcfg.ini");
        if (row.file)
            WriteBytes(path, row.file);
        QString problem;
        const auto place = ReadStationLocation(path, &problem);
        ASSERT_EQ(place.has_value(), row.found);
        EXPECT_EQ(!problem.isEmpty(), row.problem) << qPrintable(problem);
        if (place) {
            EXPECT_NEAR(place->latitude, row.latitude, 1e-9);
            EXPECT_NEAR(place->longitude, row.longitude, 1e-9);
            EXPECT_DOUBLE_EQ(place->height, row.height);
        }
    }
}

// The location field as the user types it: what is understood, or why not, in the user's words.
TEST(StationSetting, ChecksTheLocationFieldAsTyped) {
    const struct {
        const char* typed;
        LocationInput::State state;
        const char* says; // part of the text shown beside the field
        double latitude, longitude, height;
    } rows[] = {
        {"", LocationInput::Blank, "既定の位置", 0, 0, 0},
        {"   ", LocationInput::Blank, "既定の位置", 0, 0, 0},
        {"PM95", LocationInput::Good, "北緯 35.5000° 東経 139.0000° 高さ 0 m", 35.5, 139, 0},
        {" pm95vq ", LocationInput::Good, "北緯 35.6875° 東経 139.7917°", 35.6875, 139.7916666666667, 0},
        {"FF44", LocationInput::Good, "南緯 35.5000° 西経 71.0000°", -35.5, -71, 0},
        {"35.68,139.77", LocationInput::Good, "高さ 0 m", 35.68, 139.77, 0},
        {"+35.68, +139.77, 40", LocationInput::Good, "高さ 40 m", 35.68, 139.77, 40},
        {"-33.87,-70.65,520", LocationInput::Good, "南緯 33.8700° 西経 70.6500° 高さ 520 m", -33.87, -70.65,
         520},
        {"51.5,359.9", LocationInput::Good, "西経 0.1000°", 51.5, -0.1, 0},
        {"９０，１８０", LocationInput::Good, "北緯 90.0000° 東経 180.0000°", 90, 180, 0},
        {"PM95v", LocationInput::Bad, "4 文字か 6 文字", 0, 0, 0},
        {"PM95vqx", LocationInput::Bad, "4 文字か 6 文字", 0, 0, 0},
        {"SM95", LocationInput::Bad, "グリッドロケーターではありません", 0, 0, 0},
        {"PMAB", LocationInput::Bad, "グリッドロケーターではありません", 0, 0, 0},
        {"35.68", LocationInput::Bad, "緯度,経度", 0, 0, 0},
        {"-35.68", LocationInput::Bad, "緯度,経度", 0, 0, 0},
        {"35.68,", LocationInput::Bad, "経度は", 0, 0, 0},
        {",139.77", LocationInput::Bad, "緯度は", 0, 0, 0},
        {"90.1,139", LocationInput::Bad, "緯度は", 0, 0, 0},
        {"-91,139", LocationInput::Bad, "緯度は", 0, 0, 0},
        {"35,-180.5", LocationInput::Bad, "経度は", 0, 0, 0},
        {"35,360.1", LocationInput::Bad, "経度は", 0, 0, 0},
        {"35,139,10001", LocationInput::Bad, "高さは", 0, 0, 0},
        {"35,139,", LocationInput::Bad, "高さは", 0, 0, 0},
        {"35,139,10,5", LocationInput::Bad, "緯度,経度", 0, 0, 0},
        {"35N,139E", LocationInput::Bad, "緯度は", 0, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        const LocationInput input = CheckLocationInput(QString::fromUtf8(row.typed));
        EXPECT_EQ(input.state, row.state);
        EXPECT_TRUE(input.text.contains(QString::fromUtf8(row.says))) << qPrintable(input.text);
        ASSERT_EQ(input.place.has_value(), row.state == LocationInput::Good);
        if (input.place) {
            EXPECT_NEAR(input.place->latitude, row.latitude, 1e-9);
            EXPECT_NEAR(input.place->longitude, row.longitude, 1e-9);
            EXPECT_DOUBLE_EQ(input.place->height, row.height);
            // What is stored reads back as the same place.
            EXPECT_TRUE(ParseStationLocation(input.value).has_value()) << qPrintable(input.value);
        }
    }
}

} // namespace
