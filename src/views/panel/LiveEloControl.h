#pragma once

#include "PanelWidgets.h"
#include "chess/PieceColor.h"

namespace velkor {
class EngineManager;
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class EloSliderRow;

// Changes the strength of the engines of the running game at once: one row per colour an
// engine plays, or the note that the engine cannot limit its strength. Hidden without engines.
class LiveEloControl : public Card {
    Q_OBJECT

public:
    LiveEloControl(GameManager& games, EngineManager& engines, LocalizationManager& localization,
                   QWidget* parent = nullptr);

private:
    void refresh();
    bool enginePlays(PieceColor color) const;

    GameManager& m_games;
    EngineManager& m_engines;
    LocalizationManager& m_localization;
    EloSliderRow* m_white;
    EloSliderRow* m_black;
};

} // namespace velkor::panel
