#include "LiveAnalysis.h"

#include "chess/Move.h"
#include "platform/Published.h"

#include <utility>

namespace velkor {

namespace {

// The principal variations show at most this many moves; the rest would only widen the panel.
constexpr std::size_t shownPvMoves = 10;

} // namespace

QString numberedSanLine(const ChessBoard& position, const std::vector<std::string>& pv,
                        std::size_t maxMoves) {
    ChessBoard board = position;
    QStringList words;
    std::size_t shown = 0;
    for (; shown < pv.size() && shown < maxMoves; ++shown) {
        const std::optional<Move> move = Move::fromUci(pv[shown]);
        const std::optional<std::string> san = move ? board.san(*move) : std::nullopt;
        if (!san) {
            return words.join(QLatin1Char(' '));
        }
        if (board.turn() == PieceColor::white) {
            words.append(QString::number(board.fullmoveNumber()) + QLatin1Char('.'));
        } else if (shown == 0) {
            words.append(QString::number(board.fullmoveNumber()) + QStringLiteral("…"));
        }
        words.append(QString::fromStdString(*san));
        board.play(*move);
    }
    if (shown < pv.size()) {
        words.append(QStringLiteral("…"));
    }
    return words.join(QLatin1Char(' '));
}

void LiveAnalysis::report(PieceColor color, const ChessBoard& position,
                          const EngineEvaluation& evaluation, std::vector<EngineEvaluation> lines) {
    if (evaluation.multiPV == 1) {
        platform::publish(this, m_liveEvaluation, evaluation, &LiveAnalysis::liveEvaluationChanged);
        m_liveEvaluationColor = color;
        if (const std::optional<WhiteScore> score = evaluation.whiteScore(color)) {
            KnownScore known{*score, evaluation.pv.empty() ? std::string() : evaluation.pv.front()};
            auto [entry, added] = m_knownScores.try_emplace(position.fen(), known);
            if (added || entry->second.score != known.score ||
                entry->second.expectedMove != known.expectedMove) {
                entry->second = std::move(known);
                emit knownScoresChanged();
            }
        }
    }
    std::vector<ShownVariation> shown;
    shown.reserve(lines.size());
    for (const EngineEvaluation& line : lines) {
        shown.push_back(ShownVariation{line.multiPV, line.depth, line.whiteScore(color),
                                       numberedSanLine(position, line.pv, shownPvMoves)});
    }
    platform::publish(this, m_variations, std::move(lines), &LiveAnalysis::variationsChanged);
    platform::publish(this, m_shownVariations, std::move(shown),
                      &LiveAnalysis::shownVariationsChanged);
}

std::optional<WhiteScore> LiveAnalysis::whiteScoreOf(PieceColor color) const {
    // An engine searches only on its own turn, so its evaluations are for `color` to move.
    if (m_liveEvaluationColor != color) {
        return std::nullopt;
    }
    return m_liveEvaluation.whiteScore(color);
}

std::optional<WhiteScore> LiveAnalysis::knownScore(const ChessBoard& position) const {
    if (m_knownScores.empty()) {
        return std::nullopt;
    }
    if (const auto found = m_knownScores.find(position.fen()); found != m_knownScores.end()) {
        return found->second.score;
    }
    if (position.history().empty()) {
        return std::nullopt;
    }
    ChessBoard before = position;
    const std::string played = position.history().back().move.uciString();
    before.undo();
    const auto found = m_knownScores.find(before.fen());
    if (found == m_knownScores.end() || found->second.expectedMove != played) {
        return std::nullopt;
    }
    return found->second.score.afterExpectedMove(before.turn());
}

void LiveAnalysis::gradePendingMove(PieceColor toMove) {
    if (!m_pendingMove) {
        return;
    }
    const std::optional<WhiteScore> after = whiteScoreOf(toMove);
    if (!after) {
        // Stays pending; the next engine move's entry replaces it, so this move stays ungraded.
        return;
    }
    // Appending is always a change; the list is not copied to find that out.
    m_moveAnalyses.push_back(gradeEngineMove(*m_pendingMove, *after));
    m_pendingMove.reset();
    emit moveAnalysesChanged(m_moveAnalyses);
}

void LiveAnalysis::notePlayedMove(std::int64_t ply, std::int64_t moveNumber, QString san,
                                  PieceColor mover, std::optional<WhiteScore> before) {
    m_pendingMove.reset();
    if (before) {
        m_pendingMove =
            PendingEngineMoveEvaluation{ply, std::move(san), mover, *before, moveNumber};
    }
}

void LiveAnalysis::resetKeepingKnownScores() {
    platform::publish(this, m_liveEvaluation, EngineEvaluation(),
                      &LiveAnalysis::liveEvaluationChanged);
    m_liveEvaluationColor.reset();
    platform::publish(this, m_variations, std::vector<EngineEvaluation>(),
                      &LiveAnalysis::variationsChanged);
    platform::publish(this, m_shownVariations, std::vector<ShownVariation>(),
                      &LiveAnalysis::shownVariationsChanged);
    platform::publish(this, m_moveAnalyses, std::vector<MoveAnalysis>(),
                      &LiveAnalysis::moveAnalysesChanged);
    m_pendingMove.reset();
}

void LiveAnalysis::reset() {
    resetKeepingKnownScores();
    if (!m_knownScores.empty()) {
        m_knownScores.clear();
        emit knownScoresChanged();
    }
}

} // namespace velkor
