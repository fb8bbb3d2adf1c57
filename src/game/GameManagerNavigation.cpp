// Loading positions and games, writing them out, taking moves back and showing earlier
// positions: the parts of the game session that replace or browse the game rather than play it.
#include "GameManager.h"
#include "GameManagerEngineTurns.h"
#include "GameManagerMoves.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

#include <algorithm>

namespace velkor {

namespace {

// The end of a loaded game: the board's own where it shows one (mate, stalemate, dead
// position ...), else a drawn record's claimable draw on the board, else the record's result as
// it stands. The record never says why a game was won, so no reason is made up for it.
std::optional<GameEndReason> endReasonOfLoadedGame(const std::string& result,
                                                   const ChessBoard& board) {
    if (std::optional<GameEndReason> shown = board.gameEndReason()) {
        return shown;
    }
    if (result == "1-0") {
        return GameEndReason::recordedResult(PieceColor::white);
    }
    if (result == "0-1") {
        return GameEndReason::recordedResult(PieceColor::black);
    }
    if (result == "1/2-1/2") {
        return board.claimableDrawReason().value_or(GameEndReason::recordedResult(std::nullopt));
    }
    return std::nullopt;
}

// The loaded tags in the file's order.
std::vector<std::pair<std::string, std::string>> orderedTags(const ParsedPGN& parsed) {
    std::vector<std::pair<std::string, std::string>> tags;
    tags.reserve(parsed.tagOrder.size());
    for (const std::string& name : parsed.tagOrder) {
        tags.emplace_back(name, parsed.tags.at(name));
    }
    return tags;
}

// A tag of the loaded game for the export, or the PGN sign for an unknown value.
std::string tagOr(const std::vector<std::pair<std::string, std::string>>& tags,
                  std::string_view name, std::string_view unknown) {
    for (const auto& [tagName, value] : tags) {
        if (tagName == name) {
            return value;
        }
    }
    return std::string(unknown);
}

// The PGN Site tag: the program and the system the game was played on.
#if defined(Q_OS_MACOS)
constexpr const char* platformSite = "Velkor macOS";
#elif defined(Q_OS_WIN)
constexpr const char* platformSite = "Velkor Windows";
#else
constexpr const char* platformSite = "Velkor Linux";
#endif

std::optional<Move> lastMoveOf(const ChessBoard& board) {
    if (board.history().empty()) {
        return std::nullopt;
    }
    return board.history().back().move;
}

} // namespace

void GameManager::Moves::resetNavigation(GameManager& gm) {
    gm.setInspectingMoveIndex(std::nullopt);
    dropPendingPromotion(gm);
}

void GameManager::loadFEN(const QString& fen) {
    // Read first: a rejected text must not cost the running game its engines.
    ChessBoard loaded(fen.toStdString());
    m_turns->discardEngines();
    setGameRecord({});
    setBoard(std::move(loaded));
    beginPlayingMode();
    Moves::resetNavigation(*this);
    setLastMove(std::nullopt);
    setIsGameOver(false);
    setEngineFailureMessage(std::nullopt);
    setGameEndReason(std::nullopt);
    m_analysis.reset();
    m_clockHistory.clear();
    setIsPaused(false);
    m_gameTimeControl = m_timeControlConfig;
    m_clock.reset(m_gameTimeControl);

    if (const std::optional<GameEndReason> reason = m_board.gameEndReason()) {
        // A finished position is only shown: no engines, no clock, nobody told.
        setIsGameOver(true);
        setGameEndReason(reason);
        updateKeepAwake();
        return;
    }
    m_turns->launchEngines(m_turns->setupEnginesForGame(), true);
    // The earlier engines are gone; the lock follows the new ones at once.
    updateKeepAwake();
}

PGNLoadNotes GameManager::loadPGN(const QString& text) {
    ParsedPGN parsed = PGNParser::parse(text.toStdString());
    m_turns->discardEngines();
    // Before the board, so views redrawn for the new board already see its players.
    setGameRecord(
        {orderedTags(parsed), std::move(parsed.gameComment), std::move(parsed.annotations)});
    setBoard(std::move(parsed.board));
    beginPlayingMode();
    // The game's own players stay its players, also while engines continue it.
    ShownGame shown = m_shownGame;
    shown.origin = ShownGame::Origin::loaded;
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        const auto tag = parsed.tags.find(color == PieceColor::white ? "White" : "Black");
        ShownPlayer& player = color == PieceColor::white ? shown.white : shown.black;
        if (tag != parsed.tags.end() && !tag->second.empty() && tag->second != "?") {
            player = ShownPlayer{QString::fromStdString(tag->second), false, std::nullopt};
        }
    }
    setShownGame(shown);
    Moves::resetNavigation(*this);
    setLastMove(lastMoveOf(m_board));
    m_analysis.reset();
    m_clockHistory.clear();
    setIsPaused(false);
    m_gameTimeControl = m_timeControlConfig;
    m_clock.reset(m_gameTimeControl);

