// The control panel, operated as a person would: clicks, picks and typing on the panel alone,
// then what the managers did and what the panel shows.
#include "FakeEngine.h"
#include "PanelClicks.h"
#include "PanelWorld.h"
#include "QtTestSupport.h"
#include "views/panel/AutomatchHistoryModel.h"
#include "views/panel/EngineRow.h"
#include "views/panel/EnginesTab.h"
#include "views/panel/EvaluationCurve.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

namespace velkor {
namespace testing {
namespace {

using namespace std::chrono_literals;

// What a pick from a combo box's list does.
void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void playMove(GameManager& games, const char* from, const char* to) {
    games.handleSquareClick(*Square::parse(from));
    games.handleSquareClick(*Square::parse(to));
}

// Turns the mouse wheel by `notches` (positive: towards the person, scrolling down) over `target`.
void turnWheel(QWidget* target, int notches) {
    const QPointF local = QRectF(target->rect()).center();
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, -120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

QString badgeText(RightPanelView& panel) {
    return find<QLabel>(panel, QStringLiteral("statusBadgeText"))->text();
}

class RightPanelViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.localization.setCurrentLanguage(Language::english);
        world.panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&world.panel));
    }
    // Engine coroutines sleeping on the event loop end before the process does.
    void TearDown() override { processEventsFor(250ms); }

    PanelWorld world;
    RightPanelView& panel = world.panel;
    GameManager& games = world.games;
};

