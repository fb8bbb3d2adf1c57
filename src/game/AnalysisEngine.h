#pragma once

#include "EngineSeat.h"
#include "chess/ChessBoard.h"
#include "chess/Square.h"
#include "platform/Cancellation.h"
#include "uci/EngineConfiguration.h"
#include "uci/EngineEvaluation.h"
#include "uci/UCIEngineProcess.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velkor {

// One line of the analysis as a person reads it: the score from White's side, how deep and how
// fast the engine looked, and the moves both as the engine sent them and in numbered SAN.
struct AnalysisLine {
    std::int64_t multiPV = 1;
    std::int64_t depth = 0;
    std::optional<WhiteScore> score;
    std::optional<std::int64_t> nps;
    // UCI texts, as legal from the analysed position (an illegal tail is cut off).
    std::vector<std::string> pv;
    // One entry per move of `pv` up to the shown length, with its number where it needs one
    // ("12. Nf3", "12… e5", "Nc6"), so each move can be picked on its own.
    std::vector<QString> moveWords;
    // The words joined, with "…" when the line goes on.
    QString san;

    bool operator==(const AnalysisLine&) const = default;
};

// "+0.35", "-1.20", "0.00"; "#3" when White mates in 3, "#-3" when Black does.
QString analysisScoreText(const WhiteScore& score);

// The depth after which the analysis of a position stops by itself: more threads than lines
// reach further in the same time, so they earn up to six plies more.
std::int64_t analysisTargetDepth(std::int64_t threads, std::int64_t lines);

// An arrow for the first move of a line: how strongly it is drawn, 1 for the best line and less
// the worse a line is than the best, from the mover's point of view.
struct AnalysisArrow {
    Square from;
    Square to;
    double weight = 1.0;

    bool operator==(const AnalysisArrow&) const = default;
};
// The arrows of `lines` (best first) for `mover`; lines two pawns or more worse than the best
// get none, since an arrow for them would only distract from the moves worth playing.
std::vector<AnalysisArrow> analysisArrows(const std::vector<AnalysisLine>& lines, PieceColor mover);

// The position command that lets the engine see repetitions: the position after the last move
// that cannot be taken back (a capture or a pawn move), or the start, and the moves since.
struct AnalysisPosition {
    std::string fen;
    std::vector<std::string> moves;

    bool operator==(const AnalysisPosition&) const = default;
};
AnalysisPosition analysisPosition(const ChessBoard& board);

// The engine that analyses whatever position it is told to follow, beside the game: one
// long-lived UCI process of its own, never one of the game's seats. Stepping from position to
// position sends only "stop", waits for the best move that answers it (dropping it and every
// report of the old search), then the new position and "go infinite"; the process is never
// restarted for it, never told "ucinewgame", and options (lines, threads, hash) are sent only
// while it is idle. A position searched to the target depth is kept and shown again without a
// new search. Main thread.
class AnalysisEngine : public QObject {
    Q_OBJECT

public:
    static constexpr std::int64_t maxLines = 5;

    // `options` sets the handshake limit and kill grace of the process.
    explicit AnalysisEngine(EngineSessionOptions options = {}, QObject* parent = nullptr);
    // Ends the engine ("quit", then a signal if it lingers).
    ~AnalysisEngine() override;
    AnalysisEngine(const AnalysisEngine&) = delete;
    AnalysisEngine& operator=(const AnalysisEngine&) = delete;

    // Whether analysis is wanted; the engine runs only then.
    bool isActive() const { return m_active; }
    // Whether the engine searches right now (also while its last search is being stopped).
    bool isSearching() const { return m_phase == Phase::searching || m_phase == Phase::stopping; }
    // The engine to analyse with; none until one is chosen.
    const std::optional<EngineConfiguration>& engine() const { return m_engine; }
    std::int64_t lineCount() const { return m_lineCount; }
    std::int64_t threads() const { return m_threads; }
    std::int64_t hashMB() const { return m_hashMB; }
    // Whether the target depth is ignored and every search runs until stopped.
    bool isInfinite() const { return m_infinite; }
    // Whether the shown lines reached the target depth (the search then rests).
    bool reachedTarget() const { return m_reachedTarget; }
    std::int64_t targetDepth() const { return analysisTargetDepth(m_threads, m_lineCount); }
    // The lines of the followed position, best first.
    const std::vector<AnalysisLine>& lines() const { return m_lines; }
    // The position being analysed.
    const ChessBoard& position() const { return m_position; }
    // Why the engine could not run, when it could not.
    const std::optional<QString>& failure() const { return m_failure; }
    // The running process; null while none runs. For tests and the raw dialogue.
    const UCIEngineProcess* process() const { return m_process.get(); }

