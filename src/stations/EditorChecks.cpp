// SPDX-License-Identifier: GPL-3.0-or-later
#include "stations/EditorChecks.h"

#include "common/MessageSink.h"
#include "common/NumberText.h"
#include "common/TextFile.h"

#include <charconv>
#include <cmath>

namespace {

// A whole number of digits, blanks around it allowed.
std::optional<int> WholeNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    int value = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

bool IsBadTime(const QString& text) {
    if (text.isEmpty())
        return true;
    const std::optional<int> hour = WholeNumber(text.mid(0, 2));
    if (!hour || *hour > 23)
        return true;
    if (text.mid(2, 1) != QStringLiteral(":"))
        return true;
    const std::optional<int> minute = WholeNumber(text.mid(3, 2));
    return !minute || *minute > 59;
}

QString PlainNumberText(double value) {
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    // The shortest fixed text that reads back as the same double.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (text.startsWith(QStringLiteral("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QStringLiteral("-0.")))
        text.remove(1, 1);
    return text;
}

std::int16_t CheckValueText(QString& text, const QString& min, const QString& max, MessageSink& messages) {
    if (text.trimmed().isEmpty() && !min.isEmpty()) {
        messages.ShowMessage(QStringLiteral("入力項目を入力してください"));
        return -1;
    }
    const double lo = LeadingNumber(min);
    const double hi = LeadingNumber(max);
    const std::optional<double> value = StrictNumber(text);
    if (!value)
        return -2;
    text = PlainNumberText(*value);
    if (lo > *value || *value > hi)
        return -3;
    return 0;
}

QString NameProblem(const QString& name) {
    if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('"')))
        return QStringLiteral("名前に「,」（カンマ）や「\"」（ダブルクォーテーション）は使えません。");
    if (!EncodeCp932(name))
        return QStringLiteral("名前に局リストのファイルに書けない文字が含まれています。");
    return QString();
}
