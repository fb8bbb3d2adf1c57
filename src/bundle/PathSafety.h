#pragma once

#include <filesystem>

// Checks shared by the signature and the archive reader; internal to the bundle library.
namespace velkor::bundle::detail {

// True when `relative` is a relative path whose components are neither empty, "." nor "..".
bool isPlainRelativePath(const std::filesystem::path& relative);

// True when the symbolic link at `root`/`linkRelative`, whose text is `target`, resolves to a
// place inside `root`: the target is relative, stays inside when read lexically, and stays inside
// when every link on the way is really followed (a link to "." followed by ".." would not).
bool linkStaysInside(const std::filesystem::path& root, const std::filesystem::path& linkRelative,
                     const std::filesystem::path& target);

} // namespace velkor::bundle::detail
