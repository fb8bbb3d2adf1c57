#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace velkor {

class LocalizationManager;

// Opens a file chooser for an engine executable without blocking the window; `completion`
// receives the chosen path, or nothing when the person cancels.
void pickEngineFile(QWidget* parent, const LocalizationManager& localization,
                    std::function<void(const std::optional<QString>&)> completion);

} // namespace velkor
