#include "AutomatchConfigCard.h"

#include "EloSliderRow.h"
#include "EnginePicker.h"
#include "InstalledEnginesModel.h"
#include "PanelWidgets.h"
#include "automatch/AutomatchManager.h"
#include "localization/LocalizationManager.h"
#include "uci/EngineManager.h"
#include "views/LocalizedText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velkor::panel {

namespace {

constexpr int maxGames = 1000;
// The pause slider counts half seconds up to 10 s.
constexpr int maxPauseHalfSeconds = 20;

int pauseSliderPosition(double seconds) {
    return std::clamp(static_cast<int>(std::lround(seconds * 2)), 0, maxPauseHalfSeconds);
}

QStringList openingLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty()) {
            lines.append(trimmed);
        }
    }
    return lines;
}

// The clock and thinking mode as a person reads them, in the interface language.
QString seriesSettingsText(const TimeControlConfig& config, const LocalizationManager& text) {
    QString clock = text.text(locKey(config.preset));
    if (config.preset == TimeControlPreset::custom) {
        clock += QStringLiteral(" (%1 min + %2 s)")
                     .arg(config.customBaseMinutes)
                     .arg(config.customIncrementSeconds);
    }
    const EngineThinkingMode& mode = config.engineThinkingMode;
    QString thinking;
    switch (mode.kind()) {
    case EngineThinkingMode::Kind::gameClock:
        thinking = text.text(QStringLiteral("use_game_clock"));
        break;
    case EngineThinkingMode::Kind::fixedMoveTime:
        thinking = text.text(QStringLiteral("fixed_movetime")) +
                   QStringLiteral(" (%1 s)").arg(mode.seconds(), 0, 'f', 1);
        break;
    case EngineThinkingMode::Kind::fixedDepth:
        thinking =
            text.text(QStringLiteral("fixed_depth")) + QStringLiteral(" (%1)").arg(mode.depth());
        break;
    }
    return text.text(QStringLiteral("automatch_series_settings")) + QStringLiteral(":\n") +
           text.text(QStringLiteral("time_control")) + QStringLiteral(": ") + clock +
           QLatin1Char('\n') + text.text(QStringLiteral("engine_thinking_time")) +
           QStringLiteral(": ") + thinking;
}

} // namespace

