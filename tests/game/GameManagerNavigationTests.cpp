#include "EngineGameFixture.h"

namespace velkor {
namespace {

constexpr std::string_view stalemateFEN = "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";

std::string errorMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const DomainError& error) {
        return error.message();
    }
    return "no error";
}

TEST_F(GameManagerTest, LoadingAFinishedPositionShowsItWithoutPlay) {
    startGame();
    manager.loadFEN(QString::fromUtf8(stalemateFEN.data(), stalemateFEN.size()));
    EXPECT_TRUE(manager.isGameOver());
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::stalemate());
    velkor::testing::processEventsFor(std::chrono::milliseconds(30));
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_TRUE(series.calls.empty()) << "a loaded end is no game end of play";
    EXPECT_TRUE(manager.exportPGN().contains("[Result \"1/2-1/2\"]")) << "a stalemate is a draw";
}

TEST_F(GameManagerTest, LoadingAPositionStartsPlayForItsSideToMove) {
    startGame();
    move("e2", "e4");
    time.advance(3);
    manager.loadFEN("rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq - 1 1");
    EXPECT_EQ(manager.board().history().size(), 0u);
    EXPECT_FALSE(manager.lastMove());
    EXPECT_TRUE(manager.clockHistory().empty());
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 300'000);
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::black);
    move("e7", "e5");
    EXPECT_EQ(manager.board().history().size(), 1u);
}

TEST_F(GameManagerTest, ARejectedFenChangesNothing) {
    startGame();
    move("e2", "e4");
    const std::string before = manager.board().fen();
    EXPECT_EQ(errorMessage([&] { manager.loadFEN("8/8/8/8 w - - 0 1"); }),
              "Invalid FEN: rank count != 8");
    EXPECT_EQ(manager.board().fen(), before);
    EXPECT_EQ(manager.lastMove(), uciMove("e2e4"));
    EXPECT_TRUE(manager.clock().isRunning());
    EXPECT_EQ(manager.clockHistory().size(), 1u);
    move("e7", "e5");
    EXPECT_EQ(manager.board().history().size(), 2u) << "play goes on after the rejected text";
}

TEST_F(GameManagerTest, ALoadedGameEndsAsItsBoardShowsOrAsItsRecordSaysWithoutAReason) {
    startGame();
    manager.loadPGN("1. e4 1-0");
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_EQ(manager.lastMove(), uciMove("e2e4"));
    EXPECT_TRUE(manager.isGameOver());
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::recordedResult(PieceColor::white))
        << "nobody is said to have resigned";

    manager.loadPGN("[Result \"0-1\"]\n1. e4 e5");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::recordedResult(PieceColor::black));

    manager.loadPGN("1. e4 e5 1/2-1/2");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::recordedResult(std::nullopt));
    EXPECT_TRUE(manager.exportPGN().contains("[Result \"1/2-1/2\"]"));

    // The board's own end wins over whatever the record says.
    manager.loadPGN("1. f3 e5 2. g4 Qh4# 1-0");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::checkmate(PieceColor::black));
    manager.loadPGN("1. f3 e5 2. g4 Qh4# *");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::checkmate(PieceColor::black));
    manager.loadPGN("[SetUp \"1\"]\n[FEN \"7k/5Q2/8/6K1/8/8/8/8 w - - 0 1\"]\n1. Kg6 1-0");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::stalemate());
    // A drawn record with a repetition on the board names the repetition.
    manager.loadPGN("1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 1/2-1/2");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::threefoldRepetition());
    EXPECT_TRUE(series.calls.empty());
}

