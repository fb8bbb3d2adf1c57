// Live analysis: the thinking engine's evaluation for the evaluation bar and the panel, and the
// grading of engine moves by how much they cost their mover.
#include "GameManager.h"
#include "platform/Published.h"

namespace velkor {

void GameManager::handleEvaluationUpdate(const EngineEvaluation& evaluation,
                                         UCIEngineProcess* from) {
    // A replaced engine's report, delivered late, says nothing about the position in play.
    const std::optional<PieceColor> color = colorOf(from);
    if (!color) {
        return;
    }
    if (evaluation.multiPV == 1) {
        setLiveEvaluation(evaluation);
        m_liveEvaluationColor = color;
    }
    setAnalysisVariations(from->analysisLines());
}

std::optional<double> GameManager::liveScoreFromWhiteOf(PieceColor color) const {
    // An engine searches only on its own turn, so its evaluations are for `color` to move.
    if (m_liveEvaluationColor != color) {
        return std::nullopt;
    }
    return m_liveEvaluation.scoreFromWhite(color);
}

void GameManager::finalizePendingEngineMoveAnalysis() {
    if (!m_pendingEngineMoveEvaluation) {
        return;
    }
    const std::optional<double> after = liveScoreFromWhiteOf(m_board.turn());
    if (!after) {
        // Stays pending; the next engine move's entry replaces it, so this move stays ungraded.
        return;
    }
    // Appending is always a change; the list is not copied to find that out.
    m_moveAnalyses.push_back(gradeEngineMove(*m_pendingEngineMoveEvaluation, *after));
    m_pendingEngineMoveEvaluation.reset();
    emit moveAnalysesChanged(m_moveAnalyses);
}

void GameManager::resetAnalysis() {
    setLiveEvaluation(EngineEvaluation());
    m_liveEvaluationColor.reset();
    setAnalysisVariations({});
    setMoveAnalyses({});
    m_pendingEngineMoveEvaluation.reset();
}

void GameManager::setLiveEvaluation(const EngineEvaluation& evaluation) {
    platform::publish(this, m_liveEvaluation, evaluation, &GameManager::liveEvaluationChanged);
}

void GameManager::setAnalysisVariations(std::vector<EngineEvaluation> variations) {
    platform::publish(this, m_analysisVariations, std::move(variations),
                      &GameManager::analysisVariationsChanged);
}

void GameManager::setMoveAnalyses(std::vector<MoveAnalysis> analyses) {
    platform::publish(this, m_moveAnalyses, std::move(analyses), &GameManager::moveAnalysesChanged);
}

} // namespace velkor
