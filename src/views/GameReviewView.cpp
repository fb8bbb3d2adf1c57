#include "GameReviewView.h"

#include "PGNExporter.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"
#include "game/GameManager.h"
#include "game/GameReviewJob.h"
#include "localization/LocalizationManager.h"
#include "uci/EngineManager.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

namespace velkor {

namespace {

constexpr int margin = 8;

QColor judgementColor(review::Judgement judgement) {
    switch (judgement) {
    case review::Judgement::inaccuracy:
        return QColor(0xe0, 0xb0, 0x20);
    case review::Judgement::mistake:
        return QColor(0xe0, 0x70, 0x20);
    case review::Judgement::blunder:
        return QColor(0xd0, 0x30, 0x30);
    }
    return Qt::gray;
}

QString glyphOf(const std::optional<review::Judgement>& judgement) {
    return judgement ? QString::fromStdString(pgn::nagSymbol(review::judgementNag(*judgement)))
                     : QString();
}

QString numbered(const review::MoveReview& move, std::int64_t firstNumber, bool blackFirst) {
    const std::int64_t index = static_cast<std::int64_t>(move.ply) - 1 + (blackFirst ? 1 : 0);
    const std::int64_t number = firstNumber + index / 2;
    return QStringLiteral("%1%2 %3")
        .arg(number)
        .arg(move.mover == PieceColor::white ? QStringLiteral(".") : QStringLiteral("..."))
        .arg(QString::fromStdString(move.san));
}

} // namespace

ReviewCurve::ReviewCurve(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(110);
    setCursor(Qt::PointingHandCursor);
}

void ReviewCurve::setCurve(std::vector<std::optional<double>> winPercents,
                           std::vector<std::optional<review::Judgement>> judgements) {
    m_winPercents = std::move(winPercents);
    m_judgements = std::move(judgements);
    update();
}

void ReviewCurve::setShownPly(int ply) {
    if (ply != m_shownPly) {
        m_shownPly = ply;
        update();
    }
}

double ReviewCurve::xOf(int ply) const {
    const int plies = std::max<int>(1, static_cast<int>(m_winPercents.size()) - 1);
    return margin + (width() - 2.0 * margin) * ply / plies;
}

int ReviewCurve::plyAt(int x) const {
    const int plies = std::max<int>(1, static_cast<int>(m_winPercents.size()) - 1);
    const double step = (width() - 2.0 * margin) / plies;
    const int ply = static_cast<int>(std::lround((x - margin) / step));
    return std::clamp(ply, 0, static_cast<int>(m_winPercents.size()) - 1);
}

void ReviewCurve::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(margin, margin, width() - 2.0 * margin, height() - 2.0 * margin);
    painter.fillRect(rect(), QColor(0x2b, 0x2b, 0x2b));
    const auto yOf = [&area](double percent) {
        return area.bottom() - area.height() * percent / 100.0;
    };
    // White's share below the curve, Black's above it, as the evaluation bar shows them.
    QPainterPath filled;
    bool started = false;
    double lastX = area.left();
    for (int ply = 0; ply < static_cast<int>(m_winPercents.size()); ++ply) {
        if (!m_winPercents[static_cast<std::size_t>(ply)]) {
            continue;
        }
        const QPointF point(xOf(ply), yOf(*m_winPercents[static_cast<std::size_t>(ply)]));
        if (!started) {
            filled.moveTo(point.x(), area.bottom());
            started = true;
        }
        filled.lineTo(point);
        lastX = point.x();
    }
    if (started) {
        filled.lineTo(lastX, area.bottom());
        filled.closeSubpath();
        painter.fillPath(filled, QColor(0xee, 0xee, 0xee));
    }
    painter.setPen(QPen(QColor(0x88, 0x88, 0x88), 1, Qt::DashLine));
    painter.drawLine(QPointF(area.left(), yOf(50)), QPointF(area.right(), yOf(50)));
    for (std::size_t move = 0; move < m_judgements.size(); ++move) {
        const std::size_t ply = move + 1;
        if (!m_judgements[move] || ply >= m_winPercents.size() || !m_winPercents[ply]) {
            continue;
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(judgementColor(*m_judgements[move]));
        painter.drawEllipse(QPointF(xOf(static_cast<int>(ply)), yOf(*m_winPercents[ply])), 4, 4);
    }
    painter.setPen(QPen(QColor(0x4a, 0x90, 0xe2), 2));
    painter.drawLine(QPointF(xOf(m_shownPly), area.top()), QPointF(xOf(m_shownPly), area.bottom()));
}

void ReviewCurve::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_winPercents.empty()) {
        emit plyClicked(plyAt(static_cast<int>(event->position().x())));
    }
}

