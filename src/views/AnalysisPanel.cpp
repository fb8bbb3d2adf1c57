#include "AnalysisPanel.h"

#include "LocalizedText.h"
#include "game/AnalysisEngine.h"
#include "game/AnalysisVariation.h"
#include "localization/LocalizationManager.h"
#include "panel/EnginePicker.h"
#include "panel/InstalledEnginesModel.h"
#include "panel/PanelStyle.h"
#include "panel/PanelWidgets.h"
#include "uci/EngineManager.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>

namespace velkor {

namespace {

QSpinBox* spinBox(int minimum, int maximum, std::int64_t value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(static_cast<int>(value));
    return box;
}

QString speedText(std::int64_t nps) {
    if (nps >= 1'000'000) {
        return QString::number(static_cast<double>(nps) / 1e6, 'f', 1) + QStringLiteral(" M");
    }
    return QString::number(static_cast<double>(nps) / 1e3, 'f', 0) + QStringLiteral(" k");
}

} // namespace

AnalysisPanel::AnalysisPanel(AnalysisEngine& engine, AnalysisVariation& variation,
                             EngineManager& engines, LocalizationManager& localization,
                             QWidget* parent)
    : QWidget(parent), m_engine(engine), m_variation(variation), m_localization(localization) {
    setObjectName(QStringLiteral("analysisPanel"));
    setStyleSheet(panel::panelStyleSheet());
    auto* layout = new QVBoxLayout(this);

    auto* settings = new panel::Card(QStringLiteral("analysis_title"), localization, this);
    layout->addWidget(settings);
    m_picker = new panel::EnginePicker(panel::InstalledEnginesModel::of(engines),
                                       panel::EnginePicker::Uninstalled::shown, settings);
    m_picker->setObjectName(QStringLiteral("analysisEngine"));
    m_picker->setChosen(engine.engine());
    settings->body()->addWidget(m_picker);
    connect(m_picker, &panel::EnginePicker::picked, this,
            [this](const EngineConfiguration& chosen) { m_engine.setEngine(chosen); });
    connect(&engine, &AnalysisEngine::engineChanged, m_picker, &panel::EnginePicker::setChosen);

    auto* grid = new QGridLayout();
    settings->body()->addLayout(grid);
    m_lines = spinBox(1, static_cast<int>(AnalysisEngine::maxLines), engine.lineCount(), settings);
    m_lines->setObjectName(QStringLiteral("analysisLines"));
    m_threads = spinBox(1, std::max(1, QThread::idealThreadCount()), engine.threads(), settings);
    m_threads->setObjectName(QStringLiteral("analysisThreads"));
    m_hash = spinBox(1, 65536, engine.hashMB(), settings);
    m_hash->setObjectName(QStringLiteral("analysisHash"));
    const QString keys[] = {QStringLiteral("analysis_lines"), QStringLiteral("analysis_threads"),
                            QStringLiteral("analysis_hash")};
    QSpinBox* boxes[] = {m_lines, m_threads, m_hash};
    for (int column = 0; column < 3; ++column) {
        grid->addWidget(new LocalizedText(keys[column], localization, settings), 0, column);
        grid->addWidget(boxes[column], 1, column);
    }
    connect(m_lines, &QSpinBox::valueChanged, this,
            [this](int value) { m_engine.setLineCount(value); });
    connect(m_threads, &QSpinBox::valueChanged, this,
            [this](int value) { m_engine.setThreads(value); });
    connect(m_hash, &QSpinBox::valueChanged, this,
            [this](int value) { m_engine.setHashMB(value); });

    auto* controls = new QHBoxLayout();
    settings->body()->addLayout(controls);
    m_run = new QPushButton(settings);
    m_run->setObjectName(QStringLiteral("analysisRun"));
    m_run->setCheckable(true);
    controls->addWidget(m_run);
    connect(m_run, &QPushButton::toggled, this, [this](bool on) { m_engine.setActive(on); });
    m_deeper = new QPushButton(settings);
    m_deeper->setObjectName(QStringLiteral("analysisDeeper"));
    bindLocalizedText(m_deeper, localization, QStringLiteral("analysis_go_deeper"),
                      [this](const QString& text) { m_deeper->setText(panel::buttonText(text)); });
    controls->addWidget(m_deeper);
    connect(m_deeper, &QPushButton::clicked, this, [this] { m_engine.goDeeper(); });
    m_infinite = new QCheckBox(settings);
    m_infinite->setObjectName(QStringLiteral("analysisInfinite"));
    bindLocalizedText(m_infinite, localization, QStringLiteral("analysis_infinite"),
                      [this](const QString& text) { m_infinite->setText(text); });
    controls->addWidget(m_infinite);
    connect(m_infinite, &QCheckBox::toggled, this, [this](bool on) { m_engine.setInfinite(on); });
    controls->addStretch();

    m_status = panel::makeHintLabel(QString(), settings);
    m_status->setObjectName(QStringLiteral("analysisStatus"));
    settings->body()->addWidget(m_status);
    m_failure = panel::makeWrappingLabel(QString(), settings);
    panel::setTone(*m_failure, panel::Tone::failure);
    settings->body()->addWidget(m_failure);

    // The analysis board's card comes before the lines, so its button stays in place while the
    // lines below grow and shrink.
    m_variationBar = new panel::Card(this);
    layout->addWidget(m_variationBar);
    auto* linesCard = new panel::Card(this);
    layout->addWidget(linesCard);
    m_lineRows = linesCard->body();
    for (std::int64_t index = 0; index < AnalysisEngine::maxLines; ++index) {
        auto* row = new QHBoxLayout();
        LineRow line{new QLabel(linesCard), panel::makeHintLabel(QString(), linesCard),
                     panel::makeWrappingLabel(QString(), linesCard)};
        panel::embolden(*line.score);
        line.score->setMinimumWidth(52);
        line.depth->setMinimumWidth(28);
        line.moves->setObjectName(QStringLiteral("analysisLine%1").arg(index + 1));
        line.moves->setTextFormat(Qt::RichText);
        line.moves->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        connect(line.moves, &QLabel::linkActivated, this, [this, index](const QString& link) {
            const auto& lines = m_engine.lines();
            if (static_cast<std::size_t>(index) < lines.size()) {
                m_variation.enter(m_engine.position(), lines[static_cast<std::size_t>(index)].pv,
                                  static_cast<std::size_t>(link.toULongLong()));
            }
        });
        row->addWidget(line.score, 0, Qt::AlignTop);
        row->addWidget(line.depth, 0, Qt::AlignTop);
        row->addWidget(line.moves, 1);
        m_lineRows->addLayout(row);
        m_rows.push_back(line);
    }

    auto* variationLayout = static_cast<panel::Card*>(m_variationBar)->body();
    m_variationMoves = panel::makeWrappingLabel(QString(), m_variationBar);
    variationLayout->addWidget(m_variationMoves);
    auto* back = new QPushButton(m_variationBar);
    back->setObjectName(QStringLiteral("analysisBackToGame"));
    bindLocalizedText(back, localization, QStringLiteral("analysis_back_to_game"),
                      [back](const QString& text) { back->setText(panel::buttonText(text)); });
    variationLayout->addWidget(back);
    connect(back, &QPushButton::clicked, &variation, &AnalysisVariation::leave);
    layout->addStretch();

    // Engines report many times a second; the lines are redrawn at a steady, lower rate.
    m_refresh = new panel::CoalescedRefresh(
        150, [this] { refreshLines(); }, this);
    connect(&engine, &AnalysisEngine::linesChanged, this,
            [this](const std::vector<AnalysisLine>& lines) {
                m_refresh->request();
                // The first line of a new position is shown at once: waiting is only for the
                // updates.
                if (m_rows.front().moves->isHidden() && !lines.empty()) {
                    m_refresh->flush();
                }
            });
    connect(&engine, &AnalysisEngine::isActiveChanged, this, [this](bool active) {
        const QSignalBlocker quiet(m_run);
        m_run->setChecked(active);
        refreshStatus();
        m_refresh->request();
    });
    connect(&engine, &AnalysisEngine::isSearchingChanged, this, &AnalysisPanel::refreshStatus);
    connect(&engine, &AnalysisEngine::reachedTargetChanged, this, &AnalysisPanel::refreshStatus);
    connect(&engine, &AnalysisEngine::failureChanged, this, &AnalysisPanel::refreshStatus);
    connect(&engine, &AnalysisEngine::lineCountChanged, this, [this](qint64 lines) {
        const QSignalBlocker quiet(m_lines);
        m_lines->setValue(static_cast<int>(lines));
    });
    connect(&engine, &AnalysisEngine::isInfiniteChanged, this, [this](bool on) {
        const QSignalBlocker quiet(m_infinite);
        m_infinite->setChecked(on);
        refreshStatus();
    });
    connect(&variation, &AnalysisVariation::boardChanged, this, &AnalysisPanel::refreshVariation);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        refreshStatus();
        refreshVariation();
    });
    refreshStatus();
    refreshLines();
    refreshVariation();
}