AutomatchConfigCard::AutomatchConfigCard(AutomatchManager& automatch, EngineManager& engines,
                                         LocalizationManager& localization, QWidget* parent)
    : Card(QStringLiteral("automatch_settings"), localization, parent), m_automatch(automatch),
      m_engines(engines) {
    setObjectName(QStringLiteral("automatchConfig"));
    QVBoxLayout* layout = body();

    auto* gamesLine = new QHBoxLayout;
    auto* gamesLabel =
        new LocalizedText(QStringLiteral("automatch_games_count"), localization, this);
    gamesLabel->setWordWrap(true);
    gamesLine->addWidget(gamesLabel, 1);
    m_games = new QSpinBox(this);
    m_games->setObjectName(QStringLiteral("automatchGamesCount"));
    m_games->setRange(1, maxGames);
    bindLocalizedText(m_games, localization, QStringLiteral("automatch_games_suffix"),
                      [this](const QString& text) { m_games->setSuffix(QLatin1Char(' ') + text); });
    gamesLine->addWidget(m_games);
    layout->addLayout(gamesLine);
    m_watchOnly = {gamesLabel, m_games};

    const auto addEngine = [&](const QString& key, const QString& name, EnginePicker*& picker,
                               EloSliderRow*& elo) {
        layout->addWidget(heading(key, localization, this));
        picker = new EnginePicker(InstalledEnginesModel::of(engines),
                                  EnginePicker::Uninstalled::shown, this);
        picker->setObjectName(name + QStringLiteral("Picker"));
        layout->addWidget(picker);
        elo = new EloSliderRow(localization, this);
        elo->setObjectName(name + QStringLiteral("Elo"));
        bindLocalizedText(elo, localization, QStringLiteral("automatch_limit_elo"),
                          [elo](const QString& text) { elo->setToggleText(text); });
        layout->addWidget(elo);
    };
    addEngine(QStringLiteral("automatch_engine_1"), QStringLiteral("automatchEngine1"), m_engine1,
              m_engine1Elo);
    addEngine(QStringLiteral("automatch_engine_2"), QStringLiteral("automatchEngine2"), m_engine2,
              m_engine2Elo);

    m_alternate = new QCheckBox(this);
    m_alternate->setObjectName(QStringLiteral("alternateColorsToggle"));
    bindLocalizedText(m_alternate, localization, QStringLiteral("automatch_alternate_colors"),
                      [this](const QString& text) { m_alternate->setText(text); });
    layout->addWidget(m_alternate);
    m_watchOnly.append(m_alternate);

    auto* pauseLine = new QHBoxLayout;
    auto* pauseLabel = new LocalizedText(QStringLiteral("automatch_pause_sec"), localization, this);
    pauseLabel->setWordWrap(true);
    pauseLine->addWidget(pauseLabel, 1);
    m_pauseValue = new QLabel(this);
    m_pauseValue->setObjectName(QStringLiteral("automatchPauseValue"));
    pauseLine->addWidget(m_pauseValue);
    layout->addLayout(pauseLine);
    m_pause = new QSlider(Qt::Horizontal, this);
    m_pause->setObjectName(QStringLiteral("automatchPauseSlider"));
    m_pause->setRange(0, maxPauseHalfSeconds);
    layout->addWidget(m_pause);
    m_watchOnly.append({pauseLabel, m_pauseValue, m_pause});

    auto* openingsLabel =
        new LocalizedText(QStringLiteral("automatch_opening_suite"), localization, this);
    openingsLabel->setWordWrap(true);
    layout->addWidget(openingsLabel);
    m_openings = new QPlainTextEdit(this);
    m_openings->setObjectName(QStringLiteral("openingSuiteEditor"));
    m_openings->setFixedHeight(70);
    m_openings->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_openings);
    m_watchOnly.append({openingsLabel, m_openings});

    // Set in the New Game tab; shown here so a series never starts on a clock nobody saw.
    m_seriesSettings = makeWrappingLabel({}, this);
    m_seriesSettings->setObjectName(QStringLiteral("automatchSeriesSettings"));
    layout->addWidget(m_seriesSettings);
    m_watchOnly.append(m_seriesSettings);
    bindLocalizedText(
        m_seriesSettings, localization,
        [this, &localization] {
            return seriesSettingsText(m_automatch.timeControl(), localization);
        },
        [this](const QString& text) { m_seriesSettings->setText(text); });
    connect(&automatch, &AutomatchManager::timeControlChanged, this, [this, &localization] {
        m_seriesSettings->setText(seriesSettingsText(m_automatch.timeControl(), localization));
    });

    // Shown before the edits are connected, so showing the series writes nothing back.
    refreshEngines();

    // The number of games and the pause also move when they show the series, which their ranges
    // may clip: only a value other than the series' own is an edit.
    connect(m_games, &QSpinBox::valueChanged, this, [this](int games) {
        if (games != std::clamp<std::int64_t>(m_automatch.totalGames(), 1, maxGames)) {
            m_automatch.setTotalGames(games);
        }
    });
    connect(m_engine1, &EnginePicker::picked, &automatch, &AutomatchManager::setEngine1);
    connect(m_engine2, &EnginePicker::picked, &automatch, &AutomatchManager::setEngine2);
    connect(m_engine1Elo, &EloSliderRow::changed, this, [this](bool limit, std::int64_t elo) {
        m_automatch.setEngine1LimitElo(limit);
        m_automatch.setEngine1Elo(elo);
    });
    connect(m_engine2Elo, &EloSliderRow::changed, this, [this](bool limit, std::int64_t elo) {
        m_automatch.setEngine2LimitElo(limit);
        m_automatch.setEngine2Elo(elo);
    });
    connect(m_alternate, &QCheckBox::clicked, &automatch, &AutomatchManager::setAlternateColors);
    connect(m_pause, &QSlider::valueChanged, this, [this](int halfSeconds) {
        if (halfSeconds != pauseSliderPosition(m_automatch.pauseBetweenGamesSeconds())) {
            m_automatch.setPauseBetweenGamesSeconds(halfSeconds / 2.0);
        }
    });
    connect(m_openings, &QPlainTextEdit::textChanged, this, &AutomatchConfigCard::writeOpenings);

    for (const auto signal :
         {&AutomatchManager::totalGamesChanged, &AutomatchManager::engine1EloChanged,
          &AutomatchManager::engine2EloChanged}) {
        connect(&automatch, signal, this, &AutomatchConfigCard::refresh);
    }
    for (const auto signal :
         {&AutomatchManager::alternateColorsChanged, &AutomatchManager::engine1LimitEloChanged,
          &AutomatchManager::engine2LimitEloChanged, &AutomatchManager::isAutomatchActiveChanged}) {
        connect(&automatch, signal, this, &AutomatchConfigCard::refresh);
    }
    connect(&automatch, &AutomatchManager::pauseBetweenGamesSecondsChanged, this,
            &AutomatchConfigCard::refresh);
    connect(&automatch, &AutomatchManager::openingFENsChanged, this, &AutomatchConfigCard::refresh);
    connect(&automatch, &AutomatchManager::engine1Changed, this,
            &AutomatchConfigCard::refreshEngines);
    connect(&automatch, &AutomatchManager::engine2Changed, this,
            &AutomatchConfigCard::refreshEngines);
    connect(&engines, &EngineManager::availableEnginesChanged, this,
            &AutomatchConfigCard::refreshEngines);
    connect(&engines, &EngineManager::strengthSupportChanged, this,
            &AutomatchConfigCard::refreshEngines);
}

