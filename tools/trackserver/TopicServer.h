#pragma once

#include "SatelliteScript.h"

#include <QDBusContext>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <optional>

// What the server says at a moment: the satellite of the script and the bodies for the observer.
struct TrackServerSettings {
    enum class Topic { Orbi, Calsat };
    Topic topic = Topic::Orbi;
    QString satellite = QStringLiteral("ISS");
    double latitude = 35.68, longitude = 139.77;
    double speedup = 1;
    QDateTime start;     // the server clock's first instant (UTC)
    QDateTime epoch;     // the satellite script's epoch (UTC)
    bool frozen = false; // the server clock stands still at start
};

// The bus name, object path and items of a topic.
QString ServiceName(TrackServerSettings::Topic topic); // "dde.ORBI" / "dde.Calsat32"
QString ObjectPath(TrackServerSettings::Topic topic);  // "/EXTRN" / "/Export"

// The text of one item at an instant; nullopt for an item the topic does not have.
std::optional<QString> ItemText(const TrackServerSettings& settings, const QString& item,
                                const QDateTime& now);

// The D-Bus object of the topic: interface "dde.Topic", method Request(s item) -> s.
class TopicServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dde.Topic")

  public:
    explicit TopicServer(TrackServerSettings settings, QObject* parent = nullptr);

    QDateTime Now() const;

  public slots:
    QString Request(const QString& item);

  private:
    TrackServerSettings settings_;
    QElapsedTimer running_;
};