void AnalysisPanel::refreshStatus() {
    m_run->setChecked(m_engine.isActive());
    m_run->setText(panel::buttonText(m_localization.text(
        m_engine.isActive() ? QStringLiteral("analysis_stop") : QStringLiteral("menu_analyse"))));
    m_deeper->setEnabled(m_engine.isActive() && m_engine.reachedTarget() && !m_engine.isInfinite());
    m_failure->setText(m_engine.failure().value_or(QString()));
    m_failure->setVisible(m_engine.failure().has_value());
    QString status;
    if (!m_engine.engine()) {
        status = m_localization.text(QStringLiteral("analysis_no_engine"));
    } else if (!m_engine.isActive()) {
        status = m_localization.text(QStringLiteral("analysis_off"));
    } else if (!m_engine.lines().empty()) {
        const AnalysisLine& best = m_engine.lines().front();
        status = m_localization.text(QStringLiteral("analysis_depth"))
                     .arg(best.depth)
                     .arg(m_engine.isInfinite() ? QStringLiteral("∞")
                                                : QString::number(m_engine.targetDepth()));
        if (best.nps) {
            status += QStringLiteral("  ·  ") + speedText(*best.nps) +
                      m_localization.text(QStringLiteral("engine_nps"));
        }
    }
    m_status->setText(status);
}

