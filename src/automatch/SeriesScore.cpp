#include "SeriesScore.h"

#include <cmath>

namespace velkor::automatch {

namespace {

// As "%.1f" would write it, whatever the process locale.
QString scoreText(double score) {
    return QString::number(score, 'f', 1);
}

} // namespace

double seriesScore(std::int64_t wins, std::int64_t draws) {
    return static_cast<double>(wins) + 0.5 * static_cast<double>(draws);
}

QString seriesSummary(std::int64_t gamesPlayed, const QString& engine1Name,
                      const QString& engine2Name, double engine1Score, double engine2Score) {
    QString verdict;
    if (engine1Score > engine2Score) {
        verdict = engine1Name + QStringLiteral(" gewinnt das Match (") + scoreText(engine1Score) +
                  QStringLiteral(" : ") + scoreText(engine2Score) + QStringLiteral(")!");
    } else if (engine2Score > engine1Score) {
        verdict = engine2Name + QStringLiteral(" gewinnt das Match (") + scoreText(engine2Score) +
                  QStringLiteral(" : ") + scoreText(engine1Score) + QStringLiteral(")!");
    } else {
        verdict = QStringLiteral("Match unentschieden (") + scoreText(engine1Score) +
                  QStringLiteral(" : ") + scoreText(engine2Score) + QStringLiteral(")!");
    }
    return QStringLiteral("Automatch beendet: ") + QString::number(gamesPlayed) +
           QStringLiteral(" Partien gespielt. ") + verdict;
}

QString seriesEndText(const SeriesEnd& end) {
    if (end.stopped) {
        return QStringLiteral("Automatch gestoppt.");
    }
    return seriesSummary(end.gamesPlayed, end.engine1Name, end.engine2Name, end.engine1Score,
                         end.engine2Score);
}

double eloDifference(std::int64_t engine1Wins, std::int64_t engine2Wins, std::int64_t draws) {
    const double engine1 = seriesScore(engine1Wins, draws) + 0.5;
    const double engine2 = seriesScore(engine2Wins, draws) + 0.5;
    return 400.0 * std::log10(engine1 / engine2);
}

QString eloDifferenceText(double difference) {
    // "%+.0f": the sign of the value itself, so -0.3 reads "-0" as printf would write it.
    const QString sign = std::signbit(difference) ? QStringLiteral("-") : QStringLiteral("+");
    return QStringLiteral("Geschätzter Elo-Abstand: ") + sign +
           QString::number(std::abs(difference), 'f', 0);
}

} // namespace velkor::automatch
