#pragma once

#include "PanelWidgets.h"

class QLabel;

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The engine now thinking: its colour, name and strength ("Gedrosselt" when limited, "Volle
// Stärke" otherwise); when none thinks, whether the engine waits or the game has none.
class EngineCard : public Card {
    Q_OBJECT

public:
    EngineCard(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

private:
    void refresh();

    GameManager& m_games;
    LocalizationManager& m_localization;
    QLabel* m_colour;
    QLabel* m_name;
    QLabel* m_elo;
    QLabel* m_badge;
    QLabel* m_status;
};

} // namespace velkor::panel
