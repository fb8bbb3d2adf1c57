#include "InstallerError.h"

#include "bundle/BundleError.h"

namespace velkor::updater {

DomainError installerError(InstallerErrorCode code, const std::string& payload) {
    std::string description;
    switch (code) {
    case InstallerErrorCode::invalidDiskImage:
        description = "The update disk image is invalid: " + payload;
        break;
    case InstallerErrorCode::invalidApplication:
        description = "The update application is invalid: " + payload;
        break;
    case InstallerErrorCode::installationFailed:
        description = "The application could not be replaced: " + payload;
        break;
    case InstallerErrorCode::invalidArguments:
        description = "The updater received invalid arguments.";
        break;
    case InstallerErrorCode::parentStillRunning:
        description = "Velkor did not terminate in time.";
        break;
    case InstallerErrorCode::checksumMismatch:
        description = "The update no longer matches its verified SHA-256 checksum.";
        break;
    }
    return DomainError(installerErrorDomain, static_cast<int>(code), description);
}

DomainError asInstallerError(const DomainError& error) {
    using bundle::BundleErrorCode;
    using bundle::isBundleError;
    if (isBundleError(error, BundleErrorCode::invalidMetadata) ||
        isBundleError(error, BundleErrorCode::signatureUnreadable) ||
        isBundleError(error, BundleErrorCode::signatureInvalid) ||
        isBundleError(error, BundleErrorCode::signingIdentityUnreadable)) {
        return installerError(InstallerErrorCode::invalidApplication, error.message());
    }
    if (isBundleError(error, BundleErrorCode::invalidImage)) {
        return installerError(InstallerErrorCode::invalidDiskImage, error.message());
    }
    return error;
}

} // namespace velkor::updater
