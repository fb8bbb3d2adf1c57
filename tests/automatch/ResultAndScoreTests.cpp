// Game-end classification, the series summary, the Elo estimate and the opening-suite text.
#include "QStringPrinter.h"
#include "automatch/GameOutcome.h"
#include "automatch/OpeningSuiteText.h"
#include "automatch/SeriesScore.h"

#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

using Kind = GameEndReason::Kind;
constexpr PieceColor white = PieceColor::white;
constexpr PieceColor black = PieceColor::black;

struct OutcomeCase {
    GameEndReason reason;
    std::optional<QString> engineFailure;
    QString result;
    QString reasonText;
    std::optional<PieceColor> winner;
};

TEST(GameOutcomeTest, EveryEndHasItsResultAndGermanText) {
    const QString failure = QStringLiteral("Engine process exited with status 9.");
    const std::vector<OutcomeCase> cases{
        {GameEndReason::checkmate(white), {}, "1-0", "Schachmatt (Weiß gewinnt)", white},
        {GameEndReason::checkmate(black), {}, "0-1", "Schachmatt (Schwarz gewinnt)", black},
        {GameEndReason::timeout(white), {}, "1-0", "Zeitüberschreitung (Weiß gewinnt)", white},
        {GameEndReason::timeout(black), {}, "0-1", "Zeitüberschreitung (Schwarz gewinnt)", black},
        {GameEndReason::resignation(white), {}, "1-0", "Aufgabe (Weiß gewinnt)", white},
        {GameEndReason::resignation(black), {}, "0-1", "Aufgabe (Schwarz gewinnt)", black},
        {GameEndReason::resignation(white), failure, "1-0",
         "Engine-Fehler bei Schwarz: Engine process exited with status 9. (Weiß gewinnt)", white},
        {GameEndReason::resignation(black), failure, "0-1",
         "Engine-Fehler bei Weiß: Engine process exited with status 9. (Schwarz gewinnt)", black},
        {GameEndReason::stalemate(), {}, "1/2-1/2", "Remis (Patt)", {}},
        {GameEndReason::fiftyMoveRule(), {}, "1/2-1/2", "Remis (50-Züge-Regel)", {}},
        {GameEndReason::threefoldRepetition(), {}, "1/2-1/2", "Remis (Dreifache Wiederholung)", {}},
        {GameEndReason::seventyFiveMoveRule(), {}, "1/2-1/2", "Remis (75-Züge-Regel)", {}},
        {GameEndReason::fivefoldRepetition(), {}, "1/2-1/2", "Remis (Fünffache Wiederholung)", {}},
        {GameEndReason::insufficientMaterial(), {}, "1/2-1/2", "Remis (Ungenügend Material)", {}},
    };
    for (const OutcomeCase& c : cases) {
        const GameOutcome outcome = classifyGameEnd(c.reason, c.engineFailure);
        EXPECT_EQ(outcome.result, c.result) << c.reasonText.toStdString();
        EXPECT_EQ(outcome.reasonText, c.reasonText);
        EXPECT_EQ(outcome.winner, c.winner) << c.reasonText.toStdString();
        // A stored game shown again ends as it was recorded.
        EXPECT_EQ(recordedGameEnd(outcome.result, outcome.reasonText), c.reason)
            << c.reasonText.toStdString();
        // A stored record's text reads back as the end it was made from, so the interface can
        // word it in any language.
        EXPECT_EQ(readReasonText(c.reasonText), (StoredGameEnd{c.reason, c.engineFailure}))
            << c.reasonText.toStdString();
    }
    // A failure text that itself looks like the fixed wording is kept whole.
    EXPECT_EQ(readReasonText("Engine-Fehler bei Weiß:  (Weiß gewinnt) (Schwarz gewinnt)"),
              (StoredGameEnd{GameEndReason::resignation(black), " (Weiß gewinnt)"}));
    // A hand-edited record's text is no reason text.
    for (const char* other :
         {"", "Remis", "Schachmatt (Grün gewinnt)", "Engine-Fehler bei Weiß: x"}) {
        EXPECT_EQ(readReasonText(QString::fromUtf8(other)), std::nullopt) << other;
    }
    // Words this table never wrote, or a result that contradicts them, name no end.
    EXPECT_FALSE(recordedGameEnd("1-0", "Schachmatt (Schwarz gewinnt)"));
    EXPECT_FALSE(recordedGameEnd("0-1", "Black won on a technicality"));
}

