// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/ElementSet.h"

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

// The satellites of the element files, found by one rule wherever a satellite is looked up: the
// satellite dialog, azelmon-tracker, the element update, the passes window and the pass plan. So the
// dialog shows the age of the set the tracker serves and the plan follows.
//
// The rule: an identifier of digits is a catalogue number; anything else (and digits that are no
// catalogue number of the files) is a name, compared without regard to case and blanks at the ends.
// A satellite in several files (the space stations are in both public groups), or under several names,
// is one satellite: its newest set (latest epoch) is the one found, by its number and by any name it
// was listed under.

struct CatalogueEntry {
    orbit::ElementSet set;
    QString name; // the set's name as text
    QString file; // the file it was read from
    double EpochJulian() const { return set.EpochJulianWhole() + set.EpochJulianFraction(); }
};

class SatelliteIndex {
  public:
    // Reads every file; an unreadable file or a bad set is noted in `problems`, the rest is indexed.
    static SatelliteIndex Read(const QStringList& files);
    // Sets given directly (a download being checked, tests).
    static SatelliteIndex Of(const std::vector<orbit::ElementSet>& sets, const QString& file = {});

    // The entry an identifier names, or nullptr.
    const CatalogueEntry* Find(const QString& identifier) const;
    // The identifiers that name no entry, in their order.
    QStringList Missing(const QStringList& identifiers) const;
    // The first set of the files (in its newest version), served when no satellite is chosen.
    const CatalogueEntry* First() const;

    std::vector<CatalogueEntry> entries; // one per satellite, sorted by name, then catalogue number
    QStringList problems;                // unreadable files and skipped sets, one line each
    QStringList unreadableFiles;
    QStringList skippedSets;      // the sets' part of `problems`
    QStringList filesWithoutSets; // read, but without a usable set

  private:
    void Add(const orbit::ElementSet& set, const QString& file);
    void Finish();

    struct Named {
        long number = 0;
        double epoch = 0;
    };
    std::map<QString, Named> names_; // case-folded name -> the newest satellite so named
    std::map<long, std::size_t> numbers_;
    long first_ = -1;
};