    const std::optional<GameEndReason> reason = endReasonOfLoadedGame(parsed.result, m_board);
    setGameEndReason(reason);
    setIsGameOver(reason.has_value());
    // A finished game keeps the earlier engine failure message; a game that goes on drops it,
    // or its later end would be reported (to a running series too) as that old failure.
    if (!m_isGameOver) {
        setEngineFailureMessage(std::nullopt);
        m_turns->launchEngines(m_turns->setupEnginesForGame(), true);
    }
    updateKeepAwake();
    return PGNLoadNotes{parsed.variationsSetAside};
}

QString GameManager::exportFEN() const {
    return QString::fromStdString(m_board.fen());
}

QString GameManager::exportPGN() const {
    // A stored game is written as it was recorded: its players, strengths and result.
    if (m_shownGame.origin == ShownGame::Origin::stored && !m_shownGame.pgn.isEmpty()) {
        return m_shownGame.pgn;
    }
    QString white;
    QString black;
    if (m_shownGame.origin != ShownGame::Origin::live) {
        white = m_shownGame.white.name;
        black = m_shownGame.black.name;
    } else {
        switch (m_playingMode) {
        case GameMode::humanVsEngine: {
            const PieceColor engineColor = opponent(m_humanColor);
            const QString engine =
                m_turns->engineName(engineColor).value_or(QStringLiteral("UCI Engine"));
            white = m_humanColor == PieceColor::white ? QStringLiteral("Player") : engine;
            black = m_humanColor == PieceColor::black ? QStringLiteral("Player") : engine;
            break;
        }
        case GameMode::engineVsEngine:
            white = m_turns->engineName(PieceColor::white).value_or(QStringLiteral("White Engine"));
            black = m_turns->engineName(PieceColor::black).value_or(QStringLiteral("Black Engine"));
            break;
        case GameMode::humanVsHuman:
            white = QStringLiteral("White Player");
            black = QStringLiteral("Black Player");
            break;
        }
    }
    const std::string result = m_shownGame.origin == ShownGame::Origin::stored
                                   ? m_shownGame.result.toStdString()
                                   : std::string(pgnResultToken(m_gameEndReason));
    PGNGame game{"Velkor Match",
                 platformSite,
                 PGNGame::currentDateString(),
                 "1",
                 white.toStdString(),
                 black.toStdString(),
                 result,
                 m_gameTimeControl.pgnString().toStdString(),
                 m_board.initialFEN(),
                 m_board.history()};
    if (!m_gameRecord.tags.empty()) {
        // A loaded game is written back as it was read: its own roster and other tags (an
        // absent roster tag as the PGN sign for unknown), comments and glyphs.
        game.event = tagOr(m_gameRecord.tags, "Event", "?");
        game.site = tagOr(m_gameRecord.tags, "Site", "?");
        game.date = tagOr(m_gameRecord.tags, "Date", "????.??.??");
        game.round = tagOr(m_gameRecord.tags, "Round", "?");
        game.white = tagOr(m_gameRecord.tags, "White", "?");
        game.black = tagOr(m_gameRecord.tags, "Black", "?");
        game.timeControl = tagOr(m_gameRecord.tags, "TimeControl", "?");
        game.otherTags = m_gameRecord.tags;
    }
    game.gameComment = m_gameRecord.comment;
    game.annotations = m_gameRecord.annotations;
    return QString::fromStdString(game.exportPGN());
}

void GameManager::undoMove() {
    if (m_isGameOver) {
        return;
    }
    m_turns->cancelEngineMoveTask();
    m_turns->stopEngines();
    // A time-out already queued was measured in the position being taken back.
    ++m_playGeneration;
    const std::size_t historyLength = m_board.history().size();
    const std::size_t count =
        m_playingMode == GameMode::humanVsEngine && m_board.turn() == m_humanColor
            ? std::min<std::size_t>(2, historyLength)
            : 1;
    std::optional<ChessClock::Snapshot> restored;
    bool changed = false;
    for (std::size_t step = 0; step < count; ++step) {
        if (!m_board.undo()) {
            break;
        }
        changed = true;
        if (!m_clockHistory.empty()) {
            restored = m_clockHistory.back();
            m_clockHistory.pop_back();
        }
    }
    if (changed) {
        // Glyphs and comments of the moves taken back go with them.
        if (m_gameRecord.annotations.size() > m_board.history().size()) {
            LoadedGameRecord kept = m_gameRecord;
            kept.annotations.resize(m_board.history().size());
            setGameRecord(std::move(kept));
        }
        emit boardChanged(m_board);
    }
    setLastMove(lastMoveOf(m_board));
    Moves::resetNavigation(*this);
    // The grades belong to the game as it was played: all of them go. What engines said of the
    // positions stays, so the position gone back to shows its score.
    m_analysis.resetKeepingKnownScores();
    if (restored) {
        m_clock.restore(*restored);
        // A paused game stays paused: its clock would otherwise run, and could flag, while no
        // move can be made.
        if (m_isPaused) {
            m_clock.pause();
        }
    }
    if (m_playingMode != GameMode::humanVsHuman) {
        m_turns->restartEnginesForCurrentPosition();
    }
}

