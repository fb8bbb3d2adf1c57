#include "EngineSearchPaths.h"

#include <QDir>

namespace velkor {

EngineSearchPaths EngineSearchPaths::standard(const QString& home) {
    const QDir homeDir(home);
    EngineSearchPaths paths;
    paths.palloxCandidates = {
        homeDir.filePath(QStringLiteral("bin/pallox-uci")),
        QStringLiteral("/Applications/Pallox.app/Contents/Helpers/pallox-uci"),
        homeDir.filePath(QStringLiteral("Applications/Pallox.app/Contents/Helpers/pallox-uci")),
        QStringLiteral("/opt/homebrew/bin/pallox-uci"),
        QStringLiteral("/usr/local/bin/pallox-uci"),
    };
    paths.commonPaths = {
        QStringLiteral("/opt/homebrew/bin/stockfish"), QStringLiteral("/usr/local/bin/stockfish"),
        QStringLiteral("/usr/bin/stockfish"),          QStringLiteral("/opt/homebrew/bin/gnuchess"),
        QStringLiteral("/usr/local/bin/gnuchess"),     QStringLiteral("/opt/homebrew/bin/crafty"),
        QStringLiteral("/opt/homebrew/bin/komodo"),    QStringLiteral("/usr/local/bin/komodo"),
        QStringLiteral("/usr/games/stockfish"),        QStringLiteral("/usr/games/toga2"),
    };
    return paths;
}

EngineSearchPaths EngineSearchPaths::standard() {
    return standard(QDir::homePath());
}

} // namespace velkor
