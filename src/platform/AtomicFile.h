#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velkor::platform {

// Writes `bytes` to `path` so that afterwards the file holds either its old content untouched or
// the whole new content, never a part or nothing: the bytes go to a fresh file in the same folder,
// which is written completely, flushed to the disk and only then renamed over the target (keeping
// the old file's permissions). A symbolic link is written through and stays a link. A character
// device (such as /dev/null) cannot be replaced and takes the bytes directly; a folder or any other
// file that is not a regular file is refused. Gives the reason, for a person, when it fails; the
// target is then unchanged and no temporary file is left behind.
std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace velkor::platform
