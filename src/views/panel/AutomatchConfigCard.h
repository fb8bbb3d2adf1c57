#pragma once

#include "PanelWidgets.h"

#include <QList>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QSpinBox;

namespace velkor {
class AutomatchManager;
class EngineManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class EloSliderRow;
class EnginePicker;

// "Match-Einstellungen": number of games, the two engines with their strength limits, colour
// alternation, the pause between games and the opening suite. Locked while a series runs, so
// the running series and what the card shows never differ.
class AutomatchConfigCard : public Card {
    Q_OBJECT

public:
    AutomatchConfigCard(AutomatchManager& automatch, EngineManager& engines,
                        LocalizationManager& localization, QWidget* parent = nullptr);

    // The rows only a watched series uses (its length, colours, pause, suite and clock); a
    // full-speed match keeps the engines and their strengths and brings its own settings.
    void setWatchedSeriesShown(bool shown);
    // Locked while a full-speed match runs with the engines shown.
    void setLocked(bool locked);

private:
    void refresh();
    void refreshEngines();
    void writeOpenings();

    AutomatchManager& m_automatch;
    EngineManager& m_engines;
    QSpinBox* m_games;
    EnginePicker* m_engine1;
    EloSliderRow* m_engine1Elo;
    EnginePicker* m_engine2;
    EloSliderRow* m_engine2Elo;
    QCheckBox* m_alternate;
    QSlider* m_pause;
    QLabel* m_pauseValue;
    QPlainTextEdit* m_openings;
    QLabel* m_seriesSettings;
    QList<QWidget*> m_watchOnly;
    bool m_locked = false;
};

} // namespace velkor::panel
