#include "PlayerColorChoice.h"

#include <QRandomGenerator>

namespace velkor {

QString id(PlayerColorChoice choice) {
    switch (choice) {
    case PlayerColorChoice::white:
        return QStringLiteral("white");
    case PlayerColorChoice::black:
        return QStringLiteral("black");
    case PlayerColorChoice::random:
        return QStringLiteral("random");
    }
    return {};
}

QString locKey(PlayerColorChoice choice) {
    return QStringLiteral("color_") + id(choice);
}

std::optional<PlayerColorChoice> playerColorChoiceFromId(const QString& text) {
    for (const PlayerColorChoice choice : allPlayerColorChoices) {
        if (text == id(choice)) {
            return choice;
        }
    }
    return std::nullopt;
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