GameReviewView::GameReviewView(GameManager& game, LocalizationManager& localization,
                               QWidget* parent)
    : QWidget(parent), m_game(game), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QGridLayout;
    m_summary[0] = new QLabel(this);
    m_summary[1] = new QLabel(this);
    for (QLabel* label : m_summary) {
        label->setTextFormat(Qt::RichText);
    }
    summary->addWidget(m_summary[0], 0, 0);
    summary->addWidget(m_summary[1], 0, 1);
    layout->addLayout(summary);

    auto* progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_stop = new QPushButton(this);
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_stop);
    layout->addLayout(progressRow);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    m_curve = new ReviewCurve(this);
    layout->addWidget(m_curve);

    auto* stepRow = new QHBoxLayout;
    m_side = new QComboBox(this);
    m_side->addItems({QString(), QString()});
    m_previous = new QPushButton(this);
    m_next = new QPushButton(this);
    m_save = new QPushButton(this);
    stepRow->addWidget(m_side);
    stepRow->addWidget(m_previous);
    stepRow->addWidget(m_next);
    stepRow->addStretch(1);
    stepRow->addWidget(m_save);
    layout->addLayout(stepRow);

    m_moves = new QTreeWidget(this);
    m_moves->setRootIsDecorated(false);
    m_moves->setColumnCount(4);
    m_moves->header()->setStretchLastSection(true);
    layout->addWidget(m_moves, 1);

    // Keys that keep working wherever the focus is in the review window.
    auto* previousKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), this);
    auto* nextKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), this);
    connect(previousKey, &QShortcut::activated, this, [this] { showJudgedMove(false); });
    connect(nextKey, &QShortcut::activated, this, [this] { showJudgedMove(true); });
    connect(m_previous, &QPushButton::clicked, this, [this] { showJudgedMove(false); });
    connect(m_next, &QPushButton::clicked, this, [this] { showJudgedMove(true); });
    connect(m_stop, &QPushButton::clicked, this, &GameReviewView::stop);
    connect(m_save, &QPushButton::clicked, this, [this] {
        PGNExporter::savePGNDialog(this, annotatedPGN(), QStringLiteral("velkor_review.pgn"));
    });
    connect(m_curve, &ReviewCurve::plyClicked, this, &GameReviewView::showPly);
    connect(m_moves, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { showPly(item->data(0, Qt::UserRole).toInt()); });
    connect(&m_game, &GameManager::inspectingMoveIndexChanged, this,
            [this] { m_curve->setShownPly(static_cast<int>(m_game.displayedMoveIndex() + 1)); });
    connect(&m_localization, &LocalizationManager::currentLanguageChanged, this,
            &GameReviewView::refresh);
    refresh();
}

GameReviewView::~GameReviewView() = default;

QString GameReviewView::text(const char* key) const {
    return m_localization.text(QString::fromLatin1(key));
}

bool GameReviewView::isReviewing() const {
    return m_job && m_job->isRunning();
}