TEST_F(RightPanelViewTest, SetsUpAndStartsAGameFromTheNewGameTab) {
    click(panel, QStringLiteral("tabButton_3"));
    EXPECT_EQ(panel.selectedTab(), RightPanelView::newGameTab);

    // Every change of the thinking mode or its value is written back at once.
    click(panel, QStringLiteral("thinkingMode_2"));
    find<QSlider>(panel, QStringLiteral("depthSlider"))->setValue(3);
    EXPECT_EQ(games.timeControlConfig().engineThinkingMode, EngineThinkingMode::fixedDepth(3));
    click(panel, QStringLiteral("thinkingMode_1"));
    find<QSlider>(panel, QStringLiteral("moveTimeSlider"))->setValue(3);
    EXPECT_EQ(games.timeControlConfig().engineThinkingMode, EngineThinkingMode::fixedMoveTime(1.5));

    choose(find<QComboBox>(panel, QStringLiteral("gameModePicker")), 2);
    EXPECT_EQ(games.gameMode(), GameMode::humanVsHuman);
    // The colour and the engines only matter against an engine.
    EXPECT_FALSE(find(panel, QStringLiteral("colorPicker"))->isVisible());
    EXPECT_FALSE(find(panel, QStringLiteral("whiteEnginePicker"))->isVisible());

    // Custom times cannot reach a game lost before it starts: no base below one minute, no
    // negative increment, nothing beyond three hours or a minute per move.
    EXPECT_FALSE(find(panel, QStringLiteral("customBaseSlider"))->isVisible());
    click(panel, QStringLiteral("timeChip_custom"));
    auto* base = find<QSlider>(panel, QStringLiteral("customBaseSlider"));
    auto* increment = find<QSlider>(panel, QStringLiteral("customIncrementSlider"));
    ASSERT_TRUE(base->isVisible());
    base->setValue(0);
    EXPECT_EQ(games.timeControlConfig().customBaseMinutes, 1);
    base->setValue(1000);
    EXPECT_EQ(games.timeControlConfig().customBaseMinutes, 180);
    increment->setValue(-5);
    EXPECT_EQ(games.timeControlConfig().customIncrementSeconds, 0);
    increment->setValue(99);
    EXPECT_EQ(games.timeControlConfig().customIncrementSeconds, 60);
    base->setValue(12);
    increment->setValue(7);
    EXPECT_EQ(games.timeControlConfig(),
              (TimeControlConfig{TimeControlPreset::custom, 12, 7,
                                 EngineThinkingMode::fixedMoveTime(1.5)}));

    playMove(games, "e2", "e4");
    click(panel, QStringLiteral("startGameButton"));
    ASSERT_TRUE(waitUntil([&] { return games.clock().isRunning(); }));
    EXPECT_TRUE(games.board().history().empty());
    EXPECT_LE(games.clock().whiteRemainingMs(), 12 * 60'000);
    EXPECT_GT(games.clock().whiteRemainingMs(), 12 * 60'000 - 2'000);
    EXPECT_EQ(badgeText(panel), "White to move");

    // The game state tab follows the moves and inspects an earlier one on a click.
    click(panel, QStringLiteral("tabButton_0"));
    EXPECT_TRUE(find(panel, QStringLiteral("noMovesYet"))->isVisible());
    playMove(games, "e2", "e4");
    playMove(games, "e7", "e5");
    auto* moves = find<QTableWidget>(panel, QStringLiteral("moveList"));
    ASSERT_EQ(moves->rowCount(), 1);
    EXPECT_EQ(moves->item(0, 0)->text(), "e4");
    EXPECT_EQ(moves->item(0, 1)->text(), "e5");
    EXPECT_EQ(find<QLabel>(panel, QStringLiteral("movesCount"))->text(), "1")
        << "one move each is the first move, not two";
    EXPECT_EQ(badgeText(panel), "White to move");
    QTest::mouseClick(moves->viewport(), Qt::LeftButton, {},
                      moves->visualItemRect(moves->item(0, 0)).center());
    EXPECT_EQ(games.inspectingMoveIndex(), 0);
    EXPECT_TRUE(moves->item(0, 0)->font().bold());

    click(panel, QStringLiteral("undoButton"));
    EXPECT_EQ(games.board().history().size(), 1U);
}

TEST_F(RightPanelViewTest, TheWheelScrollsThePanelUntilAControlIsClickedInto) {
    // Short enough that the new game tab needs scrolling.
    panel.resize(400, 520);
    click(panel, QStringLiteral("tabButton_3"));
    auto* scroll = static_cast<QScrollArea*>(
        find<QStackedWidget>(panel, QStringLiteral("panelTabs"))->currentWidget());
    QScrollBar* bar = scroll->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_EQ(bar->value(), 0);

    auto* mode = find<QComboBox>(panel, QStringLiteral("gameModePicker"));
    const int modeIndex = mode->currentIndex();
    const GameMode gameMode = games.gameMode();
    turnWheel(mode, 1);
    EXPECT_EQ(mode->currentIndex(), modeIndex);
    EXPECT_EQ(games.gameMode(), gameMode);
    EXPECT_GT(bar->value(), 0);

    auto* strength = find(panel, QStringLiteral("opponentEloRow"));
    click(*strength, QStringLiteral("eloToggle"));
    auto* slider = find<QSlider>(*strength, QStringLiteral("eloSlider"));
    ASSERT_TRUE(slider->isVisible());
    scroll->ensureWidgetVisible(slider);
    const int elo = slider->value();
    const int scrolled = bar->value();
    turnWheel(slider, -3);
    EXPECT_EQ(slider->value(), elo);
    EXPECT_LT(bar->value(), scrolled);

    // Once clicked into, the control takes the wheel and the panel stays where it is.
    QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
    ASSERT_TRUE(slider->hasFocus());
    const int clicked = slider->value();
    const int still = bar->value();
    turnWheel(slider, 2);
    EXPECT_NE(slider->value(), clicked);
    EXPECT_EQ(bar->value(), still);

    scroll->ensureWidgetVisible(mode);
    QTest::mouseClick(mode, Qt::LeftButton, {}, mode->rect().center());
    QApplication::processEvents();
    // The click opens the list; closing it leaves the focus in the drop-down.
    mode->hidePopup();
    ASSERT_TRUE(mode->hasFocus());
    turnWheel(mode, 1);
    EXPECT_NE(mode->currentIndex(), modeIndex);
}

TEST_F(RightPanelViewTest, RemovingAnEngineAsksFirst) {
    world.engines.setAvailableEngines(
        {stockfishNamed(QStringLiteral("Kept")), stockfishNamed(QStringLiteral("Removed"))});
    click(panel, QStringLiteral("tabButton_4"));
    const auto rows = [&] { return panel.findChildren<panel::EngineRow*>(); };
    ASSERT_EQ(rows().size(), 2);
    const auto question = [&] { return panel.findChild<QMessageBox*>("removeEngineQuestion"); };

    click(*rows().at(1), QStringLiteral("removeEngineButton"));
    ASSERT_TRUE(waitUntil([&] { return question() != nullptr; }));
    EXPECT_TRUE(question()->informativeText().startsWith("Removed"));
    QTest::mouseClick(question()->findChild<QAbstractButton*>("cancelButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return question() == nullptr; }));
    EXPECT_EQ(world.engines.availableEngines().size(), 2);

    click(*rows().at(1), QStringLiteral("removeEngineButton"));
    ASSERT_TRUE(waitUntil([&] { return question() != nullptr; }));
    QTest::mouseClick(question()->findChild<QAbstractButton*>("confirmButton"), Qt::LeftButton);
    ASSERT_EQ(world.engines.availableEngines().size(), 1);
    EXPECT_EQ(world.engines.availableEngines().at(0).name, "Kept");
}

TEST_F(RightPanelViewTest, AnInvalidFenIsRefusedAndLeavesTheGameAsItWas) {
    click(panel, QStringLiteral("tabButton_3"));
    choose(find<QComboBox>(panel, QStringLiteral("gameModePicker")), 2);
    click(panel, QStringLiteral("startGameButton"));
    playMove(games, "d2", "d4");
    const QString before = games.exportFEN();
    ASSERT_EQ(games.board().history().size(), 1U);

    click(panel, QStringLiteral("tabButton_5"));
    auto* pgn = find<QPlainTextEdit>(panel, QStringLiteral("pgnText"));
    EXPECT_TRUE(pgn->toPlainText().contains(QStringLiteral("1. d4")))
        << pgn->toPlainText().toStdString();
    EXPECT_EQ(find<QPlainTextEdit>(panel, QStringLiteral("fenText"))->toPlainText(), before);

    auto* entry = find<QLineEdit>(panel, QStringLiteral("fenInput"));
    QTest::keyClicks(entry, QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1"));
    click(panel, QStringLiteral("applyFenButton"));
    auto* result = find<QLabel>(panel, QStringLiteral("fenResult"));
    EXPECT_TRUE(result->text().startsWith(QStringLiteral("Invalid FEN string.")))
        << result->text().toStdString();
    EXPECT_EQ(panel.toastMessage(), "Invalid FEN string.");
    EXPECT_EQ(games.exportFEN(), before);
    EXPECT_EQ(games.board().history().size(), 1U);
    EXPECT_EQ(find<QPlainTextEdit>(panel, QStringLiteral("fenText"))->toPlainText(), before);

    entry->clear();
    const QString endgame = QStringLiteral("8/8/8/4k3/8/8/4P3/4K3 w - - 0 1");
    QTest::keyClicks(entry, endgame);
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_EQ(result->text(), "FEN loaded successfully.");
    EXPECT_EQ(games.exportFEN(), endgame);
    EXPECT_EQ(find<QPlainTextEdit>(panel, QStringLiteral("fenText"))->toPlainText(), endgame);
}

TEST_F(RightPanelViewTest, TheBadgeRanksTheEndOfTheGameAboveCheckAndCheckAbovePause) {
    // The language menu switches every text at once; the badge follows.
    auto* menu = find<QToolButton>(panel, QStringLiteral("languageButton"))->menu();
    find<QAction>(*menu, QStringLiteral("language_de"))->trigger();
    EXPECT_EQ(world.localization.currentLanguage(), Language::german);
    EXPECT_EQ(find<QAbstractButton>(panel, QStringLiteral("tabButton_0"))->text(), "Partiestatus");

    click(panel, QStringLiteral("tabButton_3"));
    choose(find<QComboBox>(panel, QStringLiteral("gameModePicker")), 2);
    click(panel, QStringLiteral("startGameButton"));
    ASSERT_TRUE(waitUntil([&] { return games.clock().isRunning(); }));
    EXPECT_EQ(badgeText(panel), "Weiß am Zug");
    click(panel, QStringLiteral("pauseButton"));
    EXPECT_EQ(badgeText(panel), "Pausiert");
    click(panel, QStringLiteral("pauseButton"));

    // White is in check from the queen.
    games.loadFEN(QStringLiteral("4k3/8/8/8/8/8/4q3/4K3 w - - 0 1"));
    ASSERT_TRUE(games.board().isKingInCheck(PieceColor::white));
    ASSERT_TRUE(waitUntil([&] { return games.clock().isRunning(); }));
    EXPECT_EQ(badgeText(panel), "SCHACH!");
    click(panel, QStringLiteral("pauseButton"));
    ASSERT_TRUE(games.isPaused());
    EXPECT_EQ(badgeText(panel), "SCHACH!");

    // White resigns while in check and paused: the end of the game is what the badge says.
    click(panel, QStringLiteral("resignButton"));
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] { return (question = panel.findChild<QMessageBox*>("resignQuestion")) != nullptr; }));
    EXPECT_FALSE(games.isGameOver()) << "not before the confirmation";
    QTest::mouseClick(question->findChild<QAbstractButton*>("confirmButton"), Qt::LeftButton);
    ASSERT_TRUE(games.isGameOver());
    EXPECT_TRUE(games.board().isKingInCheck(PieceColor::white));
    EXPECT_EQ(badgeText(panel), "Weiß hat aufgegeben. Schwarz gewinnt!");
    EXPECT_FALSE(find(panel, QStringLiteral("resignButton"))->isEnabled());
}

TEST_F(RightPanelViewTest, EvaluationRowsGradeLossesAtTheBoundaries) {
    click(panel, QStringLiteral("tabButton_1"));
    // Two engines play six graded moves whose losses (each score plus the reply's) lie on both
    // sides of every boundary, and a seventh that waits for Black's reply to be graded.
    const ScriptedEngineGame script = scriptedEngineGame({{"e2e4", 0},
                                                          {"e7e5", 29},
                                                          {"g1f3", 1},
                                                          {"d8h4", 178},
                                                          {"f3h4", 2},
                                                          {"b8c6", 898},
                                                          {"h4f3", -898}});
    const FakeEngine white(script.white);
    const FakeEngine black(script.black);
    const auto engineAt = [](const FakeEngine& fake) {
        EngineConfiguration config = EngineConfiguration::makeNew("Fake", fake.path(), {});
        config.threads = 1;
        config.hashMB = 0;
        return config;
    };
    world.engines.setSelectedWhiteEngine(engineAt(white));
    world.engines.setSelectedBlackEngine(engineAt(black));
    EngineSessionOptions quick;
    quick.engineMovePause = 0ms;
    games.setEngineSessionOptions(quick);
    games.setGameMode(GameMode::engineVsEngine);
    games.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return games.liveAnalysis().moveAnalyses().size() == 6; }));
    const auto row = [&](int ply) {
        return find<QLabel>(panel, QStringLiteral("moveQuality_%1").arg(ply));
    };
    // Each row names its move with number and colour, so two equal moves can be told apart.
    EXPECT_EQ(row(1)->accessibleName(), "1. e4: Best (−29 cp)");
    EXPECT_EQ(row(2)->accessibleName(), "1… e5: Inaccuracy (−30 cp)");
    EXPECT_EQ(row(3)->accessibleName(), "2. Nf3: Mistake (−179 cp)");
    EXPECT_EQ(row(4)->accessibleName(), "2… Qh4: Blunder (−180 cp)");
    EXPECT_EQ(row(6)->accessibleName(), "3… Nc6: Best (0 cp)");
    // The loss figure turns red from 180 on, and only then.
    const QString red = QColor(0xC6, 0x28, 0x28).name();
    EXPECT_FALSE(row(3)->text().contains(red));
    EXPECT_TRUE(row(4)->text().contains(red));
    EXPECT_TRUE(row(5)->text().contains(red));
    // The chart module, loaded when the tab was built, draws the curve in its blue.
    auto* chartView = panel.findChild<QWidget*>(QStringLiteral("evaluationChart"));
    ASSERT_NE(chartView, nullptr);
    const QImage chart = chartView->grab().toImage();
    bool curveDrawn = false;
    for (int y = 0; y < chart.height() && !curveDrawn; ++y) {
        for (int x = 0; x < chart.width() && !curveDrawn; ++x) {
            curveDrawn = chart.pixelColor(x, y) == QColor(0x3a, 0x6e, 0xa5);
        }
    }
    EXPECT_TRUE(curveDrawn);
    // The move axis ticks at whole moves, at most six ticks however long the game.
    for (const auto& [lastMove, interval] :
         std::vector<std::pair<double, double>>{{5, 1}, {12, 5}, {34, 10}, {60, 20}, {250, 50}}) {
        EXPECT_EQ(panel::moveAxisTickInterval(lastMove), interval) << lastMove;
    }

    // A new game forgets the grades, and the rows with them.
    choose(find<QComboBox>(panel, QStringLiteral("gameModePicker")), 2);
    click(panel, QStringLiteral("newGameButton"));
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("moveQuality_1")), nullptr);
}

