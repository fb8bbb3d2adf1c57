#pragma once

#include <filesystem>

namespace velkor::bundle {

// The folder that holds attached images: $XDG_RUNTIME_DIR/velkor-images when XDG_RUNTIME_DIR is
// an absolute path, else /tmp/velkor-images-<uid>. Only computes the path.
std::filesystem::path mountBase();

// mountBase(), created with mode 0700 when missing. Throws fileSystem when it cannot be created,
// or when what is there is a link, not a folder, not ours, or open to other users (another user
// must not be able to plant or swap unpacked images).
std::filesystem::path ensureMountBase();

// True when `path` lies inside the mount base: the application then runs from an attached image
// and must not update itself. The path is made absolute and normalised; symbolic links in it are
// resolved as far as it exists, so a link to the mount base does not hide it.
bool isInsideMountBase(const std::filesystem::path& path);

} // namespace velkor::bundle
