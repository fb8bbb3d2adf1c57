#include "LoopbackHttpsServer.h"

#include <QFile>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <memory>

namespace velkor::testing {
namespace {

constexpr qint64 pieceBytes = 64 * 1024;
constexpr qint64 queuedLimit = 256 * 1024;

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

} // namespace

LoopbackHttpsServer::LoopbackHttpsServer(const TestCertificate& certificate) {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificate.certificate);
    tls.setPrivateKey(certificate.key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(tls);
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &LoopbackHttpsServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

QString LoopbackHttpsServer::url(const QString& path, const QString& host) const {
    return QStringLiteral("https://%1:%2%3").arg(host).arg(port()).arg(path);
}

void LoopbackHttpsServer::accept() {
    while (m_server.hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(m_server.nextPendingConnection());
        if (!socket) {
            continue;
        }
        socket->setParent(this);
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QSslSocket::readyRead, socket, [this, socket, request] {
            if (request->endsWith("\r\n\r\n")) {
                return; // already answered; one request per connection
            }
            *request += socket->readAll();
            const qsizetype end = request->indexOf("\r\n\r\n");
            if (end < 0) {
                return;
            }
            request->truncate(end + 4);
            const QList<QByteArray> requestLine =
                request->left(request->indexOf("\r\n")).split(' ');
            serve(socket, requestLine.size() > 1 ? QString::fromUtf8(requestLine[1]) : QString());
        });
    }
}

void LoopbackHttpsServer::serve(QSslSocket* socket, const QString& path) {
    m_requests[path] += 1;
    const Route route = m_routes.value(path, Route{404, "not here", {}, {}, false});
    if (route.stall) {
        return;
    }
    std::shared_ptr<QFile> file;
    qint64 length = route.body.size();
    if (!route.bodyFile.isEmpty()) {
        file = std::make_shared<QFile>(route.bodyFile);
        if (!file->open(QIODevice::ReadOnly)) {
            socket->abort();
            return;
        }
        length = file->size();
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + ' ' + reason(route.status) +
                      "\r\nContent-Length: " + QByteArray::number(length) +
                      "\r\nConnection: close\r\n";
    for (const auto& [name, value] : route.headers) {
        head += name + ": " + value + "\r\n";
    }
    socket->write(head + "\r\n");
    if (!file && route.trickleMilliseconds > 0) {
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body = route.body] {
            if (*sent == body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        timer->start(route.trickleMilliseconds);
        return;
    }
    if (!file) {
        socket->write(route.body);
        socket->disconnectFromHost();
        return;
    }
    // Streams the file as the peer takes it, never queueing more than a few pieces.
    const auto pump = [socket, file] {
        while (socket->bytesToWrite() + socket->encryptedBytesToWrite() < queuedLimit) {
            const QByteArray piece = file->read(pieceBytes);
            if (piece.isEmpty()) {
                socket->disconnect(socket, &QSslSocket::encryptedBytesWritten, nullptr, nullptr);
                socket->disconnectFromHost();
                return;
            }
            socket->write(piece);
        }
    };
    connect(socket, &QSslSocket::encryptedBytesWritten, socket, pump);
    pump();
}

} // namespace velkor::testing