TEST_F(RightPanelViewTest, RunsAStockfishSeriesAndShowsAGameOfItOnTheBoard) {
    if (!stockfishInstalled()) {
        GTEST_SKIP() << "Stockfish is not installed (scripts/install-deps.sh installs it)";
    }
    world.engines.setAvailableEngines({stockfishNamed(QStringLiteral("Stockfish A")),
                                       stockfishNamed(QStringLiteral("Stockfish B"))});

    // Testing an engine runs beside the window: the button waits and a busy bar shows meanwhile.
    click(panel, QStringLiteral("tabButton_4"));
    auto* row = panel.findChildren<QWidget*>(QStringLiteral("engineRow")).value(0);
    ASSERT_NE(row, nullptr);
    click(*row, QStringLiteral("testEngineButton"));
    EXPECT_FALSE(find(*row, QStringLiteral("testEngineButton"))->isEnabled());
    EXPECT_TRUE(find(*row, QStringLiteral("engineTestBusy"))->isVisible());
    EXPECT_TRUE(find(panel, QStringLiteral("enginesBusy"))->isVisible());
    auto* verdict = find<QLabel>(*row, QStringLiteral("engineTestResult"));
    ASSERT_TRUE(waitUntil([&] { return verdict->isVisible(); }));
    EXPECT_TRUE(verdict->text().startsWith(QStringLiteral("Test OK: Stockfish")))
        << verdict->text().toStdString();
    EXPECT_TRUE(find(*row, QStringLiteral("testEngineButton"))->isEnabled());
    EXPECT_FALSE(find(panel, QStringLiteral("enginesBusy"))->isVisible());

    // Short games: no clock, depth 2, openings with a mate in one for the side to move.
    click(panel, QStringLiteral("tabButton_3"));
    click(panel, QStringLiteral("timeChip_unlimited"));
    click(panel, QStringLiteral("thinkingMode_2"));
    find<QSlider>(panel, QStringLiteral("depthSlider"))->setValue(2);

    click(panel, QStringLiteral("tabButton_2"));
    find<QSpinBox>(panel, QStringLiteral("automatchGamesCount"))->setValue(2);
    choose(find<QComboBox>(panel, QStringLiteral("automatchEngine1Picker")), 0);
    choose(find<QComboBox>(panel, QStringLiteral("automatchEngine2Picker")), 1);
    find<QSlider>(panel, QStringLiteral("automatchPauseSlider"))->setValue(0);
    auto* openings = find<QPlainTextEdit>(panel, QStringLiteral("openingSuiteEditor"));
    QTest::keyClicks(openings, QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1"));
    QTest::keyClick(openings, Qt::Key_Return);
    QTest::keyClicks(openings, QStringLiteral("3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1"));
    EXPECT_EQ(world.automatch.openingFENs().size(), 2);
    EXPECT_EQ(world.automatch.engine2()->name, "Stockfish B");
    EXPECT_EQ(find<QAbstractButton>(panel, QStringLiteral("startAutomatchButton"))->text(),
              "Start Automatch (2 games)");

    click(panel, QStringLiteral("startAutomatchButton"));
    ASSERT_TRUE(world.automatch.isAutomatchActive())
        << world.automatch.configurationError().value_or(QString()).toStdString();
    // The running series cannot be re-configured under its feet.
    EXPECT_FALSE(find(panel, QStringLiteral("automatchConfig"))->isEnabled());
    EXPECT_FALSE(find(panel, QStringLiteral("startAutomatchButton"))->isEnabled());
    EXPECT_TRUE(find(panel, QStringLiteral("automatchStrip"))->isVisible());

    ASSERT_TRUE(waitUntil([&] { return !world.automatch.isAutomatchActive(); }, 60s))
        << games.engineStatusText().toStdString();
    ASSERT_EQ(world.automatch.historyCount(), 2);
    EXPECT_TRUE(find(panel, QStringLiteral("automatchConfig"))->isEnabled());
    EXPECT_EQ(find<QLabel>(panel, QStringLiteral("automatchStatus"))->text(), "Automatch Finished");
    EXPECT_EQ(find<QLabel>(panel, QStringLiteral("scoreFinished"))->text(), "2 / 2 games finished");
    // Engine 1 mates as White, then, colours swapped, as Black: 2-0, which fixes no finite
    // difference but one bound; the likelihood comes from the two decisive games alone.
    EXPECT_EQ(find<QLabel>(panel, QStringLiteral("scoreEloDifference"))->text(),
              "Estimated ELO difference: at least −291 (95 %) · LOS 92.1 %");

    // Newest first: the second row shows game 1; it goes onto the board as it was played.
    auto* list = find<QListView>(panel, QStringLiteral("historyList"));
    const QModelIndex second = list->model()->index(1, 0);
    ASSERT_EQ(second.data(panel::AutomatchHistoryModel::rowNameRole).toString(), "historyRow_1");
    QTest::mouseClick(
        list->viewport(), Qt::LeftButton, {},
        panel::AutomatchHistoryDelegate::buttonRect(list->visualRect(second), list->font(),
                                                    panel::AutomatchHistoryDelegate::Button::load)
            .center());
    const AutomatchGameRecord record = world.automatch.readWholeHistory().at(0);
    QStringList played;
    for (const MoveRecord& move : games.board().history()) {
        played.append(QString::fromStdString(move.move.uciString()));
    }
    EXPECT_EQ(played, record.movesUCI);
    EXPECT_EQ(QString::fromStdString(games.board().initialFEN()), record.initialFEN);
    EXPECT_EQ(panel.toastMessage(), "Game #1 loaded on the board!");

    // Adding an engine (the file chooser's answer): a good one is tested and listed, a bad
    // one explained in an alert, and the buttons wait while the test runs.
    click(panel, QStringLiteral("tabButton_4"));
    auto* enginesTab = panel.findChild<panel::EnginesTab*>();
    ASSERT_NE(enginesTab, nullptr);
    enginesTab->addEngine(QStringLiteral("/nonexistent/engine"));
    ASSERT_TRUE(waitUntil([&] { return panel.findChild<QMessageBox*>(); }));
    auto* alert = panel.findChild<QMessageBox*>();
    EXPECT_EQ(alert->windowTitle(), "Engine Error");
    EXPECT_EQ(alert->text(), "File does not exist at specified path.");
    alert->close();
    enginesTab->addEngine(stockfishPath);
    EXPECT_FALSE(find(panel, QStringLiteral("addEngineButton"))->isEnabled());
    EXPECT_TRUE(find(panel, QStringLiteral("enginesBusy"))->isVisible());
    ASSERT_TRUE(waitUntil([&] { return panel.toastMessage().endsWith(QStringLiteral("added")); }));
    EXPECT_TRUE(panel.toastMessage().startsWith(QStringLiteral("Engine 'Stockfish")));
    EXPECT_TRUE(find(panel, QStringLiteral("addEngineButton"))->isEnabled());
}

} // namespace
} // namespace testing
} // namespace velkor
