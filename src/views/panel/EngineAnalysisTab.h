#pragma once

#include <QWidget>

class QLabel;

namespace velkor {
class EngineManager;
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class CoalescedRefresh;

// What the engines think: the engine card, the live strength control, score, depth, nodes and
// speed of the principal line, every line's moves, the evaluation history and the UCI log.
class EngineAnalysisTab : public QWidget {
    Q_OBJECT

public:
    EngineAnalysisTab(GameManager& games, EngineManager& engines, LocalizationManager& localization,
                      QWidget* parent = nullptr);

signals:
    void toastRequested(const QString& message);

private:
    void refreshEvaluation();

    GameManager& m_games;
    QLabel* m_score;
    QLabel* m_depth;
    QLabel* m_nodes;
    QLabel* m_nps;
    QLabel* m_lines;
    CoalescedRefresh* m_refresh;
};

} // namespace velkor::panel
