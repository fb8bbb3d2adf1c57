// The analysis in the window: started from the menu, its lines in the panel and as arrows over
// the board, a line played on the analysis board by a click and moves added there by clicks,
// and the engine stopped when the panel is hidden.
#include "FakeEngine.h"
#include "MainWindow.h"
#include "ViewsFixture.h"
#include "game/AnalysisEngine.h"
#include "game/AnalysisVariation.h"
#include "views/BoardView.h"
#include "views/MainView.h"

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>

namespace velkor {
namespace {

using velkor::testing::FakeEngine;
using velkor::testing::waitUntil;

// Green dominates the drawn colour: an arrow lies there.
bool isArrowGreen(const QColor& color) {
    return color.green() > color.red() + 20 && color.green() > color.blue() + 20;
}

TEST_F(ViewsTest, AnalysisByMenuShowsLinesArrowsAndAnAnalysisBoardThatLeavesTheGameAlone) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\n"
                          "say info depth 12 multipv 1 score cp 35 nps 120000 pv e2e4 e7e5 g1f3\n"
                          "say info depth 12 multipv 2 score cp 5 nps 120000 pv d2d4 d7d5\n"
                          "say info depth 12 multipv 3 score cp -400 nps 120000 pv g2g4 e7e5\n"
                          "on stop\nsay bestmove e2e4\n");
    EngineConfiguration config = EngineConfiguration::makeNew("Fake", fake.path(), {});
    config.threads = 1;
    engines.setAvailableEngines({config});
    MainWindow window(game, engines, automatch, localization, sounds, {});
    window.resize(1300, 800);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));

    QAction* analyse = window.findChild<QAction*>(QStringLiteral("analyseAction"));
    ASSERT_NE(analyse, nullptr);
    EXPECT_EQ(analyse->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+A")));
    analyse->trigger();
    auto* dock = window.findChild<QDockWidget*>(QStringLiteral("analysisDock"));
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isVisible());
    auto* first = window.findChild<QLabel*>(QStringLiteral("analysisLine1"));
    ASSERT_TRUE(waitUntil([&] { return first->text().contains("Nf3"); }));
    EXPECT_TRUE(first->text().contains("1. e4"));

    // The best move's arrow covers e3 on its way from e2 to e4; the far worse g4 gets none.
    BoardView& board = window.mainView().boardView();
    const QImage drawn = board.grab().toImage();
    const qreal ratio = drawn.devicePixelRatio();
    const auto colourAt = [&](const char* square) {
        return drawn.pixelColor(board.squareCenter(sq(square)) * ratio);
    };
    EXPECT_TRUE(isArrowGreen(colourAt("e3")));
    EXPECT_TRUE(isArrowGreen(colourAt("d3")));
    EXPECT_FALSE(isArrowGreen(colourAt("g3")));

    // The first line up to its second move on the analysis board, then a move there by clicks.
    emit first->linkActivated(QStringLiteral("2"));
    AnalysisVariation& variation = window.analysisBoard();
    ASSERT_TRUE(variation.isActive());
    // The layer over the board takes the clicks while the analysis board is shown; it covers
    // the board exactly, so the board's square centres hold for it.
    auto* layer = board.findChild<QWidget*>(QStringLiteral("analysisArrows"));
    ASSERT_NE(layer, nullptr);
    EXPECT_FALSE(layer->testAttribute(Qt::WA_TransparentForMouseEvents));
    QTest::mouseClick(layer, Qt::LeftButton, {}, board.squareCenter(sq("g1")));
    QTest::mouseClick(layer, Qt::LeftButton, {}, board.squareCenter(sq("f3")));
    EXPECT_EQ(variation.playedSan(), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    EXPECT_TRUE(game.board().history().empty()) << "the game record is untouched";
    // Sent from the last pawn move, e5, so the engine could see repetitions.
    ASSERT_TRUE(waitUntil([&] {
        const QStringList received = fake.receivedCommands();
        return std::any_of(received.begin(), received.end(), [](const QString& command) {
            return command.startsWith("position fen rnbqkbnr/pppp1ppp/8/4p3/4P3/") &&
                   command.endsWith(" moves g1f3");
        });
    }));

    auto* back = window.findChild<QPushButton*>(QStringLiteral("analysisBackToGame"));
    ASSERT_NE(back, nullptr);
    back->click();
    EXPECT_FALSE(variation.isActive());
    EXPECT_TRUE(layer->testAttribute(Qt::WA_TransparentForMouseEvents));
    // The game's own board takes clicks again.
    QTest::mouseClick(&board, Qt::LeftButton, {}, board.squareCenter(sq("e2")));
    QTest::mouseClick(&board, Qt::LeftButton, {}, board.squareCenter(sq("e4")));
    EXPECT_EQ(game.board().history().size(), 1U);

    // Hiding the panel stops the engine.
    dock->close();
    EXPECT_FALSE(window.analysis().isActive());
    EXPECT_FALSE(analyse->isChecked());
    ASSERT_TRUE(waitUntil([&] { return !window.analysis().isSearching(); }));
    EXPECT_EQ(fake.receivedCommands().last(), "stop");
}

} // namespace
} // namespace velkor
