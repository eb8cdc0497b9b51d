// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/MainState.h"
#include "config/ProfileFile.h"

#include <QString>
#include <QStringList>
#include <optional>

// Reading the settings file into the main window's state at start-up, and the working numbers
// derived from it.

// One key of the settings file with the value a reader uses when the key is missing.
struct SettingKey {
    const char* section;
    const char* key;
    const char* defaultValue;
};

// The value of one key, or its default when the key is missing.
QString ReadSetting(const SettingKey& key, const ProfileDocument& settings);

// Window position "top:left" in twips. std::nullopt when the text has no ":" or no number before
// or after it.
struct WindowPosition {
    double top = 0;
    double left = 0;
};
std::optional<WindowPosition> ParseWindowPosition(const QString& text);

// An operating range "min,max" read strictly. std::nullopt when there is no ",", a part is not a
// number, a limit lies outside 0..limit or the minimum is not below the maximum.
struct AngleRange {
    double min = 0;
    double max = 0;
};
std::optional<AngleRange> ParseRange(const QString& text, double limit);

// For a range whose maximum lies past the scale (H-RANGE over 360, V-RANGE over 90, as someone with a
// 450- or 180-degree rotator may write it): where such a rotator's travel is set instead. Empty for any
// other range text.
QString TravelKeyHint(const QString& rangeText, bool azimuth);

// Reads every start-up key, in the order the main window has always read them, into state.
// Returns the messages to show once each: a range that could not be used, with the value used
// instead (and, for one past the scale, the travel key to use), and one message naming every number held to
// the range of its settings-dialog control (DELAY 0..15, HHOSEIKAKU/VHOSEIKAKU -5..5, HGOSA/VGOSA 0..10,
// HGOSA_D/VGOSA_D 0..9). The window position text is kept in state.module.WindowPositionText.
QStringList ReadStartupSettings(MainState& state, const ProfileDocument& settings);
QStringList ReadStartupSettings(MainState& state, const QString& iniPath);

// The board's address (IP of [TCP/IP]), as the start-up reads it.
QString ReadBoardAddress(const ProfileDocument& settings);

// Corrections and tolerances from their texts: tolerance = whole degrees + tenths / 10.
void DeriveWorkingValues(MainState& state);

// The default window position (top, left) in twips.
inline constexpr WindowPosition DefaultWindowPosition{555, 9735};
