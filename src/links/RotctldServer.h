// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "links/RotctldProtocol.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <map>

class QTcpServer;
class QTcpSocket;

// Where the endpoint listens: "ADDR:PORT" or "off". Port 0 picks a free one.
struct RotctldListenSpec {
    bool off = false;
    QHostAddress address;
    quint16 port = 0;
};
// nullopt when the text is neither "off" nor an address with a port ("[::1]:4533" for IPv6).
std::optional<RotctldListenSpec> ParseRotctldListen(const QString& text);

// The rotctld endpoint on the event loop: a QTcpServer, one RotctldProtocol for every client,
// no threads. Each request line is answered with one write. Up to MaxClients clients at once (one
// more is closed at once); a line longer than MaxLineLength, control bytes, or a client that reads
// nothing while MaxPendingOutput bytes pile up is disconnected. A silent client costs nothing.
class RotctldServer : public QObject {
    Q_OBJECT

  public:
    RotctldServer(RotctldStation& station, RemoteTarget* target, QObject* parent = nullptr);
    ~RotctldServer() override;

    static constexpr int DefaultPort = 4533;
    static constexpr int MaxClients = 8;
    static constexpr int MaxLineLength = 1024;
    static constexpr qint64 MaxPendingOutput = 64 * 1024;

    // False when the address cannot be bound; errorString() says why.
    bool Listen(const QHostAddress& address, quint16 port);
    void Close();
    bool isListening() const;
    quint16 port() const;
    QHostAddress address() const;
    QString errorString() const;
    int clientCount() const { return static_cast<int>(buffers_.size()); }

  signals:
    void clientCountChanged(int count);

  private:
    void Accept();
    void Read(QTcpSocket* socket);
    void Drop(QTcpSocket* socket);

    RotctldProtocol protocol_;
    QTcpServer* server_;
    std::map<QTcpSocket*, QByteArray> buffers_;
};
