// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrackerParts.h"

#include "OrbitSky.h"
#include "PassList.h"
#include "SatelliteSetup.h"
#include "ScriptedSky.h"
#include "config/ProfileFile.h"
#include "satellites/ElementUpdate.h"
#include "satellites/SettingsWatch.h"
#include "satellites/TrackerSettings.h"
#include "sky/Ephemeris.h"
#include "sky/StationSetting.h"

#include <QDBusError>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QTimer>
#include <cstdio>

void Say(const QString& text) {
    std::fprintf(stderr, "azelmon-tracker: %s\n", qPrintable(text));
}

ObserverChoice ChooseObserver(const TrackerOptions& options) {
    ObserverChoice choice{options.observer.value_or(DefaultStationLocation), {}, {}};
    if (!options.ObserverFromSettings())
        return choice;
    QString why;
    if (const auto place = ReadStationLocation(options.settingsPath, &why))
        choice.place = *place;
    else if (!why.isEmpty() && !options.FromSettings())
        choice.error = why;
    else if (!why.isEmpty())
        choice.note = why + QStringLiteral("; using the default location until it is mended");
    return choice;
}

double Dut1Setting(const ProfileDocument& settings, QString* note) {
    const QString text = settings.Value(QStringLiteral("DUT1"), TrackerSection).value_or(QString()).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const double dut1 = text.toDouble(&ok);
    if (!ok || !(dut1 >= -MaxDut1 && dut1 <= MaxDut1)) {
        *note = QStringLiteral("[%1] DUT1=%2 refused: UT1-UTC is a number of seconds from -%3 to %3; using 0")
                    .arg(TrackerSection, text)
                    .arg(MaxDut1);
        return 0;
    }
    return dut1;
}

double ReadDut1(const QString& iniPath) {
    QString note;
    const double dut1 = Dut1Setting(ProfileDocument::Read(iniPath), &note);
    if (!note.isEmpty())
        Say(note);
    return dut1;
}

int RunUpdate(QCoreApplication& app, const QString& iniPath) {
    const TrackerSettings settings = ReadTrackerSettings(iniPath);
    const std::vector<orbit::ElementSet> others =
        SetsBesideTheUpdateFile(settings.elementFiles, settings.updateFile);
    QList<QUrl> addresses;
    for (const QString& address : settings.addresses)
        addresses << QUrl(address);
    QNetworkAccessManager network;
    ElementUpdate update(network);
    int shownIndex = -1;
    QObject::connect(&update, &ElementUpdate::Progress, &app, [&](int index, int, qint64, qint64) {
        if (index != shownIndex)
            Say(QStringLiteral("downloading %1").arg(addresses.at(index).toString(QUrl::RemoveUserInfo)));
        shownIndex = index;
    });
    QObject::connect(&update, &ElementUpdate::Finished, &app, [&](bool replaced, const QString& message) {
        Say(message);
        if (replaced) {
            if (!WriteUpdateDone(iniPath, settings, QDateTime::currentDateTimeUtc().toString(Qt::ISODate)))
                Say(QStringLiteral("warning: cannot record the update in %1").arg(iniPath));
            Say(QStringLiteral("element sets written to %1")
                    .arg(QFileInfo(settings.updateFile).absoluteFilePath()));
        }
        app.exit(replaced ? 0 : 1);
    });
    // Started from the running loop: an update that fails at once (an address that is not one) ends the
    // loop it finds running instead of before it starts.
    QTimer::singleShot(0, &app,
                       [&] { update.Start(addresses, settings.updateFile, settings.satellites, others); });
    return app.exec();
}

QString PassTables(const std::vector<orbit::ElementSet>& chosen, const orbit::Geodetic& observer,
                   const QDateTime& fromUtc, int count) {
    const auto from = orbit::JulianDate::FromUnixMilliseconds(fromUtc.toMSecsSinceEpoch());
    QString tables;
    for (const auto& set : chosen)
        tables += PassTable(set, observer, from, count);
    return tables;
}

std::unique_ptr<SkySource> MakeSky(const TrackerOptions& options, const orbit::Geodetic& observer,
                                   const std::vector<orbit::ElementSet>& chosen) {
    if (options.Demo()) {
        const QString name =
            options.satellites.isEmpty() ? QStringLiteral("ISS") : options.satellites.front();
        return std::make_unique<ScriptedSky>(name, observer.latitude, observer.longitude, options.speedup,
                                             options.epoch.value_or(options.clock.start));
    }
    if (chosen.empty())
        Say(QStringLiteral("no satellite configured, only the Sun, the Moon and Mars (add [%1] TLE= to %2)")
                .arg(TrackerSection, options.settingsPath));
    return std::make_unique<OrbitSky>(chosen, observer, ReadDut1(options.settingsPath));
}

