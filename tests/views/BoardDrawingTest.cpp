// Arrows, circles, premoves and the board's look, made with the mouse on the drawn board and
// checked in what it draws.
#include "FakeEngine.h"
#include "FakeEngineConfig.h"
#include "ViewsFixture.h"
#include "game/BoardShapes.h"
#include "game/PremoveQueue.h"
#include "views/BoardAppearance.h"
#include "views/BoardGeometry.h"
#include "views/BoardPalette.h"
#include "views/BoardView.h"
#include "views/MainView.h"
#include "views/PieceGlyph.h"
#include "views/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace velkor {
namespace {

using velkor::testing::waitUntil;

bool near(const QColor& actual, const QColor& expected, int tolerance = 4) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

class BoardDrawingTest : public ViewsTest {
protected:
    BoardDrawingTest() : view(game, engines, automatch, localization) {
        view.resize(1100, 760);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    BoardView& board() { return view.boardView(); }
    QPoint centre(const char* square) { return board().squareCenter(sq(square)); }
    void rightDrag(const char* from, const char* to, Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(&board(), Qt::RightButton, keys, centre(from));
        QTest::mouseMove(&board(), centre(to));
        QTest::mouseRelease(&board(), Qt::RightButton, keys, centre(to));
    }
    void leftClick(const char* square) {
        QTest::mouseClick(&board(), Qt::LeftButton, {}, centre(square));
    }
    QColor pixel(const QPoint& point) {
        const QImage image = board().grab().toImage();
        return image.pixelColor(point * image.devicePixelRatio());
    }
    // A point of a square near its edge: outside a circle's ring and the man.
    QPoint edge(const char* square) {
        const QRectF cell = squareRect(sq(square), board().boardSize(), game.isFlipped())
                                .translated(board().boardRect().topLeft());
        return QPointF(cell.center().x(), cell.top() + 3).toPoint();
    }
    // The top of a circle's ring on a square.
    QPoint ring(const char* square) {
        const QRectF cell = squareRect(sq(square), board().boardSize(), game.isFlipped())
                                .translated(board().boardRect().topLeft());
        return QPointF(cell.center().x(), cell.top() + cell.height() * 0.06).toPoint();
    }

    MainView view;
};

TEST_F(BoardDrawingTest, ArrowsAndCirclesAreDrawnRemovedSavedAndReadBack) {
    game.startNewGame();
    BoardShapes& shapes = BoardShapes::of(game);
    const QColor e3 = pixel(centre("e3"));

    rightDrag("e2", "e4");
    EXPECT_EQ(shapes.shown(), (std::vector<DrawnShape>{{ShapeColor::green, sq("e2"), sq("e4")}}));
    EXPECT_FALSE(near(pixel(centre("e3")), e3)) << "the arrow crosses e3";
    EXPECT_TRUE(pixel(centre("e3")).green() > pixel(centre("e3")).red());

    rightDrag("d5", "d5", Qt::ShiftModifier);
    EXPECT_TRUE(pixel(ring("d5")).red() > 150) << "Shift draws red";
    rightDrag("d5", "d5", Qt::ShiftModifier);
    EXPECT_TRUE(near(pixel(ring("d5")), pixel(edge("d5")))) << "the same circle again removes it";
    rightDrag("c6", "c6", Qt::AltModifier);
    rightDrag("f3", "f3", Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(shapes.shown().size(), 3U);
    EXPECT_EQ(shapes.shown()[1].color, ShapeColor::blue);
    EXPECT_EQ(shapes.shown()[2].color, ShapeColor::yellow);
    // Let go off the board: nothing is drawn.
    QTest::mousePress(&board(), Qt::RightButton, {}, centre("a1"));
    QTest::mouseRelease(&board(), Qt::RightButton, {}, QPoint(-20, -20));
    EXPECT_EQ(shapes.shown().size(), 3U);

    // A left click on the board clears them (and still selects the man under it).
    leftClick("g1");
    EXPECT_TRUE(shapes.shown().empty());
    EXPECT_TRUE(near(pixel(centre("e3")), e3));
    EXPECT_EQ(game.clicks().selectedSquare(), sq("g1"));
    leftClick("f3");

    rightDrag("e7", "e5");
    rightDrag("f6", "f6", Qt::AltModifier);
    const QString pgn = shapes.exportPGN();
    EXPECT_TRUE(pgn.contains("1. Nf3 { [%csl Bf6] [%cal Ge7e5] }")) << pgn.toStdString();

    // Read back, the shapes show on the position they were drawn on.
    game.startNewGame();
    EXPECT_TRUE(shapes.shown().empty());
    game.loadPGN(pgn);
    EXPECT_EQ(shapes.shown().size(), 2U);
    EXPECT_TRUE(pixel(centre("e6")).green() > pixel(centre("e6")).red());
    QTest::keyClick(&board(), Qt::Key_Left);
    EXPECT_TRUE(shapes.shown().empty());
}

TEST_F(BoardDrawingTest, APremoveIsQueuedByClicksShownAndPlayedOrCancelledByTheRightButton) {
    const velkor::testing::FakeEngine fake(velkor::testing::FakeEngine::handshake() +
                                           "once go\nsay bestmove e7e5\n"
                                           "once go\nsay bestmove d7d5\n");
    engines.setSelectedBlackEngine(velkor::testing::fakeEngineConfig(fake));
    EngineSessionOptions options;
    options.engineMovePause = std::chrono::milliseconds(300);
    game.setEngineSessionOptions(options);
    game.setGameMode(GameMode::humanVsEngine);
    game.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return !game.hasEngineStartTask(); }));
    PremoveQueue& premoves = PremoveQueue::of(game);

