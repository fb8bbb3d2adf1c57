#pragma once

#include "uci/EngineConfiguration.h"

#include <QComboBox>
#include <QConcatenateTablesProxyModel>
#include <QStandardItemModel>
#include <optional>

namespace velkor::panel {

class InstalledEnginesModel;

// A choice of one engine among the installed ones, over the shared model of installed engines.
// Showing a choice never announces it: `picked` reports the person's picks only, so the picker
// can follow the model it edits without its own echo.
class EnginePicker : public QComboBox {
    Q_OBJECT

public:
    // What the picker shows when its engine is not installed: a series may run an engine that
    // has since been removed, and says so; a choice for the next game shows none.
    enum class Uninstalled { shown, blank };

    EnginePicker(InstalledEnginesModel& installed, Uninstalled uninstalled,
                 QWidget* parent = nullptr);

    // Shows `engine` as chosen, or no choice.
    void setChosen(const std::optional<EngineConfiguration>& engine);
    // The engine of the current row, if any.
    std::optional<EngineConfiguration> chosen() const;

signals:
    void picked(const velkor::EngineConfiguration& engine);

private:
    std::optional<EngineConfiguration> engineAt(int row) const;
    void showChosen();

    InstalledEnginesModel& m_installed;
    Uninstalled m_uninstalled;
    // The chosen engine when it is not installed and is shown: one row after the installed ones.
    QStandardItemModel m_extra;
    QConcatenateTablesProxyModel m_rows;
    std::optional<EngineConfiguration> m_chosen;
};

} // namespace velkor::panel