void AnalysisPanel::refreshLines() {
    const auto& lines = m_engine.lines();
    for (std::size_t index = 0; index < m_rows.size(); ++index) {
        const LineRow& row = m_rows[index];
        const bool shown = m_engine.isActive() && index < lines.size();
        row.score->setVisible(shown);
        row.depth->setVisible(shown);
        row.moves->setVisible(shown);
        if (!shown) {
            continue;
        }
        const AnalysisLine& line = lines[index];
        row.score->setText(line.score ? analysisScoreText(*line.score) : QString());
        row.depth->setText(QString::number(line.depth));
        // Each move is a link to the analysis board up to it.
        QStringList words;
        for (std::size_t move = 0; move < line.moveWords.size(); ++move) {
            words.append(QStringLiteral("<a href=\"%1\" style=\"text-decoration:none\">%2</a>")
                             .arg(move + 1)
                             .arg(line.moveWords[move].toHtmlEscaped()));
        }
        if (line.pv.size() > line.moveWords.size()) {
            words.append(QStringLiteral("…"));
        }
        row.moves->setText(words.join(QLatin1Char(' ')));
    }
    refreshStatus();
}

void AnalysisPanel::refreshVariation() {
    m_variationBar->setVisible(m_variation.isActive());
    QStringList moves;
    for (const std::string& san : m_variation.playedSan()) {
        moves.append(QString::fromStdString(san));
    }
    m_variationMoves->setText(m_localization.text(QStringLiteral("analysis_board")) +
                              QLatin1Char(' ') + moves.join(QLatin1Char(' ')));
}

} // namespace velkor
