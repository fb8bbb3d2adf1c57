#pragma once

#include <optional>
#include <string>

namespace velkor::automatch {

// An engine's last reported evaluation of a move it played, from its own side: centipawns, or
// moves to mate (negative when it is the one being mated).
struct EngineScore {
    enum class Kind { Centipawns, Mate };
    Kind kind = Kind::Centipawns;
    int value = 0;
};

// Draw when both engines have called the position level for a while.
struct DrawAdjudication {
    // Not before the fullmove number minus one reaches this.
    int moveNumber = 0;
    // Consecutive move pairs (2 × plies) with |score| within `score`.
    int moveCount = 1;
    int score = 0;
};

// Resign for an engine that has seen itself lost for a while, or, two-sided, when both agree the
// game is decided.
struct ResignAdjudication {
    int moveCount = 1;
    int score = 0;
    bool twoSided = false;
};

struct AdjudicationSettings {
    std::optional<DrawAdjudication> draw;
    std::optional<ResignAdjudication> resign;
    // Engine moves per side after which the game is drawn; opening moves do not count.
    std::optional<int> maxMoves;
};

enum class AdjudicatedResult { WhiteWins, BlackWins, Draw };

struct AdjudicationVerdict {
    AdjudicatedResult result;
    // The reason written with the result into the PGN.
    std::string reason;
};

// Watches one game's engine moves and ends it when a rule applies. Fed after every engine move,
// in order; the position's own endings (mate, stalemate, repetition, fifty moves, material) are
// the game's business and come first.
class Adjudicator {
public:
    // `whiteMovesFirst` and `fullmoveNumber` are those of the position the engines start from
    // (after the opening's moves, from its FEN counters; 1 when it has none).
    Adjudicator(AdjudicationSettings settings, bool whiteMovesFirst, int fullmoveNumber);

    // After one engine move: its mover's score (none when the engine reported none) and whether
    // it captured or moved a pawn. Returns the verdict once a rule ends the game.
    std::optional<AdjudicationVerdict> afterMove(std::optional<EngineScore> moverScore,
                                                 bool captureOrPawnMove);

private:
    AdjudicationSettings m_settings;
    bool m_whiteToMove;
    int m_fullmoveNumber;
    int m_enginePlies = 0;
    int m_levelPlies = 0;
    int m_whiteLostMoves = 0;
    int m_blackLostMoves = 0;
    int m_decidedPlies = 0;
};

} // namespace velkor::automatch
