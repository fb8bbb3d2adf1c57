// A game played by clicks on the drawn board, checked against what the views draw.
#include "ViewsFixture.h"
#include "views/BoardGeometry.h"
#include "views/BoardPalette.h"
#include "views/BoardView.h"
#include "views/EvaluationBarView.h"
#include "views/MainView.h"
#include "views/PlayerBannerView.h"
#include "views/PromotionOverlay.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cmath>

namespace velkor {
namespace {

using velkor::testing::waitUntil;

// A colour blended over another with the given opacity, as the marks are drawn.
QColor over(const QColor& base, const QColor& tint) {
    const double a = tint.alphaF();
    return QColor::fromRgbF(static_cast<float>(base.redF() * (1 - a) + tint.redF() * a),
                            static_cast<float>(base.greenF() * (1 - a) + tint.greenF() * a),
                            static_cast<float>(base.blueF() * (1 - a) + tint.blueF() * a));
}

::testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance = 3) {
    if (std::abs(actual.red() - expected.red()) <= tolerance &&
        std::abs(actual.green() - expected.green()) <= tolerance &&
        std::abs(actual.blue() - expected.blue()) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "colour " << actual.name().toStdString()
                                         << " instead of " << expected.name().toStdString();
}

class BoardPlayTest : public ViewsTest {
protected:
    BoardPlayTest() : view(game, engines, automatch, localization) {
        view.resize(1100, 760);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    BoardView& board() { return view.boardView(); }

    void click(const char* square) {
        QTest::mouseClick(&board(), Qt::LeftButton, {}, board().squareCenter(sq(square)));
    }

    // The board as drawn, and a point of a square away from the man and the coordinates.
    QImage drawn() { return board().grab().toImage(); }
    QColor edgeOf(const QImage& image, const char* square) {
        const QRectF cell = squareRect(sq(square), board().boardSize(), game.isFlipped())
                                .translated(board().boardRect().topLeft());
        return image.pixelColor(QPointF(cell.center().x(), cell.top() + 2).toPoint() *
                                image.devicePixelRatio());
    }
    QColor centreOf(const QImage& image, const char* square) {
        return image.pixelColor(board().squareCenter(sq(square)) * image.devicePixelRatio());
    }
    QColor squareColour(const char* square) {
        return sq(square).isLight() ? BoardPalette::lightSquare() : BoardPalette::darkSquare();
    }
    // A man's body is filled in its colour's tone: a good part of the square shows that tone.
    bool showsMan(const QImage& image, const char* square, const QColor& fill) {
        const QRectF cell = squareRect(sq(square), board().boardSize(), game.isFlipped())
                                .translated(board().boardRect().topLeft());
        const double ratio = image.devicePixelRatio();
        const QRect pixels(QPointF(cell.topLeft() * ratio).toPoint(),
                           QPointF(cell.bottomRight() * ratio).toPoint());
        int matching = 0;
        for (int y = pixels.top(); y < pixels.bottom(); ++y) {
            for (int x = pixels.left(); x < pixels.right(); ++x) {
                matching += near(image.pixelColor(x, y), fill, 6) ? 1 : 0;
            }
        }
        return matching > pixels.width() * pixels.height() / 60;
    }
    bool showsWhiteMan(const QImage& image, const char* square) {
        return showsMan(image, square, BoardPalette::whitePieceFill());
    }
    bool showsBlackMan(const QImage& image, const char* square) {
        return showsMan(image, square, BoardPalette::blackPieceFill());
    }

    MainView view;
};

TEST_F(BoardPlayTest, ClicksPlayAGameAndTheBoardBannersAndBarShowIt) {
    game.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));
    QImage image = drawn();
    EXPECT_TRUE(near(edgeOf(image, "a1"), BoardPalette::darkSquare(), 1));
    EXPECT_TRUE(near(edgeOf(image, "h1"), BoardPalette::lightSquare(), 1));
    EXPECT_TRUE(near(edgeOf(image, "e4"), BoardPalette::lightSquare(), 1));
    // At any scale factor every square covers whole device pixels.
    for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
        const double side = crispBoardSide(701, 655, ratio);
        EXPECT_DOUBLE_EQ(std::fmod(side * ratio, 8.0), 0.0);
        EXPECT_GT(side * ratio, 655 * ratio - 8);
    }
    EXPECT_TRUE(showsWhiteMan(image, "d2"));
    EXPECT_TRUE(showsBlackMan(image, "e8"));
    EXPECT_EQ(view.bottomBanner().banner().name, "Player 1");
    EXPECT_EQ(view.topBanner().banner().name, "Player 2");
    EXPECT_TRUE(view.bottomBanner().banner().isActiveTurn);
    EXPECT_EQ(view.bottomBanner().banner().timeString, "5:00");

