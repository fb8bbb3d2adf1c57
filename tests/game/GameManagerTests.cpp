#include "GameManagerFixture.h"

namespace velkor {
namespace {

TEST_F(GameManagerTest, TwoPeoplePlayATimedGameToMate) {
    startGame();
    const std::vector<std::pair<const char*, const char*>> moves{
        {"e2", "e4"}, {"e7", "e5"}, {"f1", "c4"}, {"b8", "c6"},
        {"d1", "h5"}, {"g8", "f6"}, {"h5", "f7"}};
    const double thinking[] = {4, 2, 1, 1, 1, 1, 1};
    for (std::size_t i = 0; i < moves.size(); ++i) {
        time.advance(thinking[i]);
        move(moves[i].first, moves[i].second);
    }
    EXPECT_EQ(manager.board().history().size(), 7u);
    EXPECT_TRUE(manager.isGameOver());
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::checkmate(PieceColor::white));
    EXPECT_EQ(manager.lastMove(), uciMove("h5f7"));
    // The mating move is charged to nobody: the clock stops instead of switching.
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_FALSE(manager.clock().activeColor());
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 303'000);
    EXPECT_EQ(manager.clock().blackRemainingMs(), 305'000);
    ASSERT_EQ(manager.clockHistory().size(), 7u);
    EXPECT_EQ(manager.clockHistory().front(),
              (ChessClock::Snapshot{300'000, 300'000, PieceColor::white, true}));
    EXPECT_EQ(manager.clockHistory().back().whiteRemainingMs, 303'000);

    const std::vector<SoundEffect> expected{
        SoundEffect::move, SoundEffect::move, SoundEffect::move,  SoundEffect::move,
        SoundEffect::move, SoundEffect::move, SoundEffect::check, SoundEffect::gameEnd};
    EXPECT_EQ(soundsOnceDelivered(expected.size()), expected);
    ASSERT_EQ(series.calls.size(), 1u);
    EXPECT_EQ(series.calls.front().reason, GameEndReason::checkmate(PieceColor::white));
    EXPECT_EQ(series.calls.front().fen, manager.board().fen());
    // The series receives the finished game's PGN.
    EXPECT_TRUE(series.calls.front().pgn.contains("[Result \"1-0\"]"));
    EXPECT_TRUE(series.calls.front().pgn.contains("4. Qxf7# 1-0"));
}

TEST_F(GameManagerTest, CapturesIncludingEnPassantSoundAsCaptures) {
    startGame();
    move("e2", "e4");
    move("d7", "d5");
    move("e4", "d5");
    move("c7", "c5");
    move("d5", "c6");
    EXPECT_EQ(manager.board().history().size(), 5u);
    EXPECT_FALSE(manager.board()[sq("c5")]);
    const std::vector<SoundEffect> expected{SoundEffect::move, SoundEffect::move,
                                            SoundEffect::capture, SoundEffect::move,
                                            SoundEffect::capture};
    EXPECT_EQ(soundsOnceDelivered(expected.size()), expected);
}

TEST_F(GameManagerTest, CastlingHasItsOwnSoundUnlessItGivesCheck) {
    startGame();
    for (const auto& [from, to] : {std::pair{"e2", "e4"},
                                   {"e7", "e5"},
                                   {"g1", "f3"},
                                   {"b8", "c6"},
                                   {"f1", "c4"},
                                   {"g8", "f6"},
                                   {"e1", "g1"}}) {
        move(from, to);
    }
    std::vector<SoundEffect> expected(6, SoundEffect::move);
    expected.push_back(SoundEffect::castle);
    EXPECT_EQ(soundsOnceDelivered(expected.size()), expected);

    // Castling into a check on the open file sounds the check.
    manager.loadFEN(QStringLiteral("5k2/8/8/8/8/8/8/4K2R w K - 0 1"));
    move("e1", "g1");
    EXPECT_EQ(soundsOnceDelivered(expected.size() + 1).back(), SoundEffect::check);
}

TEST_F(GameManagerTest, ClicksSelectReselectAndClear) {
    startGame();
    int selectionChanges = 0;
    QObject::connect(&manager, &GameManager::selectedSquareChanged, [&] { ++selectionChanges; });

    click("e4");                             // empty square
    click("e7");                             // the opponent's piece
    manager.handleSquareClick(Square(8, 3)); // off the board
    EXPECT_FALSE(manager.clicks().selectedSquare());
    click("e2");
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("e2"));
    std::vector<Square> expected;
    for (const Move& legal : manager.board().legalMoves(sq("e2"))) {
        expected.push_back(legal.to);
    }
    EXPECT_EQ(manager.clicks().legalDestinations(), expected);
    EXPECT_EQ(expected.size(), 2u);
    click("e2");
    EXPECT_FALSE(manager.clicks().selectedSquare());
    EXPECT_TRUE(manager.clicks().legalDestinations().empty());
    click("g1");
    click("b1");
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("b1"));
    click("e5");
    EXPECT_FALSE(manager.clicks().selectedSquare());
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_EQ(selectionChanges, 5);

