#pragma once

#include <QWidget>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

namespace velkor {

class AnalysisEngine;
class AnalysisVariation;
class EngineManager;
class LocalizationManager;
namespace panel {
class CoalescedRefresh;
class EnginePicker;
} // namespace panel

// The analysis beside the board: the engine, its lines, threads and hash, whether it runs, the
// depth against the target and the speed, and per line its score, depth and moves. Clicking a
// move of a line plays the line up to it on the analysis board; "Back to the game" leaves it.
// "Go deeper" searches on past the target; "Infinite" never stops at it.
class AnalysisPanel : public QWidget {
    Q_OBJECT

public:
    AnalysisPanel(AnalysisEngine& engine, AnalysisVariation& variation, EngineManager& engines,
                  LocalizationManager& localization, QWidget* parent = nullptr);

private:
    void refreshLines();
    void refreshStatus();
    void refreshVariation();

    AnalysisEngine& m_engine;
    AnalysisVariation& m_variation;
    LocalizationManager& m_localization;
    panel::EnginePicker* m_picker;
    QSpinBox* m_lines;
    QSpinBox* m_threads;
    QSpinBox* m_hash;
    QPushButton* m_run;
    QCheckBox* m_infinite;
    QPushButton* m_deeper;
    QLabel* m_status;
    QLabel* m_failure;
    QVBoxLayout* m_lineRows;
    struct LineRow {
        QLabel* score;
        QLabel* depth;
        QLabel* moves;
    };
    std::vector<LineRow> m_rows;
    QWidget* m_variationBar;
    QLabel* m_variationMoves;
    panel::CoalescedRefresh* m_refresh;
};

} // namespace velkor
