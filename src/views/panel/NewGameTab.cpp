#include "NewGameTab.h"

#include "EloSliderRow.h"
#include "EnginePicker.h"
#include "InstalledEnginesModel.h"
#include "PanelStyle.h"
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
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
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

// A slider with its value beside it.
QHBoxLayout* sliderLine(QSlider* slider, QLabel*& value, QWidget* parent) {
    auto* line = new QHBoxLayout;
    value = new QLabel(parent);
    value->setMinimumWidth(50);
    line->addWidget(slider, 1);
    line->addWidget(value);
    return line;
}

// Whether a slider's new `value` is only how it shows `state`, which its range may clip: showing
// the settings must not write them back changed.
bool showsState(const QSlider& slider, int value, std::int64_t state) {
    return value == std::clamp<std::int64_t>(state, slider.minimum(), slider.maximum());
}

int halfSeconds(double seconds) {
    return static_cast<int>(std::lround(seconds * 2));
}

// The thinking modes in the order the person reads them.
constexpr std::array<EngineThinkingMode::Kind, 3> thinkingKinds{
    EngineThinkingMode::Kind::gameClock, EngineThinkingMode::Kind::fixedMoveTime,
    EngineThinkingMode::Kind::fixedDepth};

QString thinkingKey(EngineThinkingMode::Kind kind) {
    switch (kind) {
    case EngineThinkingMode::Kind::gameClock:
        return QStringLiteral("use_game_clock");
    case EngineThinkingMode::Kind::fixedMoveTime:
        return QStringLiteral("fixed_movetime");
    case EngineThinkingMode::Kind::fixedDepth:
        return QStringLiteral("fixed_depth");
    }
    return {};
}

} // namespace

NewGameTab::NewGameTab(GameManager& games, EngineManager& engines,
                       LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games), m_engines(engines), m_localization(localization) {
    // The view's own values start from the game manager's settings where it carries them.
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

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    buildModeAndColour(*layout);
    buildTimeControl(*layout);
    buildStrength(*layout);
    buildThinking(*layout);
    buildEnginePickers(*layout);
    buildStart(*layout);
    layout->addStretch(1);

    // Shown before the edits are connected, so showing them writes nothing back.
    refreshTexts();
    refreshFromGame();
    refreshEngines();
    connectEdits();
    connectModels();
}

void NewGameTab::buildModeAndColour(QVBoxLayout& layout) {
    layout.addWidget(heading(QStringLiteral("game_mode"), m_localization, this));
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("gameModePicker"));
    for (const GameMode mode : allGameModes) {
        m_mode->addItem(QString(), static_cast<int>(mode));
    }
    layout.addWidget(m_mode);
    QVBoxLayout* colourLayout = nullptr;
    m_colourSection = section(this, colourLayout);
    colourLayout->addWidget(heading(QStringLiteral("player_color"), m_localization, this));
    m_colour = new QComboBox(m_colourSection);
    m_colour->setObjectName(QStringLiteral("colorPicker"));
    for (const PlayerColorChoice choice : allPlayerColorChoices) {
        m_colour->addItem(QString(), static_cast<int>(choice));
    }
    colourLayout->addWidget(m_colour);
    layout.addWidget(m_colourSection);
}

void NewGameTab::buildTimeControl(QVBoxLayout& layout) {
    layout.addWidget(heading(QStringLiteral("time_control"), m_localization, this));
    auto* chips = new QGridLayout;
    chips->setSpacing(4);
    m_presets = new QButtonGroup(this);
    m_presets->setExclusive(true);
    int index = 0;
    for (const TimeControlPreset preset : allTimeControlPresets) {
        auto* chip = new QPushButton(this);
        bindLocalizedText(chip, m_localization, chipKey(preset),
                          [chip](const QString& text) { chip->setText(text); });
        chip->setObjectName(QStringLiteral("timeChip_") + id(preset));
        chip->setCheckable(true);
        chip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setRole(*chip, Role::chip);
        m_presets->addButton(chip, static_cast<int>(preset));
        chips->addWidget(chip, index / 3, index % 3);
        ++index;
    }
    layout.addLayout(chips);

    QVBoxLayout* customLayout = nullptr;
    m_customSection = section(this, customLayout);
    const auto addValueLine = [&](const QString& key, QLabel*& value) {
        auto* line = new QHBoxLayout;
        auto* label = new LocalizedText(key, m_localization, this);
        label->setWordWrap(true);
        line->addWidget(label, 1);
        value = new QLabel(this);
        embolden(*value);
        line->addWidget(value);
        customLayout->addLayout(line);
    };
    addValueLine(QStringLiteral("base_time_min"), m_baseMinutesValue);
    m_baseMinutes = horizontalSlider(QStringLiteral("customBaseSlider"), minBaseMinutes,
                                     maxBaseMinutes, m_customSection);
    customLayout->addWidget(m_baseMinutes);
    addValueLine(QStringLiteral("increment_sec"), m_incrementValue);
    m_increment = horizontalSlider(QStringLiteral("customIncrementSlider"), 0, maxIncrementSeconds,
                                   m_customSection);
    customLayout->addWidget(m_increment);
    layout.addWidget(m_customSection);
}