    leftClick("e2");
    leftClick("e4");
    ASSERT_EQ(game.board().history().size(), 1U);
    const QColor g1 = pixel(edge("g1"));
    leftClick("g1");
    leftClick("f3");
    EXPECT_EQ(premoves.queued(), Move(sq("g1"), sq("f3")));
    EXPECT_FALSE(near(pixel(edge("g1")), g1)) << "the premove is shown";
    ASSERT_TRUE(waitUntil([&] { return game.board().history().size() >= 3; }));
    EXPECT_EQ(game.board().history()[2].move, Move(sq("g1"), sq("f3")));

    // Dragged this time, then taken back by a right click: not played.
    ASSERT_TRUE(waitUntil([&] { return premoves.acceptsInput(); }) ||
                game.board().history().size() == 4);
    if (premoves.acceptsInput()) {
        QTest::mousePress(&board(), Qt::LeftButton, {}, centre("f1"));
        QTest::mouseMove(&board(), centre("c4"));
        QTest::mouseRelease(&board(), Qt::LeftButton, {}, centre("c4"));
        EXPECT_EQ(premoves.queued(), Move(sq("f1"), sq("c4")));
        QTest::mouseClick(&board(), Qt::RightButton, {}, centre("c4"));
        EXPECT_FALSE(premoves.queued());
        EXPECT_TRUE(BoardShapes::of(game).shown().empty()) << "that click draws nothing";
    }
    ASSERT_TRUE(waitUntil([&] { return game.board().history().size() == 4; }));
    velkor::testing::processEventsFor(std::chrono::milliseconds(50));
    EXPECT_EQ(game.board().history().size(), 4U);
    game.stopCurrentGame();
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
}

TEST_F(BoardDrawingTest, TheSettingsWindowChangesTheBoardsLookAndKeepsIt) {
    game.startNewGame();
    BoardAppearance& appearance = BoardAppearance::shared();
    EXPECT_EQ(appearance.themeId(), "wood") << "today's look by default";
    EXPECT_TRUE(near(pixel(edge("a1")), BoardPalette::darkSquare()));
    const QColor knight = pixel(centre("g1"));

    SettingsDialog dialog(appearance, localization);
    dialog.show();
    dialog.themeChoice->setCurrentIndex(1);
    emit dialog.themeChoice->activated(1);
    EXPECT_EQ(appearance.themeId(), "green");
    EXPECT_TRUE(near(pixel(edge("a1")), boardThemes()[1].dark));
    EXPECT_TRUE(near(pixel(edge("b1")), boardThemes()[1].light));

    emit dialog.pieceSetChoice->activated(1);
    EXPECT_EQ(appearance.pieceSet(), PieceSet::vector);
    EXPECT_FALSE(near(pixel(centre("g1")), knight, 0)) << "the other men are drawn";

    leftClick("e2");
    const QPoint dot = centre("e3");
    const QColor marked = pixel(dot);
    dialog.legalMovesChoice->setChecked(false);
    EXPECT_FALSE(appearance.showsLegalMoves());
    EXPECT_FALSE(near(pixel(dot), marked, 1)) << "no dot once switched off";
    EXPECT_TRUE(near(pixel(dot), boardThemes()[1].dark));

    // The next start reads the same look.
    const BoardAppearance next;
    EXPECT_EQ(next.themeId(), "green");
    EXPECT_EQ(next.pieceSet(), PieceSet::vector);
    EXPECT_FALSE(next.showsLegalMoves());
}

// Both sets draw every man: a missing or unreadable drawing paints nothing, silently, so each
// is checked to cover a fair part of its square, stand in its middle, be light or dark as its
// side, and differ from the other men.
TEST_F(BoardDrawingTest, EveryManOfBothSetsIsDrawnCentredInItsSidesColour) {
    constexpr int side = 120;
    for (const PieceSet set : {PieceSet::font, PieceSet::vector}) {
        // Per cent of each man's opaque pixels that are light, by colour and kind.
        std::array<std::array<long, 6>, 2> lightShare{};
        for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
            std::vector<QImage> men;
            for (int kind = 0; kind < 6; ++kind) {
                const auto type = static_cast<PieceType>(kind);
                QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                QPainter painter(&image);
                paintPiece(painter, type, color, QRectF(0, 0, side, side), set);
                painter.end();

                int covered = 0;
                long light = 0;
                int left = side;
                int right = 0;
                for (int y = 0; y < side; ++y) {
                    for (int x = 0; x < side; ++x) {
                        const QColor pixel = image.pixelColor(x, y);
                        if (pixel.alpha() > 200) {
                            ++covered;
                            light += pixel.lightness() > 180 ? 1 : 0;
                            left = std::min(left, x);
                            right = std::max(right, x);
                        }
                    }
                }
                const auto what = ::testing::Message()
                                  << "set " << static_cast<int>(set) << ", colour "
                                  << static_cast<int>(color) << ", man " << kind;
                ASSERT_GT(covered, side * side / 8) << what;
                EXPECT_LT(covered, side * side * 3 / 4) << what;
                EXPECT_NEAR((left + right) / 2.0, side / 2.0, side * 0.06) << what;
                lightShare[color == PieceColor::white ? 0 : 1][kind] = light * 100 / covered;
                for (const QImage& other : men) {
                    EXPECT_NE(image, other) << what;
                }
                men.push_back(image);
            }
        }
        // The font set's thin men are as much edge as body, so only the vector set's bodies,
        // which fill most of each man, are compared.
        for (std::size_t kind = 0; set == PieceSet::vector && kind < 6; ++kind) {
            EXPECT_GT(lightShare[0][kind], lightShare[1][kind] + 30)
                << "the white man is lighter than the black, set " << static_cast<int>(set)
                << ", man " << kind;
        }
    }
}

} // namespace
} // namespace velkor
