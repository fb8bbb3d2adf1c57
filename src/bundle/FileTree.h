#pragma once

#include <filesystem>
#include <string_view>

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

// Gives a tree the modes of a fresh install: folders 0755, files 0755 when their owner may run
// them and 0644 otherwise; symbolic links are left alone. Copies of an attached image are
// read-only, and an installed program must stay manageable by its owner and the next update.
// Throws fileSystem naming the path.
void setOrdinaryModes(const std::filesystem::path& path);

// Replaces `file` with `contents` so that a reader sees either the whole new text or the old one
// untouched: a new file beside it is written in full, flushed to the disk, then renamed over
// `file`. Missing parent folders are created. Throws fileSystem with the system's reason (a full
// disk, a file-size limit, a folder in the way); `file` is then as it was and nothing is left
// beside it.
void writeFileAtomically(const std::filesystem::path& file, std::string_view contents);

} // namespace velkor::bundle
