#include "GameMode.h"

#include "EnumIds.h"

namespace velkor {

namespace {
// Indexed by the enumeration's order.
constexpr std::array<const char*, 3> modeIds{"human_vs_engine", "engine_vs_engine",
                                             "human_vs_human"};
} // namespace

QString id(GameMode mode) {
    return QString::fromLatin1(modeIds[static_cast<std::size_t>(mode)]);
}

QString locKey(GameMode mode) {
    return QStringLiteral("mode_") + id(mode);
}

std::optional<GameMode> gameModeFromId(const QString& text) {
    return detail::caseWithId(allGameModes, text);
}

} // namespace velkor
