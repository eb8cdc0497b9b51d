// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/DbusDataLink.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QObject>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

const QString DbusDataLink::InterfaceName = QStringLiteral("dde.Topic");
const QString DbusDataLink::MethodName = QStringLiteral("Request");
const QString DbusDataLink::ListMethodName = QStringLiteral("RequestList");

QDBusArgument& operator<<(QDBusArgument& argument, const DdeListAnswer& answer) {
    argument.beginStructure();
    argument << answer.error << answer.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DdeListAnswer& answer) {
    argument.beginStructure();
    argument >> answer.error >> answer.text;
    argument.endStructure();
    return argument;
}

void RegisterDdeListAnswer() {
    qDBusRegisterMetaType<DdeListAnswer>();
    qDBusRegisterMetaType<QList<DdeListAnswer>>();
}

namespace {
const QString BusDaemon = QStringLiteral("org.freedesktop.DBus");

// The server has no RequestList (or none that takes a list of texts): it is asked item by item.
bool NoListMethod(const QDBusMessage& reply) {
    switch (QDBusError(reply).type()) {
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
    case QDBusError::InvalidArgs:
    case QDBusError::InvalidSignature:
        return true;
    default:
        return false;
    }
}

std::optional<QList<DdeListAnswer>> ListOf(const QDBusMessage& reply) {
    if (reply.arguments().size() != 1 ||
        reply.arguments().constFirst().metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(ss)"))
        return std::nullopt;
    return qdbus_cast<QList<DdeListAnswer>>(argument);
}
} // namespace

struct DbusDataLink::Batch {
    struct Call {
        QDBusPendingCall pending;
        std::vector<std::size_t> indices; // the boxes asked, as positions in the batch
        bool list = false;
        bool taken = false;
    };
    std::vector<int> boxes;
    std::vector<Box> links; // as they stood when the batch was sent
    std::vector<std::optional<Answer>> answers;
    std::vector<Call> calls;
    QElapsedTimer sent;
    BatchDone done;
};

DbusDataLink::DbusDataLink(QDBusConnection bus, int timeoutMs)
    : bus_(std::move(bus)), timeoutMs_(timeoutMs), watchers_(std::make_unique<QObject>()) {
    RegisterDdeListAnswer();
}

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
    batch->answers.resize(boxes.size());
    batch->sent.start();
    // The boxes of each server, in the order asked (the tracking cycle's all live on one).
    std::vector<std::vector<std::size_t>> servers;
    for (std::size_t i = 0; i < batch->links.size(); ++i) {
        const Address& a = batch->links[i].address;
        auto same = std::find_if(servers.begin(), servers.end(), [&](const auto& indices) {
            const Address& b = batch->links[indices.front()].address;
            return a.service == b.service && a.path == b.path;
        });
        if (same == servers.end())
            servers.push_back({i});
        else
            same->push_back(i);
    }
    for (const auto& indices : servers) {
        const Address& a = batch->links[indices.front()].address;
        if (listless_.count(a.service)) {
            SendItems(*batch, indices, timeoutMs_);
            continue;
        }
        QStringList items;
        for (std::size_t i : indices)
            items << batch->links[i].item;
        QDBusMessage call = QDBusMessage::createMethodCall(a.service, a.path, InterfaceName, ListMethodName);
        call << items;
        batch->calls.push_back({bus_.asyncCall(call, timeoutMs_), indices, true});
    }
    WatchCall(batch, batch->calls.size() - 1);
}

void DbusDataLink::SendItems(Batch& batch, const std::vector<std::size_t>& indices, int timeoutMs) {
    for (std::size_t i : indices) {
        const Box& b = batch.links[i];
        QDBusMessage call =
            QDBusMessage::createMethodCall(b.address.service, b.address.path, InterfaceName, MethodName);
        call << b.item;
        batch.calls.push_back({bus_.asyncCall(call, timeoutMs), {i}, false});
    }
}

void DbusDataLink::TakeReply(Batch& batch, std::size_t call) {
    batch.calls[call].taken = true;
    const QDBusMessage reply = batch.calls[call].pending.reply();
    const std::vector<std::size_t> indices = batch.calls[call].indices;
    const QString service = batch.links[indices.front()].address.service;
    if (!batch.calls[call].list) {
        // An answer from the server itself (not the bus, not our own time-out) shows who owns the name
        // now; a new owner may know the list.
        const QString sender = reply.service();
        const auto listless = listless_.find(service);
        if (listless != listless_.end() && !sender.isEmpty() && sender != BusDaemon) {
            if (listless->second.isEmpty())
                listless->second = sender;
            else if (listless->second != sender)
                listless_.erase(listless);
        }
        batch.answers[indices.front()] = AnswerOf(reply, batch.links[indices.front()]);
        return;
    }
    if (reply.type() == QDBusMessage::ErrorMessage && NoListMethod(reply)) {
        listless_[service] = reply.service() == BusDaemon ? QString() : reply.service();
        // Within the batch's time-out, as if the items had been asked one by one from the start.
        const qint64 left = timeoutMs_ - batch.sent.elapsed();
        SendItems(batch, indices, static_cast<int>(std::max<qint64>(1, left)));
        return;
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        // Time-out, server gone: every item would have had the same answer.
        for (std::size_t i : indices)
            batch.answers[i] = AnswerOf(reply, batch.links[i]);
        return;
    }
    const auto list = ListOf(reply);
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const Box& b = batch.links[indices[k]];
        if (!list || list->size() != qsizetype(indices.size()))
            batch.answers[indices[k]] = AnswerOf(QDBusMessage(), b); // "is not a text"
        else if (const DdeListAnswer& a = list->at(qsizetype(k)); a.error.isEmpty())
            batch.answers[indices[k]] = Answer{a.text, std::nullopt};
        else
            batch.answers[indices[k]] = AnswerOf(QDBusMessage::createError(a.error, a.text), b);
    }
}

void DbusDataLink::WatchCall(const std::shared_ptr<Batch>& batch, std::size_t call) {
    if (batch->calls[call].pending.isFinished()) {
        // Over already, or never sent (no connection at all, which no watcher would report): tell it
        // from the event loop all the same.
        QMetaObject::invokeMethod(
            watchers_.get(), [this, batch] { Collect(batch); }, Qt::QueuedConnection);
        return;
    }
    // A watcher on a call that finishes meanwhile still reports from the event loop.
    auto* watcher = new QDBusPendingCallWatcher(batch->calls[call].pending, watchers_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watchers_.get(), [this, batch, watcher] {
        watcher->deleteLater();
        Collect(batch);
    });
}

void DbusDataLink::Collect(const std::shared_ptr<Batch>& batch) {
    // Calls added on the way (items asked again one by one) are looked at in the same walk.
    std::optional<std::size_t> open;
    for (std::size_t c = 0; c < batch->calls.size(); ++c) {
        if (batch->calls[c].taken)
            continue;
        if (batch->calls[c].pending.isFinished())
            TakeReply(*batch, c);
        else
            open = c;
    }
    BatchAnswer answer;
    for (std::size_t i = 0; i < batch->answers.size(); ++i) {
        if (!batch->answers[i]) {
            // Not known yet: the servers answer in order, so the last open call is the one to wait on.
            if (open)
                WatchCall(batch, *open);
            return;
        }
        if (batch->answers[i]->error) {
            batch->done({{}, batch->answers[i]->error, batch->boxes[i]});
            return;
        }
        answer.texts.push_back(batch->answers[i]->text);
    }
    batch->done(std::move(answer));
}
