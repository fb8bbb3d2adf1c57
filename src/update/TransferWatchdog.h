#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

namespace velkor {

// Aborts a reply that makes no progress for `idle` (connecting, waiting for the headers or between
// two pieces of the body), and, when `total` is given, one that is not done by then, so that a
// silent server or one that trickles a byte at a time can never hang an update.
class TransferWatchdog : public QObject {
public:
    TransferWatchdog(QNetworkReply* reply, std::chrono::milliseconds idle,
                     std::optional<std::chrono::milliseconds> total = std::nullopt)
        : QObject(reply) {
        const auto expire = [this, reply] {
            m_timedOut = true;
            reply->abort();
        };
        m_idle.setSingleShot(true);
        m_idle.setInterval(idle);
        connect(&m_idle, &QTimer::timeout, this, expire);
        const auto restart = [this] { m_idle.start(); };
        connect(reply, &QNetworkReply::metaDataChanged, this, restart);
        connect(reply, &QNetworkReply::downloadProgress, this, restart);
        connect(reply, &QNetworkReply::redirected, this, restart);
        connect(reply, &QNetworkReply::finished, this, [this] {
            m_idle.stop();
            m_total.stop();
        });
        m_idle.start();
        if (total) {
            m_total.setSingleShot(true);
            connect(&m_total, &QTimer::timeout, this, expire);
            m_total.start(*total);
        }
    }

    bool timedOut() const { return m_timedOut; }

private:
    QTimer m_idle;
    QTimer m_total;
    bool m_timedOut = false;
};

// What users know from other programs when a server stops answering.
inline const char* const timedOutText = "The request timed out.";

} // namespace velkor
