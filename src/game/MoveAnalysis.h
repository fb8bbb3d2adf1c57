#pragma once

#include "chess/PieceColor.h"
#include "uci/EngineEvaluation.h"

#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace velkor {

// How a graded move is judged, from best to worst.
enum class MoveQuality : unsigned char { best, inaccuracy, mistake, blunder };

// The quality of one engine move: how far it dropped the evaluation for the side that made it.
struct MoveAnalysis {
    QUuid id;
    // Moves in the game after this one (1 for White's first move).
    std::int64_t ply = 0;
    // The move as the board's history records it.
    QString san;
    // The evaluation after the move, centipawns from White's side (a mate counts as +-10000).
    double scoreFromWhiteCp = 0;
    // Never negative; measured on scores within +-1000 centipawns.
    double centipawnLoss = 0;
    // The number of the move in the game ("12" of "12… Qg3") and the side that made it.
    std::int64_t moveNumber = 1;
    PieceColor mover = PieceColor::white;
    MoveQuality quality = MoveQuality::best;

    // The quality's fixed German name: "Best", "Ungenauigkeit", "Fehler" or "Patzer", for records;
    // the interface words the quality in its own language.
    QString classification() const;
    // The move with its number: "12. Qg3" for White, "12… Qg3" for Black.
    QString numberedSan() const;
    // The loss as shown: "−55 cp", and "0 cp" when nothing was lost.
    QString lossText() const;

    bool operator==(const MoveAnalysis&) const = default;
};

// A move with its number as move lists write it: "12. Qg3" for White, "12… Qg3" for Black.
QString numberedSan(std::int64_t moveNumber, PieceColor mover, const QString& san);

// The quality the centipawn loss alone gives: below 30 best, below 80 an inaccuracy, below 180 a
// mistake, else a blunder.
MoveQuality qualityOfLoss(double centipawnLoss);

// An engine move waiting for the opponent's view of the position it produced.
struct PendingEngineMoveEvaluation {
    std::int64_t ply = 0;
    QString san;
    PieceColor mover = PieceColor::white;
    // The mover's own last evaluation before the move, from White's side.
    WhiteScore before;
    // The number of the move in the game.
    std::int64_t moveNumber = 1;

    bool operator==(const PendingEngineMoveEvaluation&) const = default;
};

// Grades the pending move with `after`, the opponent's evaluation of the position the move left:
// the loss is what the move cost its mover on scores capped at +-1000 centipawns, never below
// zero. A move that keeps a forced mate of the mover's is best; one that lets it go, or that
// walks into a forced mate, is judged by how the position stands on the other side of it. A
// fresh id.
MoveAnalysis gradeEngineMove(const PendingEngineMoveEvaluation& pending, const WhiteScore& after);

} // namespace velkor
