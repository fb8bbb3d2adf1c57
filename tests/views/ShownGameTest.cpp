// The game on the board is one game in every view: a stored series game brought back with "View
// on Board" shows its own players, clocks, end, record and analysis, none of the game before.
#include "FakeEngine.h"
#include "ViewsFixture.h"
#include "views/MainView.h"
#include "views/PlayerBannerView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using velkor::testing::FakeEngine;
using velkor::testing::processEventsFor;
using velkor::testing::waitUntil;

// Both mate with Rd8 at once, after one line of analysis; the first thinks a while, so the two
// games leave different clocks.
const QString whiteMates = QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
const QString whiteMatesAgain = QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R3K w - - 0 1");

QString matingEngine(int centipawns, int thinkMs) {
    return FakeEngine::handshake(
               {QStringLiteral("option name UCI_LimitStrength type check default false"),
                QStringLiteral("option name UCI_Elo type spin default 1320 min 1320 max 3190")}) +
           QStringLiteral("on go\nsleep %1\nsay info depth 1 score cp %2 pv d1d8\n"
                          "say bestmove d1d8\n")
               .arg(thinkMs)
               .arg(centipawns);
}

EngineConfiguration engineAt(const QString& name, const QString& path) {
    EngineConfiguration engine = EngineConfiguration::makeNew(name, path, "Velkor tests");
    engine.multiPV = 1;
    return engine;
}

template <typename Widget = QWidget>
Widget* find(const QWidget& root, const QString& name) {
    return root.findChild<Widget*>(name);
}

class ShownGameTest : public ViewsTest {
protected:
    ShownGameTest() : view(game, engines, automatch, localization) {
        view.resize(1200, 800);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        // The panel builds its other tabs after the first paint.
        EXPECT_TRUE(waitUntil([this] { return find(view, QStringLiteral("pgnText")); }, 5s));
    }
    void TearDown() override { processEventsFor(250ms); }

    QString bannerName(PieceColor color) const {
        const PlayerBannerView& banner = game.isFlipped() == (color == PieceColor::white)
                                             ? view.topBanner()
                                             : view.bottomBanner();
        return banner.banner().name;
    }
    QString labelText(const QString& name) const {
        const auto* label = find<QLabel>(view, name);
        return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
    }

    MainView view;
};

