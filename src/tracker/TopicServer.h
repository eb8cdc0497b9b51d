// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SkySource.h"
#include "links/DbusDataLink.h"

#include <QDBusContext>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>

enum class Topic { Orbi, Calsat };

// The bus name, object path and items of a topic.
QString ServiceName(Topic topic); // "dde.ORBI" / "dde.Calsat32"
QString ObjectPath(Topic topic);  // "/EXTRN" / "/Export"

// The answer to one item: its text, or why there is none.
struct ItemAnswer {
    enum Kind { Text, UnknownItem, NoPosition };
    Kind kind = Text;
    QString text; // the item's text, or the error's description
};
ItemAnswer AnswerItem(Topic topic, const QString& item, const SkySnapshot& snapshot);

// The server's clock: from a start instant, running or standing still.
struct ServerClock {
    QDateTime start; // UTC
    bool frozen = false;
};

// The D-Bus error name of an answer that is not a text ("dde.Error.UnknownItem", "dde.Error.NoPosition").
QString ErrorName(ItemAnswer::Kind kind);

// The D-Bus object of the topic: interface "dde.Topic", method Request(s item) -> s, and
// RequestList(as items) -> a(ss), which answers every item in one call: per item an empty error and
// the text, or the error name and message Request would have replied. The sky is worked out at most
// once per second of the server's clock; the requests of that second (azelmon asks 13 to 15 items a
// cycle) are answered from it.
class TopicServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dde.Topic")

  public:
    TopicServer(Topic topic, ServerClock clock, std::unique_ptr<SkySource> sky, QObject* parent = nullptr);

    QDateTime Now() const;
    const SkySnapshot& SnapshotNow();
    // Serves another sky from now on (the satellites were chosen anew); the next request works it out.
    void ReplaceSky(std::unique_ptr<SkySource> sky);

  public slots:
    QString Request(const QString& item);
    QList<DdeListAnswer> RequestList(const QStringList& items);

  private:
    Topic topic_;
    ServerClock clock_;
    std::unique_ptr<SkySource> sky_;
    QElapsedTimer running_;
    qint64 snapshotSecond_ = 0;
    bool haveSnapshot_ = false;
    SkySnapshot snapshot_;
};