TEST(GameOutcomeTest, EngineFailureIsNamedOnlyForResignations) {
    const QString failure = QStringLiteral("Engine returned an illegal move: e2e5");
    EXPECT_EQ(classifyGameEnd(GameEndReason::checkmate(black), failure).reasonText,
              "Schachmatt (Schwarz gewinnt)");
    EXPECT_EQ(classifyGameEnd(GameEndReason::timeout(white), failure).reasonText,
              "Zeitüberschreitung (Weiß gewinnt)");
    EXPECT_EQ(classifyGameEnd(GameEndReason::stalemate(), failure).reasonText, "Remis (Patt)");
}

TEST(SeriesSummaryTest, WinnerFirstOrADrawnMatch) {
    EXPECT_EQ(seriesSummary(10, "Alpha", "Beta", seriesScore(5, 3), seriesScore(2, 3)),
              "Automatch beendet: 10 Partien gespielt. Alpha gewinnt das Match (6.5 : 3.5)!");
    EXPECT_EQ(seriesSummary(4, "Alpha", "Beta", 1.0, 3.0),
              "Automatch beendet: 4 Partien gespielt. Beta gewinnt das Match (3.0 : 1.0)!");
    EXPECT_EQ(seriesSummary(10, "Alpha", "Beta", seriesScore(3, 4), seriesScore(3, 4)),
              "Automatch beendet: 10 Partien gespielt. Match unentschieden (5.0 : 5.0)!");
}

TEST(EloEstimateTest, LogisticEstimateWithHalfAPointOnEachSide) {
    EXPECT_DOUBLE_EQ(eloDifference(0, 0, 1), 0.0);
    EXPECT_EQ(eloDifferenceText(eloDifference(0, 0, 1)), "Geschätzter Elo-Abstand: +0");
    EXPECT_NEAR(eloDifference(3, 0, 0), 400.0 * std::log10(7.0), 1e-9);
    EXPECT_EQ(eloDifferenceText(eloDifference(3, 0, 0)), "Geschätzter Elo-Abstand: +338");
    EXPECT_NEAR(eloDifference(0, 3, 0), -338.04, 0.01);
    EXPECT_EQ(eloDifferenceText(eloDifference(0, 3, 0)), "Geschätzter Elo-Abstand: -338");
    EXPECT_TRUE(std::isfinite(eloDifference(0, 100, 0)));
}

TEST(OpeningSuiteTextTest, OneTrimmedFenPerLineWithoutEmptyLines) {
    const QString fenA = QStringLiteral("8/8/8/8/8/8/8/K6k w - - 0 1");
    const QString fenB = QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    const QString text = QStringLiteral(" \t") + fenA + QStringLiteral("\t\r\n\r\n  \n") + fenB +
                         QChar(0x2028) + QStringLiteral("x") + QChar(0x0085) +
                         QStringLiteral("y\rz\n");
    const QStringList fens = openingFENsFromText(text);
    EXPECT_EQ(fens, (QStringList{fenA, fenB, "x", "y", "z"}));
    EXPECT_EQ(openingSuiteText(fens), fenA + "\n" + fenB + "\nx\ny\nz");
    EXPECT_TRUE(openingFENsFromText(QStringLiteral(" \n\t\n")).isEmpty());
    // Only spaces and tabs are trimmed, and blanks inside a FEN stay.
    EXPECT_EQ(openingFENsFromText(QStringLiteral("\u00A0a b\u00A0")),
              QStringList{QStringLiteral("\u00A0a b\u00A0")});
}

} // namespace
} // namespace velkor::automatch
