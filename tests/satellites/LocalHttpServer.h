// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 for the download tests: each path answers with a fixed reply,
// or stalls (headers and part of the body, then silence with the connection open), or ends the
// connection early in one of the ways a real one can (see Ending).

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <sys/socket.h>

class LocalHttpServer : public QObject {
  public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray extraHeaders;   // "Name: value\r\n" lines
        bool stall = false;        // send the headers and half the body, then nothing
        qint64 claimedLength = -1; // Content-Length when it should differ from the body's
        // How a reply with a claimed length ends after its body: an orderly close (FIN), or a reset
        // (RST, as a crashed server or a middlebox gives). Chunked: the body goes as one chunk
        // without the closing empty chunk, then the connection closes.
        enum class Ending { Close, Reset, ChunkedClose } ending = Ending::Close;
    };

    LocalHttpServer() {
        server_.listen(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    void Route(const QByteArray& path, Reply reply) { routes_[path] = std::move(reply); }
    QUrl Url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }
    int Requests() const { return requests_; }

  private:
    void Serve(QTcpSocket* socket) {
        QByteArray& pending = buffers_[socket];
        pending += socket->readAll();
        const int end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> first = pending.left(pending.indexOf("\r\n")).split(' ');
        pending.remove(0, end + 4);
        ++requests_;
        const QByteArray path = first.size() > 1 ? first[1] : QByteArray("/");
        const Reply reply =
            routes_.value(path, Reply{404, "<html><body>Not Found</body></html>", {}, false, -1});
        const qint64 length = reply.claimedLength >= 0 ? reply.claimedLength : reply.body.size();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) +
                          " X\r\nContent-Length: " + QByteArray::number(length) + "\r\n" +
                          reply.extraHeaders + "\r\n";
        if (reply.stall) {
            socket->write(head + reply.body.left(reply.body.size() / 2));
            return;
        }
        if (reply.ending == Reply::Ending::ChunkedClose) {
            socket->write("HTTP/1.1 " + QByteArray::number(reply.status) +
                          " X\r\nTransfer-Encoding: chunked\r\n" + reply.extraHeaders + "\r\n" +
                          QByteArray::number(reply.body.size(), 16) + "\r\n" + reply.body + "\r\n");
            socket->disconnectFromHost();
            return;
        }
        socket->write(head + reply.body);
        if (reply.claimedLength < 0)
            return;
        if (reply.ending == Reply::Ending::Reset) {
            socket->flush();
            socket->waitForBytesWritten(1000);
            const linger hard{1, 0}; // a close with unsent-data discard: the peer sees RST
            setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                       sizeof hard);
            socket->abort();
            return;
        }
        socket->disconnectFromHost(); // fewer (or more) bytes than announced
    }

    QTcpServer server_;
    QMap<QByteArray, Reply> routes_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    int requests_ = 0;
};