    // Picking up the e-pawn: the square turns blue and its destinations get dots.
    click("e2");
    image = drawn();
    EXPECT_TRUE(near(edgeOf(image, "e2"), over(squareColour("e2"), BoardPalette::selection())));
    EXPECT_TRUE(
        near(centreOf(image, "e4"), over(squareColour("e4"), BoardPalette::destinationDot())));
    EXPECT_TRUE(near(centreOf(image, "e5"), squareColour("e5"), 1));

    click("e4");
    click("d7");
    click("d5");
    click("e4");
    click("d5");
    EXPECT_EQ(game.board().history().size(), 3U);
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "d5"));
    EXPECT_TRUE(near(edgeOf(image, "e4"), over(squareColour("e4"), BoardPalette::lastMove())));
    EXPECT_TRUE(near(edgeOf(image, "e2"), squareColour("e2"), 1));
    EXPECT_TRUE(view.topBanner().banner().isActiveTurn);
    EXPECT_FALSE(view.bottomBanner().banner().isActiveTurn);
    ASSERT_EQ(view.bottomBanner().banner().capturedPieces.size(), 1U);
    EXPECT_EQ(view.bottomBanner().banner().capturedPieces[0].type, PieceType::pawn);
    EXPECT_EQ(view.bottomBanner().banner().capturedPieces[0].color, PieceColor::black);
    EXPECT_EQ(view.bottomBanner().banner().materialAdvantage, 1);
    EXPECT_EQ(view.topBanner().banner().materialAdvantage, -1);

    // An earlier position: its men, its last move and its material, while the game stays.
    game.inspectMove(0);
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "e4"));
    EXPECT_TRUE(showsBlackMan(image, "d7"));
    EXPECT_TRUE(near(edgeOf(image, "e2"), over(squareColour("e2"), BoardPalette::lastMove())));
    EXPECT_TRUE(view.bottomBanner().banner().capturedPieces.empty());
    EXPECT_EQ(view.bottomBanner().banner().materialAdvantage, 0);
    click("d8"); // clicks are ignored while looking back
    EXPECT_FALSE(game.clicks().selectedSquare());
    game.inspectMove(std::nullopt);
    EXPECT_EQ(view.bottomBanner().banner().materialAdvantage, 1);

    // Flipped: White's men at the top, White's banner on top, the bar's white end on top.
    game.flipBoard();
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "d2"));
    EXPECT_LT(board().squareCenter(sq("d2")).y(), board().squareCenter(sq("d7")).y());
    EXPECT_EQ(view.topBanner().banner().color, PieceColor::white);
    EXPECT_EQ(view.topBanner().banner().name, "Player 1");
    EXPECT_EQ(view.bottomBanner().banner().capturedPieces.size(), 0U);
    EvaluationBarView& bar = view.evaluationBar();
    EXPECT_TRUE(bar.isFlipped());
    EngineEvaluation blackBehind;
    blackBehind.scoreCp = -400;
    bar.setScore(blackBehind.whiteScore(PieceColor::black));
    const QImage barImage = bar.grab().toImage();
    const auto barPixel = [&](double fraction) {
        return barImage.pixelColor(
            QPoint(bar.width() / 2, static_cast<int>(bar.height() * fraction)) *
            barImage.devicePixelRatio());
    };
    EXPECT_GT(barPixel(0.4).lightness(), 200);
    EXPECT_LT(barPixel(0.9).lightness(), 80);
    EXPECT_EQ(bar.scoreText(), "+4.00");
    // Without a score the bar stands even and shows no figure.
    bar.setScore(std::nullopt);
    EXPECT_EQ(bar.scoreText(), "");
    EXPECT_DOUBLE_EQ(bar.whiteFraction(), 0.5);
    bar.setScore(blackBehind.whiteScore(PieceColor::black));
    game.flipBoard();
    const QImage unflippedBar = bar.grab().toImage();
    EXPECT_LT(unflippedBar
                  .pixelColor(QPoint(bar.width() / 2, bar.height() / 10) *
                              unflippedBar.devicePixelRatio())
                  .lightness(),
              80);
    EXPECT_EQ(view.bottomBanner().banner().color, PieceColor::white);
}

