#include "views/GameReviewView.h"

#include "FakeEngine.h"
#include "FakeEngineConfig.h"
#include "ReviewCommand.h"
#include "ViewsFixture.h"
#include "chess/GameReviewMath.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest/QTest>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using testing::FakeEngine;
using testing::waitUntil;

// Scores of the searched positions of the game below, last first, from the side to move.
QString scholarsMateEngine() {
    QString script = FakeEngine::handshake();
    for (const QString answer :
         {"score mate 1 pv h5f7", "score cp -10 pv g7g6 h5f3 g8f6", "score cp 20 pv g1f3",
          "score cp -10 pv g8f6", "score cp 25 pv g1f3", "score cp -30 pv e7e5"}) {
        script += QStringLiteral("once go\nsay info depth 12 %1\nsay bestmove %2\n")
                      .arg(answer, answer.section(" pv ", 1).section(' ', 0, 0));
    }
    return script;
}

class GameReviewViewTest : public ViewsTest {
protected:
    GameReviewViewTest() {
        game.loadPGN(QStringLiteral("1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0"));
        view.resize(520, 600);
        view.show();
    }
    GameReviewView view{game, localization};
};

TEST_F(GameReviewViewTest, ShowsTheGradesAndTakesTheBoardToTheChosenMoves) {
    FakeEngine engine(scholarsMateEngine());
    view.review(testing::fakeEngineConfig(engine));
    ASSERT_TRUE(waitUntil([&] { return !view.isReviewing(); }, 5s));
    ASSERT_TRUE(view.report().complete);
    EXPECT_FALSE(view.stopButton()->isEnabled());
    EXPECT_EQ(view.progressBar()->value(), view.progressBar()->maximum());
    EXPECT_TRUE(view.summaryLabel(PieceColor::black)->text().contains("Blunders: 1"))
        << view.summaryLabel(PieceColor::black)->text().toStdString();

    QTreeWidget* moves = view.moveList();
    ASSERT_EQ(moves->topLevelItemCount(), 7);
    EXPECT_EQ(moves->topLevelItem(5)->text(0), "3... Nf6??");
    EXPECT_EQ(moves->topLevelItem(5)->text(1), "#1");
    EXPECT_EQ(moves->topLevelItem(5)->text(3), "best was g6 Qf3 Nf6");
    EXPECT_EQ(moves->topLevelItem(0)->text(0), "1. e4");

    // A click on the curve shows that ply on the board.
    ReviewCurve* curve = view.curve();
    int x = 0;
    while (curve->plyAt(x) < 3) {
        ++x;
    }
    QTest::mouseClick(curve, Qt::LeftButton, {}, QPoint(x, curve->height() / 2));
    EXPECT_EQ(game.displayedMoveIndex(), 2);
    EXPECT_EQ(game.displayedBoard().fen(),
              "rnbqkbnr/pppp1ppp/8/4p2Q/4P3/8/PPPP1PPP/RNB1KBNR b KQkq - 1 2");

    // Black's judged moves: only 3... Nf6, from either direction.
    view.sideChoice()->setCurrentIndex(1);
    EXPECT_TRUE(view.showJudgedMove(true));
    EXPECT_EQ(game.displayedMoveIndex(), 5);
    EXPECT_TRUE(view.showJudgedMove(false));
    EXPECT_EQ(game.displayedMoveIndex(), 5);
    view.sideChoice()->setCurrentIndex(0);
    EXPECT_FALSE(view.showJudgedMove(true)) << "White made no judged move";

    // The annotated record opens with the same review, and no engine is asked.
    const QString annotated = view.annotatedPGN();
    EXPECT_TRUE(QString(annotated)
                    .replace(u'\n', u' ')
                    .contains("3... Nf6 $4 { [%eval #1] } (3... g6 4. Qf3 Nf6)"))
        << annotated.toStdString();
    const review::GameReviewReport reviewed = view.report();
    game.loadPGN(annotated);
    view.review(std::nullopt);
    EXPECT_FALSE(view.isReviewing());
    ASSERT_EQ(view.report().moves.size(), reviewed.moves.size());
    EXPECT_EQ(view.report().black.accuracy, reviewed.black.accuracy);
    EXPECT_EQ(view.report().moves[5].judgement, review::Judgement::blunder);
}

