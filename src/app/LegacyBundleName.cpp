#include "LegacyBundleName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <fcntl.h>

namespace velkor::LegacyBundleName {
namespace {

// Absolute and without "." or ".."; links resolved where the path exists, so a link to the
// image folder cannot hide that the bundle runs from an image.
QString normalised(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
}

bool isInside(const QString& path, const QString& folder) {
    if (folder.isEmpty()) {
        return false;
    }
    const QString base = normalised(folder);
    const QString candidate = normalised(path);
    return candidate == base || candidate.startsWith(base + QLatin1Char('/'));
}

} // namespace

std::optional<QString> renameIfNeeded(const QString& bundlePath, const QString& mountBase) {
    const QFileInfo bundle(QDir::cleanPath(bundlePath));
    if (bundle.fileName() != formerName || isInside(bundle.absoluteFilePath(), mountBase)) {
        return std::nullopt;
    }
    const QDir folder = bundle.absoluteDir();
    const QString target = folder.filePath(currentName);
    // Anything already there, even a dangling link, keeps the old bundle where it is.
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) {
        return std::nullopt;
    }
    // Within one folder a rename is atomic; RENAME_NOREPLACE refuses an item that appeared since
    // the check above instead of replacing it. A failure leaves the bundle as it was.
    const QByteArray from = QFile::encodeName(bundle.absoluteFilePath());
    const QByteArray to = QFile::encodeName(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return target;
    }
    return std::nullopt;
}

} // namespace velkor::LegacyBundleName