void NewGameTab::buildStrength(QVBoxLayout& layout) {
    QVBoxLayout* opponentLayout = nullptr;
    m_opponentSection = section(this, opponentLayout);
    opponentLayout->addWidget(heading(QStringLiteral("elo_opponent_engine"), m_localization, this));
    auto* help =
        new LocalizedText(QStringLiteral("elo_slider_help"), m_localization, m_opponentSection);
    help->setWordWrap(true);
    opponentLayout->addWidget(help);
    m_opponentElo = new EloSliderRow(m_localization, m_opponentSection);
    m_opponentElo->setObjectName(QStringLiteral("opponentEloRow"));
    opponentLayout->addWidget(m_opponentElo);
    layout.addWidget(m_opponentSection);

    QVBoxLayout* matchLayout = nullptr;
    m_matchStrengthSection = section(this, matchLayout);
    matchLayout->addWidget(heading(QStringLiteral("limit_elo"), m_localization, this));
    matchLayout->addWidget(
        hintLabel(QStringLiteral("independent_elo_info"), m_localization, m_matchStrengthSection));
    m_whiteElo = new EloSliderRow(m_localization, m_matchStrengthSection);
    m_whiteElo->setObjectName(QStringLiteral("whiteEloRow"));
    bindLocalizedText(m_whiteElo, m_localization, QStringLiteral("new_game_white_strength"),
                      [this](const QString& text) { m_whiteElo->setTitle(text); });
    m_blackElo = new EloSliderRow(m_localization, m_matchStrengthSection);
    m_blackElo->setObjectName(QStringLiteral("blackEloRow"));
    bindLocalizedText(m_blackElo, m_localization, QStringLiteral("new_game_black_strength"),
                      [this](const QString& text) { m_blackElo->setTitle(text); });
    matchLayout->addWidget(m_whiteElo);
    matchLayout->addWidget(m_blackElo);
    layout.addWidget(m_matchStrengthSection);
}

void NewGameTab::buildThinking(QVBoxLayout& layout) {
    QVBoxLayout* thinkingLayout = nullptr;
    m_thinkingSection = section(this, thinkingLayout);
    thinkingLayout->addWidget(
        heading(QStringLiteral("engine_thinking_time"), m_localization, this));
    m_thinkingMode = new QButtonGroup(this);
    for (std::size_t position = 0; position < thinkingKinds.size(); ++position) {
        const EngineThinkingMode::Kind kind = thinkingKinds[position];
        auto* radio = new QRadioButton(m_thinkingSection);
        radio->setObjectName(QStringLiteral("thinkingMode_%1").arg(position));
        bindLocalizedText(radio, m_localization, thinkingKey(kind),
                          [radio](const QString& text) { radio->setText(text); });
        m_thinkingMode->addButton(radio, static_cast<int>(kind));
        thinkingLayout->addWidget(radio);
    }
    // The slider says what it sets: the seconds each engine may think per move.
    m_moveTimeTitle = new LocalizedText(QStringLiteral("engine_fixed_movetime"), m_localization,
                                        m_thinkingSection);
    m_moveTimeTitle->setObjectName(QStringLiteral("moveTimeTitle"));
    m_moveTimeTitle->setWordWrap(true);
    thinkingLayout->addWidget(m_moveTimeTitle);
    m_moveTime = horizontalSlider(QStringLiteral("moveTimeSlider"), minHalfSeconds, maxHalfSeconds,
                                  m_thinkingSection);
    thinkingLayout->addLayout(sliderLine(m_moveTime, m_moveTimeValue, m_thinkingSection));
    m_depth = horizontalSlider(QStringLiteral("depthSlider"), 1, maxDepth, m_thinkingSection);
    thinkingLayout->addLayout(sliderLine(m_depth, m_depthValue, m_thinkingSection));
    layout.addWidget(m_thinkingSection);
}

