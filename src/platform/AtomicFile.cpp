#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor::platform {

namespace {

QString failure(const QString& path, int error) {
    return QStringLiteral("Could not save %1: %2.")
        .arg(QDir::toNativeSeparators(path), qt_error_string(error));
}

// Writes every byte, going on after short writes and interruptions; false with errno set when
// the file takes no more (a full disk, a size limit, an input/output error).
bool writeAll(int fd, const QByteArray& bytes) {
    const char* next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const auto chunk = static_cast<size_t>(std::min<qsizetype>(left, qsizetype{1} << 30));
        const ssize_t written = ::write(fd, next, chunk);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        next += written;
        left -= written;
    }
    return true;
}

// A device cannot be swapped for a new file; it takes the bytes as they come.
std::optional<QString> writeToDevice(const QString& path, const QByteArray& target,
                                     const QByteArray& bytes) {
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return failure(path, errno);
    }
    const bool written = writeAll(fd, bytes);
    const int writeError = errno;
    if (::close(fd) != 0 && written) {
        return failure(path, errno);
    }
    if (!written) {
        return failure(path, writeError);
    }
    return std::nullopt;
}

// The file a link names, so that saving through a link replaces the file and keeps the link.
// A link whose file does not exist yet is replaced itself.
QByteArray resolvedTarget(const QByteArray& target) {
    struct stat info {};
    if (::lstat(target.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return target;
    }
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(target.constData(), nullptr), &std::free);
    return resolved ? QByteArray(resolved.get()) : target;
}

// A name for the new file beside the target, hidden and unlikely to meet another one; long names
// are shortened so that the temporary name stays within the file system's limit.
QByteArray temporaryName(const QByteArray& folder, const QByteArray& fileName) {
    const QByteArray stem = fileName.left(NAME_MAX - 24);
    const quint64 random = QRandomGenerator::global()->generate64();
    return folder + "/." + stem + '.' + QByteArray::number(random, 36) + ".tmp";
}

} // namespace

std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        return failure(path, ENOENT);
    }
    const QByteArray target = resolvedTarget(QFile::encodeName(path));

    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return failure(path, errno);
    }
    if (exists && S_ISDIR(existing.st_mode)) {
        return failure(path, EISDIR);
    }
    if (exists && S_ISCHR(existing.st_mode)) {
        return writeToDevice(path, target, bytes);
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        // A pipe would block the caller until someone reads it, and a block device holds a file
        // system: neither is a place for a saved file.
        return QStringLiteral("Could not save %1: it is not a regular file.")
            .arg(QDir::toNativeSeparators(path));
    }

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const QByteArray fileName = slash < 0 ? target : target.mid(slash + 1);

    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporaryName(folder, fileName);
        fd =
            ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) {
            return failure(path, errno);
        }
    }
    if (fd < 0) {
        return failure(path, EEXIST);
    }
    const auto abandon = [&](int error) {
        if (fd >= 0) {
            ::close(fd);
        }
        ::unlink(temporary.constData());
        return failure(path, error);
    };

    if (exists) {
        // The new file takes the old one's place with the old one's permissions and, where we
        // may set it (saving as root over someone's file), its owner.
        if (::fchmod(fd, existing.st_mode & 07777) != 0) {
            return abandon(errno);
        }
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Not ours to give away: the file stays the saver's, which is what a new file is.
        }
    }
    if (!writeAll(fd, bytes)) {
        return abandon(errno);
    }
    if (::fsync(fd) != 0) {
        return abandon(errno);
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) {
        return abandon(errno);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        return abandon(errno);
    }
    // The rename itself must reach the disk too, or a crash could bring back the old file.
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return std::nullopt;
}

} // namespace velkor::platform
