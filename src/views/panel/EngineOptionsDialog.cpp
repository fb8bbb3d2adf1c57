#include "EngineOptionsDialog.h"

#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "localization/LocalizationManager.h"
#include "uci/EngineManager.h"
#include "uci/UCIEngineProcess.h"
#include "views/LocalizedText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <qcoro/qcorotask.h>
#include <utility>

namespace velkor::panel {

namespace {

using Type = uci::UciOption::Type;

QCoro::Task<> readOptions(QPointer<EngineOptionsDialog> dialog, EngineManager& engines,
                          QString path, std::function<void(const EngineTestResult&)> done) {
    const EngineTestResult result = co_await engines.testEngine(std::move(path));
    if (dialog) {
        done(result);
    }
}

// A spin box holds an int; an engine may declare limits beyond it (a hash size in megabytes up
// to petabytes), which nobody can mean to reach from here.
int spinLimit(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// Engines name their file and folder options by what they hold: "EvalFile", "SyzygyPath".
bool endsWith(const QString& name, const QString& suffix) {
    return name.endsWith(suffix, Qt::CaseInsensitive);
}

QString controlName(const QString& optionName) {
    return QStringLiteral("option ") + optionName;
}

} // namespace

EngineOptionsDialog::EngineOptionsDialog(EngineConfiguration engine, EngineManager& engines,
                                         LocalizationManager& localization, RunningEngines running,
                                         QWidget* parent)
    : QDialog(parent), m_engine(std::move(engine)), m_engines(engines),
      m_localization(localization), m_running(std::move(running)) {
    setObjectName(QStringLiteral("engineOptionsDialog"));
    // A window of its own does not inherit the panel's look.
    setStyleSheet(panelStyleSheet());
    bindLocalizedText(
        this, localization,
        [this] {
            return m_localization.text(QStringLiteral("engine_options_title")).arg(m_engine.name);
        },
        [this](const QString& text) { setWindowTitle(text); });

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(m_engine.name, this);
    title->setWordWrap(true);
    embolden(*title, 1.2);
    layout->addWidget(title);
    layout->addWidget(makeHintLabel(m_engine.executablePath, this));

    m_status = makeWrappingLabel({}, this);
    m_status->setObjectName(QStringLiteral("engineOptionsStatus"));
    layout->addWidget(m_status);

    auto* card = new Card(this);
    m_optionsCard = card;
    m_form = new QFormLayout;
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    card->body()->addLayout(m_form);
    m_buttonNote = makeHintLabel({}, card);
    m_buttonNote->setObjectName(QStringLiteral("engineOptionsButtonNote"));
    m_buttonNote->hide();
    card->body()->addWidget(m_buttonNote);
    m_buttonSent = makeWrappingLabel({}, card);
    m_buttonSent->setObjectName(QStringLiteral("engineOptionsButtonSent"));
    m_buttonSent->hide();
    card->body()->addWidget(m_buttonSent);
    card->hide();
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(card);
    layout->addWidget(scroll, 1);

    layout->addWidget(hintLabel(QStringLiteral("engine_options_next_start"), localization, this));

    auto* bottom = new QHBoxLayout;
    m_restore = new QPushButton(this);
    m_restore->setObjectName(QStringLiteral("restoreDefaultsButton"));
    bindLocalizedText(m_restore, localization, QStringLiteral("engine_options_restore"),
                      [this](const QString& text) { m_restore->setText(buttonText(text)); });
    m_restore->setEnabled(false);
    bottom->addWidget(m_restore);
    bottom->addStretch(1);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = m_buttons->button(QDialogButtonBox::Cancel);
    ok->setObjectName(QStringLiteral("engineOptionsOk"));
    cancel->setObjectName(QStringLiteral("engineOptionsCancel"));
    bindLocalizedText(ok, localization, QStringLiteral("btn_ok"),
                      [ok](const QString& text) { ok->setText(text); });
    bindLocalizedText(cancel, localization, QStringLiteral("btn_cancel"),
                      [cancel](const QString& text) { cancel->setText(text); });
    ok->setEnabled(false);
    bottom->addWidget(m_buttons);
    layout->addLayout(bottom);

    connect(m_restore, &QPushButton::clicked, this, &EngineOptionsDialog::restoreDefaults);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &EngineOptionsDialog::store);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Engines start and stop with games the dialog knows nothing of; a glance a few times a
    // second keeps the buttons honest without tying the dialog to the game.
    m_buttonRefresh.setInterval(300);
    connect(&m_buttonRefresh, &QTimer::timeout, this, &EngineOptionsDialog::refreshButtonOptions);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        showStatus();
        refreshButtonOptions();
    });
    resize(520, 600);

    // A running process already knows the options; otherwise the engine is asked, which may take
    // up to the engine test's time limit, so the window keeps going meanwhile.
    for (UCIEngineProcess* process : runningProcesses()) {
        if (!process->declaredOptions().empty()) {
            EngineTestResult known;
            known.success = true;
            known.options = process->declaredOptions();
            showOptions(known);
            return;
        }
    }
    m_statusText = [this] { return m_localization.text(QStringLiteral("engine_options_reading")); };
    showStatus();
    readOptions(QPointer<EngineOptionsDialog>(this), engines, m_engine.executablePath,
                [this](const EngineTestResult& result) { showOptions(result); });
}