void NewGameTab::buildEnginePickers(QVBoxLayout& layout) {
    QVBoxLayout* opponentLayout = nullptr;
    m_opponentPickerSection = section(this, opponentLayout);
    layout.addWidget(m_opponentPickerSection);
    QVBoxLayout* matchLayout = nullptr;
    m_matchPickerSection = section(this, matchLayout);
    layout.addWidget(m_matchPickerSection);
    const auto addPicker = [this](QWidget* host, const QString& objectName, const QString& key) {
        auto* hostLayout = static_cast<QVBoxLayout*>(host->layout());
        hostLayout->addWidget(heading(key, m_localization, host));
        auto* picker = new EnginePicker(InstalledEnginesModel::of(m_engines),
                                        EnginePicker::Uninstalled::blank, host);
        picker->setObjectName(objectName);
        hostLayout->addWidget(picker);
        return picker;
    };
    m_opponentPicker = addPicker(m_opponentPickerSection, QStringLiteral("opponentEnginePicker"),
                                 QStringLiteral("selected_engine"));
    m_whitePicker = addPicker(m_matchPickerSection, QStringLiteral("whiteEnginePicker"),
                              QStringLiteral("white_engine"));
    m_blackPicker = addPicker(m_matchPickerSection, QStringLiteral("blackEnginePicker"),
                              QStringLiteral("black_engine"));
}

void NewGameTab::buildStart(QVBoxLayout& layout) {
    // A label, not a flat button: it wraps where the panel is narrow.
    auto* link = new QLabel(this);
    bindLocalizedText(link, m_localization, QStringLiteral("new_game_automatch_link"),
                      [link](const QString& text) {
                          link->setText(QStringLiteral("<a href=\"automatch\">") +
                                        text.toHtmlEscaped() + QStringLiteral("</a>"));
                      });
    link->setObjectName(QStringLiteral("automatchLink"));
    link->setWordWrap(true);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(link, &QLabel::linkActivated, this, &NewGameTab::automatchRequested);
    layout.addWidget(link);

    auto* start = new QPushButton(this);
    start->setObjectName(QStringLiteral("startGameButton"));
    start->setDefault(true);
    start->setMinimumHeight(34);
    bindLocalizedText(start, m_localization, QStringLiteral("btn_start_game"),
                      [start](const QString& text) { start->setText(text); });
    connect(start, &QPushButton::clicked, this, &NewGameTab::startGame);
    layout.addWidget(start);
}

