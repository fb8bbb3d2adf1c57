#pragma once

#include "game/EngineThinkingMode.h"
#include "game/GameMode.h"
#include "game/TimeControlPreset.h"

#include <QWidget>
#include <optional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QVBoxLayout;

namespace velkor {
class EngineManager;
class GameManager;
class LocalizationManager;
struct EngineConfiguration;
} // namespace velkor

namespace velkor::panel {

class EloSliderRow;
class EnginePicker;

// The set-up of the next game: mode, colour, time control (presets or custom base and
// increment), engine strength, how engines think and which engines play; "Start Game" applies
// the strengths and starts it. Mode, colour, time control and thinking mode are written to the
// game manager as they change, since they only take effect at the next game anyway.
class NewGameTab : public QWidget {
    Q_OBJECT

public:
    // Custom time control ranges: no choice can make a game that is lost before it starts.
    static constexpr int minBaseMinutes = 1;
    static constexpr int maxBaseMinutes = 180;
    static constexpr int maxIncrementSeconds = 60;

    NewGameTab(GameManager& games, EngineManager& engines, LocalizationManager& localization,
               QWidget* parent = nullptr);

signals:
    void automatchRequested();

private:
    // The tab's parts, top to bottom.
    void buildModeAndColour(QVBoxLayout& layout);
    void buildTimeControl(QVBoxLayout& layout);
    void buildStrength(QVBoxLayout& layout);
    void buildThinking(QVBoxLayout& layout);
    void buildEnginePickers(QVBoxLayout& layout);
    void buildStart(QVBoxLayout& layout);
    void connectEdits();
    void connectModels();

    void startGame();
    void writeThinkingMode();
    EngineThinkingMode::Kind checkedThinkingKind() const;
    void refreshFromGame();
    void refreshEngines();
    // The registry's choice for the colour the engine plays against the person.
    const std::optional<EngineConfiguration>& opponentEngine() const;
    void refreshVisibility();
    void refreshEloRows();
    void refreshTexts();

    GameManager& m_games;
    EngineManager& m_engines;
    LocalizationManager& m_localization;

    QComboBox* m_mode;
    QWidget* m_colourSection;
    QComboBox* m_colour;
    QButtonGroup* m_presets;
    QWidget* m_customSection;
    QSlider* m_baseMinutes;
    QLabel* m_baseMinutesValue;
    QSlider* m_increment;
    QLabel* m_incrementValue;
    QWidget* m_opponentSection;
    EloSliderRow* m_opponentElo;
    QWidget* m_matchStrengthSection;
    EloSliderRow* m_whiteElo;
    EloSliderRow* m_blackElo;
    QWidget* m_thinkingSection;
    QButtonGroup* m_thinkingMode;
    QLabel* m_moveTimeTitle = nullptr;
    QSlider* m_moveTime;
    QLabel* m_moveTimeValue;
    QSlider* m_depth;
    QLabel* m_depthValue;
    QWidget* m_opponentPickerSection;
    EnginePicker* m_opponentPicker;
    QWidget* m_matchPickerSection;
    EnginePicker* m_whitePicker;
    EnginePicker* m_blackPicker;

    // View state: the Elo limits of the next game and the engines' thinking values.
    bool m_opponentLimitElo = false;
    std::int64_t m_opponentEloValue = 1800;
    bool m_whiteLimitElo = false;
    std::int64_t m_whiteEloValue = 1800;
    bool m_blackLimitElo = false;
    std::int64_t m_blackEloValue = 1800;
    double m_fixedMoveTimeSeconds = 1.0;
    std::int64_t m_fixedSearchDepth = 10;
};

} // namespace velkor::panel
