// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DataLink.h"

#include <QDBusConnection>
#include <QMetaType>
#include <QString>
#include <map>
#include <memory>
#include <vector>

class QDBusArgument;
class QDBusMessage;
class QDBusPendingCall;
class QObject;

// One answer of RequestList: error is empty and text is the item's text, or error is the D-Bus error
// name that Request would have replied for that item and text its message.
struct DdeListAnswer {
    QString error;
    QString text;
};
Q_DECLARE_METATYPE(DdeListAnswer)
QDBusArgument& operator<<(QDBusArgument& argument, const DdeListAnswer& answer);
const QDBusArgument& operator>>(const QDBusArgument& argument, DdeListAnswer& answer);
// Registers DdeListAnswer and its list with QtDBus (signature "a(ss)"); safe to call again.
void RegisterDdeListAnswer();

// The data link over D-Bus. A topic "App|Topic" is the bus name "dde.App", the object "/Topic" and
// the interface "dde.Topic", whose method Request(s item) -> s answers one item as text. Our own
// tracker also offers RequestList(as items) -> a(ss), every item of a cycle in one call, with an
// answer per item (see DdeListAnswer).
//
// - SetLinkMode(Manual) asks the bus whether "dde.App" has an owner; when it has none, it asks the
//   bus to start one (D-Bus activation, bounded by the time-out) and fails when the bus cannot (or
//   the topic is malformed, or the bus is not connected).
// - Request is a blocking call bounded by the time-out (5 s unless told otherwise). A D-Bus error
//   reply (unknown item, server gone, no reply) becomes a PortError.
// - RequestBatch sends the items of each server as one RequestList call, asynchronously, with the
//   time-out, and returns. A server without that method (UnknownMethod and the like) is asked item by
//   item as before, in the same batch and within what is left of the time-out; that server is then
//   asked item by item from the start until an answer comes from another owner of its bus name, whose
//   list is tried again. The items asked one by one go out at once and only the last is watched: a
//   server answers in order, so one wake-up of the event loop usually gathers every answer. Answers,
//   error numbers and texts are the same either way. A box that is not linked fails at once, before
//   anything is sent.
// - Changing a box's topic closes its link: the conversation belonged to the old server.
//
// Error numbers follow the DDE client error codes, so the status line reads
// as a DDE user knows them: 282 no server answered, 285 the server refused the request, 286 time-out,
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

    static const QString InterfaceName;  // "dde.Topic"
    static const QString MethodName;     // "Request"
    static const QString ListMethodName; // "RequestList"

  private:
    struct Box {
        QString topic, item;
        Mode mode = Mode::None;
        Address address;
    };
    struct Batch;
    std::optional<PortError> CheckServer(const QString& service) const;
    static Answer AnswerOf(const QDBusMessage& reply, const Box& box);
    // Sends the requests of the batch's boxes `indices` (all of one server) item by item.
    void SendItems(Batch& batch, const std::vector<std::size_t>& indices, int timeoutMs);
    // The answers of a finished call into the batch; a list the server does not know is asked again
    // item by item.
    void TakeReply(Batch& batch, std::size_t call);
    // Takes the finished calls in order and ends the batch once its answers decide it; otherwise
    // waits on the last call still open.
    void Collect(const std::shared_ptr<Batch>& batch);
    void WatchCall(const std::shared_ptr<Batch>& batch, std::size_t call);

    QDBusConnection bus_;
    int timeoutMs_;
    std::map<int, Box> boxes_;
    // Servers (bus name) whose owner (unique name) answered that it has no RequestList.
    std::map<QString, QString> listless_;
    // Parent of the watchers: answers that come after the link is gone are dropped with it.
    std::unique_ptr<QObject> watchers_;
};
