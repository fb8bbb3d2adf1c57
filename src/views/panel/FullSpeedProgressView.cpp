#include "FullSpeedProgressView.h"

#include "automatch/FullSpeedMatch.h"
#include "base/DomainError.h"
#include "chess/ChessBoard.h"
#include "localization/LocalizationManager.h"
#include "views/BoardPalette.h"
#include "views/LocalizedText.h"
#include "views/PieceGlyph.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

namespace velkor::panel {

namespace {

using automatch::MatchEnd;

// A small board of one running game, drawn from its FEN; nothing on a FEN it cannot read.
class PositionThumbnail : public QWidget {
public:
    PositionThumbnail(const automatch::RunningGame& game, QWidget* parent)
        : QWidget(parent), m_game(game) {
        setFixedSize(136, 152);
        setToolTip(game.white + QStringLiteral(" – ") + game.black);
        try {
            if (!game.fen.isEmpty()) {
                m_board.emplace(game.fen.toStdString());
            }
        } catch (const DomainError&) {
            m_board.reset();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double square = 16;
        const QPointF origin(4, 18);
        painter.drawText(QRectF(0, 0, width(), 16), Qt::AlignCenter,
                         QStringLiteral("#%1").arg(m_game.number));
        for (int rank = 0; rank < 8; ++rank) {
            for (int file = 0; file < 8; ++file) {
                const QRectF box(origin.x() + file * square, origin.y() + (7 - rank) * square,
                                 square, square);
                painter.fillRect(box, (file + rank) % 2 == 0 ? BoardPalette::darkSquare()
                                                             : BoardPalette::lightSquare());
                if (!m_board) {
                    continue;
                }
                if (const auto piece = (*m_board)[Square(file, rank)]) {
                    paintPiece(painter, piece->type, piece->color, box);
                }
            }
        }
    }

private:
    automatch::RunningGame m_game;
    std::optional<ChessBoard> m_board;
};

QString number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

// "1:02:03" or "4:05".
QString duration(double seconds) {
    const auto whole = static_cast<std::int64_t>(std::llround(std::max(0.0, seconds)));
    const std::int64_t hours = whole / 3600;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg(hours > 0 ? (whole / 60) % 60 : whole / 60,
                                               hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                          .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds
                     : minutesAndSeconds;
}

} // namespace

LlrBar::LlrBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fullSpeedLlrBar"));
    setMinimumHeight(18);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize LlrBar::sizeHint() const {
    return {200, 18};
}

void LlrBar::setRatio(double llr, double lower, double upper) {
    m_llr = llr;
    m_lower = lower;
    m_upper = upper;
    update();
}

void LlrBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = QRectF(rect()).adjusted(1, 3, -1, -3);
    const double span = m_upper - m_lower;
    const auto xOf = [&](double value) {
        const double share =
            span > 0 ? (std::clamp(value, m_lower, m_upper) - m_lower) / span : 0.5;
        return bar.left() + share * bar.width();
    };
    const double zero = xOf(0);
    painter.fillRect(QRectF(bar.left(), bar.top(), zero - bar.left(), bar.height()),
                     QColor(0xf2, 0xd0, 0xd0));
    painter.fillRect(QRectF(zero, bar.top(), bar.right() - zero, bar.height()),
                     QColor(0xd2, 0xee, 0xd2));
    // The ratio so far, filled from zero towards the bound it is heading for.
    const double needle = xOf(m_llr);
    painter.fillRect(
        QRectF(std::min(zero, needle), bar.top(), std::abs(needle - zero), bar.height()),
        m_llr < 0 ? QColor(0xc0, 0x39, 0x2b) : QColor(0x2e, 0x8b, 0x57));
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.drawLine(QPointF(zero, rect().top()), QPointF(zero, rect().bottom()));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar);
}

FullSpeedProgressView::FullSpeedProgressView(automatch::FullSpeedMatch& match,
                                             LocalizationManager& localization, QWidget* parent)
    : Card(QStringLiteral("full_speed_progress"), localization, parent), m_match(match),
      m_localization(localization) {
    setObjectName(QStringLiteral("fullSpeedProgress"));
    QVBoxLayout* layout = body();
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("fullSpeedProgressBar"));
    layout->addWidget(m_progress);
    const auto line = [&](const QString& name) {
        QLabel* label = makeWrappingLabel({}, this);
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label);
        return label;
    };
    m_pace = line(QStringLiteral("fullSpeedPace"));
    m_score = line(QStringLiteral("fullSpeedScore"));
    m_pairs = line(QStringLiteral("fullSpeedPairs"));
    m_elo = line(QStringLiteral("fullSpeedElo"));
    m_llrBar = new LlrBar(this);
    layout->addWidget(m_llrBar);
    m_llr = line(QStringLiteral("fullSpeedLlr"));
    m_end = line(QStringLiteral("fullSpeedEnd"));

    m_showBoards = new QCheckBox(this);
    m_showBoards->setObjectName(QStringLiteral("fullSpeedShowBoards"));
    bindLocalizedText(m_showBoards, localization, QStringLiteral("full_speed_show_boards"),
                      [this](const QString& text) { m_showBoards->setText(text); });
    layout->addWidget(m_showBoards);
    m_boards = new QWidget(this);
    m_boards->setObjectName(QStringLiteral("fullSpeedBoards"));
    m_boardGrid = new QGridLayout(m_boards);
    m_boardGrid->setContentsMargins(0, 0, 0, 0);
    m_boards->hide();
    layout->addWidget(m_boards);
    // Positions arrive with every move of every game: the boards are redrawn a few times a second.
    m_boardRefresh = new CoalescedRefresh(
        250, [this] { refreshBoards(); }, this);

    connect(m_showBoards, &QCheckBox::toggled, this, [this](bool shown) {
        m_match.setWatchingBoards(shown);
        m_boards->setVisible(shown);
        refreshBoards();
    });
    connect(&match, &automatch::FullSpeedMatch::statusChanged, this,
            &FullSpeedProgressView::refresh);
    connect(&match, &automatch::FullSpeedMatch::runningGamesChanged, m_boardRefresh,
            [this] { m_boardRefresh->request(); });
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &FullSpeedProgressView::refresh);
    refresh();
}