TEST_F(BoardPlayTest, MenAreDraggedOrClickedAndTheKeysStepThroughTheGame) {
    game.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));
    const auto centre = [&](const char* square) { return board().squareCenter(sq(square)); };

    // Dragged: the man follows the pointer and leaves only a trace on its square.
    QTest::mousePress(&board(), Qt::LeftButton, {}, centre("e2"));
    QTest::mouseMove(&board(), (centre("e2") + centre("e3")) / 2);
    QTest::mouseMove(&board(), centre("e3"));
    QImage image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "e3"));
    EXPECT_FALSE(showsWhiteMan(image, "e2"));
    QTest::mouseRelease(&board(), Qt::LeftButton, {}, centre("e4"));
    ASSERT_EQ(game.board().history().size(), 1U);
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "e4"));
    EXPECT_FALSE(showsWhiteMan(image, "e3"));

    // Clicked: press and release on each square.
    click("e7");
    click("e5");
    ASSERT_EQ(game.board().history().size(), 2U);

    // Dropped where it cannot go, or off the board, the man is back on its square.
    QTest::mousePress(&board(), Qt::LeftButton, {}, centre("g1"));
    QTest::mouseMove(&board(), centre("g3"));
    QTest::mouseRelease(&board(), Qt::LeftButton, {}, centre("g3"));
    QTest::mousePress(&board(), Qt::LeftButton, {}, centre("g1"));
    QTest::mouseMove(&board(), QPoint(-30, -30));
    QTest::mouseRelease(&board(), Qt::LeftButton, {}, QPoint(-30, -30));
    EXPECT_EQ(game.board().history().size(), 2U);
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "g1"));
    EXPECT_FALSE(showsWhiteMan(image, "g3"));
    // Still picked up: a click on its square now finishes the move.
    click("f3");
    ASSERT_EQ(game.board().history().size(), 3U);

    // The board took the keys with the first press: back, back, to the start and to the end.
    auto* backToGame = view.findChild<QPushButton*>("backToGameButton");
    ASSERT_NE(backToGame, nullptr);
    EXPECT_FALSE(backToGame->isVisible());
    QTest::keyClick(&board(), Qt::Key_Left);
    EXPECT_EQ(game.displayedMoveIndex(), 1);
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "g1"));
    EXPECT_TRUE(showsBlackMan(image, "e5"));
    EXPECT_TRUE(backToGame->isVisible()) << "a way back to the game while looking back";
    QTest::keyClick(&board(), Qt::Key_Home);
    image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "e2"));
    EXPECT_FALSE(showsWhiteMan(image, "e4"));
    QTest::keyClick(&board(), Qt::Key_Right);
    EXPECT_EQ(game.displayedMoveIndex(), 0);
    QTest::keyClick(&board(), Qt::Key_End);
    EXPECT_FALSE(game.isInspectingPast());
    EXPECT_FALSE(backToGame->isVisible());
    QTest::keyClick(&board(), Qt::Key_Left);
    QTest::keyClick(&board(), Qt::Key_Left);
    ASSERT_TRUE(backToGame->isVisible());
    QTest::mouseClick(backToGame, Qt::LeftButton);
    EXPECT_FALSE(game.isInspectingPast());
    EXPECT_TRUE(showsWhiteMan(drawn(), "f3"));

    // Resigning from the bar asks first; only the confirmation ends the game.
    auto* resign = view.findChild<QToolButton*>("resignButton");
    ASSERT_NE(resign, nullptr);
    QTest::mouseClick(resign, Qt::LeftButton);
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (question = view.findChild<QMessageBox*>()) != nullptr; }));
    EXPECT_FALSE(game.isGameOver());
    QTest::mouseClick(question->findChild<QAbstractButton*>("confirmButton"), Qt::LeftButton);
    EXPECT_EQ(game.gameEndReason(), GameEndReason::resignation(PieceColor::white))
        << "Black, to move, resigned";
}

