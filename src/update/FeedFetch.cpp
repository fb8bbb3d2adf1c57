#include "FeedFetch.h"

#include "TransferWatchdog.h"

#include <QNetworkReply>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

namespace velkor {

QCoro::Task<FeedResponse> fetchFeed(QNetworkAccessManager& network, QNetworkRequest request,
                                    qint64 maxBytes, std::chrono::milliseconds idle) {
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        network.get(request), [](QNetworkReply* r) { r->deleteLater(); });
    const auto* watchdog = new TransferWatchdog(reply.get(), idle, idle);
    QByteArray body;
    bool tooLarge = false;
    QNetworkReply* const raw = reply.get();
    // Reads as the body arrives so that an oversized feed is dropped at its first excess byte,
    // and refuses at once when the announced length is already too large.
    const auto refuse = [&] {
        tooLarge = true;
        raw->abort();
    };
    QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [&] {
        if (raw->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes) {
            refuse();
        }
    });
    QObject::connect(raw, &QNetworkReply::readyRead, raw, [&] {
        if (tooLarge) {
            return;
        }
        body += raw->read(maxBytes + 1 - body.size());
        if (body.size() > maxBytes) {
            refuse();
        }
    });
    if (!raw->isFinished()) {
        QCoro::Task<bool> finishing = qCoro(raw).waitForFinished();
        co_await std::move(finishing);
    }
    raw->disconnect();

    FeedResponse response;
    if (tooLarge) {
        response.transportError =
            QStringLiteral("The update feed is larger than %1 bytes.").arg(maxBytes);
        co_return response;
    }
    if (watchdog->timedOut()) {
        response.transportError = QString::fromUtf8(timedOutText);
        co_return response;
    }
    // Qt numbers failures of the connection itself below 200; above lie answers the server gave,
    // which the caller judges by their status.
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || (raw->error() != QNetworkReply::NoError && raw->error() < 200)) {
        response.transportError = raw->errorString();
        co_return response;
    }
    response.status = status.toInt();
    body += raw->readAll().left(maxBytes + 1 - body.size());
    if (body.size() > maxBytes) {
        response.transportError =
            QStringLiteral("The update feed is larger than %1 bytes.").arg(maxBytes);
        co_return response;
    }
    response.body = std::move(body);
    co_return response;
}

} // namespace velkor
