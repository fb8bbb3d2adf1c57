#pragma once

#include <QFrame>

class QLabel;

namespace velkor {
class AutomatchManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The series score: game number, both engines with strength, points and wins, the draws, the
// finished games, the estimated Elo difference with its error margin and the likelihood of
// superiority, and the countdown to the next game.
class AutomatchScoreboard : public QFrame {
    Q_OBJECT

public:
    AutomatchScoreboard(AutomatchManager& automatch, LocalizationManager& localization,
                        QWidget* parent = nullptr);

    // "Elo +147 ± 269 (95 %) · LOS 92.1 %" for engine 1's wins, losses and draws; empty before
    // the first game.
    static QString eloStatisticsText(std::int64_t wins, std::int64_t losses, std::int64_t draws);

private:
    void refresh();

    AutomatchManager& m_automatch;
    LocalizationManager& m_localization;
    QLabel* m_gameNumber;
    QLabel* m_engine1;
    QLabel* m_engine2;
    QLabel* m_draws;
    QLabel* m_finished;
    QLabel* m_eloDifference;
    QLabel* m_eloStatistics;
    QLabel* m_countdown;
};

} // namespace velkor::panel