    int flips = 0;
    QObject::connect(&manager, &GameManager::isFlippedChanged, [&] { ++flips; });
    manager.flipBoard();
    manager.flipBoard();
    EXPECT_EQ(flips, 2);
    EXPECT_FALSE(manager.isFlipped());
}

TEST_F(GameManagerTest, PromotionWaitsForTheChoice) {
    startGame();
    for (const char* text : {"a2a4", "b7b5", "a4b5", "a7a6", "b5a6", "c8b7", "a6b7", "b8c6"}) {
        const Move next = uciMove(text);
        manager.handleSquareClick(next.from);
        manager.handleSquareClick(next.to);
    }
    ASSERT_EQ(manager.board().history().size(), 8u);
    click("b7");
    // Each promotion piece lists its square once: b8 four times, a8 four times.
    EXPECT_EQ(manager.clicks().legalDestinations().size(), 8u);
    click("a8");
    EXPECT_EQ(manager.clicks().pendingPromotion(), (PendingPromotion{sq("b7"), sq("a8")}));
    EXPECT_EQ(manager.clicks().selectedSquare(), sq("b7"));
    EXPECT_EQ(manager.board().history().size(), 8u);

    manager.cancelPromotion();
    EXPECT_FALSE(manager.clicks().pendingPromotion());
    EXPECT_FALSE(manager.clicks().selectedSquare());
    EXPECT_EQ(manager.board().history().size(), 8u);

    move("b7", "a8");
    manager.confirmPromotion(PieceType::knight);
    EXPECT_FALSE(manager.clicks().pendingPromotion());
    EXPECT_FALSE(manager.clicks().selectedSquare());
    EXPECT_EQ(manager.lastMove(), uciMove("b7a8n"));
    const std::optional<Piece> promoted = manager.board()[sq("a8")];
    ASSERT_TRUE(promoted);
    EXPECT_EQ(*promoted, Piece(PieceType::knight, PieceColor::white));
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::black);
    EXPECT_EQ(lastSoundOnceDelivered(9), SoundEffect::capture);
}

