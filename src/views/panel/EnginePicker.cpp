#include "EnginePicker.h"

#include "InstalledEnginesModel.h"

namespace velkor::panel {

EnginePicker::EnginePicker(InstalledEnginesModel& installed, Uninstalled uninstalled,
                           QWidget* parent)
    : QComboBox(parent), m_installed(installed), m_uninstalled(uninstalled) {
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    m_extra.setColumnCount(1);
    m_rows.addSourceModel(&installed);
    m_rows.addSourceModel(&m_extra);
    setModel(&m_rows);
    // A new list of engines keeps the choice where the chosen engine still is.
    connect(&installed, &QAbstractItemModel::modelReset, this, &EnginePicker::showChosen);
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (const auto engine = engineAt(row)) {
            m_chosen = engine;
            emit picked(*engine);
        }
    });
    showChosen();
}

void EnginePicker::setChosen(const std::optional<EngineConfiguration>& engine) {
    m_chosen = engine;
    showChosen();
}

std::optional<EngineConfiguration> EnginePicker::chosen() const {
    return engineAt(currentIndex());
}

std::optional<EngineConfiguration> EnginePicker::engineAt(int row) const {
    if (const EngineConfiguration* engine = m_installed.engineAt(row)) {
        return *engine;
    }
    if (row >= m_installed.rowCount() && row < count() && m_chosen) {
        return m_chosen;
    }
    return std::nullopt;
}

void EnginePicker::showChosen() {
    const int installedRow = m_chosen ? m_installed.rowOf(m_chosen->id) : -1;
    const bool extra = m_chosen && installedRow < 0 && m_uninstalled == Uninstalled::shown;
    if (extra) {
        m_extra.setRowCount(1);
        m_extra.setItem(0, new QStandardItem(m_installed.labelOf(*m_chosen)));
    } else {
        m_extra.setRowCount(0);
    }
    setCurrentIndex(extra ? m_installed.rowCount() : installedRow);
    setEnabled(count() > 0);
}

} // namespace velkor::panel
