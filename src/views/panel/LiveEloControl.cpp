#include "LiveEloControl.h"

#include "EloSliderRow.h"
#include "PanelStyle.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkor::panel {

LiveEloControl::LiveEloControl(GameManager& games, EngineManager& engines,
                               LocalizationManager& localization, QWidget* parent)
    : Card(QStringLiteral("live_elo_title"), localization, parent), m_games(games),
      m_engines(engines), m_localization(localization) {
    setObjectName(QStringLiteral("liveEloControl"));
    auto* immediate = new LocalizedText(QStringLiteral("live_elo_immediate"), localization, this);
    setBadgeTone(*immediate, Tone::accent);
    titleLine()->addWidget(immediate);

    m_white = new EloSliderRow(localization, this);
    m_white->setObjectName(QStringLiteral("liveEloWhite"));
    m_black = new EloSliderRow(localization, this);
    m_black->setObjectName(QStringLiteral("liveEloBlack"));
    body()->addWidget(m_white);
    body()->addWidget(m_black);
    connect(m_white, &EloSliderRow::changed, this,
            [this](bool limit, std::int64_t elo) { m_games.updateWhiteElo(limit, elo); });
    connect(m_black, &EloSliderRow::changed, this,
            [this](bool limit, std::int64_t elo) { m_games.updateBlackElo(limit, elo); });

    // The game on the board decides which engines there are to change.
    connect(&games, &GameManager::shownGameChanged, this, &LiveEloControl::refresh);
    connect(&games, &GameManager::humanColorChanged, this, &LiveEloControl::refresh);
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        const EngineSeat& seat = games.engineSeat(color);
        connect(&seat, &EngineSeat::processChanged, this, &LiveEloControl::refresh);
        connect(&seat, &EngineSeat::limitEloChanged, this, &LiveEloControl::refresh);
        connect(&seat, &EngineSeat::eloChanged, this, &LiveEloControl::refresh);
    }
    // What an engine can do about its strength is learnt by the registry at the engine's start.
    connect(&engines, &EngineManager::strengthSupportChanged, this, &LiveEloControl::refresh);
    connect(&engines, &EngineManager::selectedWhiteEngineChanged, this, &LiveEloControl::refresh);
    connect(&engines, &EngineManager::selectedBlackEngineChanged, this, &LiveEloControl::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &LiveEloControl::refresh);
    refresh();
}

bool LiveEloControl::enginePlays(PieceColor color) const {
    // Only an engine of the game in play can be changed; a game read or brought back has none.
    if (m_games.shownGame().origin == ShownGame::Origin::stored) {
        return false;
    }
    switch (m_games.playingMode()) {
    case GameMode::engineVsEngine:
        return true;
    case GameMode::humanVsEngine:
        return m_games.humanColor() != color;
    case GameMode::humanVsHuman:
        return false;
    }
    return false;
}

void LiveEloControl::refresh() {
    const bool whitePlays = enginePlays(PieceColor::white);
    const bool blackPlays = enginePlays(PieceColor::black);
    setVisible(whitePlays || blackPlays);
    const bool engineMatch = m_games.playingMode() == GameMode::engineVsEngine;
    const auto update = [this, engineMatch](EloSliderRow* row, PieceColor color, bool plays) {
        row->setVisible(plays);
        if (!plays) {
            return;
        }
        row->setToggleText(m_localization.text(QStringLiteral("limit_elo")));
        row->setTitle(m_localization.text(!engineMatch ? QStringLiteral("live_elo_opponent")
                                          : color == PieceColor::white
                                              ? QStringLiteral("live_elo_white")
                                              : QStringLiteral("live_elo_black")));
        const EngineSeat& seat = m_games.engineSeat(color);
        // The engine in the seat, else the one its next game will seat.
        const UCIEngineProcess* process = seat.process();
        const std::optional<EngineConfiguration>& selection = color == PieceColor::white
                                                                  ? m_engines.selectedWhiteEngine()
                                                                  : m_engines.selectedBlackEngine();
        const std::optional<EngineConfiguration> engine =
            process ? std::optional(process->config()) : selection;
        const EngineStrengthSupport support =
            engine ? m_engines.strengthSupport(*engine) : EngineStrengthSupport{};
        row->setUnsupported(!support.canLimitStrength);
        row->setState(seat.limitElo(), seat.elo());
        row->setEngineRange(support.eloRange);
    };
    update(m_white, PieceColor::white, whitePlays);
    update(m_black, PieceColor::black, blackPlays);
}

} // namespace velkor::panel
