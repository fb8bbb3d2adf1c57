#pragma once

#include "base/DomainError.h"

#include <string>

namespace velkor::bundle {

// Every failure of the bundle library is a velkor::DomainError in this domain. The code says what
// kind of failure it is, so that the updater and the application can each wrap it in their own
// user-facing wording; the message is the reason itself, complete enough to be shown on its own.
inline constexpr const char* bundleErrorDomain = "Velkor.Bundle";

enum class BundleErrorCode : int {
    fileSystem = 1,          // reading, writing, copying or removing failed: the system's words
    invalidPropertyList = 2, // Info.plist is not a property list
    invalidMetadata = 3,     // "Info.plist has invalid metadata."
    signatureUnreadable = 4, // no manifest, or one that is not ours
    signatureInvalid = 5,    // the manifest does not vouch for what is on disk
    signingIdentityUnreadable = 6,
    invalidImage = 7,  // the archive image is unreadable or was refused
    invalidKey = 8,    // a signing key that cannot be read, written or used
    processFailed = 9, // a child process could not be started
};

[[noreturn]] void throwBundleError(BundleErrorCode code, const std::string& message);

// True when the error comes from this library and has the given code.
bool isBundleError(const DomainError& error, BundleErrorCode code);

} // namespace velkor::bundle
