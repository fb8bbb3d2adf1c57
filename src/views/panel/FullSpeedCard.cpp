#include "FullSpeedCard.h"

#include "automatch/FullSpeedMatch.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace velkor::panel {

namespace {

using automatch::MoveLimit;

constexpr std::array limitKinds{MoveLimit::Kind::Clock, MoveLimit::Kind::TimePerMove,
                                MoveLimit::Kind::Depth, MoveLimit::Kind::Nodes};

QString limitKindKey(MoveLimit::Kind kind) {
    switch (kind) {
    case MoveLimit::Kind::TimePerMove:
        return QStringLiteral("full_speed_limit_movetime");
    case MoveLimit::Kind::Depth:
        return QStringLiteral("full_speed_limit_depth");
    case MoveLimit::Kind::Nodes:
        return QStringLiteral("full_speed_limit_nodes");
    default:
        return QStringLiteral("full_speed_limit_clock");
    }
}

QSpinBox* spinBox(int low, int high, const QString& name, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(low, high);
    box->setObjectName(name);
    // The panel is narrow: the boxes share a line's width instead of asking for their widest
    // value's.
    box->setMinimumWidth(56);
    box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return box;
}

QDoubleSpinBox* realBox(double low, double high, int decimals, double step, const QString& name,
                        QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setObjectName(name);
    box->setMinimumWidth(56);
    box->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return box;
}

QCheckBox* checkBox(const QString& key, const QString& name, LocalizationManager& localization,
                    QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    bindLocalizedText(box, localization, key, [box](const QString& text) { box->setText(text); });
    return box;
}

} // namespace

