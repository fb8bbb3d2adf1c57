#pragma once

#include "MoveAnalysis.h"
#include "chess/PieceColor.h"
#include "uci/EngineEvaluation.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace velkor {

// The analysis shown beside the game: the thinking engine's latest principal line and all its
// lines, and the grades of engine moves by how much they cost their mover. A move is graded once
// the opponent's engine has given its view of the position the move left. Main thread.
class LiveAnalysis : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        velkor::EngineEvaluation liveEvaluation READ liveEvaluation NOTIFY liveEvaluationChanged)
    Q_PROPERTY(
        std::vector<velkor::EngineEvaluation> variations READ variations NOTIFY variationsChanged)
    Q_PROPERTY(
        std::vector<velkor::MoveAnalysis> moveAnalyses READ moveAnalyses NOTIFY moveAnalysesChanged)

public:
    using QObject::QObject;

    // The latest principal line of the engine that is or was last searching; empty at a new game.
    const EngineEvaluation& liveEvaluation() const { return m_liveEvaluation; }
    // All lines of the engine that reported last, in line order.
    const std::vector<EngineEvaluation>& variations() const { return m_variations; }
    // One entry per graded engine move, in game order.
    const std::vector<MoveAnalysis>& moveAnalyses() const { return m_moveAnalyses; }
    // The last engine move, waiting for the opponent's evaluation to be graded.
    const std::optional<PendingEngineMoveEvaluation>& pendingMove() const { return m_pendingMove; }

    // A report of the engine playing `color`: `evaluation` moves the live evaluation when it is
    // the first line; `lines` are all the engine's lines.
    void report(PieceColor color, const EngineEvaluation& evaluation,
                std::vector<EngineEvaluation> lines);
    // The live evaluation turned to White's side, when it is the view of `color`'s engine.
    std::optional<double> scoreFromWhiteOf(PieceColor color) const;
    // Grades the pending move with the evaluation of the engine of `toMove`, the mover's
    // opponent; without one the move stays pending.
    void gradePendingMove(PieceColor toMove);
    // An engine of `mover` played its move (ply `ply`, `san`); with `before`, the mover's own
    // evaluation before it, the move waits for its grade. An earlier move still pending is
    // dropped either way: its grade could only come from an evaluation of a later position.
    void notePlayedMove(std::int64_t ply, QString san, PieceColor mover,
                        std::optional<double> before);
    // Forgets the live evaluation, the lines, the grades and the move waiting for its grade.
    void reset();

signals:
    void liveEvaluationChanged(const velkor::EngineEvaluation& evaluation);
    void variationsChanged(const std::vector<velkor::EngineEvaluation>& variations);
    void moveAnalysesChanged(const std::vector<velkor::MoveAnalysis>& analyses);

private:
    EngineEvaluation m_liveEvaluation;
    // Whose engine produced m_liveEvaluation (an engine searches only on its own turn).
    std::optional<PieceColor> m_liveEvaluationColor;
    std::vector<EngineEvaluation> m_variations;
    std::vector<MoveAnalysis> m_moveAnalyses;
    std::optional<PendingEngineMoveEvaluation> m_pendingMove;
};

} // namespace velkor
