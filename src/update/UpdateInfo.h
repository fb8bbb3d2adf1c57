#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

namespace velkor {

// One document of the update feed. Everything in it comes from the network and is untrusted
// until the download it names has been verified against it.
struct UpdateInfo {
    QString version;
    std::optional<QString> build;
    std::optional<std::int64_t> size;
    std::optional<QString> sha256;
    QUrl downloadURL;
    std::optional<QString> releaseNotes;
    std::optional<QString> publishedAt;
    std::optional<QString> minimumMacOS;

    // Reads a feed body. A missing or mistyped required key, a mistyped optional key or a body
    // that is not a JSON object throws velkor::DomainError (domain "Velkor.UpdateFeed") whose
    // message is the text shown after "Update check failed: ". Unknown keys are ignored.
    static UpdateInfo decode(const QByteArray& json);

    // The same keys back as compact JSON; absent optional fields are left out.
    QByteArray encode() const;

    // Only an entry that names its build and pins the image's size and digest can be installed
    // without the user's help: those three are what the download is checked against.
    bool supportsAutomaticInstallation() const;

    friend bool operator==(const UpdateInfo&, const UpdateInfo&) = default;
};

} // namespace velkor
