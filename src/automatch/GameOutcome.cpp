#include "GameOutcome.h"

namespace velkor::automatch {

namespace {

QString colorName(PieceColor color) {
    return color == PieceColor::white ? QStringLiteral("Weiß") : QStringLiteral("Schwarz");
}

// The decisive texts all end with who won: "<what> (Weiß gewinnt)".
GameOutcome decisive(PieceColor winner, const QString& what) {
    return GameOutcome{
        winner == PieceColor::white ? QStringLiteral("1-0") : QStringLiteral("0-1"),
        what + QStringLiteral(" (") + colorName(winner) + QStringLiteral(" gewinnt)"), winner};
}

GameOutcome draw(const QString& what) {
    return GameOutcome{QStringLiteral("1/2-1/2"),
                       QStringLiteral("Remis (") + what + QStringLiteral(")"), std::nullopt};
}

} // namespace

GameOutcome classifyGameEnd(const GameEndReason& reason,
                            const std::optional<QString>& engineFailure) {
    using Kind = GameEndReason::Kind;
    const PieceColor winner = reason.winner().value_or(PieceColor::white);
    switch (reason.kind()) {
    case Kind::checkmate:
        return decisive(winner, QStringLiteral("Schachmatt"));
    case Kind::timeout:
        return decisive(winner, QStringLiteral("Zeitüberschreitung"));
    case Kind::resignation:
        if (engineFailure) {
            return decisive(winner, QStringLiteral("Engine-Fehler bei ") +
                                        colorName(opponent(winner)) + QStringLiteral(": ") +
                                        *engineFailure);
        }
        return decisive(winner, QStringLiteral("Aufgabe"));
    case Kind::stalemate:
        return draw(QStringLiteral("Patt"));
    case Kind::fiftyMoveRule:
        return draw(QStringLiteral("50-Züge-Regel"));
    case Kind::threefoldRepetition:
        return draw(QStringLiteral("Dreifache Wiederholung"));
    case Kind::seventyFiveMoveRule:
        return draw(QStringLiteral("75-Züge-Regel"));
    case Kind::fivefoldRepetition:
        return draw(QStringLiteral("Fünffache Wiederholung"));
    case Kind::insufficientMaterial:
        return draw(QStringLiteral("Ungenügend Material"));
    }
    return draw(QStringLiteral("Ungenügend Material"));
}

} // namespace velkor::automatch
