// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/SingleInstance.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

SingleInstance::SingleInstance(QString name, QString boardKey)
    : name_(std::move(name)), boardKey_(std::move(boardKey)) {}

SingleInstance::~SingleInstance() {
    for (int fd : {userFd_, boardFd_})
        if (fd >= 0)
            ::close(fd); // releases the name
}

QString SingleInstance::DefaultName() {
    const QByteArray custom = qgetenv("AZELMON_INSTANCE_NAME");
    if (!custom.isEmpty())
        return QString::fromLocal8Bit(custom);
    return QStringLiteral("azelmon-%1").arg(getuid());
}

QString SingleInstance::TcpBoardKey(const QString& address, int port) {
    return QStringLiteral("tcp %1:%2").arg(address.trimmed().toLower()).arg(port);
}

QString SingleInstance::RtuBoardKey(const QString& device) {
    const QString real = QFileInfo(device).canonicalFilePath();
    return QStringLiteral("rtu %1").arg(real.isEmpty() ? device : real);
}

SingleInstance::Outcome SingleInstance::Bind(const QString& name, int& fd, QString& errorText) {
    if (fd >= 0)
        return Outcome::Held;
    // An abstract name: a leading NUL, then the bytes; no file anywhere. A name too long for the address
    // is shortened to a digest of itself.
    QByteArray bytes = name.toUtf8();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (bytes.size() > static_cast<int>(sizeof address.sun_path) - 1)
        bytes = "azelmon-" + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    std::memcpy(address.sun_path + 1, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + bytes.size());
    // Close-on-exec: a browser or help viewer started from here must not carry the lock on.
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        errorText = QString::fromLocal8Bit(std::strerror(errno));
        return Outcome::Failed;
    }
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int error = errno;
        ::close(socket);
        if (error == EADDRINUSE)
            return Outcome::Busy;
        errorText = QString::fromLocal8Bit(std::strerror(error));
        return Outcome::Failed;
    }
    fd = socket;
    return Outcome::Held;
}

std::optional<QString> SingleInstance::Refusal() {
    const auto failed = [](const QString& errorText) {
        return QStringLiteral("既に起動されているかを確かめられないため、起動を中止します（%1）。")
            .arg(errorText);
    };
    QString errorText;
    switch (Bind(QStringLiteral("azelmon-user ") + name_, userFd_, errorText)) {
    case Outcome::Held:
        break;
    case Outcome::Busy:
        return QStringLiteral("既に起動されています。");
    case Outcome::Failed:
        return failed(errorText);
    }
    if (boardKey_.isEmpty())
        return std::nullopt;
    switch (Bind(QStringLiteral("azelmon-board ") + boardKey_, boardFd_, errorText)) {
    case Outcome::Held:
        return std::nullopt;
    case Outcome::Busy:
        return QStringLiteral(
                   "ボード（%1）は他の azelmon が使用中です。そちらを終了してから起動してください。")
            .arg(boardKey_);
    case Outcome::Failed:
        return failed(errorText);
    }
    return std::nullopt;
}
