#pragma once

#include <QString>

// Refuses a second running copy with a lock only one process can hold: flock() on a file in
// $XDG_RUNTIME_DIR (Qt's per-user runtime folder when that is unset). The kernel releases the lock when
// its holder ends in any way, SIGKILL and crashes included, so a copy that died never blocks the next
// start, and two copies starting at the same moment cannot both win. The file itself is never removed
// (removing it would let a later copy lock a new file while an older one still holds the old).
class SingleInstance {
  public:
    explicit SingleInstance(QString name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another live copy holds the lock; otherwise this copy holds it from now on. When the
    // lock file cannot be opened at all the check is skipped with a warning (false).
    bool AnotherCopyRunning();

    // The name used unless AZELMON_INSTANCE_NAME sets another (tests run copies side by side).
    static QString DefaultName();
    // The lock file of a name.
    static QString LockPath(const QString& name);

  private:
    QString name_;
    int fd_ = -1;
};
