#include "GameOutcome.h"

#include <vector>

namespace velkor::automatch {

namespace {

QString colorName(PieceColor color) {
    return color == PieceColor::white ? QStringLiteral("Weiß") : QStringLiteral("Schwarz");
}

// The decisive texts all end with who won: "<what> (Weiß gewinnt)".
GameOutcome decisive(const GameEndReason& reason, PieceColor winner, const QString& what) {
    return GameOutcome{
        QString::fromUtf8(pgnResultToken(reason)),
        what + QStringLiteral(" (") + colorName(winner) + QStringLiteral(" gewinnt)"), winner};
}

GameOutcome draw(const GameEndReason& reason, const QString& what) {
    return GameOutcome{QString::fromUtf8(pgnResultToken(reason)),
                       QStringLiteral("Remis (") + what + QStringLiteral(")"), std::nullopt};
}

} // namespace

GameOutcome classifyGameEnd(const GameEndReason& reason,
                            const std::optional<QString>& engineFailure) {
    using Kind = GameEndReason::Kind;
    const PieceColor winner = reason.winner().value_or(PieceColor::white);
    switch (reason.kind()) {
    case Kind::checkmate:
        return decisive(reason, winner, QStringLiteral("Schachmatt"));
    case Kind::timeout:
        return decisive(reason, winner, QStringLiteral("Zeitüberschreitung"));
    case Kind::resignation:
        if (engineFailure) {
            return decisive(reason, winner,
                            QStringLiteral("Engine-Fehler bei ") + colorName(opponent(winner)) +
                                QStringLiteral(": ") + *engineFailure);
        }
        return decisive(reason, winner, QStringLiteral("Aufgabe"));
    case Kind::stalemate:
        return draw(reason, QStringLiteral("Patt"));
    case Kind::fiftyMoveRule:
        return draw(reason, QStringLiteral("50-Züge-Regel"));
    case Kind::threefoldRepetition:
        return draw(reason, QStringLiteral("Dreifache Wiederholung"));
    case Kind::seventyFiveMoveRule:
        return draw(reason, QStringLiteral("75-Züge-Regel"));
    case Kind::fivefoldRepetition:
        return draw(reason, QStringLiteral("Fünffache Wiederholung"));
    case Kind::insufficientMaterial:
        return draw(reason, QStringLiteral("Ungenügend Material"));
    case Kind::recordedResult:
        // A loaded game's result without a reason; a series never plays one, but its record
        // must not claim a reason either.
        if (reason.winner()) {
            return GameOutcome{QString::fromUtf8(pgnResultToken(reason)),
                               colorName(winner) + QStringLiteral(" gewinnt"), winner};
        }
        return GameOutcome{QString::fromUtf8(pgnResultToken(reason)), QStringLiteral("Remis"),
                           std::nullopt};
    }
    return draw(reason, QStringLiteral("Ungenügend Material"));
}

std::optional<StoredGameEnd> readReasonText(const QString& reasonText) {
    std::vector<GameEndReason> reasons{
        GameEndReason::stalemate(),           GameEndReason::fiftyMoveRule(),
        GameEndReason::threefoldRepetition(), GameEndReason::seventyFiveMoveRule(),
        GameEndReason::fivefoldRepetition(),  GameEndReason::insufficientMaterial()};
    for (const PieceColor winner : {PieceColor::white, PieceColor::black}) {
        reasons.push_back(GameEndReason::checkmate(winner));
        reasons.push_back(GameEndReason::timeout(winner));
        reasons.push_back(GameEndReason::resignation(winner));
    }
    for (const GameEndReason& reason : reasons) {
        if (classifyGameEnd(reason, std::nullopt).reasonText == reasonText) {
            return StoredGameEnd{reason, std::nullopt};
        }
    }
    // "Engine-Fehler bei <loser>: <failure> (<winner> gewinnt)": the failure is whatever stands
    // between the fixed beginning and end.
    for (const PieceColor winner : {PieceColor::white, PieceColor::black}) {
        const QString shape =
            classifyGameEnd(GameEndReason::resignation(winner), QStringLiteral("\n")).reasonText;
        const qsizetype at = shape.indexOf(QStringLiteral("\n"));
        const QString head = shape.left(at);
        const QString tail = shape.mid(at + 1);
        if (reasonText.size() >= head.size() + tail.size() && reasonText.startsWith(head) &&
            reasonText.endsWith(tail)) {
            return StoredGameEnd{
                GameEndReason::resignation(winner),
                reasonText.mid(head.size(), reasonText.size() - head.size() - tail.size())};
        }
    }
    return std::nullopt;
}

std::optional<GameEndReason> recordedGameEnd(const QString& result, const QString& reasonText) {
    const std::optional<StoredGameEnd> end = readReasonText(reasonText);
    if (!end || classifyGameEnd(end->reason, end->engineFailure).result != result) {
        return std::nullopt;
    }
    return end->reason;
}

} // namespace velkor::automatch
