// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// A private D-Bus daemon for one test suite, so the tests never touch the user's session bus.
class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool ok() const { return !address_.isEmpty(); }
    const QString& address() const { return address_; }
    QDBusConnection connection() const;
    // Waits (bounded) until the name has no owner; true when it is gone.
    bool WaitUntilGone(const QString& name, int timeoutMs = 5000) const;

  private:
    QProcess daemon_;
    QString address_;
    QString connectionName_;
};

// src/tracker on a private bus. Start returns once the server holds its name (at most 5 s);
// Kill returns once the bus has dropped it.
class TrackServerProcess {
  public:
    ~TrackServerProcess();
    bool Start(const PrivateBus& bus, const QStringList& arguments);
    void Kill();
    // Stops the server without closing its connection: it is there but does not answer.
    void Freeze();
    // Lets a frozen server go on; it then answers what was asked meanwhile.
    void Thaw();
    QString errors() const { return errors_; }

  private:
    std::unique_ptr<QProcess> process_;
    const PrivateBus* bus_ = nullptr;
    QString service_;
    QString errors_;
};

// A test suite with a private bus of its own, started once for the whole suite.
template <typename Suite> class PrivateBusSuite : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { bus = new PrivateBus; }
    static void TearDownTestSuite() {
        delete bus;
        bus = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(bus->ok()) << "dbus-daemon did not start"; }

    static inline PrivateBus* bus = nullptr;
};
