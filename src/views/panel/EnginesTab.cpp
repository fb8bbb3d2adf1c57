#include "EnginesTab.h"

#include "EngineRow.h"
#include "PanelWidgets.h"
#include "localization/LocalizationManager.h"
#include "uci/EngineManager.h"
#include "views/EngineFilePicker.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <qcoro/qcorotask.h>
#include <utility>

namespace velkor::panel {

namespace {

QCoro::Task<> runAdd(QPointer<EnginesTab> tab, EngineManager& engines, QString path,
                     std::function<void(const EngineManager::AddEngineResult&)> done) {
    const EngineManager::AddEngineResult result = co_await engines.addEngine(path, std::nullopt);
    if (tab) {
        done(result);
    }
}

} // namespace

EnginesTab::EnginesTab(EngineManager& engines, LocalizationManager& localization,
                       RunningEngines running, QWidget* parent)
    : QWidget(parent), m_engines(engines), m_localization(localization),
      m_running(std::move(running)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addWidget(heading(QStringLiteral("engines_installed"), localization, this));

    // One button per line: the scan's label is long in French and German.
    auto* buttons = new QVBoxLayout;
    m_scan = new QPushButton(this);
    m_scan->setObjectName(QStringLiteral("scanEnginesButton"));
    bindLocalizedText(m_scan, localization, QStringLiteral("scan_engines"),
                      [this](const QString& text) {
                          m_scan->setText(text);
                          m_scan->setToolTip(text);
                      });
    m_add = new QPushButton(this);
    m_add->setObjectName(QStringLiteral("addEngineButton"));
    bindLocalizedText(m_add, localization, QStringLiteral("add_engine"),
                      [this](const QString& text) {
                          m_add->setText(text);
                          m_add->setToolTip(text);
                      });
    for (QPushButton* button : {m_scan, m_add}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("enginesBusy"));
    m_busy->setRange(0, 0);
    m_busy->setMaximumHeight(6);
    m_busy->setTextVisible(false);
    m_busy->hide();
    layout->addWidget(m_busy);

    m_empty = makeHintLabel(QStringLiteral("–"), this);
    layout->addWidget(m_empty);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(6);
    layout->addLayout(m_rowsLayout);
    layout->addStretch(1);

    connect(m_scan, &QPushButton::clicked, this, &EnginesTab::scan);
    connect(m_add, &QPushButton::clicked, this, [this] {
        pickEngineFile(this, m_localization,
                       [tab = QPointer<EnginesTab>(this)](const std::optional<QString>& path) {
                           if (tab && path) {
                               tab->addEngine(*path);
                           }
                       });
    });
    connect(&engines, &EngineManager::availableEnginesChanged, this, &EnginesTab::refreshRows);
    refreshRows();
}

void EnginesTab::scan() {
    // The scan only looks at a handful of files, but the busy bar is drawn first so that a slow
    // disk shows as work rather than as a frozen window.
    m_scanRunning = true;
    refreshBusy();
    QTimer::singleShot(0, this, [this] {
        m_engines.scanDefaultPaths();
        m_scanRunning = false;
        refreshBusy();
    });
}

void EnginesTab::addEngine(const QString& path) {
    m_addRunning = true;
    refreshBusy();
    runAdd(QPointer<EnginesTab>(this), m_engines, path,
           [this](const EngineManager::AddEngineResult& result) {
               finishAdd(result.engine ? std::optional<QString>(result.engine->name) : std::nullopt,
                         addEngineError(result));
           });
}

std::optional<QString>
EnginesTab::addEngineError(const EngineManager::AddEngineResult& result) const {
    using Problem = EngineManager::AddEngineResult::Problem;
    switch (result.problem) {
    case Problem::fileMissing:
        return m_localization.text(QStringLiteral("engine_file_missing"));
    case Problem::notExecutable:
        return m_localization.text(QStringLiteral("engine_not_executable"));
    case Problem::failedTest:
        return m_localization.text(QStringLiteral("engine_failed_test")) + QLatin1Char(' ') +
               result.detail;
    case Problem::none:
        break;
    }
    return result.message;
}

void EnginesTab::finishAdd(const std::optional<QString>& addedName,
                           const std::optional<QString>& error) {
    m_addRunning = false;
    refreshBusy();
    if (addedName) {
        emit toastRequested(m_localization.text(QStringLiteral("engine_added")).arg(*addedName));
        return;
    }
    auto* alert = new QMessageBox(
        QMessageBox::Warning, m_localization.text(QStringLiteral("engine_error_title")),
        error.value_or(m_localization.text(QStringLiteral("engine_add_unknown_error"))),
        QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("engineAddAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

void EnginesTab::refreshRows() {
    const QList<EngineConfiguration>& engines = m_engines.availableEngines();
    bool sameEngines = static_cast<qsizetype>(m_rows.size()) == engines.size();
    for (qsizetype i = 0; sameEngines && i < engines.size(); ++i) {
        sameEngines = m_rows[static_cast<std::size_t>(i)]->engineId() == engines[i].id;
    }
    if (sameEngines) {
        // Only fields changed (a default strength, say): the rows stay, so a slider being
        // dragged is not pulled from under the pointer.
        for (qsizetype i = 0; i < engines.size(); ++i) {
            m_rows[static_cast<std::size_t>(i)]->setEngine(engines[i]);
        }
    } else {
        for (EngineRow* row : m_rows) {
            // A test still running for a removed row ends unseen.
            m_testingRows.remove(row);
            row->deleteLater();
            row->hide();
        }
        m_rows.clear();
        refreshBusy();
        for (const EngineConfiguration& engine : engines) {
            auto* row = new EngineRow(engine, m_engines, m_localization, m_running, this);
            row->setEditorOpen(m_editingEngineEloId == engine.id);
            connect(row, &EngineRow::editorToggled, this, [this, row](bool open) {
                m_editingEngineEloId = open ? std::optional<QUuid>(row->engineId()) : std::nullopt;
                for (EngineRow* other : m_rows) {
                    if (other != row) {
                        other->setEditorOpen(false);
                    }
                }
            });
            connect(row, &EngineRow::busyChanged, this, [this, row](bool busy) {
                if (busy) {
                    m_testingRows.insert(row);
                } else {
                    m_testingRows.remove(row);
                }
                refreshBusy();
            });
            m_rowsLayout->addWidget(row);
            m_rows.push_back(row);
        }
    }
    m_empty->setVisible(engines.isEmpty());
}

void EnginesTab::refreshBusy() {
    m_busy->setVisible(isBusy());
    m_scan->setEnabled(!m_scanRunning && !m_addRunning);
    m_add->setEnabled(!m_scanRunning && !m_addRunning);
}

} // namespace velkor::panel
