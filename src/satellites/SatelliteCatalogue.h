// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "orbit/ElementSet.h"
#include "satellites/SatelliteIndex.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// The sets of the element files as the satellite dialog lists them, and the rules of the choice:
// the filter, the age text and the ordered list of chosen satellites.

// The dialog lists the satellite index of the element files.
using Catalogue = SatelliteIndex;

// Days from the set's epoch to `nowUtc` (negative for an epoch still to come).
double AgeDays(const orbit::ElementSet& set, const QDateTime& nowUtc);

// Sets older than this drift by kilometres a day; the dialog marks them, the tracker warns.
constexpr double StaleAgeDays = 14;

// "0.4日", "9.9日", "15日（古い）": tenths below ten days, whole days above; an epoch in the future
// counts as 0.
QString AgeText(double days);

// Whether an entry passes the filter text: empty passes all; digits match the start of the catalogue
// number; anything else is looked for in the name without regard to case. Blanks at the ends do not count.
bool MatchesFilter(const CatalogueEntry& entry, const QString& filter);

// Whether a stored identifier (catalogue number, or name without regard to case) names the set, so
// that a satellite is not chosen twice.
bool NamesSet(const QString& identifier, const orbit::ElementSet& set);

// The chosen satellites in order of preference, as stored identifiers. The edits return the row that
// should be selected afterwards (-1 for none).
class ChosenSatellites {
  public:
    explicit ChosenSatellites(QStringList identifiers = {}) : ids_(std::move(identifiers)) {}

    const QStringList& Identifiers() const { return ids_; }
    int Count() const { return static_cast<int>(ids_.size()); }

    // Appends the set by its catalogue number; a satellite already chosen (by number or name) is not
    // added twice and its row is returned.
    int Add(const orbit::ElementSet& set);
    int Remove(int row);
    int MoveUp(int row);
    int MoveDown(int row);

    // "ISS (ZARYA) 25544", or the identifier with "（要素なし）" when no set of the catalogue has it.
    QString RowText(int row, const Catalogue& catalogue) const;

  private:
    QStringList ids_;
};
