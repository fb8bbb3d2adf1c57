#include "LiveAnalysis.h"

#include "platform/Published.h"

#include <utility>

namespace velkor {

void LiveAnalysis::report(PieceColor color, const EngineEvaluation& evaluation,
                          std::vector<EngineEvaluation> lines) {
    if (evaluation.multiPV == 1) {
        platform::publish(this, m_liveEvaluation, evaluation, &LiveAnalysis::liveEvaluationChanged);
        m_liveEvaluationColor = color;
    }
    platform::publish(this, m_variations, std::move(lines), &LiveAnalysis::variationsChanged);
}

std::optional<double> LiveAnalysis::scoreFromWhiteOf(PieceColor color) const {
    // An engine searches only on its own turn, so its evaluations are for `color` to move.
    if (m_liveEvaluationColor != color) {
        return std::nullopt;
    }
    return m_liveEvaluation.scoreFromWhite(color);
}

void LiveAnalysis::gradePendingMove(PieceColor toMove) {
    if (!m_pendingMove) {
        return;
    }
    const std::optional<double> after = scoreFromWhiteOf(toMove);
    if (!after) {
        // Stays pending; the next engine move's entry replaces it, so this move stays ungraded.
        return;
    }
    // Appending is always a change; the list is not copied to find that out.
    m_moveAnalyses.push_back(gradeEngineMove(*m_pendingMove, *after));
    m_pendingMove.reset();
    emit moveAnalysesChanged(m_moveAnalyses);
}

void LiveAnalysis::notePlayedMove(std::int64_t ply, QString san, PieceColor mover,
                                  std::optional<double> before) {
    m_pendingMove.reset();
    if (before) {
        m_pendingMove = PendingEngineMoveEvaluation{ply, std::move(san), mover, *before};
    }
}

void LiveAnalysis::reset() {
    platform::publish(this, m_liveEvaluation, EngineEvaluation(),
                      &LiveAnalysis::liveEvaluationChanged);
    m_liveEvaluationColor.reset();
    platform::publish(this, m_variations, std::vector<EngineEvaluation>(),
                      &LiveAnalysis::variationsChanged);
    platform::publish(this, m_moveAnalyses, std::vector<MoveAnalysis>(),
                      &LiveAnalysis::moveAnalysesChanged);
    m_pendingMove.reset();
}

} // namespace velkor
