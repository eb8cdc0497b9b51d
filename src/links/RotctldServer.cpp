// SPDX-License-Identifier: GPL-3.0-or-later
#include "links/RotctldServer.h"

#include <QTcpServer>
#include <QTcpSocket>

std::optional<RotctldListenSpec> ParseRotctldListen(const QString& text) {
    RotctldListenSpec entry;
    if (text == QLatin1String("off")) {
        entry.off = true;
        return entry;
    }
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt; // a bare IPv6 address is ambiguous with the port
    if (host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    bool ok = false;
    const QString portText = text.mid(colon + 1);
    const uint port = portText.toUInt(&ok);
    if (!ok || port > 65535 || portText.startsWith(QLatin1Char('+')))
        return std::nullopt;
    if (!entry.address.setAddress(host))
        return std::nullopt;
    entry.port = static_cast<quint16>(port);
    return entry;
}

RotctldServer::RotctldServer(RotctldStation& station, RemoteTarget* target, QObject* parent)
    : QObject(parent), protocol_(station, target), server_(new QTcpServer(this)) {
    server_->setMaxPendingConnections(MaxClients);
    connect(server_, &QTcpServer::newConnection, this, &RotctldServer::Accept);
}

RotctldServer::~RotctldServer() {
    Close();
}

bool RotctldServer::Listen(const QHostAddress& address, quint16 port) {
    return server_->listen(address, port);
}

void RotctldServer::Close() {
    server_->close();
    while (!buffers_.empty())
        Drop(buffers_.begin()->first);
}

bool RotctldServer::isListening() const {
    return server_->isListening();
}

quint16 RotctldServer::port() const {
    return server_->serverPort();
}

QHostAddress RotctldServer::address() const {
    return server_->serverAddress();
}

QString RotctldServer::errorString() const {
    return server_->errorString();
}

void RotctldServer::Accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (clientCount() >= MaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Clients poll "p" for every frame: answers must not wait for Nagle.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        buffers_.emplace(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Drop(socket); });
        emit clientCountChanged(clientCount());
        // Bytes may have come with the connection.
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void RotctldServer::Read(QTcpSocket* socket) {
    const auto it = buffers_.find(socket);
    if (it == buffers_.end())
        return;
    QByteArray& buffer = it->second;
    buffer += socket->readAll();
    qsizetype start = 0;
    QByteArray out;
    bool drop = false;
    for (;;) {
        const qsizetype end = buffer.indexOf('\n', start);
        if (end < 0)
            break;
        if (end - start > MaxLineLength) {
            drop = true;
            break;
        }
        const RotctldProtocol::Reply reply = protocol_.Handle(buffer.mid(start, end - start));
        out += reply.text;
        start = end + 1;
        if (reply.close) {
            drop = true;
            break;
        }
    }
    buffer.remove(0, start);
    if (buffer.size() > MaxLineLength)
        drop = true;
    if (!out.isEmpty()) {
        socket->write(out);
        // Send now rather than on the next pass of the event loop: a client waits for every answer.
        socket->flush();
    }
    if (drop || socket->bytesToWrite() > MaxPendingOutput) {
        // "q" gets its pending answers first; a misbehaving client is cut off.
        socket->flush();
        Drop(socket);
    }
}

void RotctldServer::Drop(QTcpSocket* socket) {
    if (buffers_.erase(socket) == 0)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit clientCountChanged(clientCount());
}
