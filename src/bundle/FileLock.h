#pragma once

#include <filesystem>
#include <optional>

namespace velkor::bundle {

// An exclusive advisory lock (flock) on a file or a folder, held for the life of the object and
// by nobody else: a second process asking for it is told at once instead of waiting. The kernel
// drops the lock when its holder dies, however it dies, so a killed holder never blocks the
// next one. Descriptors are close-on-exec: programs we start do not inherit the lock.
class ExclusiveLock {
public:
    // Locks the file `path`, creating it (mode 0600) when missing. None when another process
    // holds it, or when it was removed or replaced while we waited for it (its holder was
    // finishing). Throws fileSystem when it cannot be opened or created.
    static std::optional<ExclusiveLock> tryLockFile(const std::filesystem::path& path);

    // Locks the folder itself; nothing is created. None when another process holds it. Throws
    // fileSystem when the folder cannot be opened.
    static std::optional<ExclusiveLock> tryLockFolder(const std::filesystem::path& folder);

    ExclusiveLock(ExclusiveLock&& other) noexcept;
    ExclusiveLock& operator=(ExclusiveLock&& other) noexcept;
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    ~ExclusiveLock();

    // Removes the lock file while still holding the lock (errors ignored); whoever opened it in
    // the meantime sees it gone once it gets the lock, and gives way.
    void removeFile();

private:
    ExclusiveLock(int fd, std::filesystem::path path) : m_fd(fd), m_path(std::move(path)) {}

    int m_fd = -1;
    std::filesystem::path m_path;
};

} // namespace velkor::bundle
