#include "bundle/MountBase.h"

#include "bundle/BundleError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor::bundle {

namespace fs = std::filesystem;

fs::path mountBase() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return fs::path(runtime) / "velkor-images";
    }
    return fs::path("/tmp") / ("velkor-images-" + std::to_string(::getuid()));
}

fs::path ensureMountBase() {
    const fs::path base = mountBase();
    if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not create " + base.string() + ": " + std::strerror(errno));
    }
    struct stat status {};
    if (::lstat(base.c_str(), &status) != 0) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not inspect " + base.string() + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        throwBundleError(BundleErrorCode::fileSystem,
                         base.string() + " is not a private folder of this user.");
    }
    return base;
}

namespace {

// Absolute, normalised, with links resolved for the part of the path that exists.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error) {
        result = fs::absolute(path, error).lexically_normal();
    }
    return result;
}

bool isStrictlyInside(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    if (relative.empty() || relative == ".") {
        return false;
    }
    return *relative.begin() != "..";
}

} // namespace

bool isInsideMountBase(const fs::path& path) {
    const fs::path base = mountBase();
    const fs::path absolute = fs::absolute(path).lexically_normal();
    return isStrictlyInside(absolute, base) || isStrictlyInside(resolved(path), resolved(base));
}

} // namespace velkor::bundle