void FullSpeedProgressView::refresh() {
    const automatch::FullSpeedStatus& status = m_match.status();
    setVisible(status.summary.has_value() || status.running);
    m_progress->setRange(0, static_cast<int>(std::max<std::int64_t>(1, status.totalGames)));
    m_progress->setValue(static_cast<int>(std::min(status.finishedGames, status.totalGames)));
    QString pace = m_localization.text(QStringLiteral("full_speed_pace"))
                       .arg(status.finishedGames)
                       .arg(status.totalGames)
                       .arg(number(status.gamesPerMinute, 1));
    if (status.running && status.secondsLeft) {
        pace += QStringLiteral(" · ") + m_localization.text(QStringLiteral("full_speed_time_left"))
                                            .arg(duration(*status.secondsLeft));
    }
    m_pace->setText(pace);
    m_pace->setVisible(status.totalGames > 0);
    if (!status.summary) {
        for (QWidget* widget :
             std::initializer_list<QWidget*>{m_score, m_pairs, m_elo, m_llrBar, m_llr}) {
            widget->hide();
        }
    } else {
        const automatch::MatchSummary& summary = *status.summary;
        const automatch::MatchCounts& counts = summary.counts;
        m_score->setText(m_localization.text(QStringLiteral("full_speed_score"))
                             .arg(QString::fromStdString(summary.first.name))
                             .arg(counts.wins)
                             .arg(counts.losses)
                             .arg(counts.draws)
                             .arg(number(counts.points(), 1))
                             .arg(counts.games()));
        m_score->show();
        // The figures in the lines engine testers know from the command line, word for word.
        const QStringList lines =
            QString::fromStdString(automatch::summaryLines(summary)).split(QLatin1Char('\n'));
        const auto lineStarting = [&lines](const QString& start) {
            for (const QString& line : lines) {
                if (line.startsWith(start)) {
                    return line;
                }
            }
            return QString();
        };
        m_pairs->setText(lineStarting(QStringLiteral("Ptnml(0-2):")));
        m_pairs->setVisible(summary.pentanomial);
        m_elo->setText(lineStarting(QStringLiteral("Elo:")) + QLatin1Char('\n') +
                       lineStarting(QStringLiteral("LOS:")));
        m_elo->setVisible(counts.games() > 0);
        if (summary.sprt) {
            m_llrBar->setRatio(summary.sprt->llr(counts, summary.pentanomial),
                               summary.sprt->lowerBound(), summary.sprt->upperBound());
            m_llr->setText(lineStarting(QStringLiteral("LLR:")));
        }
        m_llrBar->setVisible(summary.sprt.has_value());
        m_llr->setVisible(summary.sprt.has_value());
    }

    QString end;
    if (status.timeLosses > 0) {
        end = m_localization.text(QStringLiteral("full_speed_time_losses")).arg(status.timeLosses) +
              QLatin1Char('\n');
    }
    if (status.end) {
        switch (*status.end) {
        case MatchEnd::Completed:
            end += m_localization.text(QStringLiteral("full_speed_end_completed"));
            break;
        case MatchEnd::SprtDecided: {
            const auto& summary = status.summary;
            // Games finished after the crossing may pull the ratio back inside the bounds; the
            // side it crossed on is still the side it is on.
            const bool h1 = summary && summary->sprt &&
                            summary->sprt->llr(summary->counts, summary->pentanomial) > 0;
            end += m_localization.text(QStringLiteral("full_speed_end_sprt"))
                       .arg(h1 ? QStringLiteral("H1") : QStringLiteral("H0"));
            break;
        }
        case MatchEnd::Interrupted:
            end += m_localization.text(QStringLiteral("full_speed_end_stopped"));
            break;
        case MatchEnd::EngineFailure:
        case MatchEnd::StateNotSaved:
            end += m_localization.text(QStringLiteral("full_speed_end_failed")).arg(status.failure);
            break;
        }
    }
    m_end->setText(end.trimmed());
    m_end->setVisible(!end.isEmpty());
    m_showBoards->setVisible(status.running);
    m_boards->setVisible(status.running && m_showBoards->isChecked());
}

void FullSpeedProgressView::refreshBoards() {
    while (auto item = std::unique_ptr<QLayoutItem>(m_boardGrid->takeAt(0))) {
        if (QWidget* board = item->widget()) {
            board->hide();
            board->deleteLater();
        }
    }
    if (!m_showBoards->isChecked()) {
        return;
    }
    int index = 0;
    for (const automatch::RunningGame& game : m_match.runningGames()) {
        m_boardGrid->addWidget(new PositionThumbnail(game, m_boards), index / 2, index % 2);
        ++index;
    }
}

} // namespace velkor::panel