void NewGameTab::connectEdits() {
    // Combo boxes and button groups report the person's picks only; the sliders also move when
    // they show the settings, and write only what differs from them.
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
    connect(m_baseMinutes, &QSlider::valueChanged, this, [this](int minutes) {
        TimeControlConfig config = m_games.timeControlConfig();
        if (!showsState(*m_baseMinutes, minutes, config.customBaseMinutes)) {
            config.customBaseMinutes = minutes;
            m_games.setTimeControlConfig(config);
        }
    });
    connect(m_increment, &QSlider::valueChanged, this, [this](int seconds) {
        TimeControlConfig config = m_games.timeControlConfig();
        if (!showsState(*m_increment, seconds, config.customIncrementSeconds)) {
            config.customIncrementSeconds = seconds;
            m_games.setTimeControlConfig(config);
        }
    });
    connect(m_thinkingMode, &QButtonGroup::idClicked, this, &NewGameTab::writeThinkingMode);
    connect(m_moveTime, &QSlider::valueChanged, this, [this](int half) {
        if (!showsState(*m_moveTime, half, halfSeconds(m_fixedMoveTimeSeconds))) {
            m_fixedMoveTimeSeconds = half / 2.0;
            writeThinkingMode();
        }
    });
    connect(m_depth, &QSlider::valueChanged, this, [this](int depth) {
        if (!showsState(*m_depth, depth, m_fixedSearchDepth)) {
            m_fixedSearchDepth = depth;
            writeThinkingMode();
        }
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
    // The opponent plays whichever colour the person does not.
    connect(m_opponentPicker, &EnginePicker::picked, this,
            [this](const EngineConfiguration& engine) {
                m_engines.setSelectedWhiteEngine(engine);
                m_engines.setSelectedBlackEngine(engine);
            });
    connect(m_whitePicker, &EnginePicker::picked, &m_engines,
            &EngineManager::setSelectedWhiteEngine);
    connect(m_blackPicker, &EnginePicker::picked, &m_engines,
            &EngineManager::setSelectedBlackEngine);
}

void NewGameTab::connectModels() {
    connect(&m_games, &GameManager::gameModeChanged, this, &NewGameTab::refreshFromGame);
    connect(&m_games, &GameManager::colorChoiceChanged, this, [this] {
        refreshFromGame();
        refreshEngines();
    });
    connect(&m_games, &GameManager::timeControlConfigChanged, this, &NewGameTab::refreshFromGame);
    connect(&m_engines, &EngineManager::availableEnginesChanged, this, &NewGameTab::refreshEngines);
    connect(&m_engines, &EngineManager::selectedWhiteEngineChanged, this,
            &NewGameTab::refreshEngines);
    connect(&m_engines, &EngineManager::selectedBlackEngineChanged, this,
            &NewGameTab::refreshEngines);
    connect(&m_engines, &EngineManager::strengthSupportChanged, this, &NewGameTab::refreshEloRows);
    connect(&m_localization, &LocalizationManager::currentLanguageChanged, this,
            &NewGameTab::refreshTexts);
}

void NewGameTab::startGame() {
    if (m_games.gameMode() == GameMode::humanVsEngine) {
        // The engine's colour is only known once the colour wish is resolved: both get it.
        m_games.setEngineStrength(PieceColor::white, m_opponentLimitElo, m_opponentEloValue);
        m_games.setEngineStrength(PieceColor::black, m_opponentLimitElo, m_opponentEloValue);
    } else if (m_games.gameMode() == GameMode::engineVsEngine) {
        m_games.setEngineStrength(PieceColor::white, m_whiteLimitElo, m_whiteEloValue);
        m_games.setEngineStrength(PieceColor::black, m_blackLimitElo, m_blackEloValue);
    }
    m_games.startNewGame();
}

void NewGameTab::writeThinkingMode() {
    TimeControlConfig config = m_games.timeControlConfig();
    switch (checkedThinkingKind()) {
    case EngineThinkingMode::Kind::fixedMoveTime:
        config.engineThinkingMode = EngineThinkingMode::fixedMoveTime(m_fixedMoveTimeSeconds);
        break;
    case EngineThinkingMode::Kind::fixedDepth:
        config.engineThinkingMode = EngineThinkingMode::fixedDepth(m_fixedSearchDepth);
        break;
    case EngineThinkingMode::Kind::gameClock:
        config.engineThinkingMode = EngineThinkingMode::gameClock();
        break;
    }
    m_games.setTimeControlConfig(config);
}

EngineThinkingMode::Kind NewGameTab::checkedThinkingKind() const {
    const int checked = m_thinkingMode->checkedId();
    return checked < 0 ? EngineThinkingMode::Kind::gameClock
                       : static_cast<EngineThinkingMode::Kind>(checked);
}

void NewGameTab::refreshFromGame() {
    const TimeControlConfig& config = m_games.timeControlConfig();
    m_mode->setCurrentIndex(m_mode->findData(static_cast<int>(m_games.gameMode())));
    m_colour->setCurrentIndex(m_colour->findData(static_cast<int>(m_games.colorChoice())));
    if (QAbstractButton* chip = m_presets->button(static_cast<int>(config.preset))) {
        chip->setChecked(true);
    }
    m_baseMinutes->setValue(static_cast<int>(config.customBaseMinutes));
    m_increment->setValue(static_cast<int>(config.customIncrementSeconds));
    m_thinkingMode->button(static_cast<int>(config.engineThinkingMode.kind()))->setChecked(true);
    m_moveTime->setValue(halfSeconds(m_fixedMoveTimeSeconds));
    m_depth->setValue(static_cast<int>(m_fixedSearchDepth));
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
    const bool fixedMoveTime = checkedThinkingKind() == EngineThinkingMode::Kind::fixedMoveTime;
    const bool fixedDepth = checkedThinkingKind() == EngineThinkingMode::Kind::fixedDepth;
    m_moveTimeTitle->setVisible(fixedMoveTime);
    m_moveTime->setVisible(fixedMoveTime);
    m_moveTimeValue->setVisible(fixedMoveTime);
    m_depth->setVisible(fixedDepth);
    m_depthValue->setVisible(fixedDepth);
    m_opponentPickerSection->setVisible(againstEngine);
    m_matchPickerSection->setVisible(engineMatch);
}

const std::optional<EngineConfiguration>& NewGameTab::opponentEngine() const {
    // The engine takes the colour the person does not play; a random colour shows Black's.
    return m_games.colorChoice() == PlayerColorChoice::black ? m_engines.selectedWhiteEngine()
                                                             : m_engines.selectedBlackEngine();
}

void NewGameTab::refreshEngines() {
    m_opponentPicker->setChosen(opponentEngine());
    m_whitePicker->setChosen(m_engines.selectedWhiteEngine());
    m_blackPicker->setChosen(m_engines.selectedBlackEngine());
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
