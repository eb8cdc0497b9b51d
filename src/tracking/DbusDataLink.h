#pragma once

#include "common/DataLink.h"

#include <QDBusConnection>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QDBusMessage;
class QDBusPendingCall;
class QObject;

// The data link over D-Bus. A topic "App|Topic" is the bus name "dde.App", the object "/Topic" and
// the interface "dde.Topic", whose method Request(s item) -> s answers one item as text.
//
// - SetLinkMode(Manual) asks the bus whether "dde.App" has an owner; when it has none, it asks the
//   bus to start one (D-Bus activation, bounded by the time-out) and fails when the bus cannot (or
//   the topic is malformed, or the bus is not connected).
// - Request is a blocking call bounded by the time-out (5 s unless told otherwise). A D-Bus error
//   reply (unknown item, server gone, no reply) becomes a PortError.
// - RequestBatch sends every request at once, asynchronously, each with the same time-out, and
//   returns. Only the last request is watched: a server answers in order, so one wake-up of the event
//   loop usually gathers every answer. A box that is not linked fails at once, before anything is sent.
// - Changing a box's topic closes its link: the conversation belonged to the old server.
//
// Error numbers are those the DDE client of the original platform used, so the status line reads
// the same: 282 no server answered, 285 the server refused the request, 286 time-out,
// 293 request on a box that is not linked.
class DbusDataLink : public DataLink {
  public:
    static constexpr int DefaultTimeoutMs = 5000;
    static constexpr int NoServerError = 282;
    static constexpr int RefusedError = 285;
    static constexpr int TimeoutError = 286;
    static constexpr int NotLinkedError = 293;

    explicit DbusDataLink(QDBusConnection bus = QDBusConnection::sessionBus(),
                          int timeoutMs = DefaultTimeoutMs);
    ~DbusDataLink() override;

    void SetLinkTopic(int box, const QString& topic) override;
    void SetLinkItem(int box, const QString& item) override;
    std::optional<PortError> SetLinkMode(int box, Mode mode) override;
    Answer Request(int box) override;
    void RequestBatch(const std::vector<int>& boxes, BatchDone done) override;

    // Where a topic lives on the bus; false when the text is not "App|Topic" with both parts usable.
    struct Address {
        QString service, path;
    };
    static std::optional<Address> AddressOf(const QString& topic);

    static const QString InterfaceName; // "dde.Topic"
    static const QString MethodName;    // "Request"

  private:
    struct Box {
        QString topic, item;
        Mode mode = Mode::None;
        Address address;
    };
    struct Batch;
    std::optional<PortError> CheckServer(const QString& service) const;
    static Answer AnswerOf(const QDBusMessage& reply, const Box& box);
    // Walks the batch in order; waits on the first request still open, or ends the batch.
    void Collect(const std::shared_ptr<Batch>& batch, std::size_t from);
    void WatchCall(const std::shared_ptr<Batch>& batch, std::size_t index);

    QDBusConnection bus_;
    int timeoutMs_;
    std::map<int, Box> boxes_;
    // Parent of the watchers: answers that come after the link is gone are dropped with it.
    std::unique_ptr<QObject> watchers_;
};
