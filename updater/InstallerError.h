#pragma once

#include "base/DomainError.h"

#include <string>

namespace velkor::updater {

// The updater's own failures. The message of each DomainError is the full description that the
// status file and the standard-error line show. Failures from the system or the bundle library
// that are not wrapped keep their own domain and message.
inline constexpr const char* installerErrorDomain = "BrontilTrashUpdater";

enum class InstallerErrorCode : int {
    invalidDiskImage = 1,
    invalidApplication = 2,
    installationFailed = 3,
    invalidArguments = 4,
    parentStillRunning = 5,
    checksumMismatch = 6,
};

DomainError installerError(InstallerErrorCode code, const std::string& payload = {});

// Bundle-library failures in the updater's words: metadata and signature failures become
// invalidApplication, refused images invalidDiskImage; everything else is kept as it is.
DomainError asInstallerError(const DomainError& error);

} // namespace velkor::updater
