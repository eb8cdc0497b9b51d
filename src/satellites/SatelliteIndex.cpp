// SPDX-License-Identifier: GPL-3.0-or-later
#include "satellites/SatelliteIndex.h"

#include <algorithm>

namespace {

QString NameKey(const QString& name) {
    return name.trimmed().toCaseFolded();
}

bool AllDigits(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

SatelliteIndex SatelliteIndex::Read(const QStringList& files) {
    SatelliteIndex index;
    for (const QString& file : files) {
        const orbit::ElementFile read = orbit::ReadElementFile(file.toStdString());
        if (!read.opened) {
            index.problems << QStringLiteral("%1: 読めません").arg(file);
            index.unreadableFiles << file;
            continue;
        }
        for (const auto& problem : read.problems) {
            const QString line = QString::fromStdString(problem.ToString());
            index.skippedSets << line;
            index.problems << line;
        }
        if (read.sets.empty())
            index.filesWithoutSets << file;
        for (const auto& set : read.sets)
            index.Add(set, file);
    }
    index.Finish();
    return index;
}

SatelliteIndex SatelliteIndex::Of(const std::vector<orbit::ElementSet>& sets, const QString& file) {
    SatelliteIndex index;
    for (const auto& set : sets)
        index.Add(set, file);
    index.Finish();
    return index;
}

void SatelliteIndex::Add(const orbit::ElementSet& set, const QString& file) {
    CatalogueEntry entry{set, QString::fromStdString(set.name), file};
    const double epoch = entry.EpochJulian();
    if (first_ < 0)
        first_ = set.catalogueNumber;
    auto& named = names_[NameKey(entry.name)];
    if (named.number == 0 || epoch > named.epoch)
        named = {set.catalogueNumber, epoch};
    const auto found = numbers_.find(set.catalogueNumber);
    if (found == numbers_.end()) {
        numbers_[set.catalogueNumber] = entries.size();
        entries.push_back(std::move(entry));
    } else if (epoch > entries[found->second].EpochJulian()) {
        entries[found->second] = std::move(entry);
    }
}

void SatelliteIndex::Finish() {
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.set.catalogueNumber < b.set.catalogueNumber;
    });
    numbers_.clear();
    for (std::size_t i = 0; i < entries.size(); ++i)
        numbers_[entries[i].set.catalogueNumber] = i;
}

const CatalogueEntry* SatelliteIndex::Find(const QString& identifier) const {
    const QString wanted = identifier.trimmed();
    if (wanted.isEmpty())
        return nullptr;
    if (AllDigits(wanted)) {
        bool ok = false;
        const long number = wanted.toLong(&ok);
        const auto found = ok ? numbers_.find(number) : numbers_.end();
        if (found != numbers_.end())
            return &entries[found->second];
    }
    const auto named = names_.find(NameKey(wanted));
    if (named == names_.end())
        return nullptr;
    // The newest set of the satellite so named; another name may have brought a newer set of it.
    const auto found = numbers_.find(named->second.number);
    return found == numbers_.end() ? nullptr : &entries[found->second];
}

QStringList SatelliteIndex::Missing(const QStringList& identifiers) const {
    QStringList missing;
    for (const QString& id : identifiers)
        if (!Find(id))
            missing << id;
    return missing;
}

const CatalogueEntry* SatelliteIndex::First() const {
    const auto found = numbers_.find(first_);
    return found == numbers_.end() ? nullptr : &entries[found->second];
}