    void setActive(bool active);
    // The position to analyse; its moves are sent from the last irreversible one.
    void follow(const ChessBoard& board);
    // Another engine: the running one is ended and what it found is forgotten.
    void setEngine(const std::optional<EngineConfiguration>& engine);
    void setLineCount(std::int64_t lines);
    void setThreads(std::int64_t threads);
    void setHashMB(std::int64_t hashMB);
    void setInfinite(bool infinite);
    // Searches the followed position past the target depth, until stopped or left.
    void goDeeper();
    // Stops the analysis and tells the engine to quit (the program is closing).
    void shutDown();

signals:
    void isActiveChanged(bool active);
    void isSearchingChanged(bool searching);
    void engineChanged(const std::optional<velkor::EngineConfiguration>& engine);
    void lineCountChanged(qint64 lines);
    void threadsChanged(qint64 threads);
    void hashMBChanged(qint64 hashMB);
    void isInfiniteChanged(bool infinite);
    void reachedTargetChanged(bool reached);
    void linesChanged(const std::vector<velkor::AnalysisLine>& lines);
    void positionChanged(const velkor::ChessBoard& position);
    void failureChanged(const std::optional<QString>& failure);

private:
    // off: no process; starting: its handshake runs; idle: it waits; searching: "go infinite"
    // went out; stopping: "stop" went out and the best move answering it has not come yet.
    enum class Phase { off, starting, idle, searching, stopping };
    struct CachedAnalysis {
        std::vector<AnalysisLine> lines;
    };

    // Moves the engine one step towards what is wanted now; called after every change.
    void reconsider();
    void startProcess();
    QCoro::Task<> runStart(platform::CancellationToken token);
    void beginSearch();
    void stopSearch();
    void sendPendingOptions();
    void endProcess();
    void handleReport(const std::vector<EngineEvaluation>& lines);
    void handleSearchEnded();
    void handleEngineDeath(const QString& message);
    std::string cacheKey() const;
    bool searchIsCurrent() const;
    void setPhase(Phase phase);
    void setLines(std::vector<AnalysisLine> lines);
    void setReachedTarget(bool reached);
    void setFailure(const std::optional<QString>& failure);

    EngineSessionOptions m_options;
    std::unique_ptr<UCIEngineProcess> m_process;
    // Goes with the process: queued reports of an ended engine reach nobody.
    std::unique_ptr<QObject> m_receiver;
    platform::CancellationSource m_startCancel;
    Phase m_phase = Phase::off;
    bool m_active = false;
    std::optional<EngineConfiguration> m_engine;
    std::int64_t m_lineCount = 3;
    std::int64_t m_threads = 2;
    std::int64_t m_hashMB = 64;
    bool m_infinite = false;
    bool m_reachedTarget = false;
    // Options changed since they were last sent.
    bool m_optionsPending = false;
    ChessBoard m_position;
    // The position command and line count of the search under way.
    std::optional<AnalysisPosition> m_searchedPosition;
    std::int64_t m_searchedLines = 0;
    // The position (cache key) "Go deeper" was asked for.
    std::optional<std::string> m_deeperKey;
    std::vector<AnalysisLine> m_lines;
    std::optional<QString> m_failure;
    std::map<std::string, CachedAnalysis> m_cache;
    // Ended processes whose deletion is pending; the destructor deletes those still there.
    std::vector<QPointer<UCIEngineProcess>> m_retired;
};

} // namespace velkor
