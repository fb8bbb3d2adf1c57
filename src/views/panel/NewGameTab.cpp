#include "NewGameTab.h"

#include "EloSliderRow.h"
#include "PanelWidgets.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "uci/EngineManager.h"
#include "views/LocalizedText.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace velkor::panel {

namespace {

// The chips' keys: the time controls' own names where they are short enough for a chip.
QString chipKey(TimeControlPreset preset) {
    switch (preset) {
    case TimeControlPreset::rapid10_0:
        return QStringLiteral("chip_rapid_10_0");
    case TimeControlPreset::rapid15_10:
        return QStringLiteral("chip_rapid_15_10");
    case TimeControlPreset::custom:
        return QStringLiteral("chip_custom");
    case TimeControlPreset::unlimited:
        return QStringLiteral("chip_unlimited");
    default:
        return locKey(preset);
    }
}

// The fixed move time slider counts half seconds.
constexpr int minHalfSeconds = 1;
constexpr int maxHalfSeconds = 60;
constexpr int maxDepth = 40;

QLabel* boldLabel(const QString& key, LocalizationManager& localization, QWidget* parent) {
    auto* label = new LocalizedText(key, localization, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setWordWrap(true);
    return label;
}

QWidget* section(QWidget* parent, QVBoxLayout*& layout) {
    auto* widget = new QWidget(parent);
    layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    return widget;
}

QSlider* horizontalSlider(const QString& objectName, int minimum, int maximum, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(objectName);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(5);
    return slider;
}

} // namespace

NewGameTab::NewGameTab(GameManager& games, EngineManager& engines,
                       LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games), m_engines(engines), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);

    // Mode and colour.
    layout->addWidget(boldLabel(QStringLiteral("game_mode"), localization, this));
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("gameModePicker"));
    for (const GameMode mode : allGameModes) {
        m_mode->addItem(QString(), static_cast<int>(mode));
    }
    layout->addWidget(m_mode);
    QVBoxLayout* colourLayout = nullptr;
    m_colourSection = section(this, colourLayout);
    colourLayout->addWidget(boldLabel(QStringLiteral("player_color"), localization, this));
    m_colour = new QComboBox(m_colourSection);
    m_colour->setObjectName(QStringLiteral("colorPicker"));
    for (const PlayerColorChoice choice : allPlayerColorChoices) {
        m_colour->addItem(QString(), static_cast<int>(choice));
    }
    colourLayout->addWidget(m_colour);
    layout->addWidget(m_colourSection);

    // Time control.
    layout->addWidget(boldLabel(QStringLiteral("time_control"), localization, this));
    auto* chips = new QGridLayout;
    chips->setSpacing(4);
    m_presets = new QButtonGroup(this);
    m_presets->setExclusive(true);
    int index = 0;
    for (const TimeControlPreset preset : allTimeControlPresets) {
        auto* chip = new QPushButton(this);
        bindLocalizedText(chip, localization, chipKey(preset),
                          [chip](const QString& text) { chip->setText(text); });
        chip->setObjectName(QStringLiteral("timeChip_") + id(preset));
        chip->setCheckable(true);
        chip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        chip->setStyleSheet(QStringLiteral(
            "QPushButton { padding: 3px 2px; border-radius: 10px; border: 1px solid palette(mid); }"
            " QPushButton:checked { background: palette(highlight);"
            " color: palette(highlighted-text); }"));
        m_presets->addButton(chip, static_cast<int>(preset));
        chips->addWidget(chip, index / 3, index % 3);
        ++index;
    }
    layout->addLayout(chips);
    QVBoxLayout* customLayout = nullptr;
    m_customSection = section(this, customLayout);
    const auto addValueLine = [&](QVBoxLayout* into, const QString& key, QLabel*& value) {
        auto* line = new QHBoxLayout;
        auto* label = new LocalizedText(key, localization, this);
        label->setWordWrap(true);
        line->addWidget(label, 1);
        value = new QLabel(this);
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        line->addWidget(value);
        into->addLayout(line);
    };
    addValueLine(customLayout, QStringLiteral("base_time_min"), m_baseMinutesValue);
    m_baseMinutes = horizontalSlider(QStringLiteral("customBaseSlider"), minBaseMinutes,
                                     maxBaseMinutes, m_customSection);
    customLayout->addWidget(m_baseMinutes);
    addValueLine(customLayout, QStringLiteral("increment_sec"), m_incrementValue);
    m_increment = horizontalSlider(QStringLiteral("customIncrementSlider"), 0, maxIncrementSeconds,
                                   m_customSection);
    customLayout->addWidget(m_increment);
    layout->addWidget(m_customSection);

    // Engine strength.
    QVBoxLayout* opponentLayout = nullptr;
    m_opponentSection = section(this, opponentLayout);
    opponentLayout->addWidget(boldLabel(QStringLiteral("elo_opponent_engine"), localization, this));
    auto* help =
        new LocalizedText(QStringLiteral("elo_slider_help"), localization, m_opponentSection);
    help->setWordWrap(true);
    opponentLayout->addWidget(help);
    m_opponentElo = new EloSliderRow(localization, m_opponentSection);
    m_opponentElo->setObjectName(QStringLiteral("opponentEloRow"));
    opponentLayout->addWidget(m_opponentElo);
    layout->addWidget(m_opponentSection);

    QVBoxLayout* matchLayout = nullptr;
    m_matchStrengthSection = section(this, matchLayout);
    matchLayout->addWidget(boldLabel(QStringLiteral("limit_elo"), localization, this));
    QLabel* independent = makeHintLabel({}, m_matchStrengthSection);
    matchLayout->addWidget(independent);
    bindLocalizedText(independent, localization, QStringLiteral("independent_elo_info"),
                      [independent](const QString& text) { independent->setText(text); });
    m_whiteElo = new EloSliderRow(localization, m_matchStrengthSection);
    m_whiteElo->setObjectName(QStringLiteral("whiteEloRow"));
    bindLocalizedText(m_whiteElo, localization, QStringLiteral("new_game_white_strength"),
                      [this](const QString& text) { m_whiteElo->setTitle(text); });
    m_blackElo = new EloSliderRow(localization, m_matchStrengthSection);
    m_blackElo->setObjectName(QStringLiteral("blackEloRow"));
    bindLocalizedText(m_blackElo, localization, QStringLiteral("new_game_black_strength"),
                      [this](const QString& text) { m_blackElo->setTitle(text); });
    matchLayout->addWidget(m_whiteElo);
    matchLayout->addWidget(m_blackElo);
    layout->addWidget(m_matchStrengthSection);

    // How engines think.
    QVBoxLayout* thinkingLayout = nullptr;
    m_thinkingSection = section(this, thinkingLayout);
    thinkingLayout->addWidget(
        boldLabel(QStringLiteral("engine_thinking_time"), localization, this));
    m_thinkingMode = new QButtonGroup(this);
    const QString modeKeys[3] = {QStringLiteral("use_game_clock"), QStringLiteral("fixed_movetime"),
                                 QStringLiteral("fixed_depth")};
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = new QRadioButton(m_thinkingSection);
        radio->setObjectName(QStringLiteral("thinkingMode_%1").arg(mode));
        bindLocalizedText(radio, localization, modeKeys[mode],
                          [radio](const QString& text) { radio->setText(text); });
        m_thinkingMode->addButton(radio, mode);
        thinkingLayout->addWidget(radio);
    }
    // The slider says what it sets: the seconds each engine may think per move.
    m_moveTimeTitle =
        new LocalizedText(QStringLiteral("engine_fixed_movetime"), localization, m_thinkingSection);
    m_moveTimeTitle->setObjectName(QStringLiteral("moveTimeTitle"));
    m_moveTimeTitle->setWordWrap(true);
    thinkingLayout->addWidget(m_moveTimeTitle);
    auto* moveTimeLine = new QHBoxLayout;
    m_moveTime = horizontalSlider(QStringLiteral("moveTimeSlider"), minHalfSeconds, maxHalfSeconds,
                                  m_thinkingSection);
    m_moveTimeValue = new QLabel(m_thinkingSection);
    m_moveTimeValue->setMinimumWidth(50);
    moveTimeLine->addWidget(m_moveTime, 1);
    moveTimeLine->addWidget(m_moveTimeValue);
    thinkingLayout->addLayout(moveTimeLine);
    auto* depthLine = new QHBoxLayout;
    m_depth = horizontalSlider(QStringLiteral("depthSlider"), 1, maxDepth, m_thinkingSection);
    m_depthValue = new QLabel(m_thinkingSection);
    m_depthValue->setMinimumWidth(50);
    depthLine->addWidget(m_depth, 1);
    depthLine->addWidget(m_depthValue);
    thinkingLayout->addLayout(depthLine);
    layout->addWidget(m_thinkingSection);

    // Engines.
    QVBoxLayout* opponentPickerLayout = nullptr;
    m_opponentPickerSection = section(this, opponentPickerLayout);
    layout->addWidget(m_opponentPickerSection);
    QVBoxLayout* matchPickerLayout = nullptr;
    m_matchPickerSection = section(this, matchPickerLayout);
    layout->addWidget(m_matchPickerSection);
    m_opponentPicker = addEnginePicker(QStringLiteral("opponentEnginePicker"),
                                       QStringLiteral("selected_engine"), true, true);
    m_whitePicker = addEnginePicker(QStringLiteral("whiteEnginePicker"),
                                    QStringLiteral("white_engine"), true, false);
    m_blackPicker = addEnginePicker(QStringLiteral("blackEnginePicker"),
                                    QStringLiteral("black_engine"), false, true);

    // A label, not a flat button: it wraps where the panel is narrow.
    auto* link = new QLabel(this);
    bindLocalizedText(link, localization, QStringLiteral("new_game_automatch_link"),
                      [link](const QString& text) {
                          link->setText(QStringLiteral("<a href=\"automatch\">") +
                                        text.toHtmlEscaped() + QStringLiteral("</a>"));
                      });
    link->setObjectName(QStringLiteral("automatchLink"));
    link->setWordWrap(true);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, &NewGameTab::automatchRequested);
    layout->addWidget(link);

    auto* start = new QPushButton(this);
    start->setObjectName(QStringLiteral("startGameButton"));
    start->setDefault(true);
    start->setMinimumHeight(34);
    bindLocalizedText(start, localization, QStringLiteral("btn_start_game"),
                      [start](const QString& text) { start->setText(text); });
    connect(start, &QPushButton::clicked, this, &NewGameTab::startGame);
    layout->addWidget(start);
    layout->addStretch(1);

    // The person's edits.
    connect(m_mode, &QComboBox::activated, this,
            [this] { m_games.setGameMode(static_cast<GameMode>(m_mode->currentData().toInt())); });
    connect(m_colour, &QComboBox::activated, this, [this] {
        m_games.setColorChoice(static_cast<PlayerColorChoice>(m_colour->currentData().toInt()));
    });
    connect(m_presets, &QButtonGroup::idClicked, this, [this](int preset) {
        TimeControlConfig config = m_games.timeControlConfig();
        config.preset = static_cast<TimeControlPreset>(preset);
        m_games.setTimeControlConfig(config);
    });
    connect(m_baseMinutes, &QSlider::valueChanged, this, &NewGameTab::writeCustomTimes);
    connect(m_increment, &QSlider::valueChanged, this, &NewGameTab::writeCustomTimes);
    connect(m_thinkingMode, &QButtonGroup::idClicked, this, &NewGameTab::writeThinkingMode);
    connect(m_moveTime, &QSlider::valueChanged, this, [this](int halfSeconds) {
        m_fixedMoveTimeSeconds = halfSeconds / 2.0;
        writeThinkingMode();
    });
    connect(m_depth, &QSlider::valueChanged, this, [this](int depth) {
        m_fixedSearchDepth = depth;
        writeThinkingMode();
    });
    connect(m_opponentElo, &EloSliderRow::changed, this, [this](bool limit, std::int64_t elo) {
        m_opponentLimitElo = limit;
        m_opponentEloValue = elo;
    });
    connect(m_whiteElo, &EloSliderRow::changed, this, [this](bool limit, std::int64_t elo) {
        m_whiteLimitElo = limit;
        m_whiteEloValue = elo;
    });
    connect(m_blackElo, &EloSliderRow::changed, this, [this](bool limit, std::int64_t elo) {
        m_blackLimitElo = limit;
        m_blackEloValue = elo;
    });

    // The models' changes.
    connect(&games, &GameManager::gameModeChanged, this, &NewGameTab::refreshFromGame);
    connect(&games, &GameManager::colorChoiceChanged, this, [this] {
        refreshFromGame();
        refreshEngines();
    });
    connect(&games, &GameManager::timeControlConfigChanged, this, &NewGameTab::refreshFromGame);
    connect(&engines, &EngineManager::availableEnginesChanged, this, &NewGameTab::refreshEngines);
    connect(&engines, &EngineManager::selectedWhiteEngineChanged, this,
            &NewGameTab::refreshEngines);
    connect(&engines, &EngineManager::selectedBlackEngineChanged, this,
            &NewGameTab::refreshEngines);
    connect(&engines, &EngineManager::strengthSupportChanged, this, &NewGameTab::refreshEloRows);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &NewGameTab::refreshTexts);

    // The thinking values start from the game manager's mode where it carries one.
    const EngineThinkingMode thinking = games.timeControlConfig().engineThinkingMode;
    if (thinking.kind() == EngineThinkingMode::Kind::fixedMoveTime) {
        m_fixedMoveTimeSeconds = thinking.seconds();
    } else if (thinking.kind() == EngineThinkingMode::Kind::fixedDepth) {
        m_fixedSearchDepth = thinking.depth();
    }
    const EngineSeat& whiteSeat = games.engineSeat(PieceColor::white);
    const EngineSeat& blackSeat = games.engineSeat(PieceColor::black);
    m_opponentLimitElo = whiteSeat.limitElo();
    m_opponentEloValue = whiteSeat.elo();
    m_whiteLimitElo = whiteSeat.limitElo();
    m_whiteEloValue = whiteSeat.elo();
    m_blackLimitElo = blackSeat.limitElo();
    m_blackEloValue = blackSeat.elo();
    refreshTexts();
    refreshFromGame();
    refreshEngines();
}

