#include "tracking/DbusDataLink.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QRegularExpression>

const QString DbusDataLink::InterfaceName = QStringLiteral("dde.Topic");
const QString DbusDataLink::MethodName = QStringLiteral("Request");

struct DbusDataLink::Batch {
    std::vector<int> boxes;
    std::vector<Box> links; // as they stood when the batch was sent
    std::vector<QDBusPendingCall> calls;
    BatchDone done;
    BatchAnswer answer;
};

DbusDataLink::DbusDataLink(QDBusConnection bus, int timeoutMs)
    : bus_(std::move(bus)), timeoutMs_(timeoutMs), watchers_(std::make_unique<QObject>()) {}

DbusDataLink::~DbusDataLink() = default;

std::optional<DbusDataLink::Address> DbusDataLink::AddressOf(const QString& topic) {
    // Bus name elements and path elements both allow [A-Za-z0-9_]; a name element may not start
    // with a digit, so "dde." is always followed by something legal only when the app starts well.
    static const QRegularExpression appName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    static const QRegularExpression topicName(QStringLiteral("^[A-Za-z0-9_]+$"));
    const qsizetype bar = topic.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return std::nullopt;
    const QString app = topic.left(bar);
    const QString name = topic.mid(bar + 1);
    if (!appName.match(app).hasMatch() || !topicName.match(name).hasMatch())
        return std::nullopt;
    return Address{QStringLiteral("dde.") + app, QStringLiteral("/") + name};
}

void DbusDataLink::SetLinkTopic(int box, const QString& topic) {
    Box& b = boxes_[box];
    if (b.topic != topic)
        b.mode = Mode::None;
    b.topic = topic;
}

void DbusDataLink::SetLinkItem(int box, const QString& item) {
    boxes_[box].item = item;
}

std::optional<PortError> DbusDataLink::CheckServer(const QString& service) const {
    if (!bus_.isConnected())
        return PortError{NoServerError,
                         QStringLiteral("D-Bus: not connected (%1)").arg(bus_.lastError().message())};
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << service;
    const QDBusMessage reply = bus_.call(ask, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return PortError{NoServerError, QStringLiteral("D-Bus: %1").arg(reply.errorMessage())};
    if (reply.arguments().constFirst().toBool())
        return std::nullopt;
    // Not running: the bus may know how to start it (a D-Bus service file, as the installed tracker
    // has). The bus answers once the server holds its name, or at once when it cannot start one.
    QDBusMessage start = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("StartServiceByName"));
    start << service << 0u;
    const QDBusMessage started = bus_.call(start, QDBus::Block, timeoutMs_);
    if (started.type() != QDBusMessage::ReplyMessage)
        return PortError{NoServerError, QStringLiteral("%1 is not on the bus").arg(service)};
    return std::nullopt;
}

std::optional<PortError> DbusDataLink::SetLinkMode(int box, Mode mode) {
    Box& b = boxes_[box];
    if (mode == Mode::None) {
        b.mode = Mode::None;
        return std::nullopt;
    }
    const auto address = AddressOf(b.topic);
    if (!address) {
        b.mode = Mode::None;
        return PortError{NoServerError, QStringLiteral("not a link topic: \"%1\"").arg(b.topic)};
    }
    if (auto error = CheckServer(address->service)) {
        b.mode = Mode::None;
        return error;
    }
    b.address = *address;
    b.mode = Mode::Manual;
    return std::nullopt;
}

DataLink::Answer DbusDataLink::AnswerOf(const QDBusMessage& reply, const Box& b) {
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QDBusError error(reply);
        int number = RefusedError;
        if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
            error.type() == QDBusError::TimedOut)
            number = TimeoutError;
        else if (error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::Disconnected)
            number = NoServerError;
        return {QString(),
                PortError{number, QStringLiteral("%1: %2").arg(b.address.service, reply.errorMessage())}};
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.arguments().constFirst().metaType().id() != QMetaType::QString)
        return {QString(), PortError{RefusedError, QStringLiteral("%1: the answer to \"%2\" is not a text")
                                                       .arg(b.address.service, b.item)}};
    return {reply.arguments().constFirst().toString(), std::nullopt};
}

DataLink::Answer DbusDataLink::Request(int box) {
    const auto found = boxes_.find(box);
    if (found == boxes_.end() || found->second.mode != Mode::Manual)
        return {QString(), PortError{NotLinkedError, QStringLiteral("Text%1 is not linked").arg(box)}};
    const Box& b = found->second;
    QDBusMessage call =
        QDBusMessage::createMethodCall(b.address.service, b.address.path, InterfaceName, MethodName);
    call << b.item;
    return AnswerOf(bus_.call(call, QDBus::Block, timeoutMs_), b);
}

void DbusDataLink::RequestBatch(const std::vector<int>& boxes, BatchDone done) {
    auto batch = std::make_shared<Batch>();
    batch->boxes = boxes;
    batch->done = std::move(done);
    for (int box : boxes) {
        const auto found = boxes_.find(box);
        if (found == boxes_.end() || found->second.mode != Mode::Manual) {
            batch->done(
                {{}, PortError{NotLinkedError, QStringLiteral("Text%1 is not linked").arg(box)}, box});
            return;
        }
        batch->links.push_back(found->second);
    }
    if (boxes.empty()) {
        batch->done({});
        return;
    }
    for (const Box& b : batch->links) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(b.address.service, b.address.path, InterfaceName, MethodName);
        call << b.item;
        batch->calls.push_back(bus_.asyncCall(call, timeoutMs_));
    }
    WatchCall(batch, batch->calls.size() - 1);
}

void DbusDataLink::WatchCall(const std::shared_ptr<Batch>& batch, std::size_t index) {
    if (batch->calls[index].isFinished()) {
        // Over already, or never sent (no connection at all, which no watcher would report): tell it
        // from the event loop all the same.
        QMetaObject::invokeMethod(
            watchers_.get(), [this, batch] { Collect(batch, batch->answer.texts.size()); },
            Qt::QueuedConnection);
        return;
    }
    // A watcher on a call that finishes meanwhile still reports from the event loop.
    auto* watcher = new QDBusPendingCallWatcher(batch->calls[index], watchers_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watchers_.get(), [this, batch, watcher] {
        watcher->deleteLater();
        Collect(batch, batch->answer.texts.size());
    });
}

void DbusDataLink::Collect(const std::shared_ptr<Batch>& batch, std::size_t from) {
    for (std::size_t i = from; i < batch->calls.size(); ++i) {
        if (!batch->calls[i].isFinished()) {
            WatchCall(batch, i);
            return;
        }
        Answer answer = AnswerOf(batch->calls[i].reply(), batch->links[i]);
        if (answer.error) {
            batch->done({{}, answer.error, batch->boxes[i]});
            return;
        }
        batch->answer.texts.push_back(std::move(answer.text));
    }
    batch->done(std::move(batch->answer));
}
