#pragma once

#include "TestCertificate.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslServer>
#include <QString>

namespace velkor::testing {

// One answer of the loopback server.
struct Route {
    int status = 200;
    QByteArray body;
    // When set, the body is streamed from this file in small pieces (large images).
    QString bodyFile;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Accept the request and never answer, to prove the client gives up.
    bool stall = false;
    // When above zero, the body from memory goes out one byte per this many milliseconds.
    int trickleMilliseconds = 0;
};

// A minimal HTTPS/1.1 server on 127.0.0.1 for tests and benchmarks: one request per connection,
// answers by path, bodies from memory or streamed from disk so that the server itself stays
// small whatever it serves.
class LoopbackHttpsServer : public QObject {
public:
    explicit LoopbackHttpsServer(const TestCertificate& certificate);

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // https://<host>:<port><path>
    QString url(const QString& path, const QString& host = "127.0.0.1") const;

    void setRoute(const QString& path, Route route) { m_routes.insert(path, std::move(route)); }
    int requestCount(const QString& path) const { return m_requests.value(path); }

private:
    void accept();
    void serve(class QSslSocket* socket, const QString& path);

    QSslServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QString, int> m_requests;
};

} // namespace velkor::testing