TEST_F(ShownGameTest, ViewingAStoredGameShowsThatGameAndNothingOfTheLastOne) {
    const FakeEngine alpha(matingEngine(300, 1200));
    const FakeEngine beta(matingEngine(700, 0));
    game.setTimeControlConfig(
        {TimeControlPreset::blitz3_2, 5, 3, EngineThinkingMode::fixedDepth(1)});
    automatch.setPauseBetweenGamesSeconds(0);
    automatch.setOpeningFENs({whiteMates, whiteMatesAgain});
    automatch.setEngine1LimitElo(true);
    automatch.setEngine1Elo(1400);
    // Game 1: Alpha (1400) mates Beta as White; game 2: Beta mates Alpha (1400) as White.
    automatch.start(2, engineAt(QStringLiteral("Alpha"), alpha.path()),
                    engineAt(QStringLiteral("Beta"), beta.path()));
    ASSERT_TRUE(waitUntil(
        [this] { return !automatch.isAutomatchActive() && automatch.historyCount() == 2; }, 30s));
    const AutomatchGameRecord first = automatch.readWholeHistory().at(0);
    const AutomatchGameRecord second = automatch.readWholeHistory().at(1);
    ASSERT_EQ(second.whiteEngineName, "Beta");
    ASSERT_TRUE(first.whiteRemainingMs && second.whiteRemainingMs);
    // Alpha thought 1.2 s longer: the two games' clocks read differently.
    ASSERT_GT(*second.whiteRemainingMs - *first.whiteRemainingMs, 1000);
    // Game 2 is on the board with its engines' analysis.
    ASSERT_EQ(bannerName(PieceColor::white), "Beta");
    ASSERT_FALSE(game.liveAnalysis().liveEvaluation().pv.empty());

    ASSERT_TRUE(automatch.viewGameOnBoard(first));

    // Banners: game 1's pairing with its strength, its clocks, nobody to move.
    EXPECT_EQ(bannerName(PieceColor::white), "Alpha (1400)");
    EXPECT_EQ(bannerName(PieceColor::black), "Beta");
    EXPECT_EQ(game.clock().whiteRemainingMs(), *first.whiteRemainingMs);
    EXPECT_EQ(game.clock().blackRemainingMs(), *first.blackRemainingMs);
    EXPECT_EQ(view.bottomBanner().banner().timeString,
              game.clock().formattedTime(PieceColor::white));
    EXPECT_FALSE(view.bottomBanner().banner().isActiveTurn);
    EXPECT_FALSE(view.topBanner().banner().isActiveTurn);

    // Badge: game 1's end, not whose turn it would be.
    EXPECT_EQ(labelText(QStringLiteral("statusBadgeText")),
              localization.text(QStringLiteral("status_checkmate_white")));

    // Export: game 1's own record, shown in the export tab.
    EXPECT_EQ(game.exportPGN(), first.pgn);
    EXPECT_TRUE(first.pgn.contains(QStringLiteral("[White \"Alpha\"]")));
    EXPECT_TRUE(first.pgn.contains(QStringLiteral("[Result \"1-0\"]")));
    QTest::mouseClick(find<QAbstractButton>(view, QStringLiteral("tabButton_5")), Qt::LeftButton);
    EXPECT_EQ(find<QPlainTextEdit>(view, QStringLiteral("pgnText"))->toPlainText(), first.pgn);
    // For looking at: VELKOR_SHOT=<file.png> keeps a picture of the window at this point.
    if (const QString shot = qEnvironmentVariable("VELKOR_SHOT"); !shot.isEmpty()) {
        view.grab().save(shot);
    }

    // Analysis, chart and grades: nothing of game 2's engines.
    EXPECT_EQ(game.liveAnalysis().liveEvaluation(), EngineEvaluation{});
    EXPECT_TRUE(game.liveAnalysis().variations().empty());
    EXPECT_TRUE(game.liveAnalysis().moveAnalyses().empty());
    EXPECT_TRUE(waitUntil([this] { return labelText(QStringLiteral("engineLines")) == "–"; }, 2s));
    EXPECT_FALSE(find(view, QStringLiteral("liveEloWhite"))->isVisibleTo(&view));
    // Nobody waits for a player's move in a finished game between engines.
    EXPECT_EQ(labelText(QStringLiteral("engineCardStatus")),
              localization.text(QStringLiteral("engine_card_game_over")));

    // Changing the next game's mode relabels nothing on the board.
    game.setGameMode(GameMode::humanVsHuman);
    EXPECT_EQ(bannerName(PieceColor::white), "Alpha (1400)");

    // A new game is live again, with the players of its own mode.
    game.startNewGame();
    EXPECT_EQ(bannerName(PieceColor::white), "Player 1");
    EXPECT_NE(game.exportPGN(), first.pgn);
}

// The strength an engine will really play at is told wherever its strength is set, as soon as
// its first game has shown the Elo range it offers.
TEST_F(ShownGameTest, TheEloRangeAnEngineAnnouncesReachesEachOfItsStrengthControls) {
    const FakeEngine narrow(FakeEngine::handshake(
        {QStringLiteral("option name UCI_LimitStrength type check default false"),
         QStringLiteral("option name UCI_Elo type spin default 1500 min 1500 max 2850")}));
    EngineConfiguration listed = engineAt(QStringLiteral("Narrow"), narrow.path());
    listed.limitElo = true;
    listed.elo = 1400;
    engines.setAvailableEngines({listed});
    engines.setSelectedBlackEngine(listed);
    const auto engineRowElo = [this] {
        const auto* row = find(view, QStringLiteral("engineRow"));
        const auto* label = row ? find<QLabel>(*row, QStringLiteral("engineDefaultElo")) : nullptr;
        return label ? label->text() : QStringLiteral("<missing>");
    };
    ASSERT_TRUE(waitUntil([&] { return engineRowElo() == "1400 ELO"; }, 2s))
        << "nothing is known of the engine before it has run: " << engineRowElo().toStdString();

    game.setGameMode(GameMode::humanVsEngine);
    game.setColorChoice(PlayerColorChoice::white);
    game.setEngineStrength(PieceColor::black, true, 1400);
    game.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return !game.hasEngineStartTask(); }, 5s));

    EXPECT_EQ(engineRowElo(), "1400 ELO → 1500 ELO");
    const QWidget* live = find(view, QStringLiteral("liveEloBlack"));
    ASSERT_NE(live, nullptr);
    ASSERT_FALSE(live->isHidden()) << "the engine of the game on the board has a row";
    const auto* liveValue = find<QLabel>(*live, QStringLiteral("eloValue"));
    ASSERT_NE(liveValue, nullptr);
    EXPECT_EQ(liveValue->text(), "1400 ELO → 1500 ELO");
    EXPECT_EQ(liveValue->toolTip(), "UCI_Elo 1500–2850");
}

} // namespace
} // namespace velkor
