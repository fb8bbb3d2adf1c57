#include "GameOutcome.h"

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
    }
    return draw(reason, QStringLiteral("Ungenügend Material"));
}

std::optional<GameEndReason> recordedGameEnd(const QString& result, const QString& reasonText) {
    using Reason = GameEndReason;
    const std::optional<QString> noFailure;
    for (const PieceColor winner : {PieceColor::white, PieceColor::black}) {
        for (const Reason& candidate :
             {Reason::checkmate(winner), Reason::timeout(winner), Reason::resignation(winner)}) {
            const GameOutcome outcome = classifyGameEnd(candidate, noFailure);
            if (outcome.result == result && outcome.reasonText == reasonText) {
                return candidate;
            }
        }
        // An engine failure is recorded as that engine's resignation with its message.
        const GameOutcome failure = classifyGameEnd(Reason::resignation(winner), QString());
        const QString prefix =
            failure.reasonText.left(failure.reasonText.indexOf(QLatin1Char(':')));
        const QString suffix =
            failure.reasonText.mid(failure.reasonText.lastIndexOf(QLatin1Char('(')));
        if (failure.result == result && reasonText.startsWith(prefix) &&
            reasonText.endsWith(suffix)) {
            return Reason::resignation(winner);
        }
    }
    for (const Reason& candidate : {Reason::stalemate(), Reason::fiftyMoveRule(),
                                    Reason::threefoldRepetition(), Reason::seventyFiveMoveRule(),
                                    Reason::fivefoldRepetition(), Reason::insufficientMaterial()}) {
        const GameOutcome outcome = classifyGameEnd(candidate, noFailure);
        if (outcome.result == result && outcome.reasonText == reasonText) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace velkor::automatch
