#include "QtTestSupport.h"
#include "RecordingSleepBackend.h"
#include "platform/LogindSleepInhibitor.h"
#include "platform/SleepGuard.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace velkor::platform {
namespace {

using namespace std::chrono_literals;
using velkor::testing::waitUntil;

TEST(SleepGuard, AsksItsBackendOnlyOnAChangeAndReleasesWhenDestroyed) {
    velkor::testing::SleepLog calls;
    {
        SleepGuard guard(std::make_unique<velkor::testing::RecordingSleepBackend>(calls));
        guard.setKeepAwake(false);
        guard.setKeepAwake(true);
        guard.setKeepAwake(true);
        EXPECT_TRUE(guard.isHeld());
        EXPECT_EQ(calls.acquired, 1);
        guard.setKeepAwake(false);
        guard.setKeepAwake(false);
        EXPECT_EQ(calls.released, 1);
        guard.setKeepAwake(true);
    }
    EXPECT_EQ(calls.acquired, 2);
    EXPECT_EQ(calls.released, 2);
}

// A stand-in for logind on a private bus: it hands out the write end of a pipe as the lock, so
// the test sees the lock given back as the end of the pipe.
class FakeLogin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~FakeLogin() override {
        if (readEnd >= 0) {
            ::close(readEnd);
        }
    }

    // Whether every copy of the handed-out descriptor is closed.
    bool lockReleased() const {
        pollfd entry{readEnd, POLLIN, 0};
        char byte = 0;
        return ::poll(&entry, 1, 0) == 1 && ::read(readEnd, &byte, 1) == 0;
    }

    QStringList arguments;
    int calls = 0;
    int readEnd = -1;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        ++calls;
        arguments = {what, who, why, mode};
        int ends[2] = {-1, -1};
        if (::pipe(ends) != 0) {
            return {};
        }
        readEnd = ends[0];
        QDBusUnixFileDescriptor lock(ends[1]);
        ::close(ends[1]);
        return lock;
    }
};

// A message bus of the test's own, so that nothing touches the machine's system bus.
class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return;
        }
        const QString socket = m_dir.filePath(QStringLiteral("bus"));
        QFile config(m_dir.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(
            ("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration "
             "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
             "<busconfig><type>session</type><listen>unix:path=" +
             socket +
             "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
             "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
             "<allow own=\"*\"/></policy></busconfig>")
                .toUtf8());
        config.close();
        // The daemon prints its address once it accepts connections.
        m_daemon.start(daemon,
                       {"--nofork", "--print-address", "--config-file=" + config.fileName()});
        if (waitUntil([&] { return m_daemon.canReadLine(); }, 5s)) {
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-login"));
        m_daemon.terminate();
        m_daemon.waitForFinished(2000);
    }

    std::optional<QString> address;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

TEST(LogindSleepInhibitor, HoldsTheInhibitorLockUntilReleased) {
    PrivateBus bus;
    if (!bus.address) {
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/install-deps.sh installs it)";
    }
    FakeLogin login;
    QDBusConnection service =
        QDBusConnection::connectToBus(*bus.address, QStringLiteral("fake-login"));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &login,
                                       QDBusConnection::ExportAllSlots));

    {
        LogindSleepInhibitor inhibitor(*bus.address);
        inhibitor.acquire();
        inhibitor.acquire(); // already held: no second lock
        ASSERT_TRUE(waitUntil([&] { return login.calls == 1; }, 5s));
        EXPECT_EQ(login.arguments, (QStringList{"idle:sleep", "Velkor",
                                                "Velkor: engine game in progress", "block"}));
        velkor::testing::processEventsFor(50ms);
        EXPECT_EQ(login.calls, 1);
        EXPECT_FALSE(login.lockReleased());

        inhibitor.release();
        EXPECT_TRUE(waitUntil([&] { return login.lockReleased(); }, 5s));

        inhibitor.acquire();
        ASSERT_TRUE(waitUntil([&] { return login.calls == 2; }, 5s));
        velkor::testing::processEventsFor(50ms);
        EXPECT_FALSE(login.lockReleased());
    }
    EXPECT_TRUE(login.lockReleased()) << "the inhibitor gives its lock back when it goes";
}

TEST(LogindSleepInhibitor, DoesNothingWithoutABus) {
    QElapsedTimer timer;
    timer.start();
    {
        LogindSleepInhibitor inhibitor(QStringLiteral("unix:path=/nonexistent/velkor-bus"));
        inhibitor.acquire();
        inhibitor.release();
        inhibitor.acquire();
    }
    EXPECT_LT(timer.elapsed(), 2000);
}

} // namespace
} // namespace velkor::platform

#include "SleepGuardTests.moc"