TEST_F(BoardPlayTest, TheBannersAndTheGameStateTabBothShowThePositionShown) {
    game.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));
    for (const char* square : {"e2", "e4", "d7", "d5", "e4", "d5", "d8", "d5"}) {
        click(square);
    }
    ASSERT_EQ(game.board().history().size(), 4U) << "1. e4 d5 2. exd5 Qxd5";
    auto* whiteTook = view.findChild<QLabel*>("whiteCaptured");
    auto* blackTook = view.findChild<QLabel*>("blackCaptured");
    auto* material = view.findChild<QLabel*>("materialBalance");
    ASSERT_TRUE(whiteTook && blackTook && material);
    const QString blackPawn =
        QString::fromUtf8(Piece(PieceType::pawn, PieceColor::black).unicodeSymbol().data());
    const QString whitePawn =
        QString::fromUtf8(Piece(PieceType::pawn, PieceColor::white).unicodeSymbol().data());
    const auto step = [&](const char* button) {
        auto* control = view.findChild<QAbstractButton*>(button);
        ASSERT_NE(control, nullptr) << button;
        QTest::mouseClick(control, Qt::LeftButton);
    };
    // White's banner is the bottom one; each shows the men its side took and its lead.
    const auto expectShown = [&](const std::vector<Piece>& byWhite,
                                 const std::vector<Piece>& byBlack, std::int64_t whiteLead,
                                 const QString& tabMaterial) {
        EXPECT_EQ(view.bottomBanner().banner().capturedPieces, byWhite);
        EXPECT_EQ(view.topBanner().banner().capturedPieces, byBlack);
        EXPECT_EQ(view.bottomBanner().banner().materialAdvantage, whiteLead);
        EXPECT_EQ(whiteTook->text().toStdString(),
                  (byWhite.empty() ? QString() : blackPawn).toStdString());
        EXPECT_EQ(blackTook->text().toStdString(),
                  (byBlack.empty() ? QString() : whitePawn).toStdString());
        EXPECT_EQ(material->text().toStdString(), tabMaterial.toStdString());
    };
    const std::vector<Piece> none;
    const std::vector<Piece> onePawn{Piece(PieceType::pawn, PieceColor::black)};
    const std::vector<Piece> theirPawn{Piece(PieceType::pawn, PieceColor::white)};
    expectShown(onePawn, theirPawn, 0, "Equal position");

    // One step back: the position after 2. exd5, where White is a pawn up.
    step("navigateBack");
    ASSERT_EQ(game.displayedMoveIndex(), 2);
    expectShown(onePawn, none, 1, "White +1");
    step("navigateStart");
    expectShown(none, none, 0, "Equal position");
    step("navigateForward");
    step("navigateForward");
    step("navigateForward");
    expectShown(onePawn, none, 1, "White +1");
    // Back in the game: the live position again.
    step("navigateEnd");
    EXPECT_FALSE(game.isInspectingPast());
    expectShown(onePawn, theirPawn, 0, "Equal position");
}

TEST_F(BoardPlayTest, TheEvaluationBarStaysBesideTheBoardInAWideWindow) {
    for (const QSize size : {QSize(1900, 760), QSize(900, 1000), QSize(1100, 760)}) {
        view.resize(size);
        QApplication::processEvents();
        const QRect bar(view.evaluationBar().mapTo(&view, QPoint()), view.evaluationBar().size());
        const QRectF drawnBoard = board().boardRect().translated(board().mapTo(&view, QPoint()));
        EXPECT_NEAR(drawnBoard.left() - (bar.right() + 1), 8, 2) << size.width();
        EXPECT_NEAR(bar.height(), drawnBoard.height(), 2) << size.width();
        EXPECT_NEAR(bar.top(), drawnBoard.top(), 2) << size.width();
    }
}

TEST_F(BoardPlayTest, APromotionIsChosenOnTheBoardOrCancelled) {
    game.loadFEN(QStringLiteral("7k/4P3/8/8/8/8/8/4K3 w - - 0 1"));
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));
    PromotionOverlay& overlay = board().promotionOverlay();
    const auto board_ = [&] { return game.board().fen(); };
    const std::string before = board_();

    // Cancel with the button: nothing moved, nothing selected. The four promotions share one
    // destination mark of the usual tone.
    click("e7");
    EXPECT_TRUE(
        near(centreOf(drawn(), "e8"), over(squareColour("e8"), BoardPalette::destinationDot())));
    click("e8");
    ASSERT_TRUE(overlay.isVisible());
    EXPECT_EQ(overlay.choiceButton(PieceType::knight).text(), "Knight");
    const QImage dimmed = drawn();
    EXPECT_LT(edgeOf(dimmed, "a1").lightness(), BoardPalette::darkSquare().lightness() - 20);
    QTest::mouseClick(&overlay.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(board_(), before);
    EXPECT_FALSE(game.clicks().selectedSquare());

    // Cancel by clicking the dimmed board around the choice.
    click("e7");
    click("e8");
    ASSERT_TRUE(overlay.isVisible());
    QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(board_(), before);

    // Choose the queen: it stands on e8 and gives check, and the king shows the red disc.
    click("e7");
    click("e8");
    ASSERT_TRUE(overlay.isVisible());
    QTest::mouseClick(&overlay.choiceButton(PieceType::queen), Qt::LeftButton);
    EXPECT_FALSE(overlay.isVisible());
    const auto promoted = game.board()[sq("e8")];
    ASSERT_TRUE(promoted);
    EXPECT_EQ(promoted->type, PieceType::queen);
    const QImage image = drawn();
    EXPECT_TRUE(showsWhiteMan(image, "e8"));
    const QRectF king =
        squareRect(sq("h8"), board().boardSize(), false).translated(board().boardRect().topLeft());
    // Inside the disc, in the corner the king's glyph leaves free.
    const QColor glow = image.pixelColor(
        QPointF(king.left() + king.width() * 0.27, king.top() + king.height() * 0.27).toPoint() *
        image.devicePixelRatio());
    EXPECT_TRUE(near(glow, over(BoardPalette::darkSquare(), BoardPalette::check()), 6));
}

} // namespace
} // namespace velkor
