#include "EngineRow.h"

#include "EloSliderRow.h"
#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "localization/LocalizationManager.h"
#include "uci/EngineManager.h"
#include "views/ConfirmAction.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <qcoro/qcorotask.h>
#include <utility>

namespace velkor::panel {

namespace {

// A path has no blanks to break at; a zero-width space after each slash lets it wrap instead of
// widening the panel.
QString wrappablePath(const QString& path) {
    QString text = path;
    return text.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
}

QCoro::Task<> runTest(QPointer<EngineRow> row, EngineManager& engines, QString path,
                      std::function<void(const EngineTestResult&)> done) {
    const EngineTestResult result = co_await engines.testEngine(path);
    if (row) {
        done(result);
    }
}

} // namespace

EngineRow::EngineRow(const EngineConfiguration& engine, EngineManager& engines,
                     LocalizationManager& localization, RunningEngines running, QWidget* parent)
    : QFrame(parent), m_engine(engine), m_engines(engines), m_localization(localization),
      m_running(std::move(running)) {
    setObjectName(QStringLiteral("engineRow"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(3);

    auto* titleLine = new QHBoxLayout;
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("engineName"));
    m_name->setWordWrap(true);
    embolden(*m_name);
    m_elo = new QLabel(this);
    m_elo->setObjectName(QStringLiteral("engineDefaultElo"));
    titleLine->addWidget(m_name, 1);
    titleLine->addWidget(m_elo);
    layout->addLayout(titleLine);
    m_author = makeHintLabel({}, this);
    m_path = makeHintLabel({}, this);
    m_path->setObjectName(QStringLiteral("enginePath"));
    layout->addWidget(m_author);
    layout->addWidget(m_path);

    auto* buttons = new QHBoxLayout;
    m_test = new QPushButton(this);
    m_test->setObjectName(QStringLiteral("testEngineButton"));
    bindLocalizedText(m_test, localization, QStringLiteral("test_engine"),
                      [this](const QString& text) { m_test->setText(text); });
    m_editElo = new QPushButton(QStringLiteral("ELO"), this);
    m_editElo->setObjectName(QStringLiteral("editEloButton"));
    m_editElo->setCheckable(true);
    m_remove = new QPushButton(this);
    m_remove->setObjectName(QStringLiteral("removeEngineButton"));
    bindLocalizedText(m_remove, localization, QStringLiteral("remove_engine"),
                      [this](const QString& text) { m_remove->setText(text); });
    for (QPushButton* button : {m_test, m_editElo, m_remove}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        buttons->addWidget(button, button == m_editElo ? 1 : 2);
    }
    layout->addLayout(buttons);
    // On a line of its own: a fourth button beside the others leaves each too narrow for its
    // German or French label.
    m_options = new QPushButton(this);
    m_options->setObjectName(QStringLiteral("engineOptionsButton"));
    bindLocalizedText(m_options, localization, QStringLiteral("engine_options_button"),
                      [this](const QString& text) { m_options->setText(buttonText(text)); });
    m_options->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // The built-in engine has no executable to declare options.
    m_options->setEnabled(!engine.isBuiltIn);
    layout->addWidget(m_options);
    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("engineTestBusy"));
    m_busy->setRange(0, 0);
    m_busy->setMaximumHeight(6);
    m_busy->setTextVisible(false);
    m_busy->hide();
    layout->addWidget(m_busy);
    m_testResult = new QLabel(this);
    m_testResult->setObjectName(QStringLiteral("engineTestResult"));
    m_testResult->setWordWrap(true);
    m_testResult->hide();
    layout->addWidget(m_testResult);

    auto* editor = new Card(this);
    m_editor = editor;
    QVBoxLayout* editorLayout = editor->body();
    m_defaultElo = new EloSliderRow(localization, m_editor);
    m_defaultElo->setObjectName(QStringLiteral("defaultEloRow"));
    bindLocalizedText(m_defaultElo, localization, QStringLiteral("engine_default_elo"),
                      [row = m_defaultElo](const QString& text) { row->setToggleText(text); });
    editorLayout->addWidget(m_defaultElo);
    m_editor->hide();
    layout->addWidget(m_editor);

    connect(m_test, &QPushButton::clicked, this, &EngineRow::startTest);
    connect(m_options, &QPushButton::clicked, this, &EngineRow::openOptions);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        refresh();
        showTestOutcome();
    });
    // The engine's settings go with it, so one stray click must not remove it.
    connect(m_remove, &QPushButton::clicked, this, [this, &localization] {
        askBeforeDoing(window(), localization, QStringLiteral("removeEngineQuestion"),
                       QStringLiteral("confirm_remove_engine"), m_engine.name,
                       QStringLiteral("remove_engine"),
                       [&engines = m_engines, engine = m_engine] { engines.removeEngine(engine); });
    });
    connect(m_editElo, &QPushButton::toggled, this, [this](bool open) {
        setEditorOpen(open);
        emit editorToggled(open);
    });
    connect(m_defaultElo, &EloSliderRow::changed, this, [this](bool limit, std::int64_t elo) {
        m_engines.updateEngineConfig(m_engine.id, limit, elo);
    });
    // The Elo range an engine announces is learnt at its first start in a game.
    connect(&engines, &EngineManager::strengthSupportChanged, this, &EngineRow::refresh);
    refresh();
}

