// Whole series with engines that really play: Debian's Stockfish against itself, and a fake
// engine that crashes in the second game.
#include "AutomatchFixture.h"
#include "chess/PGNParser.h"

#include <QFileInfo>

namespace velkor::testing {
namespace {

using namespace std::chrono_literals;

const QString stockfishPath = QStringLiteral("/usr/games/stockfish");

QStringList uciMoves(const ChessBoard& board) {
    QStringList moves;
    for (const MoveRecord& record : board.history()) {
        moves.append(QString::fromStdString(record.move.uciString()));
    }
    return moves;
}

// The record's moves, played one by one from its start position, are all legal, and its PGN
// text reads back as the same game.
void expectConsistentRecord(const AutomatchGameRecord& record) {
    SCOPED_TRACE(record.gameNumber);
    ASSERT_TRUE(record.initialFEN);
    ChessBoard board(record.initialFEN->toStdString());
    for (const QString& text : record.movesUCI) {
        const std::optional<Move> move = Move::fromUci(text.toStdString());
        ASSERT_TRUE(move && board.play(*move)) << text.toStdString();
    }
    EXPECT_EQ(record.movesCount, record.movesUCI.size());
    EXPECT_FALSE(record.movesUCI.isEmpty());
    const ParsedPGN parsed = PGNParser::parse(record.pgn.toStdString());
    EXPECT_EQ(uciMoves(parsed.board), record.movesUCI);
    EXPECT_EQ(QString::fromStdString(parsed.board.initialFEN()), *record.initialFEN);
    EXPECT_EQ(QString::fromStdString(parsed.result), record.result);
}

class AutomatchEngineTest : public AutomatchTest {
protected:
    void waitForTheEnd(AutomatchManager& series, std::int64_t gameCount) {
        ASSERT_TRUE(waitUntil(
            [&] { return !series.isAutomatchActive() && series.historyCount() == gameCount; }, 60s))
            << "game " << series.currentGameIndex() << ", "
            << this->games.engineStatusText().toStdString();
    }
};

TEST_F(AutomatchEngineTest, StockfishAgainstItselfPlaysTheWholeSeries) {
    if (!QFileInfo(stockfishPath).isExecutable()) {
        GTEST_SKIP() << "Stockfish is not installed (scripts/install-deps.sh installs it)";
    }
    games.setTimeControlConfig(
        {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedDepth(2)});
    const EngineConfiguration first = engineAt("Stockfish A", stockfishPath);
    const EngineConfiguration second = engineAt("Stockfish B", stockfishPath);
    const QStringList openings{whiteMatesFEN, blackMatesFEN, bareKingsFEN};
    auto series = makeManager();
    series->setPauseBetweenGamesSeconds(0);
    series->setOpeningFENs(openings);
    series->start(4, first, second);
    waitForTheEnd(*series, 4);

    // Stockfish A mates as White and as Black, the bare kings draw, Stockfish B mates as White.
    const QStringList results{"1-0", "0-1", "1/2-1/2", "1-0"};
    for (qsizetype game = 0; game < 4; ++game) {
        const AutomatchGameRecord record = series->readWholeHistory().at(game);
        EXPECT_EQ(record.gameNumber, game + 1);
        EXPECT_EQ(record.whiteIsEngine1, game % 2 == 0);
        EXPECT_EQ(record.whiteEngineName, game % 2 == 0 ? "Stockfish A" : "Stockfish B");
        EXPECT_EQ(record.initialFEN, openings[game % 3]);
        EXPECT_EQ(record.result, results[game]);
        expectConsistentRecord(record);
    }
    EXPECT_EQ(series->readWholeHistory().at(2).reason, "Remis (Ungenügend Material)");
    EXPECT_EQ(series->engine1Wins() + series->engine2Wins() + series->draws(), 4);
    EXPECT_DOUBLE_EQ(series->engine1Score() + series->engine2Score(), 4.0);
    EXPECT_EQ(series->matchFinishedReason(), "Automatch beendet: 4 Partien gespielt. Stockfish A "
                                             "gewinnt das Match (2.5 : 1.5)!");

    auto restored = makeManager();
    EXPECT_EQ(restored->readWholeHistory(), series->readWholeHistory());
    EXPECT_EQ(restored->draws(), 1);
    EXPECT_TRUE(restored->isMatchFinished());
}

TEST_F(AutomatchEngineTest, AnEngineThatCrashesLosesThatGameAndTheSeriesGoesOn) {
    // Engine 1 keeps White and mates with Rd8; it dies when shown the second opening.
    const QString secondOpening = QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R3K w - - 0 1");
    FakeEngine crasher(FakeEngine::handshake() + "on position fen " + secondOpening +
                       "\ndie\non go\nsay bestmove d1d8\n");
    FakeEngine idle(FakeEngine::handshake());
    auto series = makeManager();
    series->setPauseBetweenGamesSeconds(0);
    series->setAlternateColors(false);
    series->setOpeningFENs({whiteMatesFEN, secondOpening});
    series->start(3, engineAt("Crasher", crasher.path()), engineAt("Idle", idle.path()));
    waitForTheEnd(*series, 3);

    const QList<AutomatchGameRecord> history = series->readWholeHistory();
    EXPECT_EQ(history.at(0).reason, "Schachmatt (Weiß gewinnt)");
    EXPECT_EQ(history.at(1).result, "0-1");
    EXPECT_EQ(history.at(1).winnerEngineName, "Idle");
    const QString reason = history.at(1).reason;
    EXPECT_TRUE(reason.startsWith("Engine-Fehler bei Weiß: ")) << reason.toStdString();
    EXPECT_TRUE(reason.endsWith(" (Schwarz gewinnt)")) << reason.toStdString();
    EXPECT_GT(reason.size(), QStringLiteral("Engine-Fehler bei Weiß:  (Schwarz gewinnt)").size());
    EXPECT_EQ(history.at(2).result, "1-0");
    EXPECT_EQ(series->engine1Wins(), 2);
    EXPECT_EQ(series->engine2Wins(), 1);
}

} // namespace
} // namespace velkor::testing
