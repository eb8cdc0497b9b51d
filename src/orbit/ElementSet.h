// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orbit {

// One two-line element set as the public element-set services publish it, the mean elements the
// SGP4 model expects (Kozai mean motion, TEME of epoch).
struct ElementSet {
    std::string name; // from the title line; the catalogue number when there is none
    long catalogueNumber = 0;
    std::string internationalDesignator;
    int epochYear = 0;         // four digits
    double epochDayOfYear = 0; // 1.0 = 1 January, 0h UTC
    double meanMotionDot = 0;  // first derivative / 2, revolutions per day squared (as published)
    double meanMotionDdot = 0; // second derivative / 6, revolutions per day cubed (as published)
    double bstar = 0;          // drag term, 1/earth radii
    double inclination = 0;    // degrees
    double rightAscension = 0; // of the ascending node, degrees
    double eccentricity = 0;
    double argumentOfPerigee = 0; // degrees
    double meanAnomaly = 0;       // degrees
    double meanMotion = 0;        // revolutions per day
    long revolutionAtEpoch = 0;

    // Epoch as a Julian date, split into a whole part ending in .5 and a fraction of a day, so the
    // sum keeps sub-millisecond precision.
    double EpochJulianWhole() const;
    double EpochJulianFraction() const;
};

// Why a pair of lines is not an element set.
struct ElementSetError {
    int line = 0; // 1 or 2: which of the two lines
    std::string text;
};

struct ParseOptions {
    // The published verification set carries lines with deliberately wrong checksums; everything
    // a user loads is checked.
    bool checkChecksum = true;
};

// Parses the two element lines (columns 1..69; anything after column 69 is ignored).
std::optional<ElementSet> ParseElementLines(const std::string& line1, const std::string& line2,
                                            ElementSetError* error = nullptr, ParseOptions options = {});

// The modulo-10 checksum of a line's first 68 columns: digits count their value, '-' counts 1.
int LineChecksum(const std::string& line);

// A problem in a file, with where it is; the set it concerns has been skipped.
struct FileDiagnostic {
    std::string file;
    int line = 0;
    std::string text;
    std::string ToString() const; // "file:line: text"
};

struct ElementFile {
    std::vector<ElementSet> sets;
    std::vector<FileDiagnostic> problems;
    bool opened = false;
};

// Reads a file of element sets: three-line sets (a title line, then lines 1 and 2) and bare
// two-line sets. A bad line is reported and its set skipped; reading goes on.
ElementFile ReadElementFile(const std::string& path);
// The same from text already in memory; `fileName` only labels the diagnostics.
ElementFile ParseElementText(const std::string& text, const std::string& fileName);

} // namespace orbit
