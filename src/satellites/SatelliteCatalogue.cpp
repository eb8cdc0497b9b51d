// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/SatelliteCatalogue.h"

#include "orbit/Frames.h"

#include <algorithm>
#include <cmath>
#include <map>

Catalogue ReadCatalogue(const QStringList& files) {
    Catalogue catalogue;
    std::map<long, std::size_t> byNumber;
    for (const QString& file : files) {
        const orbit::ElementFile read = orbit::ReadElementFile(file.toStdString());
        if (!read.opened) {
            catalogue.problems << QStringLiteral("%1: 読めません").arg(file);
            continue;
        }
        for (const auto& problem : read.problems)
            catalogue.problems << QString::fromStdString(problem.ToString());
        for (const auto& set : read.sets) {
            CatalogueEntry entry{set, QString::fromStdString(set.name), file};
            const auto found = byNumber.find(set.catalogueNumber);
            if (found == byNumber.end()) {
                byNumber[set.catalogueNumber] = catalogue.entries.size();
                catalogue.entries.push_back(std::move(entry));
            } else if (entry.EpochJulian() > catalogue.entries[found->second].EpochJulian()) {
                catalogue.entries[found->second] = std::move(entry);
            }
        }
    }
    std::sort(catalogue.entries.begin(), catalogue.entries.end(), [](const auto& a, const auto& b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.set.catalogueNumber < b.set.catalogueNumber;
    });
    return catalogue;
}

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

const CatalogueEntry* FindEntry(const Catalogue& catalogue, const QString& identifier) {
    for (const auto& entry : catalogue.entries)
        if (NamesSet(identifier, entry.set))
            return &entry;
    return nullptr;
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
    if (const CatalogueEntry* entry = FindEntry(catalogue, ids_[row]))
        return QStringLiteral("%1  %2").arg(entry->name).arg(entry->set.catalogueNumber);
    return ids_[row] + QStringLiteral("（要素なし）");
}
