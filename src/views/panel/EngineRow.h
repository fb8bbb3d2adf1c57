#pragma once

#include "EngineOptionsDialog.h"
#include "uci/EngineConfiguration.h"
#include "uci/EngineTest.h"
#include "uci/UciProtocol.h"

#include <QFrame>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velkor {
class EngineManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class EloSliderRow;

// One installed engine: name, author and path, its default strength, a test button (busy while
// the test runs), its options, a remove button and the default-strength editor.
class EngineRow : public QFrame {
    Q_OBJECT

public:
    EngineRow(const EngineConfiguration& engine, EngineManager& engines,
              LocalizationManager& localization, RunningEngines running = {},
              QWidget* parent = nullptr);

    const QUuid& engineId() const { return m_engine.id; }
    // Shows the record's current fields; the row is kept while the list keeps the engine.
    void setEngine(const EngineConfiguration& engine);
    void setEditorOpen(bool open);
    bool isEditorOpen() const;

signals:
    // The person opened or closed this row's strength editor.
    void editorToggled(bool open);
    // A test started or ended.
    void busyChanged(bool busy);

private:
    void refresh();
    void startTest();
    void finishTest(const EngineTestResult& result);
    void showTestOutcome();
    void openOptions();

    EngineConfiguration m_engine;
    EngineManager& m_engines;
    LocalizationManager& m_localization;
    RunningEngines m_running;
    std::optional<EngineTestResult> m_testOutcome;
    QLabel* m_name;
    QLabel* m_author;
    QLabel* m_path;
    QLabel* m_elo;
    QLabel* m_testResult;
    QPushButton* m_test;
    QPushButton* m_remove;
    QPushButton* m_editElo;
    QPushButton* m_options;
    QProgressBar* m_busy;
    QWidget* m_editor;
    EloSliderRow* m_defaultElo;
};

} // namespace velkor::panel