void EngineOptionsDialog::showStatus() {
    if (m_statusText) {
        m_status->setText(m_statusText());
    }
}

std::vector<UCIEngineProcess*> EngineOptionsDialog::runningProcesses() const {
    std::vector<UCIEngineProcess*> found;
    if (!m_running) {
        return found;
    }
    for (UCIEngineProcess* process : m_running()) {
        if (process != nullptr && process->isRunning() &&
            (process->config().id == m_engine.id ||
             (!m_engine.executablePath.isEmpty() &&
              process->config().executablePath == m_engine.executablePath))) {
            found.push_back(process);
        }
    }
    return found;
}

void EngineOptionsDialog::showOptions(const EngineTestResult& result) {
    m_reading = false;
    if (!result.success) {
        m_statusText = [this, detail = result.error.value_or(QString())] {
            return m_localization.text(QStringLiteral("engine_options_failed")) + QLatin1Char(' ') +
                   detail;
        };
        showStatus();
        setTone(*m_status, Tone::failure);
        return;
    }
    m_editor.emplace(result.options, m_engine);
    if (m_editor->options().empty()) {
        m_statusText = [this] {
            return m_localization.text(QStringLiteral("engine_options_none"));
        };
        showStatus();
    } else {
        m_status->hide();
    }
    for (const uci::UciOption& option : m_editor->options()) {
        addOptionRow(option);
    }
    m_optionsCard->show();
    m_restore->setEnabled(true);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
    if (!m_optionButtons.empty()) {
        refreshButtonOptions();
        m_buttonRefresh.start();
    }
}

void EngineOptionsDialog::addOptionRow(const uci::UciOption& option) {
    const QString name = QString::fromStdString(option.name);
    EngineOptionEditor& editor = *m_editor;
    QWidget* control = nullptr;
    switch (option.type) {
    case Type::spin: {
        auto* spin = new QSpinBox(m_optionsCard);
        spin->setRange(spinLimit(option.min), spinLimit(option.max));
        spin->setValue(spinLimit(editor.value(name).toLongLong()));
        connect(spin, &QSpinBox::valueChanged, this, [this, name](int value) {
            markRefused(name, !m_editor->setValue(name, QString::number(value)));
        });
        m_reloaders.push_back([this, spin, name] {
            const QSignalBlocker quiet(spin);
            spin->setValue(spinLimit(m_editor->value(name).toLongLong()));
        });
        control = spin;
        break;
    }
    case Type::check: {
        auto* box = new QCheckBox(m_optionsCard);
        box->setChecked(editor.value(name) == QStringLiteral("true"));
        connect(box, &QCheckBox::toggled, this, [this, name](bool on) {
            markRefused(name, !m_editor->setValue(name, on ? QStringLiteral("true")
                                                           : QStringLiteral("false")));
        });
        m_reloaders.push_back([this, box, name] {
            const QSignalBlocker quiet(box);
            box->setChecked(m_editor->value(name) == QStringLiteral("true"));
        });
        control = box;
        break;
    }
    case Type::combo: {
        auto* combo = new QComboBox(m_optionsCard);
        for (const std::string& choice : option.choices) {
            combo->addItem(QString::fromStdString(choice));
        }
        combo->setCurrentText(editor.value(name));
        connect(combo, &QComboBox::currentTextChanged, this, [this, name](const QString& text) {
            markRefused(name, !m_editor->setValue(name, text));
        });
        m_reloaders.push_back([this, combo, name] {
            const QSignalBlocker quiet(combo);
            combo->setCurrentText(m_editor->value(name));
        });
        control = combo;
        break;
    }
    case Type::string:
        control = makeTextEditor(option);
        break;
    case Type::button: {
        auto* button = new QPushButton(buttonText(name), m_optionsCard);
        connect(button, &QPushButton::clicked, this, [this, name] { pressButton(name); });
        m_optionButtons.push_back(button);
        control = button;
        break;
    }
    }
    control->setObjectName(controlName(name));
    // The engine's own name for the option: engines document their options by it.
    auto* label = new QLabel(name, m_optionsCard);
    label->setToolTip(name);
    m_form->addRow(label, control);
}

