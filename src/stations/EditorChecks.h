// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

class MessageSink;

// Input checks of the station list editor, apart from its widgets.

// True when the text is no valid time: empty; characters 1-2 not a whole number 0..23 (blanks
// around it allowed); character 3 not ":"; characters 4-5 not a whole number 0..59. Characters after
// the fifth are not looked at, so "12:30:45" is a time.
bool IsBadTime(const QString& text);

// A number as plain decimal text: "." as point, no grouping, no leading blank, no zero before the
// point below 1 (0.5 -> ".5", 45.50 -> "45.5", 360 -> "360", -0.1 -> "-.1").
QString PlainNumberText(double value);

// The check of ChkVal on a box's text: 0 valid, -1 empty (after "入力項目を入力してください"),
// -2 not a number (text unchanged), -3 outside min..max. A number replaces the text by its plain
// decimal text, also when it is out of range.
std::int16_t CheckValueText(QString& text, const QString& min, const QString& max, MessageSink& messages);

// Why a name cannot go into the list file, or an empty text when it can. A comma or a double quote
// would split the name when the unquoted file is read back; a character that Shift-JIS lacks cannot
// be written at all.
QString NameProblem(const QString& name);