// A choice left open when the flag falls must not add a move to the finished game.
TEST_F(GameManagerTest, PromotionChosenAfterTheEndPlaysNothing) {
    startGame(TimeControlPreset::bullet1_0);
    playFrom("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    move("b7", "b8");
    ASSERT_TRUE(manager.clicks().pendingPromotion());
    time.advance(61.0);
    manager.clock().tick();
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    const std::optional<GameEndReason> flagged = manager.gameEndReason();

    manager.confirmPromotion(PieceType::queen);
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_FALSE(manager.clicks().pendingPromotion());
    EXPECT_FALSE(manager.clicks().selectedSquare());
    EXPECT_EQ(manager.gameEndReason(), flagged);
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
    EXPECT_EQ(series.calls.size(), 1u);
}

// Confirming a promotion obeys the rule of clicks: nothing while paused; the choice is closed
// when the game ends or is stopped.
TEST_F(GameManagerTest, APromotionChoiceWaitsOutAPauseAndGoesWithTheGame) {
    startGame();
    playFrom("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    time.advance(2.0);
    move("b7", "b8");
    ASSERT_TRUE(manager.clicks().pendingPromotion());
    manager.togglePause();
    time.advance(10.0);
    manager.confirmPromotion(PieceType::queen);
    EXPECT_TRUE(manager.board().history().empty()) << "no move while paused";
    EXPECT_TRUE(manager.clicks().pendingPromotion());
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 298'000) << "no increment while paused";

    manager.togglePause();
    manager.confirmPromotion(PieceType::queen);
    ASSERT_EQ(manager.board().history().size(), 1u);
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 301'000);

    // The game ends (Black resigns) or stops while a choice is open: the choice goes with it.
    playFrom("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    for (const bool stop : {false, true}) {
        if (stop) {
            manager.startNewGame();
            ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
            playFrom("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
        }
        move("b7", "b8");
        ASSERT_TRUE(manager.clicks().pendingPromotion());
        if (stop) {
            manager.stopCurrentGame();
        } else {
            manager.resign(PieceColor::black);
        }
        EXPECT_FALSE(manager.clicks().pendingPromotion());
        EXPECT_FALSE(manager.clicks().selectedSquare());
        manager.confirmPromotion(PieceType::queen);
        EXPECT_TRUE(manager.board().history().empty());
    }
}

// Between two people the flag falls and an undo lands before the queued time-out runs: the
// restored clock has time, and the game goes on.
TEST_F(GameManagerTest, AnUndoVoidsATimeOutQueuedForThePositionItTakesBack) {
    startGame(TimeControlPreset::bullet1_0);
    time.advance(1.0);
    move("e2", "e4");
    time.advance(61.0);
    manager.clock().tick();
    manager.undoMove();
    velkor::testing::processEventsFor(std::chrono::milliseconds(30));
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_GT(manager.clock().whiteRemainingMs(), 0);
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_TRUE(series.calls.empty());
}

TEST_F(GameManagerTest, FlagFallEndsTheGameOnceTheTickHasReturned) {
    startGame(TimeControlPreset::blitz3_0);
    time.advance(1.0);
    move("e2", "e4");
    time.advance(180.0);
    manager.clock().tick();
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_FALSE(manager.isGameOver());
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::timeout(PieceColor::white));
    EXPECT_EQ(lastSoundOnceDelivered(2), SoundEffect::gameEnd);
    EXPECT_EQ(series.calls.size(), 1u);
}

TEST_F(GameManagerTest, FlagAgainstALoneKingIsADraw) {
    constexpr const char* queenAgainstKing = "4k3/8/8/8/8/8/8/3QK3 w - - 0 1";
    startGame(TimeControlPreset::bullet1_0);
    playFrom(queenAgainstKing);
    move("d1", "d2");
    time.advance(61.0);
    manager.clock().tick();
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::timeout(PieceColor::white));

    startGame(TimeControlPreset::bullet1_0);
    playFrom(queenAgainstKing);
    time.advance(61.0);
    manager.clock().tick();
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::insufficientMaterial());
    EXPECT_EQ(series.calls.size(), 2u);
}

TEST_F(GameManagerTest, PausingChargesNoTimeAndBlocksClicks) {
    startGame();
    time.advance(4.0);
    move("e2", "e4");
    time.advance(5.0);
    manager.togglePause();
    EXPECT_TRUE(manager.isPaused());
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_EQ(manager.clock().blackRemainingMs(), 295'000);
    click("e7");
    EXPECT_FALSE(manager.clicks().selectedSquare());

    time.advance(100.0);
    manager.togglePause();
    EXPECT_TRUE(manager.clock().isRunning());
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::black);
    time.advance(2.0);
    manager.clock().tick();
    EXPECT_EQ(manager.clock().blackRemainingMs(), 293'000);
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 299'000);
}

TEST_F(GameManagerTest, NothingChangesOnceTheGameIsOver) {
    startGame();
    manager.resign(PieceColor::white);
    EXPECT_TRUE(manager.isGameOver());
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::black));
    EXPECT_FALSE(manager.clock().isRunning());
    click("e2");
    EXPECT_FALSE(manager.clicks().selectedSquare());
    manager.resign(PieceColor::black);
    manager.claimDraw();
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::black));
    EXPECT_EQ(series.calls.size(), 1u);
    EXPECT_EQ(soundsOnceDelivered(1), std::vector{SoundEffect::gameEnd});
}

TEST_F(GameManagerTest, RepetitionEndsNothingUntilClaimed) {
    startGame();
    const char* shuffle[][2] = {{"g1", "f3"}, {"g8", "f6"}, {"f3", "g1"}, {"f6", "g8"}};
    for (const auto& step : shuffle) {
        move(step[0], step[1]);
    }
    manager.claimDraw();
    EXPECT_FALSE(manager.isGameOver());
    for (const auto& step : shuffle) {
        move(step[0], step[1]);
    }
    EXPECT_EQ(manager.board().history().size(), 8u);
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_TRUE(manager.clock().isRunning());
    manager.claimDraw();
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::threefoldRepetition());
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_EQ(lastSoundOnceDelivered(9), SoundEffect::gameEnd);
    EXPECT_EQ(series.calls.size(), 1u);
}

TEST_F(GameManagerTest, AnEngineGameWithoutEnginesWaitsPausedAndTakesNoClicks) {
    manager.setGameMode(GameMode::engineVsEngine);
    manager.startNewGame();
    // No engine is selected, so the game waits for one.
    EXPECT_EQ(manager.engineStatusText(), "No engine configured");
    EXPECT_TRUE(manager.isPaused());
    click("g1");
    EXPECT_FALSE(manager.clicks().selectedSquare());
}

