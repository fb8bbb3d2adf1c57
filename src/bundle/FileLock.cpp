#include "bundle/FileLock.h"

#include "bundle/BundleError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velkor::bundle {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void cannotOpen(const fs::path& path, int error) {
    throwBundleError(BundleErrorCode::fileSystem,
                     "Could not open " + path.string() + ": " + std::strerror(error));
}

// True when the lock was taken; false when another process holds it.
bool lockNow(int fd, const fs::path& path) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return false;
        }
        if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            throwBundleError(BundleErrorCode::fileSystem,
                             "Could not lock " + path.string() + ": " + std::strerror(error));
        }
    }
    return true;
}

} // namespace

std::optional<ExclusiveLock> ExclusiveLock::tryLockFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        cannotOpen(path, errno);
    }
    if (!lockNow(fd, path)) {
        ::close(fd);
        return std::nullopt;
    }
    // The previous holder may have removed the file between our open and our lock; then we hold
    // a lock nobody else can see, and a newcomer could lock a new file of the same name.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) != 0 || ::lstat(path.c_str(), &named) != 0 ||
        held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        ::close(fd);
        return std::nullopt;
    }
    return ExclusiveLock(fd, path);
}

std::optional<ExclusiveLock> ExclusiveLock::tryLockFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        cannotOpen(folder, errno);
    }
    if (!lockNow(fd, folder)) {
        ::close(fd);
        return std::nullopt;
    }
    return ExclusiveLock(fd, {});
}

ExclusiveLock::ExclusiveLock(ExclusiveLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)) {}

ExclusiveLock& ExclusiveLock::operator=(ExclusiveLock&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

ExclusiveLock::~ExclusiveLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void ExclusiveLock::removeFile() {
    if (m_fd >= 0 && !m_path.empty()) {
        ::unlink(m_path.c_str());
        m_path.clear();
    }
}

} // namespace velkor::bundle