FullSpeedCard::FullSpeedCard(automatch::FullSpeedMatch& match, LocalizationManager& localization,
                             QWidget* parent)
    : Card(QStringLiteral("full_speed_settings"), localization, parent), m_match(match),
      m_localization(localization) {
    setObjectName(QStringLiteral("fullSpeedSettings"));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    body()->addLayout(grid);
    int row = 0;
    // A label with its control beside it, or with several controls on the line below it.
    const auto addRow = [&](const QString& key, std::initializer_list<QWidget*> controls) {
        auto* label = new LocalizedText(key, localization, this);
        label->setWordWrap(true);
        auto* line = new QHBoxLayout;
        for (QWidget* control : controls) {
            line->addWidget(control, 1);
        }
        if (controls.size() == 1) {
            grid->addWidget(label, row, 0);
            grid->addLayout(line, row, 1);
        } else {
            grid->addWidget(label, row++, 0, 1, 2);
            grid->addLayout(line, row, 0, 1, 2);
        }
        ++row;
    };

    m_games = spinBox(1, 1'000'000, QStringLiteral("fullSpeedGames"), this);
    addRow(QStringLiteral("full_speed_games"), {m_games});

    m_limitKind = new QComboBox(this);
    m_limitKind->setObjectName(QStringLiteral("fullSpeedLimitKind"));
    m_limitKind->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_limitKind->setMinimumWidth(80);
    m_base = realBox(0.01, 86'400, 2, 1, QStringLiteral("fullSpeedBase"), this);
    m_base->setSuffix(QStringLiteral(" s"));
    m_increment = realBox(0, 3600, 2, 0.1, QStringLiteral("fullSpeedIncrement"), this);
    m_increment->setPrefix(QStringLiteral("+ "));
    m_increment->setSuffix(QStringLiteral(" s"));
    m_amount = spinBox(1, 1'000'000'000, QStringLiteral("fullSpeedAmount"), this);
    addRow(QStringLiteral("full_speed_limit"), {m_limitKind, m_base, m_increment, m_amount});

    m_concurrency = spinBox(0, 256, QStringLiteral("fullSpeedConcurrency"), this);
    bindLocalizedText(m_concurrency, localization, QStringLiteral("full_speed_concurrency_auto"),
                      [this](const QString& text) { m_concurrency->setSpecialValueText(text); });
    addRow(QStringLiteral("full_speed_concurrency"), {m_concurrency});

    m_openingFile = new QLabel(this);
    m_openingFile->setObjectName(QStringLiteral("fullSpeedOpeningFile"));
    m_openingFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_openingFile->setWordWrap(true);
    m_chooseOpenings = new QPushButton(this);
    m_chooseOpenings->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_chooseOpenings->setMinimumWidth(80);
    m_chooseOpenings->setObjectName(QStringLiteral("fullSpeedChooseOpenings"));
    m_clearOpenings = new QPushButton(QStringLiteral("×"), this);
    m_clearOpenings->setObjectName(QStringLiteral("fullSpeedClearOpenings"));
    m_clearOpenings->setFixedWidth(28);
    bindLocalizedText(m_chooseOpenings, localization, QStringLiteral("full_speed_choose_file"),
                      [this](const QString& text) { m_chooseOpenings->setText(text); });
    addRow(QStringLiteral("full_speed_openings"), {m_chooseOpenings, m_clearOpenings});
    grid->addWidget(m_openingFile, row++, 0, 1, 2);
    m_plies = spinBox(1, 1000, QStringLiteral("fullSpeedPlies"), this);
    addRow(QStringLiteral("full_speed_plies"), {m_plies});
    m_random = checkBox(QStringLiteral("full_speed_random"), QStringLiteral("fullSpeedRandom"),
                        localization, this);
    grid->addWidget(m_random, row++, 0, 1, 2);
    m_paired = checkBox(QStringLiteral("full_speed_paired"), QStringLiteral("fullSpeedPaired"),
                        localization, this);
    grid->addWidget(m_paired, row++, 0, 1, 2);

    // Adjudication: each rule with its figures on the line below it.
    m_draw = checkBox(QStringLiteral("full_speed_draw"), QStringLiteral("fullSpeedDraw"),
                      localization, this);
    grid->addWidget(m_draw, row++, 0, 1, 2);
    m_drawFrom = spinBox(0, 10'000, QStringLiteral("fullSpeedDrawFrom"), this);
    m_drawMoves = spinBox(1, 10'000, QStringLiteral("fullSpeedDrawMoves"), this);
    m_drawScore = spinBox(0, 100'000, QStringLiteral("fullSpeedDrawScore"), this);
    addRow(QStringLiteral("full_speed_draw_figures"), {m_drawFrom, m_drawMoves, m_drawScore});
    m_resign = checkBox(QStringLiteral("full_speed_resign"), QStringLiteral("fullSpeedResign"),
                        localization, this);
    grid->addWidget(m_resign, row++, 0, 1, 2);
    m_resignMoves = spinBox(1, 10'000, QStringLiteral("fullSpeedResignMoves"), this);
    m_resignScore = spinBox(1, 100'000, QStringLiteral("fullSpeedResignScore"), this);
    addRow(QStringLiteral("full_speed_resign_figures"), {m_resignMoves, m_resignScore});
    m_resignTwoSided = checkBox(QStringLiteral("full_speed_resign_two_sided"),
                                QStringLiteral("fullSpeedResignTwoSided"), localization, this);
    grid->addWidget(m_resignTwoSided, row++, 0, 1, 2);
    m_maxMovesOn = checkBox(QStringLiteral("full_speed_max_moves"),
                            QStringLiteral("fullSpeedMaxMovesOn"), localization, this);
    m_maxMoves = spinBox(1, 100'000, QStringLiteral("fullSpeedMaxMoves"), this);
    grid->addWidget(m_maxMovesOn, row, 0);
    grid->addWidget(m_maxMoves, row++, 1);

    m_sprt = checkBox(QStringLiteral("full_speed_sprt"), QStringLiteral("fullSpeedSprt"),
                      localization, this);
    grid->addWidget(m_sprt, row++, 0, 1, 2);
    m_elo0 = realBox(-1000, 1000, 2, 0.5, QStringLiteral("fullSpeedElo0"), this);
    m_elo1 = realBox(-1000, 1000, 2, 0.5, QStringLiteral("fullSpeedElo1"), this);
    addRow(QStringLiteral("full_speed_sprt_bounds"), {m_elo0, m_elo1});
    m_alpha = realBox(0.001, 0.5, 3, 0.01, QStringLiteral("fullSpeedAlpha"), this);
    m_beta = realBox(0.001, 0.5, 3, 0.01, QStringLiteral("fullSpeedBeta"), this);
    addRow(QStringLiteral("full_speed_sprt_errors"), {m_alpha, m_beta});
    m_model = new QComboBox(this);
    m_model->setObjectName(QStringLiteral("fullSpeedModel"));
    m_model->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_model->setMinimumWidth(80);
    for (const auto model : {automatch::SprtModel::Normalized, automatch::SprtModel::Logistic,
                             automatch::SprtModel::Bayesian}) {
        m_model->addItem(QString::fromUtf8(automatch::sprtModelName(model)));
    }
    addRow(QStringLiteral("full_speed_sprt_model"), {m_model});
    m_finishOnSprt = checkBox(QStringLiteral("full_speed_finish_on_sprt"),
                              QStringLiteral("fullSpeedFinishOnSprt"), localization, this);
    grid->addWidget(m_finishOnSprt, row++, 0, 1, 2);

    for (std::size_t kind = 0; kind < limitKinds.size(); ++kind) {
        m_limitKind->addItem(QString());
    }

    refresh();
    for (QSpinBox* box : {m_games, m_amount, m_concurrency, m_plies, m_drawFrom, m_drawMoves,
                          m_drawScore, m_resignMoves, m_resignScore, m_maxMoves}) {
        connect(box, &QSpinBox::valueChanged, this, &FullSpeedCard::write);
    }
    for (QDoubleSpinBox* box : {m_base, m_increment, m_elo0, m_elo1, m_alpha, m_beta}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, &FullSpeedCard::write);
    }
    for (QCheckBox* box : {m_random, m_paired, m_draw, m_resign, m_resignTwoSided, m_maxMovesOn,
                           m_sprt, m_finishOnSprt}) {
        connect(box, &QCheckBox::toggled, this, &FullSpeedCard::write);
    }
    for (QComboBox* box : {m_limitKind, m_model}) {
        connect(box, &QComboBox::currentIndexChanged, this, &FullSpeedCard::write);
    }
    connect(m_chooseOpenings, &QPushButton::clicked, this, &FullSpeedCard::chooseOpeningFile);
    connect(m_clearOpenings, &QPushButton::clicked, this, [this] {
        automatch::FullSpeedSettings settings = m_match.settings();
        settings.openingFile.clear();
        m_match.setSettings(settings);
    });
    connect(&match, &automatch::FullSpeedMatch::settingsChanged, this, &FullSpeedCard::refresh);
    connect(&match, &automatch::FullSpeedMatch::statusChanged, this, &FullSpeedCard::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &FullSpeedCard::refresh);
}

void FullSpeedCard::refresh() {
    m_showing = true;
    const automatch::FullSpeedSettings& settings = m_match.settings();
    setEnabled(!m_match.status().running);
    m_games->setValue(static_cast<int>(settings.games));
    const MoveLimit& limit = settings.limit;
    for (std::size_t kind = 0; kind < limitKinds.size(); ++kind) {
        m_limitKind->setItemText(static_cast<int>(kind),
                                 m_localization.text(limitKindKey(limitKinds[kind])));
    }
    const auto kindIndex = std::find(limitKinds.begin(), limitKinds.end(), limit.kind);
    m_limitKind->setCurrentIndex(
        kindIndex == limitKinds.end() ? 0 : static_cast<int>(kindIndex - limitKinds.begin()));
    const bool clock = limit.kind == MoveLimit::Kind::Clock;
    const bool moveTime = limit.kind == MoveLimit::Kind::TimePerMove;
    m_base->setVisible(clock || moveTime);
    m_base->setValue(static_cast<double>(clock ? limit.baseMs : limit.moveTimeMs) / 1000.0);
    m_increment->setVisible(clock);
    m_increment->setValue(static_cast<double>(limit.incrementMs) / 1000.0);
    m_amount->setVisible(!clock && !moveTime);
    m_amount->setValue(limit.kind == MoveLimit::Kind::Nodes ? static_cast<int>(limit.nodes)
                                                            : limit.depth);
    m_concurrency->setValue(settings.concurrency.value_or(0));
    m_openingFile->setText(settings.openingFile.isEmpty()
                               ? m_localization.text(QStringLiteral("full_speed_no_openings"))
                               : QFileInfo(settings.openingFile).fileName());
    m_openingFile->setToolTip(settings.openingFile);
    m_clearOpenings->setEnabled(!settings.openingFile.isEmpty());
    m_plies->setValue(settings.openingPlies);
    m_plies->setEnabled(settings.openingFile.endsWith(QStringLiteral(".pgn"), Qt::CaseInsensitive));
    m_random->setChecked(settings.randomOrder);
    m_random->setEnabled(!settings.openingFile.isEmpty());
    m_paired->setChecked(settings.paired);

    const automatch::AdjudicationSettings& rules = settings.adjudication;
    m_draw->setChecked(rules.draw.has_value());
    const automatch::DrawAdjudication draw =
        rules.draw.value_or(automatch::DrawAdjudication{40, 8, 10});
    m_drawFrom->setValue(draw.moveNumber);
    m_drawMoves->setValue(draw.moveCount);
    m_drawScore->setValue(draw.score);
    for (QWidget* widget : {m_drawFrom, m_drawMoves, m_drawScore}) {
        widget->setEnabled(rules.draw.has_value());
    }
    m_resign->setChecked(rules.resign.has_value());
    const automatch::ResignAdjudication resign =
        rules.resign.value_or(automatch::ResignAdjudication{3, 600, false});
    m_resignMoves->setValue(resign.moveCount);
    m_resignScore->setValue(resign.score);
    m_resignTwoSided->setChecked(resign.twoSided);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_resignMoves, m_resignScore, m_resignTwoSided}) {
        widget->setEnabled(rules.resign.has_value());
    }
    m_maxMovesOn->setChecked(rules.maxMoves.has_value());
    m_maxMoves->setValue(rules.maxMoves.value_or(200));
    m_maxMoves->setEnabled(rules.maxMoves.has_value());

    m_sprt->setChecked(settings.sprt.has_value());
    const automatch::SprtSettings test = settings.sprt.value_or(automatch::SprtSettings{});
    m_elo0->setValue(test.elo0);
    m_elo1->setValue(test.elo1);
    m_alpha->setValue(test.alpha);
    m_beta->setValue(test.beta);
    m_model->setCurrentIndex(static_cast<int>(test.model));
    m_finishOnSprt->setChecked(settings.finishRunningGamesOnSprt);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_elo0, m_elo1, m_alpha, m_beta, m_model,
                                                           m_finishOnSprt}) {
        widget->setEnabled(settings.sprt.has_value());
    }
    m_showing = false;
}

void FullSpeedCard::write() {
    if (m_showing) {
        return;
    }
    automatch::FullSpeedSettings settings = m_match.settings();
    settings.games = m_games->value();
    MoveLimit& limit = settings.limit;
    const int kindIndex = std::max(0, m_limitKind->currentIndex());
    const MoveLimit::Kind newKind = limitKinds[static_cast<std::size_t>(kindIndex)];
    // The figure fields serve several kinds: only the kind shown when they were edited reads them.
    if (newKind == limit.kind) {
        const auto milliseconds = std::llround(m_base->value() * 1000.0);
        if (limit.kind == MoveLimit::Kind::Clock) {
            limit.baseMs = milliseconds;
            limit.incrementMs = std::llround(m_increment->value() * 1000.0);
        } else if (limit.kind == MoveLimit::Kind::TimePerMove) {
            limit.moveTimeMs = milliseconds;
        } else if (limit.kind == MoveLimit::Kind::Depth) {
            limit.depth = m_amount->value();
        } else {
            limit.nodes = m_amount->value();
        }
    }
    limit.kind = newKind;
    settings.concurrency =
        m_concurrency->value() == 0 ? std::nullopt : std::optional(m_concurrency->value());
    settings.openingPlies = m_plies->value();
    settings.randomOrder = m_random->isChecked();
    settings.paired = m_paired->isChecked();
    automatch::AdjudicationSettings& rules = settings.adjudication;
    rules.draw.reset();
    if (m_draw->isChecked()) {
        rules.draw = automatch::DrawAdjudication{m_drawFrom->value(), m_drawMoves->value(),
                                                 m_drawScore->value()};
    }
    rules.resign.reset();
    if (m_resign->isChecked()) {
        rules.resign = automatch::ResignAdjudication{m_resignMoves->value(), m_resignScore->value(),
                                                     m_resignTwoSided->isChecked()};
    }
    rules.maxMoves.reset();
    if (m_maxMovesOn->isChecked()) {
        rules.maxMoves = m_maxMoves->value();
    }
    settings.sprt.reset();
    if (m_sprt->isChecked()) {
        automatch::SprtSettings test;
        test.elo0 = m_elo0->value();
        test.elo1 = m_elo1->value();
        test.alpha = m_alpha->value();
        test.beta = m_beta->value();
        test.model = static_cast<automatch::SprtModel>(std::max(0, m_model->currentIndex()));
        settings.sprt = test;
    }
    settings.finishRunningGamesOnSprt = m_finishOnSprt->isChecked();
    m_match.setSettings(settings);
}

void FullSpeedCard::chooseOpeningFile() {
    auto* dialog = new QFileDialog(this, m_localization.text(QStringLiteral("full_speed_openings")),
                                   QString(), QStringLiteral("EPD, PGN (*.epd *.pgn)"));
    dialog->setObjectName(QStringLiteral("openingFileDialog"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        automatch::FullSpeedSettings settings = m_match.settings();
        settings.openingFile = path;
        m_match.setSettings(settings);
    });
    dialog->open();
}

} // namespace velkor::panel
