#pragma once

#include "PanelWidgets.h"

class QLabel;

namespace velkor {
class AutomatchManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The series score: game number, both engines of the series with their strength, points and
// wins, the draws, the finished games, one Elo figure (the estimate with its error margin, or the
// one bound the games allow when one side scored every point) with the likelihood of
// superiority, and the countdown to the next game.
class AutomatchScoreboard : public Card {
    Q_OBJECT

public:
    AutomatchScoreboard(AutomatchManager& automatch, LocalizationManager& localization,
                        QWidget* parent = nullptr);

    // "Estimated Elo difference: +147 ± 269 (95 %) · LOS 92.1 %" for engine 1's wins, losses and
    // draws, or "…: at least +140 (95 %) · LOS 99.9 %" where the interval is open on one side;
    // empty before the first game.
    static QString eloFigureText(std::int64_t wins, std::int64_t losses, std::int64_t draws,
                                 const LocalizationManager& localization);

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
    QLabel* m_countdown;
};

} // namespace velkor::panel