QComboBox* NewGameTab::addEnginePicker(const QString& objectName, const QString& key, bool white,
                                       bool black) {
    QWidget* host = white && black ? m_opponentPickerSection : m_matchPickerSection;
    auto* hostLayout = static_cast<QVBoxLayout*>(host->layout());
    hostLayout->addWidget(boldLabel(key, m_localization, host));
    auto* picker = new QComboBox(host);
    picker->setObjectName(objectName);
    picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    picker->setMinimumContentsLength(12);
    hostLayout->addWidget(picker);
    connect(picker, &QComboBox::activated, this, [this, picker, white, black](int index) {
        const QUuid id = picker->itemData(index).toUuid();
        for (const EngineConfiguration& engine : m_engines.availableEngines()) {
            if (engine.id == id) {
                if (white) {
                    m_engines.setSelectedWhiteEngine(engine);
                }
                if (black) {
                    m_engines.setSelectedBlackEngine(engine);
                }
            }
        }
    });
    return picker;
}

void NewGameTab::startGame() {
    if (m_games.gameMode() == GameMode::humanVsEngine) {
        // The engine's colour is only known once the colour wish is resolved: both get it.
        m_games.setWhiteEngineLimitElo(m_opponentLimitElo);
        m_games.setWhiteEngineElo(m_opponentEloValue);
        m_games.setBlackEngineLimitElo(m_opponentLimitElo);
        m_games.setBlackEngineElo(m_opponentEloValue);
    } else if (m_games.gameMode() == GameMode::engineVsEngine) {
        m_games.setWhiteEngineLimitElo(m_whiteLimitElo);
        m_games.setWhiteEngineElo(m_whiteEloValue);
        m_games.setBlackEngineLimitElo(m_blackLimitElo);
        m_games.setBlackEngineElo(m_blackEloValue);
    }
    m_games.startNewGame();
}