void AutomatchConfigCard::writeOpenings() {
    m_automatch.setOpeningFENs(openingLines(m_openings->toPlainText()));
}

void AutomatchConfigCard::setWatchedSeriesShown(bool shown) {
    for (QWidget* widget : m_watchOnly) {
        widget->setVisible(shown);
    }
}

void AutomatchConfigCard::setLocked(bool locked) {
    m_locked = locked;
    refresh();
}

void AutomatchConfigCard::refresh() {
    setEnabled(!m_automatch.isAutomatchActive() && !m_locked);
    m_games->setValue(static_cast<int>(m_automatch.totalGames()));
    m_alternate->setChecked(m_automatch.alternateColors());
    m_pause->setValue(pauseSliderPosition(m_automatch.pauseBetweenGamesSeconds()));
    m_pauseValue->setText(QString::number(m_automatch.pauseBetweenGamesSeconds(), 'f', 1) +
                          QStringLiteral(" s"));
    // The person's own text stays as typed (blank lines, spacing) while it means the same list.
    if (openingLines(m_openings->toPlainText()) != m_automatch.openingFENs()) {
        // The editor has no signal for the person's typing alone, and its text, read back,
        // would drop the blank entries of a list stored elsewhere.
        const QSignalBlocker openingsBlocker(m_openings);
        m_openings->setPlainText(m_automatch.openingFENs().join(QLatin1Char('\n')));
    }
    m_engine1Elo->setState(m_automatch.engine1LimitElo(), m_automatch.engine1Elo());
    m_engine2Elo->setState(m_automatch.engine2LimitElo(), m_automatch.engine2Elo());
}

void AutomatchConfigCard::refreshEngines() {
    const auto fill = [this](EnginePicker* picker, EloSliderRow* elo,
                             const std::optional<EngineConfiguration>& chosen) {
        // A series may run engines that are no longer (or never were) installed.
        picker->setChosen(chosen);
        const EngineStrengthSupport support =
            chosen ? m_engines.strengthSupport(*chosen) : EngineStrengthSupport{};
        elo->setUnsupported(!support.canLimitStrength);
        elo->setEngineRange(support.eloRange);
    };
    fill(m_engine1, m_engine1Elo, m_automatch.engine1());
    fill(m_engine2, m_engine2Elo, m_automatch.engine2());
    refresh();
}

} // namespace velkor::panel
