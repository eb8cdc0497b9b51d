#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 for the download tests: each path answers with a fixed reply,
// or stalls (headers and part of the body, then silence with the connection open).

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

class LocalHttpServer : public QObject {
  public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray extraHeaders;   // "Name: value\r\n" lines
        bool stall = false;        // send the headers and half the body, then nothing
        qint64 claimedLength = -1; // Content-Length when it should differ from the body's
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
        socket->write(head + reply.body);
        if (reply.claimedLength >= 0)
            socket->disconnectFromHost(); // fewer bytes than announced
    }

    QTcpServer server_;
    QMap<QByteArray, Reply> routes_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    int requests_ = 0;
};
