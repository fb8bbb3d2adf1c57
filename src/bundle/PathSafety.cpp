#include "bundle/PathSafety.h"

namespace velkor::bundle::detail {

namespace fs = std::filesystem;

namespace {

bool isInside(const fs::path& path, const fs::path& root) {
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && (relative == "." || *relative.begin() != "..");
}

} // namespace

bool isPlainRelativePath(const fs::path& relative) {
    if (relative.empty() || relative.is_absolute() || relative.has_root_name() ||
        relative.has_root_directory()) {
        return false;
    }
    for (const auto& part : relative) {
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
    }
    return true;
}

bool linkStaysInside(const fs::path& root, const fs::path& linkRelative, const fs::path& target) {
    if (target.empty() || target.is_absolute()) {
        return false;
    }
    const fs::path lexical = (linkRelative.parent_path() / target).lexically_normal();
    if (!lexical.empty() && *lexical.begin() == "..") {
        return false;
    }
    std::error_code error;
    const fs::path realRoot = fs::canonical(root, error);
    if (error) {
        return false;
    }
    const fs::path real = fs::weakly_canonical(root / linkRelative, error);
    return !error && isInside(real, realRoot);
}

} // namespace velkor::bundle::detail
