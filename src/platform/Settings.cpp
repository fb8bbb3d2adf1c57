#include "Settings.h"

#include "StoreAlerts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace velkor::platform {

namespace {
constexpr auto organisation = "tamsel";
constexpr auto application = "brontil";

std::unique_ptr<QSettings> openStore() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation,
                                       application);
}

// Whether `folder` takes a new file of `bytes` bytes now: one is made there, its room reserved on
// the disk, and removed again. errno says why not (read-only, full, over the size limit).
bool folderTakesAFile(const QString& folder, qint64 bytes) {
    const QByteArray probe =
        QFile::encodeName(folder + QStringLiteral("/.brontil-write-check-") +
                          QString::number(QRandomGenerator::global()->generate64(), 36));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    int error = ::posix_fallocate(fd, 0, std::max<qint64>(bytes, 1));
    if (error == EOPNOTSUPP || error == EINVAL) {
        // A file system without reservations: at least a block must be writable.
        error = ::write(fd, "\n", 1) == 1 && ::fsync(fd) == 0 ? 0 : errno;
    }
    ::close(fd);
    ::unlink(probe.constData());
    errno = error;
    return error == 0;
}

// Why the store's file cannot be replaced by one of `bytes` bytes, in the system's words: the
// file itself (read-only, a folder), else the nearest existing folder on its way (read-only,
// full), which must take the new file that replaces it. Nothing when both would take the write.
std::optional<QString> writeProblem(const QString& path, qint64 bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
    } else if (errno != ENOENT) {
        return qt_error_string(errno);
    }
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).absolutePath() != folder) {
        folder = QFileInfo(folder).absolutePath();
    }
    if (!folderTakesAFile(folder, bytes)) {
        return qt_error_string(errno);
    }
    return std::nullopt;
}

// The size of the store rewritten with `value` added: Qt's settings writer does not notice when
// the disk fills up while it writes (it renames a short file over the store and reports success),
// so the room for the whole new file is made sure of before anything is written. The writer
// escapes quotes and backslashes in two bytes and bytes outside ASCII in four; JSON text, what
// the store mostly holds, stays well within twice its size.
qint64 sizeWith(const QSettings& settings, const QString& key, const QVariant& value) {
    const qint64 stored = QFileInfo(settings.fileName()).size();
    return stored + 2 * (value.toByteArray().size() + key.size()) + 4096;
}

void sayUnwritable(const QString& path, const QString& reason) {
    StoreAlerts::shared().raise({QStringLiteral("store_settings_unwritable"),
                                 QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason});
}

// Writes the store through; says once when it could not.
bool sync(QSettings& settings) {
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::FormatError:
        sayUnwritable(settings.fileName(), QStringLiteral("the file's contents cannot be read"));
        return false;
    case QSettings::AccessError:
        break;
    }
    sayUnwritable(settings.fileName(),
                  writeProblem(settings.fileName(), 0)
                      .value_or(QStringLiteral("the store refused the change")));
    return false;
}

} // namespace

QVariant Settings::value(const QString& key) {
    return openStore()->value(key);
}

bool Settings::contains(const QString& key) {
    return openStore()->contains(key);
}

bool Settings::setValue(const QString& key, const QVariant& value) {
    const auto settings = openStore();
    if (const auto problem = writeProblem(settings->fileName(), sizeWith(*settings, key, value))) {
        sayUnwritable(settings->fileName(), *problem);
        return false;
    }
    settings->setValue(key, value);
    return sync(*settings);
}

bool Settings::remove(const QString& key) {
    const auto settings = openStore();
    settings->remove(key);
    return sync(*settings);
}

std::optional<QString> Settings::setAside(const QString& key, const QVariant& value) {
    const auto settings = openStore();
    QString asideKey = key + QStringLiteral("_Unreadable");
    for (int number = 2; settings->contains(asideKey); ++number) {
        asideKey = key + QStringLiteral("_Unreadable_") + QString::number(number);
    }
    if (const auto problem =
            writeProblem(settings->fileName(), sizeWith(*settings, asideKey, value))) {
        sayUnwritable(settings->fileName(), *problem);
        return std::nullopt;
    }
    settings->setValue(asideKey, value);
    if (!sync(*settings)) {
        return std::nullopt;
    }
    return asideKey;
}

bool Settings::checkWritable() {
    const QString path = fileName();
    if (const auto problem = writeProblem(path, QFileInfo(path).size())) {
        sayUnwritable(path, *problem);
        return false;
    }
    return true;
}

QString Settings::fileName() {
    return openStore()->fileName();
}

} // namespace velkor::platform