void GameReviewView::review(const std::optional<EngineConfiguration>& engine) {
    stop();
    m_job.reset();
    m_failure.clear();
    m_reviewedGame = m_game.board();
    m_startScore.reset();
    // A game that carries its evaluations is shown as it was reviewed, without a search.
    if (const auto positions = review::positionsFromAnnotations(
            m_reviewedGame, m_game.gameRecord().comment, m_game.gameRecord().annotations)) {
        m_startScore = positions->front()->score;
        m_progress->setRange(0, 1);
        m_progress->setValue(1);
        setReport(review::buildReport(m_reviewedGame, *positions));
        return;
    }
    if (!engine) {
        m_failure = text("review_no_engine");
        setReport(review::buildReport(m_reviewedGame, {}));
        return;
    }
    m_job = std::make_unique<GameReviewJob>(*engine, ReviewLimits{});
    connect(m_job.get(), &GameReviewJob::progressChanged, this, [this](int scored, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(scored);
        m_startScore = m_job->positions().front() ? std::optional(m_job->positions().front()->score)
                                                  : std::nullopt;
        setReport(m_job->report());
    });
    connect(m_job.get(), &GameReviewJob::isRunningChanged, this, [this](bool running) {
        if (!running && m_job) {
            m_failure = m_job->errorMessage();
            setReport(m_job->report());
        }
    });
    // The job reports through its signals; the task needs no awaiter.
    [](GameReviewJob* job, ChessBoard game) -> QCoro::Task<> {
        co_await job->run(std::move(game));
    }(m_job.get(), m_reviewedGame);
    refresh();
}

void GameReviewView::stop() {
    if (m_job) {
        m_job->stop();
    }
}

void GameReviewView::showPly(int ply) {
    m_game.inspectMove(static_cast<std::int64_t>(ply) - 1);
    m_curve->setShownPly(ply);
    for (int row = 0; row < m_moves->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_moves->topLevelItem(row);
        if (item->data(0, Qt::UserRole).toInt() == ply) {
            m_moves->setCurrentItem(item);
            m_moves->scrollToItem(item);
        }
    }
}

bool GameReviewView::showJudgedMove(bool forward) {
    const PieceColor side = m_side->currentIndex() == 0 ? PieceColor::white : PieceColor::black;
    std::vector<int> plies;
    for (const review::MoveReview& move : m_report.moves) {
        if (move.judgement && move.mover == side) {
            plies.push_back(static_cast<int>(move.ply));
        }
    }
    if (plies.empty()) {
        return false;
    }
    const int shown = static_cast<int>(m_game.displayedMoveIndex() + 1);
    int target = forward ? plies.front() : plies.back();
    if (forward) {
        for (const int ply : plies) {
            if (ply > shown) {
                target = ply;
                break;
            }
        }
    } else {
        for (auto it = plies.rbegin(); it != plies.rend(); ++it) {
            if (*it < shown) {
                target = *it;
                break;
            }
        }
    }
    showPly(target);
    return true;
}

QString GameReviewView::annotatedPGN() const {
    try {
        ParsedPGN parsed = PGNParser::parse(m_game.exportPGN().toStdString());
        PGNGame game = review::pgnGameOf(parsed);
        review::annotate(game, m_report, m_startScore);
        return QString::fromStdString(game.exportPGN());
    } catch (const DomainError&) {
        // Our own record always reads back; should it not, the plain record is still saved.
        return m_game.exportPGN();
    }
}

void GameReviewView::setReport(review::GameReviewReport report) {
    m_report = std::move(report);
    refresh();
    emit reportChanged();
}

QString GameReviewView::sideSummary(PieceColor color) const {
    const review::SideReview& side = color == PieceColor::white ? m_report.white : m_report.black;
    const QString accuracy =
        side.accuracy ? QStringLiteral("%1 %").arg(*side.accuracy, 0, 'f', 1) : QStringLiteral("–");
    const QString loss = side.averageCentipawnLoss ? QString::number(*side.averageCentipawnLoss)
                                                   : QStringLiteral("–");
    return QStringLiteral("<b>%1</b><br>%2: <b>%3</b><br>%4: %5<br>%6: %7 · %8: %9 · %10: %11")
        .arg(text(color == PieceColor::white ? "color_white" : "color_black"),
             text("review_accuracy"), accuracy, text("review_acpl"), loss,
             text("review_inaccuracies"), QString::number(side.inaccuracies),
             text("review_mistakes"), QString::number(side.mistakes))
        .arg(text("review_blunders"), QString::number(side.blunders));
}