void NewGameTab::writeThinkingMode() {
    TimeControlConfig config = m_games.timeControlConfig();
    switch (m_thinkingMode->checkedId()) {
    case 1:
        config.engineThinkingMode = EngineThinkingMode::fixedMoveTime(m_fixedMoveTimeSeconds);
        break;
    case 2:
        config.engineThinkingMode = EngineThinkingMode::fixedDepth(m_fixedSearchDepth);
        break;
    default:
        config.engineThinkingMode = EngineThinkingMode::gameClock();
        break;
    }
    m_games.setTimeControlConfig(config);
}

void NewGameTab::writeCustomTimes() {
    TimeControlConfig config = m_games.timeControlConfig();
    config.customBaseMinutes = m_baseMinutes->value();
    config.customIncrementSeconds = m_increment->value();
    m_games.setTimeControlConfig(config);
}

void NewGameTab::refreshFromGame() {
    const TimeControlConfig& config = m_games.timeControlConfig();
    {
        const QSignalBlocker modeBlocker(m_mode);
        const QSignalBlocker colourBlocker(m_colour);
        const QSignalBlocker baseBlocker(m_baseMinutes);
        const QSignalBlocker incrementBlocker(m_increment);
        const QSignalBlocker moveTimeBlocker(m_moveTime);
        const QSignalBlocker depthBlocker(m_depth);
        m_mode->setCurrentIndex(m_mode->findData(static_cast<int>(m_games.gameMode())));
        m_colour->setCurrentIndex(m_colour->findData(static_cast<int>(m_games.colorChoice())));
        if (QAbstractButton* chip = m_presets->button(static_cast<int>(config.preset))) {
            chip->setChecked(true);
        }
        m_baseMinutes->setValue(static_cast<int>(config.customBaseMinutes));
        m_increment->setValue(static_cast<int>(config.customIncrementSeconds));
        const EngineThinkingMode thinking = config.engineThinkingMode;
        const int selection = thinking.kind() == EngineThinkingMode::Kind::fixedMoveTime ? 1
                              : thinking.kind() == EngineThinkingMode::Kind::fixedDepth  ? 2
                                                                                         : 0;
        m_thinkingMode->button(selection)->setChecked(true);
        m_moveTime->setValue(static_cast<int>(std::lround(m_fixedMoveTimeSeconds * 2)));
        m_depth->setValue(static_cast<int>(m_fixedSearchDepth));
    }
    m_baseMinutesValue->setText(QString::number(m_baseMinutes->value()) + QStringLiteral(" min"));
    m_incrementValue->setText(QString::number(m_increment->value()) + QStringLiteral(" s"));
    m_moveTimeValue->setText(QString::number(m_fixedMoveTimeSeconds, 'f', 1) +
                             QStringLiteral(" s"));
    m_depthValue->setText(m_localization.text(QStringLiteral("depth_value")) + QLatin1Char(' ') +
                          QString::number(m_fixedSearchDepth));
    refreshVisibility();
}