QDBusConnection ConnectBus(const TrackerOptions& options) {
    if (options.busAddress)
        return QDBusConnection::connectToBus(*options.busAddress, QStringLiteral("azelmon-tracker"));
    return QDBusConnection::sessionBus();
}

QString ServeTopic(QDBusConnection& bus, TopicServer& server, Topic topic) {
    if (!bus.registerObject(ObjectPath(topic), &server, QDBusConnection::ExportAllSlots))
        return QStringLiteral("cannot register %1").arg(ObjectPath(topic));
    if (!bus.registerService(ServiceName(topic)))
        return QStringLiteral("cannot own %1: %2").arg(ServiceName(topic), bus.lastError().message());
    return {};
}

QStringList TakeSettingsChange(const ProfileDocument& settings, const QString& iniPath, bool location,
                               bool satellites, const QDateTime& nowUtc, ServedChoice& served) {
    QStringList said;
    if (location) {
        QString why;
        const auto place = ReadStationLocation(settings, iniPath, &why);
        if (!why.isEmpty()) {
            said << QStringLiteral("settings changed, kept the location: %1").arg(why);
        } else {
            const orbit::Geodetic now = place.value_or(DefaultStationLocation);
            const orbit::Geodetic& was = served.observer;
            if (now.latitude != was.latitude || now.longitude != was.longitude || now.height != was.height)
                said << QStringLiteral("settings changed, station now at %1, %2, %3 m%4")
                            .arg(now.latitude, 0, 'f', 5)
                            .arg(now.longitude, 0, 'f', 5)
                            .arg(now.height, 0, 'f', 0)
                            .arg(place ? QString() : QStringLiteral(" (the default)"));
            served.observer = now;
        }
    }
    if (satellites) {
        const TrackerSettings chosen = ReadTrackerSettings(settings, iniPath);
        const SatelliteSetup setup =
            LoadSatellites(chosen.elementFiles, chosen.satellites, nowUtc, &served.warned);
        said << setup.notes;
        if (!setup.ok()) {
            said << QStringLiteral("settings changed, kept the satellites served: %1").arg(setup.error);
        } else {
            QStringList names;
            for (const auto& set : setup.chosen)
                names << QString::fromStdString(set.name);
            said << QStringLiteral("settings changed, now serving: %1")
                        .arg(names.isEmpty() ? QStringLiteral("(no satellite)")
                                             : names.join(QStringLiteral(", ")));
            served.chosen = setup.chosen;
        }
    }
    return said;
}

QString LoadChosenSatellites(const TrackerOptions& options, ServedChoice& served) {
    if (options.Demo())
        return {};
    QStringList files = options.elementFiles;
    QStringList wanted = options.satellites;
    if (options.FromSettings()) {
        const TrackerSettings settings = ReadTrackerSettings(options.settingsPath);
        files = settings.elementFiles;
        if (wanted.isEmpty())
            wanted = settings.satellites;
    }
    const SatelliteSetup setup = LoadSatellites(files, wanted, options.clock.start, &served.warned,
                                                options.FromSettings() ? Missing::LeaveOut : Missing::Error);
    for (const QString& note : setup.notes)
        Say(note);
    if (!setup.ok())
        return setup.error;
    served.chosen = setup.chosen;
    return {};
}

std::unique_ptr<SettingsWatch> FollowSettings(const TrackerOptions& options, TopicServer& server,
                                              ServedChoice& served) {
    const bool satellites = options.FromSettings() && options.satellites.isEmpty();
    const bool location = !options.Demo() && options.ObserverFromSettings();
    if (!satellites && !location)
        return nullptr;
    auto watch = std::make_unique<SettingsWatch>(options.settingsPath);
    const QString iniPath = options.settingsPath;
    SettingsWatch* watching = watch.get();
    QObject::connect(watching, &SettingsWatch::Changed, &server, [=, &server, &served] {
        for (const QString& line :
             TakeSettingsChange(watching->settings(), iniPath, location, satellites, server.Now(), served))
            Say(line);
        server.ReplaceSky(std::make_unique<OrbitSky>(served.chosen, served.observer, ReadDut1(iniPath)));
    });
    return watch;
}
