// SPDX-License-Identifier: GPL-3.0-or-later
#include "orbit/ElementSet.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace orbit {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string TrimEnd(const std::string& text) {
    const auto last = text.find_last_not_of(" \t\r\n");
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// Columns first..last, counted from 1 as the format's description counts them.
std::string Columns(const std::string& line, int first, int last) {
    if (static_cast<int>(line.size()) < first)
        return {};
    return line.substr(first - 1, last - first + 1);
}

// A plain decimal number: optional sign, digits with an optional point. Locale-free on purpose.
std::optional<double> ParseDecimal(const std::string& field) {
    std::string text = Trim(field);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    if (text.empty() || text[0] == '+' || text[0] == '-')
        return std::nullopt;
    for (char c : text)
        if (!(c == '.' || (c >= '0' && c <= '9')))
            return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

// "12345-3" means 0.12345e-3; a leading sign and blanks are allowed.
std::optional<double> ParseImpliedExponent(const std::string& field) {
    std::string text = Trim(field);
    if (text.empty())
        return 0.0;
    double sign = 1;
    if (text[0] == '+' || text[0] == '-') {
        sign = text[0] == '-' ? -1 : 1;
        text.erase(0, 1);
    }
    const auto exponentSign = text.find_last_of("+-");
    if (exponentSign == std::string::npos || exponentSign == 0 || exponentSign + 1 >= text.size())
        return std::nullopt;
    const std::string mantissa = text.substr(0, exponentSign);
    const std::string exponent = text.substr(exponentSign + 1);
    for (char c : mantissa + exponent)
        if (c < '0' || c > '9')
            return std::nullopt;
    const double m = *ParseDecimal("0." + mantissa);
    const int e = std::stoi(exponent) * (text[exponentSign] == '-' ? -1 : 1);
    return sign * m * std::pow(10.0, e);
}

// Catalogue numbers above 99999 use a letter for the first digit (A = 10, skipping I and O).
std::optional<long> ParseCatalogueNumber(const std::string& field) {
    std::string text = Trim(field);
    if (text.empty())
        return std::nullopt;
    long lead = 0;
    if (text[0] >= 'A' && text[0] <= 'Z' && text[0] != 'I' && text[0] != 'O') {
        lead = 10 + (text[0] - 'A') - (text[0] > 'I' ? 1 : 0) - (text[0] > 'O' ? 1 : 0);
        text.erase(0, 1);
        if (text.size() != 4)
            return std::nullopt;
    }
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    return lead * 10000 + std::stol(text);
}

bool Fail(ElementSetError* error, int line, std::string text) {
    if (error)
        *error = {line, std::move(text)};
    return false;
}

// A field that must hold a number in [low, high) (or [low, high] when `closed`).
bool Field(const std::string& line, int first, int last, const char* what, double low, double high,
           bool closed, int lineNumber, double& out, ElementSetError* error) {
    const auto value = ParseDecimal(Columns(line, first, last));
    if (!value)
        return Fail(error, lineNumber,
                    std::string("bad ") + what + " in columns " + std::to_string(first) + "-" +
                        std::to_string(last));
    if (*value < low || (closed ? *value > high : *value >= high))
        return Fail(error, lineNumber, std::string(what) + " out of range");
    out = *value;
    return true;
}

} // namespace

double ElementSet::EpochJulianWhole() const {
    // Julian date of 0h UTC, 1 January of the epoch year (proleptic Gregorian, valid 1901..2099).
    const int y = epochYear;
    const double jan1 = 367.0 * y - std::floor(7 * (y + std::floor(10.0 / 12)) * 0.25) +
                        std::floor(275.0 / 9) + 1 + 1721013.5;
    return jan1 + std::floor(epochDayOfYear) - 1;
}

double ElementSet::EpochJulianFraction() const {
    return epochDayOfYear - std::floor(epochDayOfYear);
}

int LineChecksum(const std::string& line) {
    int sum = 0;
    for (std::size_t i = 0; i < line.size() && i < 68; ++i) {
        const char c = line[i];
        if (c >= '0' && c <= '9')
            sum += c - '0';
        else if (c == '-')
            sum += 1;
    }
    return sum % 10;
}