TEST_F(GameManagerTest, ALoadedGameKeepsItsTagsCommentsAndGlyphsAndWritesThemBack) {
    startGame();
    const QString file = QStringLiteral(
        "[Event \"Club \\\"Open\\\"\"]\n[Site \"Rotterdam\"]\n[Date \"2019.04.01\"]\n"
        "[Round \"3.2\"]\n[White \"Jos\u00e9\"]\n[Black \"Anna\"]\n[Result \"*\"]\n"
        "[ECO \"C20\"]\n[WhiteElo \"2100\"]\n\n{Before the game} 1. e4 $1 {King's pawn} "
        "(1. d4 d5) e5?! 2. Nf3 *\n");
    const PGNLoadNotes notes = manager.loadPGN(file);
    EXPECT_EQ(notes.variationsSetAside, 1u);
    EXPECT_EQ(manager.gameRecord().tag("White"), QStringLiteral("Jos\u00e9"));
    EXPECT_EQ(manager.gameRecord().tag("Round"), QStringLiteral("3.2"));
    ASSERT_EQ(manager.gameRecord().annotations.size(), 3u);
    EXPECT_EQ(manager.gameRecord().annotations[0], (MoveAnnotation{{1}, "King's pawn"}));
    EXPECT_EQ(manager.gameRecord().annotations[1].nags, std::vector<int>{6});
    EXPECT_EQ(manager.gameRecord().comment, "Before the game");

    // The game goes on; what is written is the file's game with the new move.
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    move("b8", "c6");
    const QString written = manager.exportPGN();
    EXPECT_TRUE(written.startsWith(QStringLiteral(
        "[Event \"Club \\\"Open\\\"\"]\n[Site \"Rotterdam\"]\n[Date \"2019.04.01\"]\n"
        "[Round \"3.2\"]\n[White \"Jos\u00e9\"]\n[Black \"Anna\"]\n[Result \"*\"]\n"
        "[TimeControl \"?\"]\n[ECO \"C20\"]\n[WhiteElo \"2100\"]\n\n")))
        << written.toStdString();
    EXPECT_TRUE(written.contains(
        QStringLiteral("{Before the game} 1. e4 $1 {King's pawn} 1... e5 $6 2. Nf3 Nc6\n")))
        << written.toStdString();

    // Taking a move back takes its glyphs and comment with it.
    for (int step = 0; step < 3; ++step) {
        manager.undoMove();
    }
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_EQ(manager.gameRecord().annotations,
              (std::vector<MoveAnnotation>{{{1}, "King's pawn"}}));

    // Another game replaces all of it.
    manager.startNewGame();
    EXPECT_TRUE(manager.gameRecord().tags.empty());
    EXPECT_TRUE(manager.gameRecord().annotations.empty());
    EXPECT_TRUE(manager.exportPGN().contains("[Event \"Velkor Match\"]"));
    manager.loadPGN(file);
    manager.loadFEN("4k3/8/8/8/8/8/8/R3K3 b - - 0 30");
    EXPECT_TRUE(manager.gameRecord().tags.empty());
}

TEST_F(GameManagerTest, AnUnfinishedLoadedGameContinues) {
    startGame();
    manager.loadPGN("1. e4 *");
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_FALSE(manager.gameEndReason());
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::black);
    move("e7", "e5");
    EXPECT_EQ(manager.board().history().size(), 2u);
}

TEST_F(GameManagerTest, ARejectedPgnChangesNothing) {
    startGame();
    move("d2", "d4");
    const std::string before = manager.board().fen();
    EXPECT_EQ(errorMessage([&] { manager.loadPGN("1. e4 e5 2. Ke3 *"); }),
              "Invalid or ambiguous PGN move 'Ke3' at ply 3.");
    EXPECT_EQ(errorMessage([&] { manager.loadPGN("[SetUp \"1\"]\n[FEN \"x\"]\n*"); }),
              "Invalid FEN: insufficient components");
    EXPECT_EQ(manager.board().fen(), before);
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_TRUE(manager.clock().isRunning());
}

