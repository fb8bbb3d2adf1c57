#include "ImageDownload.h"

#include "TransferWatchdog.h"

#include <QNetworkReply>
#include <array>
#include <memory>
#include <qcoro/qcoronetworkreply.h>

namespace velkor {
namespace {

// The network layer's own buffer is capped at this size; together with the copy buffer below it is
// all the memory a download of any size uses.
constexpr qint64 networkBufferBytes = 1 << 20;
constexpr qint64 copyBufferBytes = 256 * 1024;

} // namespace

QCoro::Task<ImageDownloadOutcome> downloadToFile(QNetworkAccessManager& network,
                                                 QNetworkRequest request, QFileDevice& file,
                                                 std::int64_t limit,
                                                 std::function<bool(const QUrl&)> allowRedirect,
                                                 std::chrono::milliseconds idle) {
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        network.get(request), [](QNetworkReply* r) { r->deleteLater(); });
    QNetworkReply* const raw = reply.get();
    raw->setReadBufferSize(networkBufferBytes);
    const auto* watchdog = new TransferWatchdog(raw, idle);

    ImageDownloadOutcome outcome;
    std::optional<ImageDownloadOutcome::Kind> stopped;
    const auto stop = [&](ImageDownloadOutcome::Kind kind, QString error = {}) {
        if (!stopped) {
            stopped = kind;
            outcome.error = std::move(error);
            raw->abort();
        }
    };
    QObject::connect(raw, &QNetworkReply::redirected, raw, [&](const QUrl& target) {
        if (allowRedirect(target)) {
            emit raw->redirectAllowed();
        } else {
            outcome.finalURL = target;
            stop(ImageDownloadOutcome::Kind::refusedResponse);
        }
    });
    // An error page is not worth writing to disk: judge the status as soon as the headers arrive.
    QObject::connect(raw, &QNetworkReply::metaDataChanged, raw, [&] {
        const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299) &&
            raw->attribute(QNetworkRequest::RedirectionTargetAttribute).isNull()) {
            stop(ImageDownloadOutcome::Kind::refusedResponse);
        }
    });
    std::unique_ptr<std::array<char, copyBufferBytes>> buffer =
        std::make_unique<std::array<char, copyBufferBytes>>();
    const auto drain = [&] {
        while (!stopped && raw->bytesAvailable() > 0) {
            // One byte beyond the limit is enough to know the body is too long.
            const qint64 wanted = std::min<qint64>(copyBufferBytes, limit + 1 - outcome.received);
            const qint64 got = raw->read(buffer->data(), wanted);
            if (got <= 0) {
                break;
            }
            outcome.received += got;
            if (outcome.received > limit) {
                stop(ImageDownloadOutcome::Kind::exceededLimit);
                break;
            }
            if (file.write(buffer->data(), got) != got) {
                stop(ImageDownloadOutcome::Kind::failed,
                     QStringLiteral("Could not write the update: ") + file.errorString());
            }
        }
    };
    QObject::connect(raw, &QNetworkReply::readyRead, raw, drain);
    if (!raw->isFinished()) {
        QCoro::Task<bool> finishing = qCoro(raw).waitForFinished();
        co_await std::move(finishing);
    }
    raw->disconnect();
    drain();

    if (!outcome.finalURL.isValid()) {
        outcome.finalURL = raw->url();
    }
    if (stopped) {
        outcome.kind = *stopped;
        co_return outcome;
    }
    if (watchdog->timedOut()) {
        outcome.kind = ImageDownloadOutcome::Kind::failed;
        outcome.error = QString::fromUtf8(timedOutText);
        co_return outcome;
    }
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (raw->error() != QNetworkReply::NoError && (!status.isValid() || raw->error() < 200)) {
        outcome.kind = ImageDownloadOutcome::Kind::failed;
        outcome.error = raw->errorString();
        co_return outcome;
    }
    if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299) {
        outcome.kind = ImageDownloadOutcome::Kind::refusedResponse;
        co_return outcome;
    }
    if (!file.flush()) {
        outcome.kind = ImageDownloadOutcome::Kind::failed;
        outcome.error = QStringLiteral("Could not write the update: ") + file.errorString();
        co_return outcome;
    }
    outcome.kind = ImageDownloadOutcome::Kind::completed;
    co_return outcome;
}

} // namespace velkor