QWidget* EngineOptionsDialog::makeTextEditor(const uci::UciOption& option) {
    const QString name = QString::fromStdString(option.name);
    auto* field = new QWidget(m_optionsCard);
    auto* rows = new QVBoxLayout(field);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* line = new QHBoxLayout;
    rows->addLayout(line);
    auto* edit = new QLineEdit(m_editor->value(name), field);
    edit->setObjectName(QStringLiteral("text"));
    line->addWidget(edit, 1);
    QLabel* refusal = hintLabel(QStringLiteral("engine_options_refused"), m_localization, field);
    refusal->setObjectName(QStringLiteral("refused"));
    setTone(*refusal, Tone::failure);
    refusal->hide();
    rows->addWidget(refusal);
    connect(edit, &QLineEdit::textChanged, this, [this, name, refusal](const QString& text) {
        const bool refused = !m_editor->setValue(name, text);
        markRefused(name, refused);
        refusal->setVisible(refused);
    });
    m_reloaders.push_back([this, edit, name] { edit->setText(m_editor->value(name)); });

    const bool isFile = endsWith(name, QStringLiteral("File"));
    const bool isFolder = endsWith(name, QStringLiteral("Path"));
    if (!isFile && !isFolder) {
        return field;
    }
    // Tablebases lie in several folders, which the engine takes joined by ':'; other folder
    // options name one folder.
    const bool severalFolders =
        name.compare(QStringLiteral("SyzygyPath"), Qt::CaseInsensitive) == 0;
    const QString key = isFile           ? QStringLiteral("engine_options_choose_file")
                        : severalFolders ? QStringLiteral("engine_options_add_folder")
                                         : QStringLiteral("engine_options_choose_folder");
    auto* choose = new QPushButton(field);
    choose->setObjectName(QStringLiteral("choose"));
    bindLocalizedText(choose, m_localization, key,
                      [choose](const QString& text) { choose->setText(buttonText(text)); });
    line->addWidget(choose);
    connect(choose, &QPushButton::clicked, this, [this, edit, isFile, severalFolders, key] {
        auto* picker = new QFileDialog(this, m_localization.text(key));
        picker->setAttribute(Qt::WA_DeleteOnClose);
        picker->setFileMode(isFile ? QFileDialog::ExistingFile : QFileDialog::Directory);
        if (!isFile) {
            picker->setOption(QFileDialog::ShowDirsOnly);
        }
        picker->setLabelText(QFileDialog::Reject,
                             m_localization.text(QStringLiteral("btn_cancel")));
        const QString current = edit->text().split(QLatin1Char(':')).constLast();
        if (!current.isEmpty()) {
            picker->setDirectory(isFile ? QFileInfo(current).absolutePath() : current);
        }
        connect(picker, &QFileDialog::fileSelected, edit,
                [edit, severalFolders](const QString& chosen) {
                    const QString path = QDir::toNativeSeparators(chosen);
                    edit->setText(severalFolders && !edit->text().isEmpty()
                                      ? edit->text() + QLatin1Char(':') + path
                                      : path);
                });
        picker->open();
    });
    return field;
}

void EngineOptionsDialog::refreshButtonOptions() {
    if (m_optionButtons.empty()) {
        return;
    }
    const std::vector<UCIEngineProcess*> processes = runningProcesses();
    const bool searching = std::any_of(processes.begin(), processes.end(),
                                       [](UCIEngineProcess* p) { return p->isThinking(); });
    const bool usable = !processes.empty() && !searching;
    for (QPushButton* button : m_optionButtons) {
        button->setEnabled(usable);
    }
    m_buttonNote->setVisible(!usable);
    if (!usable) {
        m_buttonNote->setText(
            m_localization.text(processes.empty() ? QStringLiteral("engine_options_not_running")
                                                  : QStringLiteral("engine_options_searching")));
    }
}

void EngineOptionsDialog::pressButton(const QString& name) {
    bool pressed = false;
    for (UCIEngineProcess* process : runningProcesses()) {
        // The process refuses while it searches; the button may have been pressed in the moment
        // a search began.
        pressed = process->pressButton(name) || pressed;
    }
    m_buttonSent->setText(
        pressed ? m_localization.text(QStringLiteral("engine_options_button_sent")).arg(name)
                : m_localization.text(QStringLiteral("engine_options_searching")));
    setTone(*m_buttonSent, pressed ? Tone::success : Tone::failure);
    m_buttonSent->show();
    refreshButtonOptions();
}

void EngineOptionsDialog::restoreDefaults() {
    m_editor->restoreDefaults();
    for (const auto& reload : m_reloaders) {
        reload();
    }
    m_refused.clear();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void EngineOptionsDialog::markRefused(const QString& name, bool refused) {
    if (refused) {
        m_refused.insert(name);
    } else {
        m_refused.remove(name);
    }
    // A refused value would be stored as the one before it, and the person told nothing.
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_refused.isEmpty());
}

void EngineOptionsDialog::store() {
    if (!m_editor || !m_refused.isEmpty()) {
        return;
    }
    m_engines.updateEngineOptionValues(m_engine.id, m_editor->optionValues());
    accept();
}

} // namespace velkor::panel
