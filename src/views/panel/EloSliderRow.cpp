#include "EloSliderRow.h"

#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velkor::panel {

namespace {

constexpr std::array<std::int64_t, 5> presetValues{1400, 1800, 2200, 2600, maxElo};
const int lastIndex = static_cast<int>((maxElo - minElo + eloStep - 1) / eloStep);

} // namespace

int EloSliderRow::sliderIndex(std::int64_t elo) {
    const double steps = static_cast<double>(elo - minElo) / static_cast<double>(eloStep);
    return std::clamp(static_cast<int>(std::lround(steps)), 0, lastIndex);
}

std::int64_t EloSliderRow::eloAtIndex(int index) {
    return std::min(minElo + static_cast<std::int64_t>(std::clamp(index, 0, lastIndex)) * eloStep,
                    maxElo);
}

EloSliderRow::EloSliderRow(LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    m_toggle = new QCheckBox(this);
    m_toggle->setObjectName(QStringLiteral("eloToggle"));
    layout->addWidget(m_toggle);

    m_controls = new QWidget(this);
    auto* controls = new QVBoxLayout(m_controls);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(4);
    auto* valueLine = new QHBoxLayout;
    m_title = new QLabel(m_controls);
    m_title->hide();
    m_value = new QLabel(m_controls);
    m_value->setObjectName(QStringLiteral("eloValue"));
    m_value->setWordWrap(true);
    embolden(*m_value);
    valueLine->addWidget(m_title);
    valueLine->addWidget(m_value, 1);
    controls->addLayout(valueLine);

    m_slider = new QSlider(Qt::Horizontal, m_controls);
    m_slider->setObjectName(QStringLiteral("eloSlider"));
    m_slider->setRange(0, lastIndex);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(5);
    controls->addWidget(m_slider);

    m_presets = new QWidget(m_controls);
    auto* presets = new QHBoxLayout(m_presets);
    presets->setContentsMargins(0, 0, 0, 0);
    presets->setSpacing(3);
    for (std::size_t i = 0; i < presetValues.size(); ++i) {
        const std::int64_t value = presetValues[i];
        auto* button = new QPushButton(QString::number(value), m_presets);
        if (value == maxElo) {
            bindLocalizedText(button, localization, QStringLiteral("elo_max"),
                              [button](const QString& text) { button->setText(text); });
        }
        button->setObjectName(QStringLiteral("eloPreset_") +
                              (value == maxElo ? QStringLiteral("max") : QString::number(value)));
        button->setCheckable(true);
        button->setMinimumWidth(10);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setRole(*button, Role::eloPreset);
        connect(button, &QPushButton::clicked, this, [this, value] { edit(limit(), value); });
        presets->addWidget(button);
        m_presetButtons[i] = button;
    }
    controls->addWidget(m_presets);
    layout->addWidget(m_controls);

    m_unsupported = new LocalizedText(QStringLiteral("elo_limit_unsupported"), localization, this);
    m_unsupported->setObjectName(QStringLiteral("eloUnsupported"));
    m_unsupported->setWordWrap(true);
    setTone(*m_unsupported, Tone::caution);
    m_unsupported->hide();
    layout->addWidget(m_unsupported);

    // Only the person's clicks change the limit; `setState` shows one without a word.
    connect(m_toggle, &QCheckBox::clicked, this, [this](bool on) { edit(on, m_elo); });
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &EloSliderRow::refresh);
    // The slider also moves when it shows a state; only a position other than the state's is an
    // edit (several values between steps share a position).
    connect(m_slider, &QSlider::valueChanged, this, [this](int index) {
        if (index != sliderIndex(m_elo)) {
            edit(limit(), eloAtIndex(index));
        }
    });
    refresh();
}

void EloSliderRow::setToggleText(const QString& text) {
    m_toggle->setText(text);
}

void EloSliderRow::setTitle(const QString& title) {
    m_title->setText(title);
    m_title->setVisible(!title.isEmpty());
}

bool EloSliderRow::limit() const {
    return m_toggle->isChecked();
}

void EloSliderRow::setState(bool limit, std::int64_t elo) {
    m_toggle->setChecked(limit);
    m_elo = elo;
    m_slider->setValue(sliderIndex(elo));
    refresh();
}

void EloSliderRow::setUnsupported(bool unsupported) {
    m_isUnsupported = unsupported;
    refresh();
}

void EloSliderRow::setEngineRange(const std::optional<uci::SpinRange>& range) {
    m_range = range;
    refresh();
}

void EloSliderRow::edit(bool limit, std::int64_t elo) {
    setState(limit, elo);
    emit changed(limit, elo);
}

void EloSliderRow::refresh() {
    m_toggle->setVisible(!m_isUnsupported);
    m_unsupported->setVisible(m_isUnsupported);
    const bool on = m_toggle->isChecked() && !m_isUnsupported;
    m_controls->setVisible(!m_isUnsupported);
    m_slider->setVisible(on);
    m_presets->setVisible(on);
    if (!on) {
        m_value->setText(m_localization.text(QStringLiteral("elo_full_strength")));
        m_value->setToolTip({});
    } else {
        QString text = eloText(m_elo);
        QString tip;
        if (m_range) {
            // The engine is told the value moved into its announced range; say so, rather than
            // let the person believe in a strength the engine does not offer.
            const std::int64_t played = m_range->clamp(m_elo);
            if (played != m_elo) {
                text += QStringLiteral(" → ") + eloText(played);
            }
            tip = QStringLiteral("UCI_Elo %1–%2")
                      .arg(m_range->min ? QString::number(*m_range->min) : QStringLiteral("?"),
                           m_range->max ? QString::number(*m_range->max) : QStringLiteral("?"));
        }
        m_value->setText(text);
        m_value->setToolTip(tip);
    }
    for (std::size_t i = 0; i < presetValues.size(); ++i) {
        m_presetButtons[i]->setChecked(presetValues[i] == m_elo);
    }
}

} // namespace velkor::panel
