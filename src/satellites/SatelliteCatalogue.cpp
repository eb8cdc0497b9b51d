// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/SatelliteCatalogue.h"

#include "orbit/Frames.h"

#include <algorithm>
#include <cmath>

double AgeDays(const orbit::ElementSet& set, const QDateTime& nowUtc) {
    const auto now = orbit::JulianDate::FromUnixMilliseconds(nowUtc.toMSecsSinceEpoch());
    return (now.whole - set.EpochJulianWhole()) + (now.fraction - set.EpochJulianFraction());
}

QString AgeText(double days) {
    if (!(days > 0))
        days = 0;
    // Rounded as shown, so 9.96 days reads "10日", not "10.0日".
    const double tenths = std::round(days * 10) / 10;
    QString text = tenths < 10 ? QStringLiteral("%1日").arg(tenths, 0, 'f', 1)
                               : QStringLiteral("%1日").arg(std::round(days), 0, 'f', 0);
    if (days > StaleAgeDays)
        text += QStringLiteral("（古い）");
    return text;
}

bool MatchesFilter(const CatalogueEntry& entry, const QString& filter) {
    const QString wanted = filter.trimmed();
    if (wanted.isEmpty())
        return true;
    const bool digits = std::all_of(wanted.begin(), wanted.end(), [](QChar c) { return c.isDigit(); });
    if (digits && QString::number(entry.set.catalogueNumber).startsWith(wanted))
        return true;
    return entry.name.contains(wanted, Qt::CaseInsensitive);
}

bool NamesSet(const QString& identifier, const orbit::ElementSet& set) {
    bool isNumber = false;
    const long number = identifier.trimmed().toLong(&isNumber);
    if (isNumber && set.catalogueNumber == number)
        return true;
    return QString::fromStdString(set.name).compare(identifier.trimmed(), Qt::CaseInsensitive) == 0;
}

int ChosenSatellites::Add(const orbit::ElementSet& set) {
    for (int i = 0; i < Count(); ++i)
        if (NamesSet(ids_[i], set))
            return i;
    ids_ << QString::number(set.catalogueNumber);
    return Count() - 1;
}

int ChosenSatellites::Remove(int row) {
    if (row < 0 || row >= Count())
        return -1;
    ids_.removeAt(row);
    return std::min(row, Count() - 1);
}

int ChosenSatellites::MoveUp(int row) {
    if (row <= 0 || row >= Count())
        return row < Count() ? row : -1;
    ids_.swapItemsAt(row, row - 1);
    return row - 1;
}

int ChosenSatellites::MoveDown(int row) {
    if (row < 0 || row >= Count())
        return -1;
    if (row == Count() - 1)
        return row;
    ids_.swapItemsAt(row, row + 1);
    return row + 1;
}

QString ChosenSatellites::RowText(int row, const Catalogue& catalogue) const {
    if (row < 0 || row >= Count())
        return {};
    if (const CatalogueEntry* entry = catalogue.Find(ids_[row]))
        return QStringLiteral("%1  %2").arg(entry->name).arg(entry->set.catalogueNumber);
    return ids_[row] + QStringLiteral("（要素なし）");
}
