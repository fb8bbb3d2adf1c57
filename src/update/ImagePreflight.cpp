#include "ImagePreflight.h"

#include "CurrentBundle.h"
#include "NativeUpdateError.h"
#include "bundle/ApplicationMetadata.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleError.h"
#include "bundle/BundleLayout.h"
#include "bundle/BundleSignature.h"

#include <optional>

namespace velkor {
namespace {

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

// The application's own wording of why a signature could not be used.
NativeUpdateError signatureProblem(const DomainError& error) {
    if (bundle::isBundleError(error, bundle::BundleErrorCode::signatureInvalid)) {
        return NativeUpdateError::invalidApplication("Code signature validation failed.");
    }
    if (bundle::isBundleError(error, bundle::BundleErrorCode::signingIdentityUnreadable)) {
        return NativeUpdateError::invalidApplication("Could not inspect the signing identity.");
    }
    return NativeUpdateError::invalidApplication("Could not read the code signature.");
}

QString reasonOr(const DomainError& error, const char* fallback) {
    const QString reason = QString::fromStdString(error.message()).trimmed();
    return reason.isEmpty() ? QString::fromUtf8(fallback) : reason;
}

// Detaches on every way out; the normal way out reports a failed detach, the others keep their
// own error.
class ImageMount {
public:
    explicit ImageMount(const QString& imagePath) {
        try {
            m_image = bundle::attachImage(fsPath(imagePath));
        } catch (const DomainError& error) {
            throw NativeUpdateError::invalidDiskImage(reasonOr(error, "Could not mount image."));
        }
    }
    ImageMount(const ImageMount&) = delete;
    ImageMount& operator=(const ImageMount&) = delete;
    ~ImageMount() {
        if (m_image) {
            try {
                bundle::detachImage(*m_image);
            } catch (const DomainError&) {
                // Already failing for a better reason.
            }
        }
    }

    const std::filesystem::path& mountPoint() const { return m_image->mountPoint; }

    void detach() {
        const bundle::MountedImage image = *m_image;
        m_image.reset();
        try {
            bundle::detachImage(image);
        } catch (const DomainError&) {
            throw NativeUpdateError::invalidDiskImage("Could not detach image.");
        }
    }

private:
    std::optional<bundle::MountedImage> m_image;
};

} // namespace

QString runningSigningTeam(const QString& runningBundlePath) {
    std::optional<std::string> team;
    try {
        team = bundle::signatureInfo(fsPath(runningBundlePath)).teamIdentifier;
    } catch (const DomainError&) {
        throw NativeUpdateError::missingDeveloperSignature();
    }
    if (!team || team->empty()) {
        throw NativeUpdateError::missingDeveloperSignature();
    }
    return QString::fromStdString(*team);
}

void preflightDiskImage(const QString& imagePath, const UpdateInfo& info,
                        const QString& runningBundlePath) {
    const QString team = runningSigningTeam(runningBundlePath);
    ImageMount mount(imagePath);

    QString identifier = runningApplication(runningBundlePath).bundleIdentifier;
    if (identifier.isEmpty()) {
        identifier = QString::fromUtf8(bundle::defaultBundleIdentifier);
    }
    std::optional<std::filesystem::path> candidate;
    try {
        candidate = bundle::findApplication(mount.mountPoint(), identifier.toStdString());
    } catch (const DomainError&) {
        throw NativeUpdateError::invalidDiskImage("Could not inspect the disk image.");
    }
    if (!candidate) {
        throw NativeUpdateError::invalidDiskImage("No matching Velkor app was found.");
    }

    std::optional<bundle::ApplicationMetadata> metadata;
    try {
        metadata = bundle::readApplicationMetadata(*candidate);
    } catch (const DomainError&) {
        // findApplication has just read it; a change in between is no match either.
    }
    if (!metadata || QString::fromStdString(metadata->version) != info.version || !info.build ||
        QString::fromStdString(metadata->build) != *info.build) {
        throw NativeUpdateError::invalidApplication("Version or build does not match the feed.");
    }

    bundle::SignatureInfo signature;
    try {
        signature = bundle::signatureInfo(*candidate);
    } catch (const DomainError& error) {
        throw signatureProblem(error);
    }
    if (signature.teamIdentifier.value_or(std::string()) != team.toStdString()) {
        throw NativeUpdateError::invalidApplication(
            "Developer ID identity does not match the installed app.");
    }
    mount.detach();
}

} // namespace velkor
