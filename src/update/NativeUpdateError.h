#pragma once

#include "base/DomainError.h"

#include <QString>
#include <cstdint>

namespace velkor {

// Why an update could not be downloaded, verified or handed to the updater. what() is the exact
// text the update window shows; code() is the case.
class NativeUpdateError : public DomainError {
public:
    enum class Case {
        incompatibleSystem = 1,
        sizeMismatch,
        invalidDiskImage,
        invalidApplication,
        installerPreparationFailed,
        invalidDownloadURL,
        missingVerificationMetadata,
        unexpectedResponse,
        checksumMismatch,
        appRunningFromDiskImage,
        missingDeveloperSignature,
        missingInstallerHelper,
    };

    static NativeUpdateError incompatibleSystem(const QString& minimum);
    static NativeUpdateError sizeMismatch(std::int64_t expected, std::int64_t actual);
    static NativeUpdateError invalidDiskImage(const QString& text);
    static NativeUpdateError invalidApplication(const QString& text);
    static NativeUpdateError installerPreparationFailed(const QString& text);
    static NativeUpdateError invalidDownloadURL();
    static NativeUpdateError missingVerificationMetadata();
    static NativeUpdateError unexpectedResponse();
    static NativeUpdateError checksumMismatch();
    static NativeUpdateError appRunningFromDiskImage();
    static NativeUpdateError missingDeveloperSignature();
    static NativeUpdateError missingInstallerHelper();

    Case errorCase() const { return static_cast<Case>(code()); }

private:
    NativeUpdateError(Case errorCase, const QString& description);
};

// A failure of the file system or of a process start, carried in the same error type so that
// every caller reports one kind of error; the message is the system's description.
[[noreturn]] void throwSystemError(const QString& description);

} // namespace velkor
