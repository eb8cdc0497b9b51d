#include "mainwindow/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

SingleInstance::SingleInstance(QString name) : name_(std::move(name)) {}
SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultName() {
    const QByteArray custom = qgetenv("AZELMON_INSTANCE_NAME");
    if (!custom.isEmpty())
        return QString::fromLocal8Bit(custom);
    return QStringLiteral("azelmon-%1").arg(getuid());
}

bool SingleInstance::AnotherCopyRunning() {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(500)) {
        probe.disconnectFromServer();
        return true;
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Nobody answered, so what is there is left over from a copy that died.
        QLocalServer::removeServer(name_);
        server_->listen(name_);
    }
    return false;
}