void GameManager::inspectMove(std::optional<std::int64_t> index) {
    setInspectingMoveIndex(index);
}

std::int64_t GameManager::displayedMoveIndex() const {
    const auto last = static_cast<std::int64_t>(m_board.history().size()) - 1;
    if (m_inspectingMoveIndex && *m_inspectingMoveIndex >= -1 && *m_inspectingMoveIndex < last) {
        return *m_inspectingMoveIndex;
    }
    return last;
}

void GameManager::navigate(NavigationStep step) {
    const auto last = static_cast<std::int64_t>(m_board.history().size()) - 1;
    const std::int64_t current = displayedMoveIndex();
    std::int64_t target = current;
    switch (step) {
    case NavigationStep::start:
        target = -1;
        break;
    case NavigationStep::back:
        target = std::max<std::int64_t>(-1, current - 1);
        break;
    case NavigationStep::forward:
        target = std::min(last, current + 1);
        break;
    case NavigationStep::end:
        target = last;
        break;
    }
    if (target == current && (target != last || !m_inspectingMoveIndex)) {
        return;
    }
    if (target == last) {
        setInspectingMoveIndex(std::nullopt);
        return;
    }
    // A man picked up or a promotion chosen on the live board has no meaning on an earlier one.
    Moves::dropPendingPromotion(*this);
    setInspectingMoveIndex(target);
}

ChessBoard GameManager::displayedBoard() const {
    const auto& history = m_board.history();
    if (!m_inspectingMoveIndex || *m_inspectingMoveIndex < -1 ||
        *m_inspectingMoveIndex >= static_cast<std::int64_t>(history.size())) {
        return m_board;
    }
    try {
        ChessBoard board(m_board.initialFEN());
        for (std::int64_t index = 0; index <= *m_inspectingMoveIndex; ++index) {
            board.play(history[static_cast<std::size_t>(index)].move);
        }
        return board;
    } catch (const DomainError&) {
        return m_board;
    }
}

bool GameManager::replayGame(const QStringList& moves, const std::optional<QString>& initialFEN,
                             const std::optional<QString>& reason) {
    StoredGame game;
    game.movesUCI = moves;
    game.initialFEN = initialFEN;
    // Nothing is known of the players: PGN's word for an unknown name.
    game.white = ShownPlayer{QStringLiteral("?"), false, std::nullopt};
    game.black = game.white;
    game.reasonText = reason;
    return replayGame(game);
}

bool GameManager::replayGame(const StoredGame& stored) {
    // The running series owns the game on the board; replacing it would leave the series
    // waiting for an end that never comes.
    if (m_seriesObserver && m_seriesObserver->isAutomatchActive()) {
        return false;
    }
    ChessBoard board;
    try {
        board = ChessBoard(stored.initialFEN ? stored.initialFEN->toStdString()
                                             : std::string(standardStartingFEN));
    } catch (const DomainError&) {
        board = ChessBoard();
    }
    setGameRecord({});
    for (const QString& text : stored.movesUCI) {
        // Unreadable or illegal moves are skipped: a stored record may be damaged.
        if (const std::optional<Move> move = Move::fromUci(text.toStdString())) {
            board.play(*move);
        }
    }
    // The game shown before goes entirely: its engines (whose names and answers would still
    // reach the views), its evaluation, lines and grades, and any queued time-out.
    m_turns->discardEngines();
    m_analysis.reset();
    m_hasStartedGame = true;
    setBoard(std::move(board));
    setLastMove(lastMoveOf(m_board));
    setIsPaused(false);
    setEngineFailureMessage(std::nullopt);
    setEngineStatusText(QStringLiteral("Ready"));
    setIsGameOver(true);
    ShownGame shown;
    shown.origin = ShownGame::Origin::stored;
    shown.white = stored.white;
    shown.black = stored.black;
    shown.reasonText = stored.reasonText;
    shown.pgn = stored.pgn;
    // The stored end where the record names one, else the board's own (a mate it shows).
    const std::optional<GameEndReason> reason =
        stored.endReason ? stored.endReason : m_board.gameEndReason();
    shown.result = stored.result != QStringLiteral("*") || !reason
                       ? stored.result
                       : QString::fromUtf8(pgnResultToken(reason));
    setShownGame(shown);
    setGameEndReason(reason);
    Moves::resetNavigation(*this);
    m_clockHistory.clear();
    // The clocks as they stood when the stored game ended; a game without a clock shows none.
    if (stored.whiteRemainingMs && stored.blackRemainingMs) {
        m_clock.reset(
            TimeControlConfig{TimeControlPreset::custom, 1, 0, EngineThinkingMode::gameClock()});
        m_clock.restore(ChessClock::Snapshot{*stored.whiteRemainingMs, *stored.blackRemainingMs,
                                             std::nullopt, false});
    } else {
        m_clock.reset(
            TimeControlConfig{TimeControlPreset::unlimited, 0, 0, EngineThinkingMode::gameClock()});
    }
    // The game shown is over: an engine game it replaced no longer keeps the machine awake.
    updateKeepAwake();
    return true;
}

} // namespace velkor
