#pragma once

#include <QString>
#include <QStringList>

namespace velkor {

// Where engines are looked for: the places of the separately shipped Pallox engine and the
// common installation paths, each in the order they are tried.
struct EngineSearchPaths {
    QStringList palloxCandidates;
    QStringList commonPaths;

    // The usual places for the user whose home folder is `home`, Debian's /usr/games/stockfish
    // and /usr/games/toga2 last.
    static EngineSearchPaths standard(const QString& home);
    // The same for the current user.
    static EngineSearchPaths standard();
};

} // namespace velkor
