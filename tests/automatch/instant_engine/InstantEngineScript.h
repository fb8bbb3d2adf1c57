#pragma once

// The instant engine as one command: a shell script at `path` that starts it with `arguments`,
// so that a match can name it like any installed engine. Needs VELKOR_INSTANT_ENGINE, the
// engine's path in the build tree.
#include <QFile>
#include <QString>

namespace velkor::testing {

inline QString instantEngineScript(const QString& path, const QString& arguments) {
    QFile script(path);
    if (script.open(QIODevice::WriteOnly)) {
        script.write(QStringLiteral("#!/bin/sh\nexec '%1' %2 \"$@\"\n")
                         .arg(QStringLiteral(VELKOR_INSTANT_ENGINE), arguments)
                         .toUtf8());
        script.close();
    }
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace velkor::testing
