#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QTimer>
#include <chrono>

namespace velkor {

// Aborts a reply that makes no progress for `idle` (connecting, waiting for the headers or between
// two pieces of the body), so that a silent or stalled server can never hang an update.
class TransferWatchdog : public QObject {
public:
    TransferWatchdog(QNetworkReply* reply, std::chrono::milliseconds idle) : QObject(reply) {
        m_timer.setSingleShot(true);
        m_timer.setInterval(idle);
        connect(&m_timer, &QTimer::timeout, this, [this, reply] {
            m_timedOut = true;
            reply->abort();
        });
        const auto restart = [this] { m_timer.start(); };
        connect(reply, &QNetworkReply::metaDataChanged, this, restart);
        connect(reply, &QNetworkReply::downloadProgress, this, restart);
        connect(reply, &QNetworkReply::redirected, this, restart);
        connect(reply, &QNetworkReply::finished, &m_timer, &QTimer::stop);
        m_timer.start();
    }

    bool timedOut() const { return m_timedOut; }

private:
    QTimer m_timer;
    bool m_timedOut = false;
};

// What users know from other programs when a server stops answering.
inline const char* const timedOutText = "The request timed out.";

} // namespace velkor
