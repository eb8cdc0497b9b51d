// SPDX-License-Identifier: GPL-3.0-or-later
#include "SatelliteSetup.h"

#include "config/ProfileFile.h"
#include "orbit/Frames.h"
#include "satellites/SatelliteCatalogue.h"
#include "satellites/TrackerSettings.h"
#include "sky/StationSetting.h"

#include <QDir>
#include <QFileInfo>

SatelliteSetup LoadSatellites(const QStringList& files, const QStringList& wanted, const QDateTime& nowUtc,
                              std::set<long>* warned, Missing missing) {
    SatelliteSetup setup;
    const bool leaveOut = missing == Missing::LeaveOut;
    const SatelliteIndex index = SatelliteIndex::Read(files);
    if (!index.unreadableFiles.isEmpty() && !leaveOut) {
        setup.error = QStringLiteral("cannot read element file %1").arg(index.unreadableFiles.front());
        return setup;
    }
    for (const QString& file : index.unreadableFiles)
        setup.notes << QStringLiteral("cannot read element file %1; its sets are left out").arg(file);
    setup.notes += index.skippedSets;
    for (const QString& file : index.filesWithoutSets)
        setup.notes << QStringLiteral("%1: no element sets in the file").arg(file);
    for (const QString& name : wanted) {
        const CatalogueEntry* found = index.Find(name);
        if (!found && leaveOut) {
            setup.notes << QStringLiteral("no satellite \"%1\" in %2; left out")
                               .arg(name, files.join(QStringLiteral(", ")));
            continue;
        }
        if (!found) {
            setup.error =
                QStringLiteral("no satellite \"%1\" in %2").arg(name, files.join(QStringLiteral(", ")));
            return setup;
        }
        setup.chosen.push_back(found->set);
    }
    if (wanted.isEmpty() && index.First())
        setup.chosen.push_back(index.First()->set);
    if (!files.isEmpty() && index.entries.empty() && !leaveOut) {
        setup.error = QStringLiteral("no usable element set in %1").arg(files.join(QStringLiteral(", ")));
        return setup;
    }
    for (const auto& set : setup.chosen) {
        const double age = AgeDays(set, nowUtc);
        if (age > StaleAgeDays && (!warned || warned->insert(set.catalogueNumber).second))
            setup.notes << QStringLiteral("warning: the elements of %1 are %2 days old; positions drift by "
                                          "kilometres a day, fetch fresh ones (azelmon-tracker --update)")
                               .arg(QString::fromStdString(set.name))
                               .arg(age, 0, 'f', 0);
    }
    return setup;
}
