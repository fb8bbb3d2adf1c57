#include "NativeUpdateError.h"

namespace velkor {

NativeUpdateError::NativeUpdateError(Case errorCase, const QString& description)
    : DomainError("Velkor.NativeUpdateError", static_cast<int>(errorCase),
                  description.toStdString()) {}

NativeUpdateError NativeUpdateError::incompatibleSystem(const QString& minimum) {
    return {Case::incompatibleSystem,
            QStringLiteral("This update requires macOS %1 or later.").arg(minimum)};
}

NativeUpdateError NativeUpdateError::sizeMismatch(std::int64_t expected, std::int64_t actual) {
    return {Case::sizeMismatch,
            QStringLiteral("The update has the wrong size (expected %1, received %2 bytes).")
                .arg(expected)
                .arg(actual)};
}

NativeUpdateError NativeUpdateError::invalidDiskImage(const QString& text) {
    return {Case::invalidDiskImage,
            QStringLiteral("The downloaded disk image is invalid: ") + text};
}

NativeUpdateError NativeUpdateError::invalidApplication(const QString& text) {
    return {Case::invalidApplication,
            QStringLiteral("The downloaded application is invalid: ") + text};
}

NativeUpdateError NativeUpdateError::installerPreparationFailed(const QString& text) {
    return {Case::installerPreparationFailed,
            QStringLiteral("Could not prepare the updater: ") + text};
}

NativeUpdateError NativeUpdateError::invalidDownloadURL() {
    return {Case::invalidDownloadURL,
            QStringLiteral("The update URL must use HTTPS and the same host as the update feed.")};
}

NativeUpdateError NativeUpdateError::missingVerificationMetadata() {
    return {Case::missingVerificationMetadata,
            QStringLiteral("The update feed has no valid size and SHA-256 checksum.")};
}

NativeUpdateError NativeUpdateError::unexpectedResponse() {
    return {Case::unexpectedResponse,
            QStringLiteral("The update server returned an unexpected response.")};
}

NativeUpdateError NativeUpdateError::checksumMismatch() {
    return {Case::checksumMismatch,
            QStringLiteral("The downloaded update failed SHA-256 verification.")};
}

NativeUpdateError NativeUpdateError::appRunningFromDiskImage() {
    return {Case::appRunningFromDiskImage,
            QStringLiteral("Move Velkor to Applications before updating it.")};
}

NativeUpdateError NativeUpdateError::missingDeveloperSignature() {
    return {Case::missingDeveloperSignature,
            QStringLiteral("Automatic updates require a Developer ID signed application.")};
}

NativeUpdateError NativeUpdateError::missingInstallerHelper() {
    return {Case::missingInstallerHelper, QStringLiteral("The Velkor updater helper is missing.")};
}

void throwSystemError(const QString& description) {
    throw DomainError("Velkor.System", 1, description.toStdString());
}

} // namespace velkor
