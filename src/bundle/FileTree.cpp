#include "bundle/FileTree.h"

#include "bundle/BundleError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velkor::bundle {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throwBundleError(BundleErrorCode::fileSystem,
                     what + " " + path.string() + ": " + std::strerror(error));
}

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

void copyFileContents(const fs::path& source, const fs::path& destination, mode_t mode) {
    FileDescriptor in{::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (in.fd < 0) {
        fail("Could not open", source, errno);
    }
    FileDescriptor out{
        ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.fd < 0) {
        fail("Could not create", destination, errno);
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            fail("Could not read", source, errno);
        }
        if (got == 0) {
            break;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put =
                ::write(out.fd, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put < 0) {
                fail("Could not write", destination, errno);
            }
            written += put;
        }
    }
    if (::fchmod(out.fd, mode & 0777) != 0) {
        fail("Could not set the permissions of", destination, errno);
    }
    if (::close(out.fd) != 0) {
        out.fd = -1;
        fail("Could not write", destination, errno);
    }
    out.fd = -1;
}

void copyEntry(const fs::path& source, const fs::path& destination) {
    struct stat status {};
    if (::lstat(source.c_str(), &status) != 0) {
        fail("Could not inspect", source, errno);
    }
    if (S_ISLNK(status.st_mode)) {
        std::error_code error;
        const fs::path target = fs::read_symlink(source, error);
        if (error) {
            fail("Could not read the link", source, error.value());
        }
        if (::symlink(target.c_str(), destination.c_str()) != 0) {
            fail("Could not create the link", destination, errno);
        }
    } else if (S_ISREG(status.st_mode)) {
        copyFileContents(source, destination, status.st_mode);
    } else if (S_ISDIR(status.st_mode)) {
        if (::mkdir(destination.c_str(), 0700) != 0) {
            fail("Could not create", destination, errno);
        }
        std::error_code error;
        for (fs::directory_iterator it(source, error), end; !error && it != end;
             it.increment(error)) {
            copyEntry(it->path(), destination / it->path().filename());
        }
        if (error) {
            fail("Could not list", source, error.value());
        }
        if (::chmod(destination.c_str(), (status.st_mode & 0777) | S_IRWXU) != 0) {
            fail("Could not set the permissions of", destination, errno);
        }
    } else {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not copy " + source.string() + ": not a file, folder or link.");
    }
}

} // namespace

void copyTree(const fs::path& source, const fs::path& destination) {
    struct stat status {};
    if (::lstat(destination.c_str(), &status) == 0) {
        fail("Could not copy to", destination, EEXIST);
    }
    try {
        copyEntry(source, destination);
    } catch (...) {
        try {
            removeTree(destination);
        } catch (const DomainError&) {
        }
        throw;
    }
}

void removeTree(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return;
        }
        fail("Could not inspect", path, errno);
    }
    if (S_ISDIR(status.st_mode)) {
        if ((status.st_mode & S_IRWXU) != S_IRWXU &&
            ::chmod(path.c_str(), (status.st_mode & 07777) | S_IRWXU) != 0) {
            fail("Could not make writable", path, errno);
        }
        std::vector<fs::path> children;
        std::error_code error;
        for (fs::directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            children.push_back(it->path());
        }
        if (error) {
            fail("Could not list", path, error.value());
        }
        for (const auto& child : children) {
            removeTree(child);
        }
        if (::rmdir(path.c_str()) != 0) {
            fail("Could not remove", path, errno);
        }
    } else if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        fail("Could not remove", path, errno);
    }
}

void setOrdinaryModes(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        fail("Could not inspect", path, errno);
    }
    if (S_ISLNK(status.st_mode)) {
        return;
    }
    if (S_ISDIR(status.st_mode)) {
        // Writable and searchable first, so the children can be reached.
        if (::chmod(path.c_str(), 0755) != 0) {
            fail("Could not set the permissions of", path, errno);
        }
        std::error_code error;
        for (fs::directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            setOrdinaryModes(it->path());
        }
        if (error) {
            fail("Could not list", path, error.value());
        }
        return;
    }
    const mode_t mode = (status.st_mode & S_IXUSR) != 0 ? 0755 : 0644;
    if ((status.st_mode & 07777) != mode && ::chmod(path.c_str(), mode) != 0) {
        fail("Could not set the permissions of", path, errno);
    }
}

void writeFileAtomically(const fs::path& file, std::string_view contents) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        fail("Could not create", folder, error.value());
    }
    std::string pattern = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    FileDescriptor out{::mkostemp(pattern.data(), O_CLOEXEC)};
    if (out.fd < 0) {
        fail("Could not write", file, errno);
    }
    const fs::path temporary(pattern);
    const auto abandon = [&](int reason) {
        ::unlink(temporary.c_str());
        fail("Could not write", file, reason);
    };
    for (std::size_t written = 0; written < contents.size();) {
        const ssize_t put = ::write(out.fd, contents.data() + written, contents.size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            // A write that takes nothing without an error means the disk is full.
            abandon(put < 0 ? errno : ENOSPC);
        }
        written += static_cast<std::size_t>(put);
    }
    if (::fchmod(out.fd, 0644) != 0 || ::fsync(out.fd) != 0) {
        abandon(errno);
    }
    const int closed = ::close(out.fd);
    out.fd = -1;
    if (closed != 0) {
        abandon(errno);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        abandon(errno);
    }
    // The rename itself reaches the disk with the folder.
    FileDescriptor directory{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directory.fd >= 0) {
        ::fsync(directory.fd);
    }
}

} // namespace velkor::bundle