std::optional<ElementSet> ParseElementLines(const std::string& rawLine1, const std::string& rawLine2,
                                            ElementSetError* error, ParseOptions options) {
    // Columns count from the line's first character, so only the end is trimmed.
    const std::string line1 = TrimEnd(rawLine1);
    const std::string line2 = TrimEnd(rawLine2);
    ElementSet set;
    if (line1.size() < 2 || line1[0] != '1' || line1[1] != ' ')
        return Fail(error, 1, "not a line 1"), std::nullopt;
    if (line2.size() < 2 || line2[0] != '2' || line2[1] != ' ')
        return Fail(error, 2, "not a line 2"), std::nullopt;
    if (line1.size() < 68)
        return Fail(error, 1, "line too short"), std::nullopt;
    if (line2.size() < 68)
        return Fail(error, 2, "line too short"), std::nullopt;
    if (options.checkChecksum) {
        for (int n = 1; n <= 2; ++n) {
            const std::string& line = n == 1 ? line1 : line2;
            if (line.size() < 69 || line[68] < '0' || line[68] > '9')
                return Fail(error, n, "checksum missing"), std::nullopt;
            if (line[68] - '0' != LineChecksum(line))
                return Fail(error, n,
                            "bad checksum (" + std::string(1, line[68]) + ", computed " +
                                std::to_string(LineChecksum(line)) + ")"),
                       std::nullopt;
        }
    }

    const auto number1 = ParseCatalogueNumber(Columns(line1, 3, 7));
    if (!number1)
        return Fail(error, 1, "bad catalogue number"), std::nullopt;
    const auto number2 = ParseCatalogueNumber(Columns(line2, 3, 7));
    if (!number2)
        return Fail(error, 2, "bad catalogue number"), std::nullopt;
    if (*number1 != *number2)
        return Fail(error, 2, "catalogue number differs from line 1"), std::nullopt;
    set.catalogueNumber = *number1;
    set.internationalDesignator = Trim(Columns(line1, 10, 17));

    const std::string yearText = Columns(line1, 19, 20);
    const auto year = ParseDecimal(yearText);
    if (!year || yearText.find_first_not_of("0123456789") != std::string::npos)
        return Fail(error, 1, "bad epoch year"), std::nullopt;
    // Two-digit years: 57..99 are 1957..1999, 00..56 are 2000..2056.
    set.epochYear = static_cast<int>(*year) + (*year < 57 ? 2000 : 1900);
    double day = 0;
    if (!Field(line1, 21, 32, "epoch day", 1, 367, false, 1, day, error))
        return std::nullopt;
    set.epochDayOfYear = day;
    const auto ndot = ParseDecimal(Columns(line1, 34, 43));
    if (!ndot)
        return Fail(error, 1, "bad first derivative of mean motion"), std::nullopt;
    set.meanMotionDot = *ndot;
    const auto nddot = ParseImpliedExponent(Columns(line1, 45, 52));
    if (!nddot)
        return Fail(error, 1, "bad second derivative of mean motion"), std::nullopt;
    set.meanMotionDdot = *nddot;
    const auto bstar = ParseImpliedExponent(Columns(line1, 54, 61));
    if (!bstar)
        return Fail(error, 1, "bad drag term"), std::nullopt;
    set.bstar = *bstar;

    if (!Field(line2, 9, 16, "inclination", 0, 180, true, 2, set.inclination, error) ||
        !Field(line2, 18, 25, "right ascension", 0, 360, true, 2, set.rightAscension, error) ||
        !Field(line2, 35, 42, "argument of perigee", 0, 360, true, 2, set.argumentOfPerigee, error) ||
        !Field(line2, 44, 51, "mean anomaly", 0, 360, true, 2, set.meanAnomaly, error) ||
        !Field(line2, 53, 63, "mean motion", 0, 1e9, false, 2, set.meanMotion, error))
        return std::nullopt;
    const std::string eccentricity = Trim(Columns(line2, 27, 33));
    if (eccentricity.empty() || eccentricity.find_first_not_of("0123456789") != std::string::npos)
        return Fail(error, 2, "bad eccentricity in columns 27-33"), std::nullopt;
    set.eccentricity = *ParseDecimal("0." + eccentricity);
    if (set.meanMotion <= 0)
        return Fail(error, 2, "mean motion out of range"), std::nullopt;
    const std::string revolution = Trim(Columns(line2, 64, 68));
    if (!revolution.empty()) {
        if (revolution.find_first_not_of("0123456789") != std::string::npos)
            return Fail(error, 2, "bad revolution number in columns 64-68"), std::nullopt;
        set.revolutionAtEpoch = std::stol(revolution);
    }
    set.name = std::to_string(set.catalogueNumber);
    return set;
}

std::string FileDiagnostic::ToString() const {
    return file + ":" + std::to_string(line) + ": " + text;
}

ElementFile ParseElementText(const std::string& text, const std::string& fileName) {
    ElementFile result;
    result.opened = true;
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);

    auto isLine = [&](std::size_t i, char digit) {
        const std::string t = i < lines.size() ? Trim(lines[i]) : std::string();
        return t.size() >= 2 && t[0] == digit && t[1] == ' ';
    };
    std::string title;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        if (isLine(i, '1')) {
            if (!isLine(i + 1, '2')) {
                result.problems.push_back(
                    {fileName, lineNumber, "line 1 without a line 2 after it; skipped"});
                title.clear();
                continue;
            }
            ElementSetError error;
            auto set = ParseElementLines(lines[i], lines[i + 1], &error);
            if (set) {
                if (!title.empty())
                    set->name = title;
                result.sets.push_back(*set);
            } else {
                result.problems.push_back(
                    {fileName, lineNumber + error.line - 1, error.text + "; element set skipped"});
            }
            title.clear();
            ++i;
        } else if (isLine(i, '2')) {
            result.problems.push_back({fileName, lineNumber, "line 2 without a line 1 before it; skipped"});
            title.clear();
        } else {
            title = Trim(lines[i]);
            // Some services prefix the title line with "0 ".
            if (title.size() > 2 && title[0] == '0' && title[1] == ' ')
                title = Trim(title.substr(2));
        }
    }
    return result;
}

ElementFile ReadElementFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return ParseElementText(text.str(), path);
}

} // namespace orbit
