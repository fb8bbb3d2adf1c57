#include "PlayerColorChoice.h"

#include "EnumIds.h"

#include <QRandomGenerator>

namespace velkor {

namespace {
// Indexed by the enumeration's order.
constexpr std::array<const char*, 3> choiceIds{"white", "black", "random"};
} // namespace

QString id(PlayerColorChoice choice) {
    return QString::fromLatin1(choiceIds[static_cast<std::size_t>(choice)]);
}

QString locKey(PlayerColorChoice choice) {
    return QStringLiteral("color_") + id(choice);
}

std::optional<PlayerColorChoice> playerColorChoiceFromId(const QString& text) {
    return detail::caseWithId(allPlayerColorChoices, text);
}

PieceColor resolve(PlayerColorChoice choice) {
    switch (choice) {
    case PlayerColorChoice::white:
        return PieceColor::white;
    case PlayerColorChoice::black:
        return PieceColor::black;
    case PlayerColorChoice::random:
        break;
    }
    return QRandomGenerator::system()->bounded(2) == 0 ? PieceColor::white : PieceColor::black;
}

} // namespace velkor
