#pragma once

#include "EngineOptionsDialog.h"
#include "uci/EngineManager.h"

#include <QSet>
#include <QUuid>
#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace velkor {
class EngineManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class EngineRow;

// The installed engines: scan the common paths, add an executable (chosen, then tested), and
// per engine test, remove, its options and its default strength. Long work shows a busy bar and
// disables the buttons that would start more of it; the window stays responsive meanwhile.
class EnginesTab : public QWidget {
    Q_OBJECT

public:
    // `running` names the engine processes running now, whose buttons an options dialog may press.
    EnginesTab(EngineManager& engines, LocalizationManager& localization,
               RunningEngines running = {}, QWidget* parent = nullptr);

    // Tests the executable and lists it; the file chooser's path ends up here.
    void addEngine(const QString& path);
    bool isBusy() const { return m_addRunning || m_scanRunning || !m_testingRows.isEmpty(); }

signals:
    void toastRequested(const QString& message);

private:
    void scan();
    void finishAdd(const std::optional<QString>& addedName, const std::optional<QString>& error);
    std::optional<QString> addEngineError(const EngineManager::AddEngineResult& result) const;
    void refreshRows();
    void refreshBusy();

    EngineManager& m_engines;
    LocalizationManager& m_localization;
    RunningEngines m_running;
    QPushButton* m_scan;
    QPushButton* m_add;
    QProgressBar* m_busy;
    QLabel* m_empty;
    QVBoxLayout* m_rowsLayout;
    std::vector<EngineRow*> m_rows;
    // The engine whose default-strength editor is open.
    std::optional<QUuid> m_editingEngineEloId;
    QSet<QObject*> m_testingRows;
    bool m_addRunning = false;
    bool m_scanRunning = false;
};

} // namespace velkor::panel
