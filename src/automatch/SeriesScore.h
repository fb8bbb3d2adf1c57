#pragma once

#include <QString>
#include <cstdint>

namespace velkor::automatch {

// Wins count 1, draws 0.5: engine 1's score is engine1Wins + draws / 2.
double seriesScore(std::int64_t wins, std::int64_t draws);

// How the last series ended, in figures, for the interface to word in its own language.
struct SeriesEnd {
    // Stopped by the person before its last game, or played to its end.
    bool stopped = false;
    std::int64_t gamesPlayed = 0;
    QString engine1Name;
    QString engine2Name;
    double engine1Score = 0;
    double engine2Score = 0;

    bool operator==(const SeriesEnd&) const = default;
};

// The text shown when a series has ended: "Automatch beendet: 10 Partien gespielt. Alpha gewinnt
// das Match (6.5 : 3.5)!", the winner's score first; "Match unentschieden (5.0 : 5.0)!" on equal
// scores.
QString seriesSummary(std::int64_t gamesPlayed, const QString& engine1Name,
                      const QString& engine2Name, double engine1Score, double engine2Score);
// The summary above, or "Automatch gestoppt." for a stopped series.
QString seriesEndText(const SeriesEnd& end);

// 400 × log10((w1 + d/2 + 0.5) / (w2 + d/2 + 0.5)): positive when engine 1 scored more. The 0.5
// on both sides keeps it finite when one engine has no points.
double eloDifference(std::int64_t engine1Wins, std::int64_t engine2Wins, std::int64_t draws);

// "Geschätzter Elo-Abstand: +338": the estimate rounded to whole points, sign always shown.
QString eloDifferenceText(double difference);

} // namespace velkor::automatch
