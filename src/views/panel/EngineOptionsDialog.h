#pragma once

#include "uci/EngineConfiguration.h"
#include "uci/EngineOptionEditor.h"
#include "uci/EngineTest.h"

#include <QDialog>
#include <QSet>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QPushButton;

namespace velkor {
class EngineManager;
class LocalizationManager;
class UCIEngineProcess;
} // namespace velkor

namespace velkor::panel {

// The engine processes running now, whatever plays or analyses with them.
using RunningEngines = std::function<std::vector<UCIEngineProcess*>()>;

// The free options of one installed engine, one control per option of its type, for a person to
// change and keep. The options are read from the engine itself (a running process of it, else a
// short handshake off the main thread), so the dialog opens at once and says it is reading
// meanwhile. What a value may be is the option editor's business; the controls only offer it.
// OK stores the values in the registry; they are sent the next time the engine starts. Button
// options act on a running, idle process of the engine at once.
class EngineOptionsDialog : public QDialog {
    Q_OBJECT

public:
    EngineOptionsDialog(EngineConfiguration engine, EngineManager& engines,
                        LocalizationManager& localization, RunningEngines running,
                        QWidget* parent = nullptr);

    // Whether the engine's options are still being read.
    bool isReading() const { return m_reading; }

    // Enables the button options when a process of this engine runs idle, and says why not.
    void refreshButtonOptions();

private:
    void showStatus();
    void showOptions(const EngineTestResult& result);
    void addOptionRow(const uci::UciOption& option);
    QWidget* makeTextEditor(const uci::UciOption& option);
    void pressButton(const QString& name);
    void restoreDefaults();
    void markRefused(const QString& name, bool refused);
    void store();
    // The running processes of this engine.
    std::vector<UCIEngineProcess*> runningProcesses() const;

    EngineConfiguration m_engine;
    EngineManager& m_engines;
    LocalizationManager& m_localization;
    RunningEngines m_running;
    std::optional<EngineOptionEditor> m_editor;
    bool m_reading = true;
    QLabel* m_status;
    QWidget* m_optionsCard;
    QFormLayout* m_form;
    // What the status line says, asked again at every language change.
    std::function<QString()> m_statusText;
    QLabel* m_buttonNote;
    QLabel* m_buttonSent;
    QPushButton* m_restore;
    QDialogButtonBox* m_buttons;
    std::vector<QPushButton*> m_optionButtons;
    // Puts each control back to the editor's value, after the defaults were restored.
    std::vector<std::function<void()>> m_reloaders;
    // Options whose control holds a value the editor refused; nothing is stored meanwhile.
    QSet<QString> m_refused;
    QTimer m_buttonRefresh;
};

} // namespace velkor::panel
