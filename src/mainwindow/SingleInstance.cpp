#include "mainwindow/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::SingleInstance(QString name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0)
        ::close(fd_); // releases the lock
}

QString SingleInstance::DefaultName() {
    const QByteArray custom = qgetenv("AZELMON_INSTANCE_NAME");
    if (!custom.isEmpty())
        return QString::fromLocal8Bit(custom);
    return QStringLiteral("azelmon-%1").arg(getuid());
}

QString SingleInstance::LockPath(const QString& name) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QString file = name;
    file.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(folder).filePath(file + QStringLiteral(".lock"));
}

bool SingleInstance::AnotherCopyRunning() {
    if (fd_ >= 0)
        return false;
    const QByteArray path = QFile::encodeName(LockPath(name_));
    // Close-on-exec: a browser or help viewer started from here must not carry the lock on.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        qWarning("azelmon: cannot open the instance lock %s (%s); a second copy will not be noticed",
                 path.constData(), std::strerror(errno));
        return false;
    }
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return true;
        qWarning("azelmon: cannot lock %s (%s); a second copy will not be noticed", path.constData(),
                 std::strerror(error));
        return false;
    }
    fd_ = fd;
    return false;
}
