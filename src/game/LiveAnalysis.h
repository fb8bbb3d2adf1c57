#pragma once

#include "MoveAnalysis.h"
#include "chess/ChessBoard.h"
#include "chess/PieceColor.h"
#include "uci/EngineEvaluation.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velkor {

// One line of the thinking engine as a person reads it: the score from White's side and the
// moves in SAN with their numbers ("12… Qg3 13. Rxe4").
struct ShownVariation {
    std::int64_t multiPV = 1;
    std::int64_t depth = 0;
    std::optional<WhiteScore> score;
    QString moves;

    bool operator==(const ShownVariation&) const = default;
};

// The moves of `pv` (UCI texts) from `position` in SAN with move numbers, at most `maxMoves` of
// them; a move that is not legal where it stands ends the line there.
QString numberedSanLine(const ChessBoard& position, const std::vector<std::string>& pv,
                        std::size_t maxMoves);

// The analysis shown beside the game: the thinking engine's latest principal line and all its
// lines, and the grades of engine moves by how much they cost their mover. A move is graded once
// the opponent's engine has given its view of the position the move left. It also remembers the
// last score of each position an engine has judged, so that going back to a position shows what
// was known of it. Main thread.
class LiveAnalysis : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        velkor::EngineEvaluation liveEvaluation READ liveEvaluation NOTIFY liveEvaluationChanged)
    Q_PROPERTY(
        std::vector<velkor::EngineEvaluation> variations READ variations NOTIFY variationsChanged)
    Q_PROPERTY(std::vector<velkor::ShownVariation> shownVariations READ shownVariations NOTIFY
                   shownVariationsChanged)
    Q_PROPERTY(
        std::vector<velkor::MoveAnalysis> moveAnalyses READ moveAnalyses NOTIFY moveAnalysesChanged)

public:
    using QObject::QObject;

    // The latest principal line of the engine that is or was last searching; empty at a new game.
    const EngineEvaluation& liveEvaluation() const { return m_liveEvaluation; }
    // All lines of the engine that reported last, in line order.
    const std::vector<EngineEvaluation>& variations() const { return m_variations; }
    // The same lines as a person reads them.
    const std::vector<ShownVariation>& shownVariations() const { return m_shownVariations; }
    // One entry per graded engine move, in game order.
    const std::vector<MoveAnalysis>& moveAnalyses() const { return m_moveAnalyses; }
    // The last engine move, waiting for the opponent's evaluation to be graded.
    const std::optional<PendingEngineMoveEvaluation>& pendingMove() const { return m_pendingMove; }

    // A report of the engine playing `color`, searching `position` (with `color` to move):
    // `evaluation` moves the live evaluation when it is the first line; `lines` are all the
    // engine's lines.
    void report(PieceColor color, const ChessBoard& position, const EngineEvaluation& evaluation,
                std::vector<EngineEvaluation> lines);
    // The live evaluation from White's side, when it is the view of `color`'s engine.
    std::optional<WhiteScore> whiteScoreOf(PieceColor color) const;
    // The last score an engine gave `position`; or, when none judged it, the score of the
    // position before whose expected move led here. None when nothing is known.
    std::optional<WhiteScore> knownScore(const ChessBoard& position) const;
    // Grades the pending move with the evaluation of the engine of `toMove`, the mover's
    // opponent; without one the move stays pending.
    void gradePendingMove(PieceColor toMove);
    // An engine of `mover` played its move (ply `ply`, move number `moveNumber`, `san`); with
    // `before`, the mover's own evaluation before it, the move waits for its grade. An earlier
    // move still pending is dropped either way: its grade could only come from an evaluation of
    // a later position.
    void notePlayedMove(std::int64_t ply, std::int64_t moveNumber, QString san, PieceColor mover,
                        std::optional<WhiteScore> before);
    // Forgets the live evaluation, the lines, the grades and the move waiting for its grade; the
    // scores known of positions stay (an undo goes back to positions already judged).
    void resetKeepingKnownScores();
    // Forgets everything, the known scores too (a new game or a loaded one).
    void reset();

signals:
    void liveEvaluationChanged(const velkor::EngineEvaluation& evaluation);
    void variationsChanged(const std::vector<velkor::EngineEvaluation>& variations);
    void shownVariationsChanged(const std::vector<velkor::ShownVariation>& variations);
    void moveAnalysesChanged(const std::vector<velkor::MoveAnalysis>& analyses);
    // A known score was added or changed, or all were forgotten.
    void knownScoresChanged();

private:
    struct KnownScore {
        WhiteScore score;
        // The engine's expected move (UCI), through which the score also holds for the next
        // position.
        std::string expectedMove;
    };

    EngineEvaluation m_liveEvaluation;
    // Whose engine produced m_liveEvaluation (an engine searches only on its own turn).
    std::optional<PieceColor> m_liveEvaluationColor;
    std::vector<EngineEvaluation> m_variations;
    std::vector<ShownVariation> m_shownVariations;
    std::vector<MoveAnalysis> m_moveAnalyses;
    std::optional<PendingEngineMoveEvaluation> m_pendingMove;
    // By FEN of the judged position.
    std::map<std::string, KnownScore> m_knownScores;
};

} // namespace velkor
