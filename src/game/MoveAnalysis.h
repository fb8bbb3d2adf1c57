#pragma once

#include "chess/PieceColor.h"

#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace velkor {

// How good a move was, by what it cost its mover.
enum class MoveGrade : unsigned char { best, inaccuracy, mistake, blunder };

// The quality of one engine move: how far it dropped the evaluation for the side that made it.
struct MoveAnalysis {
    QUuid id;
    // Moves in the game after this one (1 for White's first move).
    std::int64_t ply = 0;
    // The move as the board's history records it.
    QString san;
    // The evaluation after the move, centipawns from White's side (a mate counts as +-10000).
    double scoreFromWhiteCp = 0;
    // Never negative.
    double centipawnLoss = 0;

    // Best below 30, an inaccuracy below 80, a mistake below 180, else a blunder.
    MoveGrade grade() const;
    // The grade's fixed German name: "Best", "Ungenauigkeit", "Fehler" or "Patzer"; the
    // interface words the grade in its own language.
    QString classification() const;

    bool operator==(const MoveAnalysis&) const = default;
};

// An engine move waiting for the opponent's view of the position it produced.
struct PendingEngineMoveEvaluation {
    std::int64_t ply = 0;
    QString san;
    PieceColor mover = PieceColor::white;
    // The mover's own last evaluation before the move, from White's side.
    double before = 0;

    bool operator==(const PendingEngineMoveEvaluation&) const = default;
};

// Grades the pending move with `after`, the opponent's evaluation of the position the move left,
// from White's side: the loss is what the move cost its mover, never below zero. A fresh id.
MoveAnalysis gradeEngineMove(const PendingEngineMoveEvaluation& pending, double after);

} // namespace velkor
