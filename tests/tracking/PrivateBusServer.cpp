// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBusServer.h"

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace {
int connectionCount = 0;

// A test killed by its time-out must not leave a bus daemon or a server behind.
void DieWithParent(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}
} // namespace

PrivateBus::PrivateBus() {
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    DieWithParent(daemon_);
    daemon_.setArguments(
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    daemon_.start();
    if (!daemon_.waitForStarted(5000))
        return;
    QDeadlineTimer deadline(5000);
    while (!daemon_.canReadLine() && !deadline.hasExpired())
        daemon_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    if (!daemon_.canReadLine())
        return;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    connectionName_ = QStringLiteral("private-bus-%1").arg(++connectionCount);
    if (!QDBusConnection::connectToBus(address_, connectionName_).isConnected())
        address_.clear();
}

PrivateBus::~PrivateBus() {
    if (!connectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::connection() const {
    return QDBusConnection(connectionName_);
}

bool PrivateBus::WaitUntilGone(const QString& name, int timeoutMs) const {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << name;
    // The daemon drops the name as soon as it sees the socket close; this only bridges that moment.
    for (QDeadlineTimer deadline(timeoutMs);; QThread::msleep(20)) {
        const QDBusMessage reply = connection().call(ask, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
            !reply.arguments().constFirst().toBool())
            return true;
        if (deadline.hasExpired())
            return false;
    }
}

TrackServerProcess::~TrackServerProcess() {
    Kill();
}

bool TrackServerProcess::Start(const PrivateBus& bus, const QStringList& arguments) {
    Kill();
    errors_.clear();
    bus_ = &bus;
    service_ = arguments.contains(QStringLiteral("calsat")) ? QStringLiteral("dde.Calsat32")
                                                            : QStringLiteral("dde.ORBI");
    process_ = std::make_unique<QProcess>();
    process_->setProgram(QStringLiteral(TRACKSERVER_PATH));
    process_->setArguments(QStringList{QStringLiteral("--bus"), bus.address(), QStringLiteral("--quit-after"),
                                       QStringLiteral("60")} +
                           arguments);
    process_->setReadChannel(QProcess::StandardError);
    DieWithParent(*process_);
    process_->start();
    // The server announces itself on stderr once its name is taken.
    QDeadlineTimer deadline(5000);
    while (!errors_.contains(QStringLiteral("serving")) &&
           process_->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
        errors_ += QString::fromUtf8(process_->readAllStandardError());
    errors_ += QString::fromUtf8(process_->readAllStandardError()) + process_->errorString();
    return errors_.contains(QStringLiteral("serving"));
}

void TrackServerProcess::Kill() {
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
        // The next server can take the name only once the bus has let go of it.
        bus_->WaitUntilGone(service_);
    }
    process_.reset();
}

void TrackServerProcess::Freeze() {
    if (process_ && process_->state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process_->processId()), SIGSTOP);
}

void TrackServerProcess::Thaw() {
    if (process_ && process_->state() == QProcess::Running)
        ::kill(static_cast<pid_t>(process_->processId()), SIGCONT);
}