void EngineRow::setEngine(const EngineConfiguration& engine) {
    m_engine = engine;
    refresh();
}

void EngineRow::setEditorOpen(bool open) {
    m_editElo->setChecked(open);
    m_editor->setVisible(open);
}

bool EngineRow::isEditorOpen() const {
    return m_editor->isVisible();
}

void EngineRow::refresh() {
    const EngineStrengthSupport support = m_engines.strengthSupport(m_engine);
    const std::optional<uci::SpinRange>& range = support.eloRange;
    m_name->setText(m_engine.name);
    m_author->setText(m_engine.author == EngineManager::autoDetectedAuthor
                          ? m_localization.text(QStringLiteral("engine_auto_detected"))
                          : m_engine.author);
    m_author->setVisible(!m_engine.author.isEmpty());
    m_path->setText(wrappablePath(m_engine.executablePath));
    QString elo;
    if (m_engine.limitElo) {
        elo = eloText(m_engine.elo);
        if (range && range->clamp(m_engine.elo) != m_engine.elo) {
            elo += QStringLiteral(" → ") + eloText(range->clamp(m_engine.elo));
        }
    }
    m_elo->setText(elo);
    m_defaultElo->setUnsupported(!support.canLimitStrength);
    m_defaultElo->setEngineRange(range);
    m_defaultElo->setState(m_engine.limitElo, m_engine.elo);
}

void EngineRow::openOptions() {
    auto* dialog =
        new EngineOptionsDialog(m_engine, m_engines, m_localization, m_running, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

void EngineRow::startTest() {
    m_test->setEnabled(false);
    m_busy->show();
    m_testResult->hide();
    emit busyChanged(true);
    runTest(QPointer<EngineRow>(this), m_engines, m_engine.executablePath,
            [this](const EngineTestResult& result) { finishTest(result); });
}

void EngineRow::finishTest(const EngineTestResult& result) {
    m_test->setEnabled(true);
    m_busy->hide();
    m_testOutcome = result;
    showTestOutcome();
    emit busyChanged(false);
}

void EngineRow::showTestOutcome() {
    if (!m_testOutcome) {
        return;
    }
    const EngineTestResult& result = *m_testOutcome;
    if (result.success) {
        m_testResult->setText(m_localization.text(QStringLiteral("engine_test_ok")) +
                              QLatin1Char(' ') + result.engineName.value_or(m_engine.name));
        setTone(*m_testResult, Tone::success);
    } else {
        m_testResult->setText(m_localization.text(QStringLiteral("engine_test_failed")) +
                              QLatin1Char(' ') + result.error.value_or(QString()));
        setTone(*m_testResult, Tone::failure);
    }
    m_testResult->show();
}

} // namespace velkor::panel