void NewGameTab::refreshVisibility() {
    const GameMode mode = m_games.gameMode();
    const bool againstEngine = mode == GameMode::humanVsEngine;
    const bool engineMatch = mode == GameMode::engineVsEngine;
    m_colourSection->setVisible(againstEngine);
    m_customSection->setVisible(m_games.timeControlConfig().preset == TimeControlPreset::custom);
    m_opponentSection->setVisible(againstEngine);
    m_matchStrengthSection->setVisible(engineMatch);
    m_thinkingSection->setVisible(againstEngine || engineMatch);
    const int thinking = m_thinkingMode->checkedId();
    m_moveTimeTitle->setVisible(thinking == 1);
    m_moveTime->setVisible(thinking == 1);
    m_moveTimeValue->setVisible(thinking == 1);
    m_depth->setVisible(thinking == 2);
    m_depthValue->setVisible(thinking == 2);
    m_opponentPickerSection->setVisible(againstEngine);
    m_matchPickerSection->setVisible(engineMatch);
}

const std::optional<EngineConfiguration>& NewGameTab::opponentEngine() const {
    // The engine takes the colour the person does not play; a random colour shows Black's.
    return m_games.colorChoice() == PlayerColorChoice::black ? m_engines.selectedWhiteEngine()
                                                             : m_engines.selectedBlackEngine();
}

