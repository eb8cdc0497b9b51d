#include "tracking/StationSetting.h"
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

} // namespace
