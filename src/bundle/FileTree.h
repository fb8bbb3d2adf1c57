#pragma once

#include <filesystem>

namespace velkor::bundle {

// Recursive copy of a file, folder or symbolic link. `destination` must not exist; its parent
// must. Permission bits are kept (set-user-id and similar bits dropped), folders additionally get
// owner write permission so the copy can later be replaced or removed; symbolic links are copied
// as links with their target unchanged. Device files, pipes and sockets are refused. Throws
// fileSystem naming the path; a failed copy removes what it made.
void copyTree(const std::filesystem::path& source, const std::filesystem::path& destination);

// Removes a file or tree, first giving its folders owner write permission so read-only trees
// (attached images, copies of them) go too. Missing paths are fine. Throws fileSystem.
void removeTree(const std::filesystem::path& path);

} // namespace velkor::bundle
