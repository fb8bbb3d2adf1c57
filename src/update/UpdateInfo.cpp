#include "UpdateInfo.h"

#include "base/DomainError.h"
#include "platform/JsonValues.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <algorithm>

namespace velkor {
namespace {

// The wording users already know from decoding failures of the feed.
const char* const missingText = "The data couldn't be read because it is missing.";
const char* const malformedText =
    "The data couldn't be read because it isn't in the correct format.";

[[noreturn]] void fail(const char* text) {
    throw DomainError("Velkor.UpdateFeed", 1, text);
}

QString requiredText(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (value.isUndefined() || value.isNull()) {
        fail(missingText);
    }
    if (!value.isString()) {
        fail(malformedText);
    }
    return value.toString();
}

// Absent and null both mean "not given"; any other type is a broken feed.
std::optional<QString> optionalText(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (value.isUndefined() || value.isNull()) {
        return std::nullopt;
    }
    if (!value.isString()) {
        fail(malformedText);
    }
    return value.toString();
}

std::optional<std::int64_t> optionalInteger(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (value.isUndefined() || value.isNull()) {
        return std::nullopt;
    }
    const auto number = platform::jsonInteger(value);
    if (!number) {
        fail(malformedText);
    }
    return number;
}

QUrl requiredURL(const QJsonObject& object, const char* key) {
    const QString text = requiredText(object, key);
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid()) {
        fail(malformedText);
    }
    return url;
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

UpdateInfo UpdateInfo::decode(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        fail(malformedText);
    }
    const QJsonObject object = document.object();
    UpdateInfo info;
    info.version = requiredText(object, "version");
    info.build = optionalText(object, "build");
    info.size = optionalInteger(object, "size");
    info.sha256 = optionalText(object, "sha256");
    info.downloadURL = requiredURL(object, "download_url");
    info.releaseNotes = optionalText(object, "release_notes");
    info.publishedAt = optionalText(object, "published_at");
    info.minimumMacOS = optionalText(object, "minimum_macos");
    return info;
}

QByteArray UpdateInfo::encode() const {
    QJsonObject object;
    object.insert("version", version);
    if (build) {
        object.insert("build", *build);
    }
    if (size) {
        object.insert("size", static_cast<qint64>(*size));
    }
    if (sha256) {
        object.insert("sha256", *sha256);
    }
    object.insert("download_url", downloadURL.toString(QUrl::FullyEncoded));
    if (releaseNotes) {
        object.insert("release_notes", *releaseNotes);
    }
    if (publishedAt) {
        object.insert("published_at", *publishedAt);
    }
    if (minimumMacOS) {
        object.insert("minimum_macos", *minimumMacOS);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

bool UpdateInfo::supportsAutomaticInstallation() const {
    return build && !build->isEmpty() && size && *size >= 1 && sha256 && sha256->size() == 64 &&
           std::all_of(sha256->cbegin(), sha256->cend(), isHexDigit);
}

} // namespace velkor
