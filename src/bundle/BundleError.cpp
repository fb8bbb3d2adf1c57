#include "bundle/BundleError.h"

namespace velkor::bundle {

void throwBundleError(BundleErrorCode code, const std::string& message) {
    throw DomainError(bundleErrorDomain, static_cast<int>(code), message);
}

bool isBundleError(const DomainError& error, BundleErrorCode code) {
    return error.domain() == bundleErrorDomain && error.code() == static_cast<int>(code);
}

} // namespace velkor::bundle
