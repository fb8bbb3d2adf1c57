#pragma once

#include "uci/UciProtocol.h"

#include <QPushButton>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QSlider;

namespace velkor {
class LocalizationManager;
}

namespace velkor::panel {

// An engine strength control: a limit toggle, the strength in Elo on a slider from 1320 to 3190
// in steps of 20, and preset buttons 1400, 1800, 2200, 2600 and Max (3190), the one equal to the
// value highlighted. When the engine announced a narrower UCI_Elo range, the value line also
// says what it will really play at. `changed` reports the person's edits only.
class EloSliderRow : public QWidget {
    Q_OBJECT

public:
    EloSliderRow(LocalizationManager& localization, QWidget* parent = nullptr);

    // The toggle's text and the words before the value (either may stay empty).
    void setToggleText(const QString& text);
    void setTitle(const QString& title);
    // Shows the state without announcing it.
    void setState(bool limit, std::int64_t elo);
    bool limit() const;
    std::int64_t elo() const { return m_elo; }
    // An engine that cannot limit its strength shows `elo_limit_unsupported` instead.
    void setUnsupported(bool unsupported);
    void setEngineRange(const std::optional<uci::SpinRange>& range);

    // Slider positions: one per step of 20 from 1320, the last one 3190.
    static int sliderIndex(std::int64_t elo);
    static std::int64_t eloAtIndex(int index);

signals:
    void changed(bool limit, std::int64_t elo);

private:
    void refresh();
    void edit(bool limit, std::int64_t elo);

    LocalizationManager& m_localization;
    QCheckBox* m_toggle;
    QLabel* m_title;
    QLabel* m_value;
    QSlider* m_slider;
    QWidget* m_presets;
    std::array<QPushButton*, 5> m_presetButtons{};
    QLabel* m_unsupported;
    QWidget* m_controls;
    std::int64_t m_elo = 1800;
    bool m_isUnsupported = false;
    std::optional<uci::SpinRange> m_range;
};

} // namespace velkor::panel
