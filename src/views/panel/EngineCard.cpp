#include "EngineCard.h"

#include "PanelStyle.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace velkor::panel {

EngineCard::EngineCard(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : Card(QStringLiteral("currently_thinking_engine"), localization, parent), m_games(games),
      m_localization(localization) {
    setObjectName(QStringLiteral("engineCard"));
    QVBoxLayout* inner = body();
    m_colour = new QLabel(this);
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("engineCardName"));
    m_name->setWordWrap(true);
    auto* eloLine = new QHBoxLayout;
    m_elo = new QLabel(this);
    m_elo->setObjectName(QStringLiteral("engineCardElo"));
    m_badge = new QLabel(this);
    m_badge->setObjectName(QStringLiteral("engineCardBadge"));
    eloLine->addWidget(m_elo);
    eloLine->addWidget(m_badge);
    eloLine->addStretch(1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("engineCardStatus"));
    m_status->setWordWrap(true);
    inner->addWidget(m_colour);
    inner->addWidget(m_name);
    inner->addLayout(eloLine);
    inner->addWidget(m_status);

    connect(&games, &GameManager::currentlyThinkingColorChanged, this, &EngineCard::refresh);
    connect(&games, &GameManager::currentlyThinkingEngineChanged, this, &EngineCard::refresh);
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        connect(&games.engineSeat(color), &EngineSeat::processChanged, this, &EngineCard::refresh);
    }
    connect(&games, &GameManager::shownGameChanged, this, &EngineCard::refresh);
    connect(&games, &GameManager::isGameOverChanged, this, &EngineCard::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &EngineCard::refresh);
    refresh();
}

void EngineCard::refresh() {
    const auto colour = m_games.currentlyThinkingColor();
    const auto& engine = m_games.currentlyThinkingEngine();
    const bool thinking = colour && engine;
    m_colour->setVisible(thinking);
    m_name->setVisible(thinking);
    m_elo->setVisible(thinking);
    m_badge->setVisible(thinking);
    if (thinking) {
        m_colour->setText(m_localization.text(*colour == PieceColor::white
                                                  ? QStringLiteral("color_white")
                                                  : QStringLiteral("color_black")));
        m_name->setText(m_localization.text(QStringLiteral("engine_card_name")) + QLatin1Char(' ') +
                        engine->name);
        // An engine without UCI_LimitStrength plays at full strength whatever was asked.
        const bool limited = engine->limitElo && engine->supportsLimitStrength != false;
        m_elo->setText(m_localization.text(QStringLiteral("engine_card_elo")) + QLatin1Char(' ') +
                       (limited ? QString::number(engine->elo)
                                : m_localization.text(QStringLiteral("elo_max"))));
        m_badge->setText(m_localization.text(limited ? QStringLiteral("engine_badge_limited")
                                                     : QStringLiteral("engine_badge_full")));
        setBadgeTone(*m_badge, limited ? Tone::caution : Tone::success);
        m_status->setText(m_localization.text(QStringLiteral("status_thinking")));
        return;
    }
    // "Waiting for the player's move" only where a person is to move against an engine.
    const ShownGame& shown = m_games.shownGame();
    const bool hasEngine = shown.white.isEngine || shown.black.isEngine;
    const bool hasPerson = !shown.white.isEngine || !shown.black.isEngine;
    QString key;
    if (!hasEngine) {
        key = QStringLiteral("no_engine");
    } else if (m_games.isGameOver()) {
        key = QStringLiteral("engine_card_game_over");
    } else if (hasPerson) {
        key = QStringLiteral("engine_idle");
    } else {
        key = QStringLiteral("status_idle");
    }
    m_status->setText(m_localization.text(key));
}

} // namespace velkor::panel
