#include "LogindSleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QUuid>

namespace velkor::platform {

namespace detail {

// The bus side of the inhibitor, living on its thread: one lock at most, held as a descriptor.
class InhibitorWorker : public QObject {
public:
    explicit InhibitorWorker(std::optional<QString> busAddress)
        : m_busAddress(std::move(busAddress)) {}

    ~InhibitorWorker() override {
        m_lock = QDBusUnixFileDescriptor();
        if (m_connectionName) {
            QDBusConnection::disconnectFromBus(*m_connectionName);
        }
    }

    void acquire() {
        if (m_lock.isValid()) {
            return;
        }
        const QDBusConnection bus = connection();
        if (!bus.isConnected()) {
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("idle:sleep") << QStringLiteral("Velkor")
             << QStringLiteral("Velkor: engine game in progress") << QStringLiteral("block");
        const QDBusMessage reply = bus.call(
            call, QDBus::Block, static_cast<int>(LogindSleepInhibitor::callTimeout.count()));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            return;
        }
        m_lock = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    }

    // Closing our copy of the descriptor ends the lock.
    void release() { m_lock = QDBusUnixFileDescriptor(); }

private:
    QDBusConnection connection() {
        if (!m_busAddress) {
            return QDBusConnection::systemBus();
        }
        if (!m_connectionName) {
            m_connectionName = QStringLiteral("velkor-inhibitor-") + QUuid::createUuid().toString();
            return QDBusConnection::connectToBus(*m_busAddress, *m_connectionName);
        }
        return QDBusConnection(*m_connectionName);
    }

    std::optional<QString> m_busAddress;
    std::optional<QString> m_connectionName;
    QDBusUnixFileDescriptor m_lock;
};

} // namespace detail

LogindSleepInhibitor::LogindSleepInhibitor(std::optional<QString> busAddress)
    : m_busAddress(std::move(busAddress)) {
    m_thread.setObjectName(QStringLiteral("org.brontil.sleep-inhibitor"));
}

LogindSleepInhibitor::~LogindSleepInhibitor() {
    if (m_worker) {
        m_thread.quit();
        m_thread.wait();
    }
}

void LogindSleepInhibitor::ensureThread() {
    if (m_worker) {
        return;
    }
    // Made only when first needed: a program that never plays an engine starts no thread.
    m_worker = new detail::InhibitorWorker(m_busAddress);
    m_worker->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

void LogindSleepInhibitor::acquire() {
    ensureThread();
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->acquire(); }, Qt::QueuedConnection);
}

void LogindSleepInhibitor::release() {
    if (!m_worker) {
        return;
    }
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { worker->release(); }, Qt::QueuedConnection);
}

} // namespace velkor::platform
