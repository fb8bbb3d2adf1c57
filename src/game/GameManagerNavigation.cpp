// Loading positions and games, writing them out, taking moves back and showing earlier
// positions: the parts of the game session that replace or browse the game rather than play it.
#include "GameManager.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

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

void GameManager::resetNavigation() {
    setInspectingMoveIndex(std::nullopt);
    dropPendingPromotion();
}

void GameManager::loadFEN(const QString& fen) {
    // Read first: a rejected text must not cost the running game its engines.
    ChessBoard loaded(fen.toStdString());
    discardEngines();
    setGameRecord({}, {}, {});
    setBoard(std::move(loaded));
    resetNavigation();
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
    launchEngines(setupEnginesForGame(), true);
    // The earlier engines are gone; the lock follows the new ones at once.
    updateKeepAwake();
}

PGNLoadNotes GameManager::loadPGN(const QString& text) {
    ParsedPGN parsed = PGNParser::parse(text.toStdString());
    discardEngines();
    // Before the board, so views redrawn for the new board already see its players.
    setGameRecord(orderedTags(parsed), std::move(parsed.gameComment),
                  std::move(parsed.annotations));
    setBoard(std::move(parsed.board));
    resetNavigation();
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
        launchEngines(setupEnginesForGame(), true);
    }
    updateKeepAwake();
    return PGNLoadNotes{parsed.variationsSetAside};
}

QString GameManager::exportFEN() const {
    return QString::fromStdString(m_board.fen());
}

QString GameManager::exportPGN() const {
    QString white;
    QString black;
    switch (m_gameMode) {
    case GameMode::humanVsEngine: {
        const PieceColor engineColor = opponent(m_humanColor);
        const QString engine = engineName(engineColor).value_or(QStringLiteral("UCI Engine"));
        white = m_humanColor == PieceColor::white ? QStringLiteral("Player") : engine;
        black = m_humanColor == PieceColor::black ? QStringLiteral("Player") : engine;
        break;
    }
    case GameMode::engineVsEngine:
        white = engineName(PieceColor::white).value_or(QStringLiteral("White Engine"));
        black = engineName(PieceColor::black).value_or(QStringLiteral("Black Engine"));
        break;
    case GameMode::humanVsHuman:
        white = QStringLiteral("White Player");
        black = QStringLiteral("Black Player");
        break;
    }
    PGNGame game{"Velkor Match",
                 platformSite,
                 PGNGame::currentDateString(),
                 "1",
                 white.toStdString(),
                 black.toStdString(),
                 std::string(pgnResultToken(m_gameEndReason)),
                 m_gameTimeControl.pgnString().toStdString(),
                 m_board.initialFEN(),
                 m_board.history()};
    if (!m_gameTags.empty()) {
        // A loaded game is written back as it was read: its own roster and other tags (an
        // absent roster tag as the PGN sign for unknown), comments and glyphs.
        game.event = tagOr(m_gameTags, "Event", "?");
        game.site = tagOr(m_gameTags, "Site", "?");
        game.date = tagOr(m_gameTags, "Date", "????.??.??");
        game.round = tagOr(m_gameTags, "Round", "?");
        game.white = tagOr(m_gameTags, "White", "?");
        game.black = tagOr(m_gameTags, "Black", "?");
        game.timeControl = tagOr(m_gameTags, "TimeControl", "?");
        game.otherTags = m_gameTags;
    }
    game.gameComment = m_gameComment;
    game.annotations = m_moveAnnotations;
    return QString::fromStdString(game.exportPGN());
}

void GameManager::undoMove() {
    if (m_isGameOver) {
        return;
    }
    cancelEngineMoveTask();
    stopEngines();
    // A time-out already queued was measured in the position being taken back.
    ++m_playGeneration;
    const std::size_t historyLength = m_board.history().size();
    const std::size_t count =
        m_gameMode == GameMode::humanVsEngine && m_board.turn() == m_humanColor
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
        if (m_moveAnnotations.size() > m_board.history().size()) {
            std::vector<MoveAnnotation> kept(
                m_moveAnnotations.begin(),
                m_moveAnnotations.begin() + static_cast<std::ptrdiff_t>(m_board.history().size()));
            setGameRecord(m_gameTags, m_gameComment, std::move(kept));
        }
        emit boardChanged(m_board);
    }
    setLastMove(lastMoveOf(m_board));
    resetNavigation();
    // The grades belong to the game as it was played: all of them go.
    m_analysis.reset();
    if (restored) {
        m_clock.restore(*restored);
        // A paused game stays paused: its clock would otherwise run, and could flag, while no
        // move can be made.
        if (m_isPaused) {
            m_clock.pause();
        }
    }
    if (m_gameMode != GameMode::humanVsHuman) {
        restartEnginesForCurrentPosition();
    }
}

void GameManager::inspectMove(std::optional<std::int64_t> index) {
    setInspectingMoveIndex(index);
}

ChessBoard GameManager::displayedBoard() const {
    const auto& history = m_board.history();
    if (!m_inspectingMoveIndex || *m_inspectingMoveIndex < 0 ||
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

void GameManager::replayGame(const QStringList& moves, const std::optional<QString>& initialFEN,
                             const std::optional<QString>& /*reason*/) {
    ChessBoard board;
    try {
        board =
            ChessBoard(initialFEN ? initialFEN->toStdString() : std::string(standardStartingFEN));
    } catch (const DomainError&) {
        board = ChessBoard();
    }
    setGameRecord({}, {}, {});
    for (const QString& text : moves) {
        // Unreadable or illegal moves are skipped: a stored record may be damaged.
        if (const std::optional<Move> move = Move::fromUci(text.toStdString())) {
            board.play(*move);
        }
    }
    setBoard(std::move(board));
    setLastMove(lastMoveOf(m_board));
    setIsGameOver(true);
    // What is shown and exported is the replayed game's end as its board tells it (a game
    // stopped before its end reads as one in progress), never the game shown before.
    setGameEndReason(m_board.gameEndReason());
    setEngineFailureMessage(std::nullopt);
    // A time-out queued for the game shown before must not end this one.
    ++m_playGeneration;
    // An open promotion choice belonged to the game that was shown before.
    resetNavigation();
    m_clock.stop();
    m_clockHistory.clear();
    // The game shown is over: an engine game it replaced no longer keeps the machine awake.
    updateKeepAwake();
}

} // namespace velkor
