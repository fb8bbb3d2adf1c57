#include "Adjudication.h"

#include <cstdlib>
#include <utility>

namespace velkor::automatch {

namespace {

bool isNegative(const EngineScore& score) {
    return score.value < 0;
}

// Widened first: an engine may report the most negative int, whose magnitude an int cannot hold.
long long magnitude(int value) {
    return std::llabs(static_cast<long long>(value));
}

} // namespace

Adjudicator::Adjudicator(AdjudicationSettings settings, bool whiteMovesFirst, int fullmoveNumber)
    : m_settings(std::move(settings)), m_whiteToMove(whiteMovesFirst),
      m_fullmoveNumber(fullmoveNumber < 1 ? 1 : fullmoveNumber) {}

std::optional<AdjudicationVerdict> Adjudicator::afterMove(std::optional<EngineScore> moverScore,
                                                          bool captureOrPawnMove) {
    const bool whiteMoved = m_whiteToMove;
    m_whiteToMove = !m_whiteToMove;
    if (!whiteMoved) {
        ++m_fullmoveNumber;
    }
    ++m_enginePlies;

    // Draw: the count restarts at an irreversible move, and that move then counts like any
    // other. A mate score, or no score at all, breaks the run.
    if (captureOrPawnMove) {
        m_levelPlies = 0;
    }
    const auto& draw = m_settings.draw;
    if (moverScore && moverScore->kind == EngineScore::Kind::Centipawns && draw &&
        magnitude(moverScore->value) <= draw->score) {
        ++m_levelPlies;
    } else {
        m_levelPlies = 0;
    }

    // Resign: one-sided runs are the mover's own; two-sided ones count every ply on which the
    // mover saw the game decided either way.
    const auto& resign = m_settings.resign;
    if (resign && resign->twoSided) {
        if (moverScore && (moverScore->kind == EngineScore::Kind::Mate ||
                           magnitude(moverScore->value) >= resign->score)) {
            ++m_decidedPlies;
        } else {
            m_decidedPlies = 0;
        }
    } else if (resign) {
        int& lost = whiteMoved ? m_whiteLostMoves : m_blackLostMoves;
        const bool seesItselfLost =
            moverScore && (moverScore->kind == EngineScore::Kind::Mate
                               ? isNegative(*moverScore)
                               : moverScore->value <= -static_cast<long long>(resign->score));
        lost = seesItselfLost ? lost + 1 : 0;
    }

    // Only the engine that has just moved resigns, and only while it sees itself behind: a
    // two-sided run ends with the losing side's move, never with the winner's.
    if (resign && moverScore && isNegative(*moverScore)) {
        const bool resigns =
            resign->twoSided
                ? m_decidedPlies >= 2 * resign->moveCount
                : (whiteMoved ? m_whiteLostMoves : m_blackLostMoves) >= resign->moveCount;
        if (resigns) {
            return whiteMoved ? AdjudicationVerdict{AdjudicatedResult::BlackWins,
                                                    "Black wins by adjudication"}
                              : AdjudicationVerdict{AdjudicatedResult::WhiteWins,
                                                    "White wins by adjudication"};
        }
    }

    if (draw && draw->moveCount > 0 && m_fullmoveNumber - 1 >= draw->moveNumber &&
        m_levelPlies >= 2 * draw->moveCount) {
        return AdjudicationVerdict{AdjudicatedResult::Draw, "Draw by adjudication"};
    }

    if (m_settings.maxMoves && *m_settings.maxMoves > 0 &&
        m_enginePlies >= 2 * *m_settings.maxMoves) {
        return AdjudicationVerdict{AdjudicatedResult::Draw, "Draw by adjudication"};
    }
    return std::nullopt;
}

} // namespace velkor::automatch