TEST_F(GameManagerTest, ExportsPgnThatReadsBackAndFen) {
    startGame();
    move("e2", "e4");
    move("c7", "c5");
    move("g1", "f3");
    const QString pgn = manager.exportPGN();
    EXPECT_TRUE(pgn.startsWith("[Event \"Velkor Match\"]\n[Site \"Velkor Linux\"]\n[Date \""));
    EXPECT_TRUE(pgn.contains("[Round \"1\"]\n[White \"White Player\"]\n[Black \"Black Player\"]\n"
                             "[Result \"*\"]\n[TimeControl \"300+3\"]\n\n1. e4 c5 2. Nf3\n"));
    EXPECT_FALSE(pgn.contains("SetUp"));
    EXPECT_EQ(manager.exportFEN(),
              "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");

    manager.resign(PieceColor::black);
    EXPECT_TRUE(manager.exportPGN().contains("2. Nf3 1-0\n"));

    manager.loadPGN(pgn);
    EXPECT_EQ(manager.exportFEN(),
              "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
}

TEST_F(GameManagerTest, ExportNamesThePlayersOfTheModeAndTheChosenTimeControl) {
    manager.setGameMode(GameMode::engineVsEngine);
    manager.setTimeControlConfig(
        {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::gameClock()});
    manager.startNewGame();
    EXPECT_TRUE(manager.exportPGN().contains(
        "[White \"White Engine\"]\n[Black \"Black Engine\"]\n[Result \"*\"]\n[TimeControl \"-\"]"));

    manager.setGameMode(GameMode::humanVsEngine);
    manager.setColorChoice(PlayerColorChoice::black);
    manager.startNewGame();
    EXPECT_TRUE(manager.exportPGN().contains("[White \"UCI Engine\"]\n[Black \"Player\"]"));
    manager.loadFEN("4k3/8/8/8/8/8/8/R3K3 b - - 0 30");
    const QString fromFen = manager.exportPGN();
    EXPECT_TRUE(fromFen.contains("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/R3K3 b - - 0 30\"]"));
}

TEST_F(GameManagerTest, UndoTakesBackOneMoveAndRestoresTheClock) {
    startGame();
    time.advance(4);
    move("e2", "e4");
    time.advance(7);
    move("e7", "e5");
    time.advance(2);
    ASSERT_EQ(manager.clockHistory().size(), 2u);
    const ChessClock::Snapshot beforeBlack = manager.clockHistory().back();

    manager.undoMove();
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_EQ(manager.lastMove(), uciMove("e2e4"));
    EXPECT_EQ(manager.clockHistory().size(), 1u);
    EXPECT_EQ(manager.clock().snapshot(), beforeBlack);
    EXPECT_EQ(manager.clock().blackRemainingMs(), 300'000);
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::black);
    EXPECT_TRUE(manager.clock().isRunning());

    manager.undoMove();
    manager.undoMove(); // nothing left: the position stays
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_EQ(manager.board().fen(), standardStartingFEN);
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 300'000);
    EXPECT_FALSE(manager.lastMove());

    move("d2", "d4");
    manager.resign(PieceColor::white);
    manager.undoMove();
    EXPECT_EQ(manager.board().history().size(), 1u) << "no undo after the game ended";
}

TEST_F(GameManagerTest, UndoWhilePausedKeepsTheClockStill) {
    startGame();
    time.advance(4);
    move("e2", "e4");
    time.advance(3);
    manager.togglePause();
    manager.undoMove();
    EXPECT_EQ(manager.board().history().size(), 0u);
    EXPECT_TRUE(manager.isPaused());
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    time.advance(400);
    manager.clock().tick();
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(manager.isGameOver()) << "no flag while paused";
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 300'000);

    manager.togglePause();
    EXPECT_TRUE(manager.clock().isRunning());
    time.advance(2);
    manager.clock().tick();
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 298'000);
}

TEST_F(GameManagerTest, InspectingShowsEarlierPositionsAndBlocksClicks) {
    startGame();
    move("e2", "e4");
    move("e7", "e5");
    move("g1", "f3");

    manager.inspectMove(0);
    EXPECT_TRUE(manager.isInspectingPast());
    EXPECT_EQ(manager.displayedBoard().fen(),
              "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    click("b8");
    EXPECT_FALSE(manager.clicks().selectedSquare()) << "clicks are ignored while looking back";

    manager.inspectMove(2);
    EXPECT_FALSE(manager.isInspectingPast()) << "the last index is the live position";
    EXPECT_EQ(manager.displayedBoard().fen(), manager.board().fen());

    manager.inspectMove(1);
    manager.inspectMove(std::nullopt);
    EXPECT_FALSE(manager.isInspectingPast());
    EXPECT_EQ(manager.displayedBoard().fen(), manager.board().fen());

    manager.inspectMove(57);
    EXPECT_TRUE(manager.isInspectingPast());
    EXPECT_EQ(manager.displayedBoard().fen(), manager.board().fen()) << "out of range: live";
}

TEST_F(GameManagerTest, StepsThroughTheGameAndBackToIt) {
    startGame();
    using Step = GameManager::NavigationStep;
    manager.navigate(Step::start);
    manager.navigate(Step::back);
    EXPECT_FALSE(manager.inspectingMoveIndex()) << "a game without moves has nothing to step to";

    move("e2", "e4");
    move("e7", "e5");
    move("g1", "f3");
    const std::string live = manager.board().fen();
    click("b8");
    ASSERT_TRUE(manager.clicks().selectedSquare());

    manager.navigate(Step::back);
    EXPECT_EQ(manager.displayedMoveIndex(), 1);
    EXPECT_TRUE(manager.isInspectingPast());
    EXPECT_FALSE(manager.clicks().selectedSquare())
        << "a man picked up on the live board is put down";
    EXPECT_EQ(manager.displayedBoard().fen(),
              "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2");
    manager.navigate(Step::back);
    manager.navigate(Step::back);
    EXPECT_EQ(manager.displayedMoveIndex(), -1);
    EXPECT_EQ(manager.displayedBoard().fen(), standardStartingFEN);
    EXPECT_TRUE(manager.isInspectingPast());
    manager.navigate(Step::back);
    EXPECT_EQ(manager.displayedMoveIndex(), -1) << "the first position is as far as it goes";
    click("b8");
    EXPECT_FALSE(manager.clicks().selectedSquare()) << "no play on an earlier position";

    manager.navigate(Step::forward);
    EXPECT_EQ(manager.displayedMoveIndex(), 0);
    manager.navigate(Step::forward);
    manager.navigate(Step::forward);
    EXPECT_FALSE(manager.inspectingMoveIndex()) << "stepping onto the last move is the game";
    EXPECT_EQ(manager.displayedBoard().fen(), live);
    manager.navigate(Step::forward);
    EXPECT_FALSE(manager.inspectingMoveIndex());

    manager.navigate(Step::start);
    EXPECT_EQ(manager.displayedMoveIndex(), -1);
    manager.navigate(Step::end);
    EXPECT_FALSE(manager.isInspectingPast());
    EXPECT_EQ(manager.displayedMoveIndex(), 2);
    // Play went on throughout: the clock never stopped and Black is still to move.
    EXPECT_TRUE(manager.clock().isRunning());
    move("b8", "c6");
    EXPECT_EQ(manager.board().history().size(), 4U);
}

TEST_F(GameManagerTest, AManIsDraggedToItsSquareOrGoesBack) {
    startGame();
    const auto press = [&](const char* square) { manager.handleSquarePress(sq(square)); };
    const auto release = [&](std::optional<const char*> square) {
        manager.handleSquareRelease(square ? std::optional(sq(*square)) : std::nullopt);
    };
    press("e2");
    EXPECT_EQ(manager.clicks().grabbedSquare(), sq("e2"));
    release("e4");
    EXPECT_EQ(manager.board().history().size(), 1U);
    EXPECT_FALSE(manager.clicks().selectedSquare());
    EXPECT_FALSE(manager.clicks().grabbedSquare());

    // A press and release on the same square is a click: pick up, then put down.
    press("g8");
    release("g8");
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("g8"));
    press("g8");
    release("g8");
    EXPECT_FALSE(manager.clicks().selectedSquare());

    // Dropped off the board, on an unreachable square or on its own men, the man goes back and
    // stays picked up, so the next click can still move it.
    press("b8");
    release(std::nullopt);
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("b8"));
    press("b8");
    release("b5");
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("b8"));
    press("b8");
    release("d7");
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("b8"));
    EXPECT_EQ(manager.board().history().size(), 1U);
    click("c6");
    EXPECT_EQ(manager.board().history().size(), 2U);

    // Not White's man while Black is to move, and nothing of White's on Black's turn after it.
    press("c6");
    EXPECT_FALSE(manager.clicks().grabbedSquare());
    release("b4");
    EXPECT_EQ(manager.board().history().size(), 2U);

    // A pawn dropped on the last rank waits for its piece.
    playFrom("8/P6k/8/8/8/8/8/K7 w - - 0 1");
    press("a7");
    release("a8");
    EXPECT_TRUE(manager.board().history().empty());
    ASSERT_TRUE(manager.clicks().pendingPromotion());
    manager.confirmPromotion(PieceType::knight);
    ASSERT_EQ(manager.board().history().size(), 1U);
    const std::optional<Piece> promoted = manager.board()[sq("a8")];
    ASSERT_TRUE(promoted);
    EXPECT_EQ(promoted->type, PieceType::knight);
}

