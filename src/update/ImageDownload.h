#pragma once

#include <QFileDevice>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velkor {

// How a streamed download ended. Only `completed` leaves a whole body in the file.
struct ImageDownloadOutcome {
    enum class Kind {
        completed,       // the server's whole body is in the file
        refusedResponse, // a status outside 200-299, or a redirect the caller did not allow
        exceededLimit,   // the body grew past the limit; `received` holds what had arrived
        failed,          // transport or file failure; `error` describes it
    };
    Kind kind = Kind::failed;
    std::int64_t received = 0;
    QUrl finalURL;
    QString error;
};

// Streams the body of `request` into `file` piece by piece (never more than a small buffer in
// memory), stopping as soon as more than `limit` bytes arrive. Every redirect is put to
// `allowRedirect` before it is followed. Gives up after `idle` without progress.
QCoro::Task<ImageDownloadOutcome> downloadToFile(QNetworkAccessManager& network,
                                                 QNetworkRequest request, QFileDevice& file,
                                                 std::int64_t limit,
                                                 std::function<bool(const QUrl&)> allowRedirect,
                                                 std::chrono::milliseconds idle);

} // namespace velkor
