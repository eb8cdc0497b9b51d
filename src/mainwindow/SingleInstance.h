#pragma once

#include <QString>
#include <memory>

class QLocalServer;

// Refuses a second running copy. The first copy listens on a local socket named after the user;
// a copy that crashed leaves only a dead socket, which the next start removes, so nothing stale
// can block a start.
class SingleInstance {
  public:
    explicit SingleInstance(QString name);
    ~SingleInstance();

    // True when another live copy answers; otherwise this copy claims the name.
    bool AnotherCopyRunning();

    // The name used unless AZELMON_INSTANCE_NAME sets another (tests run copies side by side).
    static QString DefaultName();

  private:
    QString name_;
    std::unique_ptr<QLocalServer> server_;
};