void GameReviewView::refresh() {
    setWindowTitle(text("review_title"));
    m_stop->setText(text("review_stop"));
    m_stop->setEnabled(isReviewing());
    m_previous->setText(text("review_previous_mistake"));
    m_next->setText(text("review_next_mistake"));
    m_save->setText(text("review_save_pgn"));
    m_save->setEnabled(!isReviewing() && !m_report.moves.empty());
    m_side->setItemText(0, text("color_white"));
    m_side->setItemText(1, text("color_black"));
    m_moves->setHeaderLabels({text("review_column_move"), text("review_column_eval"),
                              text("review_accuracy"), text("review_column_best")});
    m_summary[0]->setText(sideSummary(PieceColor::white));
    m_summary[1]->setText(sideSummary(PieceColor::black));
    m_progress->setFormat(text("review_progress")
                              .replace(QStringLiteral("%1"), QStringLiteral("%v"))
                              .replace(QStringLiteral("%2"), QStringLiteral("%m")));
    m_status->setText(m_failure.isEmpty() ? QString() : text("review_failed").arg(m_failure));
    m_status->setVisible(!m_failure.isEmpty());

    const bool blackFirst =
        m_reviewedGame.history().empty()
            ? false
            : ChessBoard(m_reviewedGame.initialFEN()).turn() == PieceColor::black;
    const std::int64_t firstNumber = ChessBoard(m_reviewedGame.initialFEN()).fullmoveNumber();
    m_moves->clear();
    std::vector<std::optional<double>> curve{std::nullopt};
    std::vector<std::optional<review::Judgement>> judgements;
    if (m_startScore) {
        curve.front() = review::winPercent(*m_startScore);
    }
    for (const review::MoveReview& move : m_report.moves) {
        curve.push_back(move.winPercent);
        judgements.push_back(move.judgement);
        auto* item = new QTreeWidgetItem(m_moves);
        item->setData(0, Qt::UserRole, static_cast<int>(move.ply));
        item->setText(0, numbered(move, firstNumber, blackFirst) + glyphOf(move.judgement));
        if (move.score) {
            const std::optional<std::string> eval = move.score->evalText();
            item->setText(1, eval ? QString::fromStdString(*eval) : QStringLiteral("#"));
        }
        if (move.accuracy) {
            item->setText(2, QStringLiteral("%1").arg(*move.accuracy, 0, 'f', 0));
        }
        if (move.judgement) {
            item->setForeground(0, judgementColor(*move.judgement));
            QStringList line;
            for (const std::string& san : move.bestLineSan) {
                line.append(QString::fromStdString(san));
            }
            if (!line.isEmpty()) {
                item->setText(3, text("review_best_was").arg(line.join(u' ')));
            }
        }
    }
    m_curve->setCurve(std::move(curve), std::move(judgements));
    m_curve->setShownPly(static_cast<int>(m_game.displayedMoveIndex() + 1));
}

void openGameReview(QWidget& window, GameManager& game, LocalizationManager& localization) {
    auto* view = window.findChild<GameReviewView*>(QString(), Qt::FindDirectChildrenOnly);
    if (view == nullptr) {
        view = new GameReviewView(game, localization, &window);
        view->setWindowFlag(Qt::Window);
        view->resize(560, 640);
    }
    const QList<EngineConfiguration> engines =
        EngineManager::prioritized(EngineManager::shared().availableEngines());
    std::optional<EngineConfiguration> engine;
    if (!engines.isEmpty()) {
        engine = engines.front();
    }
    view->review(engine);
    view->show();
    view->raise();
    view->activateWindow();
}

} // namespace velkor