TEST_F(GameManagerTest, AMoveReturnsToTheLivePosition) {
    startGame();
    move("e2", "e4");
    manager.inspectMove(0);
    EXPECT_FALSE(manager.isInspectingPast()) << "a game of one move shows it live";
    move("e7", "e5");
    EXPECT_FALSE(manager.inspectingMoveIndex());
}

TEST_F(GameManagerTest, ReplaySkipsUnreadableMovesAndShowsTheGameAsOver) {
    startGame();
    manager.resign(PieceColor::white);
    series.calls.clear();
    series.active = false;
    manager.replayGame({"e2e4", " E7E5\n", "xx00", "e2e4", "g1f3"}, std::nullopt,
                       QStringLiteral("1-0"));
    EXPECT_EQ(manager.board().history().size(), 3u);
    EXPECT_EQ(manager.lastMove(), uciMove("g1f3"));
    EXPECT_TRUE(manager.isGameOver());
    EXPECT_FALSE(manager.gameEndReason()) << "not the result of the game shown before";
    EXPECT_TRUE(manager.exportPGN().contains("[Result \"*\"]"));
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_TRUE(manager.clockHistory().empty());
    EXPECT_TRUE(series.calls.empty());

    manager.replayGame({"a7a8q"}, QStringLiteral("4k3/P7/8/8/8/8/8/4K3 w - - 0 1"), std::nullopt);
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_EQ(manager.board().history().front().san, "a8=Q+");

    manager.replayGame({"e2e4"}, QStringLiteral("garbage"), std::nullopt);
    EXPECT_EQ(manager.board().initialFEN(), standardStartingFEN);
    EXPECT_EQ(manager.board().history().size(), 1u);

    // A mate shows and exports as the mate it is.
    manager.replayGame({"f2f3", "e7e5", "g2g4", "d8h4"}, std::nullopt, QStringLiteral("0-1"));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::checkmate(PieceColor::black));
    EXPECT_TRUE(manager.exportPGN().contains("[Result \"0-1\"]"));
    EXPECT_TRUE(manager.exportPGN().contains("2. g4 Qh4# 0-1"));
}

TEST_F(EngineGameTest, ReplayingOverAnEngineGameLetsTheMachineSleep) {
    const FakeEngine fake(FakeEngine::handshake());
    series.active = false;
    playAgainst(fake, PieceColor::white);
    ASSERT_TRUE(sleepGuard.isHeld());
    manager.replayGame({"e2e4", "e7e5"}, std::nullopt, std::nullopt);
    EXPECT_FALSE(sleepGuard.isHeld());
    EXPECT_EQ(sleepLog.released, 1);
}

TEST_F(GameManagerTest, ReplayDropsAnOpenPromotionChoice) {
    startGame();
    playFrom("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    move("b7", "b8");
    ASSERT_TRUE(manager.clicks().pendingPromotion());
    series.active = false;
    manager.replayGame({"e2e4"}, std::nullopt, std::nullopt);
    EXPECT_FALSE(manager.clicks().pendingPromotion());
    EXPECT_FALSE(manager.clicks().selectedSquare());
}

} // namespace
} // namespace velkor
