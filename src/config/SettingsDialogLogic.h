// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The settings dialog's working copies and the decisions behind its widgets: loading the file into
// them (with what to do about hand-edited values), the address check and the save. No widgets here.

// The twelve keys that the dialog keeps both as text and as a number, in the order it reads them.
enum class DialogKey {
    VHOSEIKAKU,
    VVOLT0,
    VVOLT90,
    HHOSEIKAKU,
    HVOLT0,
    HVOLT360,
    HGOSA,
    VGOSA,
    HGOSA_D,
    VGOSA_D,
    H_MOTOR,
    V_MOTOR,
};
inline constexpr int DialogKeyCount = 12;
inline constexpr int Index(DialogKey k) {
    return static_cast<int>(k);
}

struct DialogKeyInfo {
    const char* section;
    const char* key;
    const char* defaultValue;
    // The widget's whole-number range (a slider or a check box); voltages have none.
    bool bounded;
    int min, max;
    // Pattern of the text written by the save.
    const char* saveFormat;
};
const DialogKeyInfo& KeyInfo(DialogKey key);

// Everything the dialog holds while it is open.
struct DialogSettings {
    QString startPoint = QStringLiteral("0"); // "HKITEN": "0" north, "1" south
    QString delaySetting;                     // "DELAY" as it will be written
    double delayNumber = 0;                   // its number, unrounded
    QString delaySwitch = QStringLiteral("0");
    std::array<QString, DialogKeyCount> text{};
    std::array<double, DialogKeyCount> number{};
    QString boardAddress;                 // "IP" as read: the board keeps using it until a save
    std::array<QString, 4> addressFields; // the four boxes
    // "BOARD", the board the next start drives: "SIM" or "MODBUS".
    QString boardWord = QStringLiteral("SIM");
    // "PORT" of [BOARD_MAP], the board's TCP port, as its box shows it: empty for the default 502.
    QString boardPort;
    bool boardPortInFile = false; // the file has the key (a save then always writes it)
    QString elevationRangeText, azimuthRangeText;
    double elevationMin = 0, elevationMax = 90, azimuthMin = 0, azimuthMax = 360;

    // Hand-edited values: shown clamped to their widget, or replaced by the default.
    QStringList clampedKeys;
    QStringList defaultedKeys;
    // A range past the scale: where that rotator's travel belongs instead.
    QStringList travelHints;

    double& operator[](DialogKey k) { return number[Index(k)]; }
    double operator[](DialogKey k) const { return number[Index(k)]; }
};

// Reads every key the dialog shows, substituting defaults for missing keys. Numbers outside the range
// of their widget are clamped into it (and named in clampedKeys); an "IP" with fewer than three dots
// and a range that is not two numbers "min,max" with min below max give the default (defaultedKeys).
DialogSettings LoadDialogSettings(const QString& iniPath);

// The one message about hand-edited values after loading; empty when there is nothing to say.
QString LoadNotice(const DialogSettings& settings);

// A number as the slider that shows it takes it: rounded half away from zero.
int SliderPosition(double value);

// A whole number with a blank before it when not negative ("5" -> " 5"), as the delay and ranges
// are written.
QString SignedPositionText(int value);

// One address box: a whole number 0..255 written plainly ("0", "7", "255"; not "007", "+7", " 7").
bool IsAddressField(const QString& text);

// The message for a refused address box (field 1..4).
QString AddressFieldMessage(int field);

// The port box: empty (the default port) or a whole number 1..65535 written plainly, blanks at its
// ends ignored. Returns the text to keep ("" or the number), std::nullopt when the box is refused.
std::optional<QString> PortFieldValue(const QString& text);

// The message for a refused port box.
QString PortFieldMessage();

struct IniEntry {
    QString section, key, value;
    bool operator==(const IniEntry&) const = default;
};

// The save's entries in the order they are written. Expects the text copies already formatted
// (FormatSaveTexts), the address fields and the port checked and the slider positions of both ranges.
// An empty port writes nothing when the file has no PORT, else the default 502; the other keys of
// [BOARD_MAP] are never touched.
QList<IniEntry> SaveEntries(const DialogSettings& settings, int elevationMinPosition,
                            int elevationMaxPosition, int azimuthMinPosition, int azimuthMaxPosition);

// Text copies of the twelve keys from their numbers, in the save's formats.
void FormatSaveTexts(DialogSettings& settings);

// Writes the entries in order. A failed write does not stop the rest; false when any failed.
bool WriteEntries(const QList<IniEntry>& entries, const QString& iniPath);

// The restart demand after a saved change.
inline constexpr char RestartMessage[] = "設定変更しましたので、改めてプログラムを起動しなおしてください。";