void NewGameTab::refreshEngines() {
    const auto fill = [this](QComboBox* picker, const std::optional<EngineConfiguration>& chosen) {
        const QSignalBlocker blocker(picker);
        picker->clear();
        for (const EngineConfiguration& engine : m_engines.availableEngines()) {
            picker->addItem(distinctEngineLabel(engine, m_engines.availableEngines()), engine.id);
        }
        picker->setCurrentIndex(chosen ? picker->findData(chosen->id) : -1);
        picker->setEnabled(picker->count() > 0);
    };
    fill(m_opponentPicker, opponentEngine());
    fill(m_whitePicker, m_engines.selectedWhiteEngine());
    fill(m_blackPicker, m_engines.selectedBlackEngine());
    refreshEloRows();
}

void NewGameTab::refreshEloRows() {
    const auto update = [this](EloSliderRow* row, const std::optional<EngineConfiguration>& engine,
                               bool limit, std::int64_t elo) {
        const EngineStrengthSupport support =
            engine ? m_engines.strengthSupport(*engine) : EngineStrengthSupport{};
        row->setUnsupported(!support.canLimitStrength);
        row->setEngineRange(support.eloRange);
        row->setState(limit, elo);
    };
    update(m_opponentElo, opponentEngine(), m_opponentLimitElo, m_opponentEloValue);
    update(m_whiteElo, m_engines.selectedWhiteEngine(), m_whiteLimitElo, m_whiteEloValue);
    update(m_blackElo, m_engines.selectedBlackEngine(), m_blackLimitElo, m_blackEloValue);
}

void NewGameTab::refreshTexts() {
    for (int i = 0; i < m_mode->count(); ++i) {
        m_mode->setItemText(
            i, m_localization.text(locKey(static_cast<GameMode>(m_mode->itemData(i).toInt()))));
    }
    for (int i = 0; i < m_colour->count(); ++i) {
        m_colour->setItemText(i, m_localization.text(locKey(static_cast<PlayerColorChoice>(
                                     m_colour->itemData(i).toInt()))));
    }
    m_opponentElo->setToggleText(m_localization.text(QStringLiteral("limit_elo")));
    m_whiteElo->setToggleText(m_localization.text(QStringLiteral("elo_white_engine")));
    m_blackElo->setToggleText(m_localization.text(QStringLiteral("elo_black_engine")));
    m_depthValue->setText(m_localization.text(QStringLiteral("depth_value")) + QLatin1Char(' ') +
                          QString::number(m_fixedSearchDepth));
}

} // namespace velkor::panel
