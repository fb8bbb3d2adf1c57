#include "EngineGameFixture.h"
#include "game/PremoveQueue.h"

namespace velkor {
namespace {

using PremoveTest = EngineGameTest;

// The queue takes the person's press and release the way the board hands them on.
void drag(PremoveQueue& queue, const char* from, const char* to) {
    queue.press(sq(from));
    queue.release(sq(to));
}

TEST_F(PremoveTest, AQueuedMoveIsPlayedOnTheEnginesMoveWithoutChargingTheClock) {
    const FakeEngine fake(FakeEngine::handshake() +
                          answering({{"e7e5", "cp 20"}, {"b8c6", "cp 15"}}));
    playAgainst(fake, PieceColor::white);
    PremoveQueue& premoves = PremoveQueue::of(manager);
    EXPECT_FALSE(premoves.acceptsInput()) << "on the person's own turn the clicks are moves";

    time.advance(4);
    move("e2", "e4");
    ASSERT_EQ(manager.board().history().size(), 1U);
    ASSERT_TRUE(premoves.acceptsInput());
    // Picked by a click, then a click on the target.
    premoves.press(sq("g1"));
    premoves.release(sq("g1"));
    EXPECT_EQ(premoves.pickedSquare(), sq("g1"));
    premoves.press(sq("f3"));
    EXPECT_EQ(premoves.queued(), uciMove("g1f3"));
    const std::int64_t whiteBefore = manager.clock().whiteRemainingMs();

    // The engine may answer the premove before the wait looks: three plies or more.
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() >= 3; }));
    EXPECT_EQ(manager.board().history()[1].move, uciMove("e7e5"));
    EXPECT_EQ(manager.board().history()[2].move, uciMove("g1f3"));
    EXPECT_FALSE(premoves.queued());
    EXPECT_EQ(manager.clock().whiteRemainingMs(), whiteBefore + 3000)
        << "no time charged, the increment added";
    EXPECT_TRUE(received(fake, "position startpos moves e2e4 e7e5 g1f3"))
        << "the engine is asked for its reply to the premove";
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 4; }));
}

TEST_F(PremoveTest, AnIllegalPremoveIsDroppedAndARightClickOrTheGamesEndCancelsOne) {
    const FakeEngine fake(FakeEngine::handshake() +
                          answering({{"e7e5", "cp 20"}, {"d7d5", "cp 15"}}));
    playAgainst(fake, PieceColor::white);
    PremoveQueue& premoves = PremoveQueue::of(manager);

    move("e2", "e4");
    // The pawn push is blocked by the engine's answer: dropped, and the person's turn is theirs.
    drag(premoves, "e4", "e5");
    EXPECT_EQ(premoves.queued(), uciMove("e4e5"));
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    velkor::testing::processEventsFor(50ms);
    EXPECT_EQ(manager.board().history().size(), 2U);
    EXPECT_FALSE(premoves.queued());
    EXPECT_EQ(manager.board().turn(), PieceColor::white);

    move("g1", "f3");
    // Onto a square of the person's own men nothing is queued.
    drag(premoves, "f1", "g2");
    drag(premoves, "f1", "f3");
    EXPECT_FALSE(premoves.queued());
    drag(premoves, "f1", "b5");
    EXPECT_TRUE(premoves.queued());
    premoves.cancel();
    EXPECT_FALSE(premoves.queued());
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 4; }));
    velkor::testing::processEventsFor(50ms);
    EXPECT_EQ(manager.board().history().size(), 4U) << "a cancelled premove is not played";

    move("f1", "b5");
    drag(premoves, "e1", "g1");
    manager.resign(PieceColor::white);
    EXPECT_FALSE(premoves.queued()) << "the game's end drops the premove";
    EXPECT_FALSE(premoves.acceptsInput());
}

} // namespace
} // namespace velkor
