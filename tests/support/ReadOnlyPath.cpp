#include "ReadOnlyPath.h"

#include <QFile>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor::testing {

namespace {

bool setImmutable(const QString& path, bool immutable) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

} // namespace

ReadOnlyPath::ReadOnlyPath(QString path) : m_path(std::move(path)) {
    const QByteArray name = QFile::encodeName(m_path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        return;
    }
    if (::geteuid() == 0) {
        m_immutable = setImmutable(m_path, true);
        m_holds = m_immutable;
        return;
    }
    m_mode = info.st_mode & 07777;
    m_holds = ::chmod(name.constData(), m_mode & ~0222u) == 0;
}

ReadOnlyPath::~ReadOnlyPath() {
    if (m_immutable) {
        setImmutable(m_path, false);
    } else if (m_holds) {
        ::chmod(QFile::encodeName(m_path).constData(), m_mode);
    }
}

} // namespace velkor::testing
