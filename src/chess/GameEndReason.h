#pragma once

#include "PieceColor.h"

#include <optional>
#include <string_view>

namespace velkor {

// Why a game ended. Checkmate, timeout and resignation carry the winning colour; equality
// compares the kind and, for those three, the winner. A game read from a record whose board shows
// no end carries only the record's result (its winner, or none for a draw): the record does not
// say why it ended, and nothing is made up.
class GameEndReason {
public:
    enum class Kind : unsigned char {
        checkmate,
        timeout,
        resignation,
        stalemate,
        fiftyMoveRule,
        threefoldRepetition,
        seventyFiveMoveRule,
        fivefoldRepetition,
        insufficientMaterial,
        recordedResult,
    };

    static constexpr GameEndReason checkmate(PieceColor winner) {
        return GameEndReason(Kind::checkmate, winner);
    }
    static constexpr GameEndReason timeout(PieceColor winner) {
        return GameEndReason(Kind::timeout, winner);
    }
    static constexpr GameEndReason resignation(PieceColor winner) {
        return GameEndReason(Kind::resignation, winner);
    }
    static constexpr GameEndReason stalemate() { return GameEndReason(Kind::stalemate); }
    static constexpr GameEndReason fiftyMoveRule() { return GameEndReason(Kind::fiftyMoveRule); }
    static constexpr GameEndReason threefoldRepetition() {
        return GameEndReason(Kind::threefoldRepetition);
    }
    static constexpr GameEndReason seventyFiveMoveRule() {
        return GameEndReason(Kind::seventyFiveMoveRule);
    }
    static constexpr GameEndReason fivefoldRepetition() {
        return GameEndReason(Kind::fivefoldRepetition);
    }
    static constexpr GameEndReason insufficientMaterial() {
        return GameEndReason(Kind::insufficientMaterial);
    }
    // The result a game record gives: its winner, or none for a draw.
    static constexpr GameEndReason recordedResult(std::optional<PieceColor> winner) {
        return GameEndReason(Kind::recordedResult, winner);
    }

    constexpr Kind kind() const { return m_kind; }
    // The winning colour for checkmate, timeout, resignation and a recorded win; none for the
    // draws.
    constexpr std::optional<PieceColor> winner() const { return m_winner; }
    constexpr bool isDraw() const { return !m_winner.has_value(); }

    constexpr bool operator==(const GameEndReason&) const = default;

private:
    constexpr explicit GameEndReason(Kind kind, std::optional<PieceColor> winner = std::nullopt)
        : m_kind(kind), m_winner(winner) {}

    Kind m_kind;
    std::optional<PieceColor> m_winner;
};

// The PGN result token of a game that ended for `reason`: "1-0" or "0-1" for the winner of a
// decisive end, "1/2-1/2" for every draw, "*" for a game that has not ended.
constexpr std::string_view pgnResultToken(const std::optional<GameEndReason>& reason) {
    if (!reason) {
        return "*";
    }
    if (const std::optional<PieceColor> winner = reason->winner()) {
        return *winner == PieceColor::white ? "1-0" : "0-1";
    }
    return "1/2-1/2";
}

} // namespace velkor