TEST_F(GameManagerTest, AgainstAnEngineTheUserMovesOnlyOnTheirTurn) {
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setColorChoice(PlayerColorChoice::black);
    manager.startNewGame();
    EXPECT_EQ(manager.humanColor(), PieceColor::black);
    EXPECT_TRUE(manager.isFlipped());
    manager.togglePause();
    click("e2");
    EXPECT_FALSE(manager.clicks().selectedSquare());
}

// A promotion to a piece no pawn may become is refused by the board.
TEST_F(GameManagerTest, RefusedMoveLeavesEverythingAsItWas) {
    startGame();
    playFrom("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    move("b7", "b8");
    ASSERT_TRUE(manager.clicks().pendingPromotion());
    manager.confirmPromotion(PieceType::king);
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_TRUE(manager.clockHistory().empty());
    EXPECT_FALSE(manager.lastMove());
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(player.played.empty());
}

// A flag scheduled for one game must not end what happens after it.
TEST_F(GameManagerTest, LateTimeoutsNeverEndAnotherGameOrEndOneTwice) {
    startGame(TimeControlPreset::bullet1_0);
    time.advance(61.0);
    manager.clock().tick();
    manager.startNewGame();
    velkor::testing::processEventsFor(std::chrono::milliseconds(30));
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_TRUE(manager.clock().isRunning());

    time.advance(61.0);
    manager.clock().tick();
    manager.resign(PieceColor::black);
    velkor::testing::processEventsFor(std::chrono::milliseconds(30));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::white));
    EXPECT_EQ(series.calls.size(), 1u);
}

TEST_F(GameManagerTest, PauseBeforePlayBeginsDefersTheClockToTheResume) {
    manager.startNewGame();
    manager.togglePause();
    ASSERT_TRUE(waitUntil([&] { return manager.engineStatusText() == "Ready"; }));
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(manager.clock().isRunning());
    manager.togglePause();
    EXPECT_TRUE(manager.clock().isRunning());
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
}

TEST_F(GameManagerTest, NewGameStartsAfreshAndDrawsRandomColours) {
    startGame();
    move("e2", "e4");
    manager.resign(PieceColor::black);
    manager.setColorChoice(PlayerColorChoice::random);
    startGame(TimeControlPreset::rapid10_0);
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_TRUE(manager.clockHistory().empty());
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_FALSE(manager.gameEndReason());
    EXPECT_FALSE(manager.lastMove());
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 600'000);
    EXPECT_EQ(manager.clock().blackRemainingMs(), 600'000);

    std::set<PieceColor> colours;
    for (int game = 0; game < 64; ++game) {
        manager.startNewGame();
        colours.insert(manager.humanColor());
        EXPECT_FALSE(manager.isFlipped());
    }
    EXPECT_EQ(colours.size(), 2u);
}

TEST_F(GameManagerTest, StopKeepsTheBoardAndHaltsPlay) {
    series.active = false;
    startGame();
    move("e2", "e4");
    manager.stopCurrentGame();
    EXPECT_TRUE(manager.isPaused());
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_FALSE(manager.clock().activeColor());
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_FALSE(manager.isGameOver());
    manager.resign(PieceColor::white);
    EXPECT_TRUE(series.calls.empty());
}

TEST_F(GameManagerTest, SettingsForTheNextGameLeaveTheGameOnTheBoardAlone) {
    startGame();
    move("e2", "e4");
    // Against an engine, Black's clicks would be refused and the players renamed.
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setColorChoice(PlayerColorChoice::white);
    move("e7", "e5");
    EXPECT_EQ(manager.board().history().size(), 2u);
    EXPECT_EQ(manager.playingMode(), GameMode::humanVsHuman);
    EXPECT_EQ(manager.shownGame().white, (ShownPlayer{"Player 1", false, std::nullopt}));
    EXPECT_EQ(manager.shownGame().black, (ShownPlayer{"Player 2", false, std::nullopt}));
    manager.resign(PieceColor::black);
    EXPECT_EQ(manager.shownGame().result, "1-0");
    EXPECT_TRUE(manager.exportPGN().contains("[Black \"Black Player\"]"));

    manager.startNewGame();
    EXPECT_EQ(manager.playingMode(), GameMode::humanVsEngine);
    EXPECT_EQ(manager.shownGame().white.name, "Player");
    EXPECT_EQ(manager.shownGame().black, (ShownPlayer{"UCI Engine", true, std::nullopt}));
}

} // namespace
} // namespace velkor