// The window and `velkor-chess review` must grade one game alike: the same engine answers give
// the same figures per side and the same accuracy and judgement per move.
TEST_F(GameReviewViewTest, TheWindowAndTheCommandLineGradeAGameAlike) {
    FakeEngine forWindow(scholarsMateEngine());
    view.review(testing::fakeEngineConfig(forWindow));
    ASSERT_TRUE(waitUntil([&] { return !view.isReviewing(); }, 5s));
    const review::GameReviewReport shown = view.report();

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("game.pgn")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(game.exportPGN().toUtf8());
    file.close();
    FakeEngine forTool(scholarsMateEngine());
    const std::vector<std::string> args{file.fileName().toStdString(), "--engine",
                                        forTool.path().toStdString(), "--json"};
    const tool::ToolOutput output = tool::runReview(args);
    ASSERT_EQ(output.status, 0) << output.err;
    const QJsonObject printed =
        QJsonDocument::fromJson(QByteArray::fromStdString(output.out)).object();

    for (const auto& [side, name] : {std::pair{&shown.white, "white"}, {&shown.black, "black"}}) {
        const QJsonObject figures = printed[QLatin1String(name)].toObject();
        EXPECT_NEAR(figures["accuracy"].toDouble(), side->accuracy.value_or(-1), 0.005) << name;
        EXPECT_EQ(figures["acpl"].toInteger(), side->averageCentipawnLoss.value_or(-1)) << name;
        EXPECT_EQ(figures["blunders"].toInt(), side->blunders) << name;
        EXPECT_EQ(figures["mistakes"].toInt(), side->mistakes) << name;
        EXPECT_EQ(figures["inaccuracies"].toInt(), side->inaccuracies) << name;
    }
    const QJsonArray moves = printed["moves"].toArray();
    ASSERT_EQ(static_cast<std::size_t>(moves.size()), shown.moves.size());
    for (std::size_t index = 0; index < shown.moves.size(); ++index) {
        const QJsonObject move = moves[static_cast<qsizetype>(index)].toObject();
        const review::MoveReview& graded = shown.moves[index];
        EXPECT_EQ(move["san"].toString().toStdString(), graded.san);
        EXPECT_NEAR(move["accuracy"].toDouble(-1), graded.accuracy.value_or(-1), 0.005);
        EXPECT_EQ(move["judgement"].toString().toStdString(),
                  graded.judgement ? std::string(review::judgementName(*graded.judgement)) : "")
            << graded.san;
    }
}

TEST_F(GameReviewViewTest, StopKeepsWhatWasScoredAndAMissingEngineIsSaid) {
    FakeEngine slow(FakeEngine::handshake() +
                    "once go\nsay info depth 3 score mate 1 pv h5f7\nsay bestmove h5f7\n");
    view.review(testing::fakeEngineConfig(slow));
    ASSERT_TRUE(waitUntil([&] { return slow.receivedCommands().filter("go").size() == 2; }));
    EXPECT_TRUE(view.stopButton()->isEnabled());
    QTest::mouseClick(view.stopButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !view.isReviewing(); }, 1s));
    EXPECT_FALSE(view.report().complete);
    EXPECT_EQ(view.moveList()->topLevelItem(5)->text(1), "#1") << "the scored position stays";
    EXPECT_TRUE(view.moveList()->topLevelItem(4)->text(1).isEmpty());

    view.review(std::nullopt);
    bool said = false;
    for (const QLabel* label : view.findChildren<QLabel*>()) {
        said = said || label->text().contains("No engine is installed");
    }
    EXPECT_TRUE(said);
}

} // namespace
} // namespace velkor
