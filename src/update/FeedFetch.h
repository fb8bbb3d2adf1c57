#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QString>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

namespace velkor {

// The outcome of fetching a small document: either a transport failure with its description, or
// the HTTP status and the whole body.
struct FeedResponse {
    std::optional<QString> transportError;
    int status = 0;
    QByteArray body;
};

// Fetches `request` into memory, refusing a body larger than `maxBytes` (a transport error, without
// reading the rest) and giving up after `idle` without progress or when the whole document has
// not arrived within `idle` (a feed is a few hundred bytes: only a trickling server takes longer).
QCoro::Task<FeedResponse> fetchFeed(QNetworkAccessManager& network, QNetworkRequest request,
                                    qint64 maxBytes, std::chrono::milliseconds idle);

} // namespace velkor
