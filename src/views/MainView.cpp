#include "MainView.h"

#include "BoardGeometry.h"
#include "BoardView.h"
#include "EvaluationBarView.h"
#include "GameNavigationBar.h"
#include "PlayerBannerView.h"
#include "PlayerInfo.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "panel/RightPanelView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velkor {
namespace {

// The evaluation bar and the board as one piece: the bar as tall as the board and right beside
// it, the pair centred in the space the column gives them, however wide or tall that is.
class BoardRow : public QWidget {
public:
    static constexpr int spacing = 8;

    BoardRow(EvaluationBarView* bar, BoardView* board, QWidget* parent)
        : QWidget(parent), m_bar(bar), m_board(board) {
        bar->setParent(this);
        board->setParent(this);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    QSize sizeHint() const override {
        const QSize board = m_board->sizeHint();
        return {barWidth() + spacing + board.width(), board.height()};
    }
    QSize minimumSizeHint() const override {
        const QSize board = m_board->minimumSizeHint();
        return {barWidth() + spacing + board.width(), board.height()};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        const int bar = barWidth();
        const int side = static_cast<int>(std::ceil(
            crispBoardSide(std::max(0, width() - bar - spacing), height(), devicePixelRatioF())));
        const int left = std::max(0, (width() - (bar + spacing + side)) / 2);
        const int top = std::max(0, (height() - side) / 2);
        m_bar->setGeometry(left, top, bar, side);
        m_board->setGeometry(left + bar + spacing, top, side, side);
    }

private:
    int barWidth() const { return m_bar->sizeHint().width(); }

    EvaluationBarView* m_bar;
    BoardView* m_board;
};

} // namespace

MainView::MainView(GameManager& game, EngineManager& engines, AutomatchManager& automatch,
                   LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_game(game), m_localization(localization),
      m_topBanner(new PlayerBannerView(this)), m_bottomBanner(new PlayerBannerView(this)),
      m_evaluationBar(new EvaluationBarView(this)),
      m_board(new BoardView(game, localization, this)) {
    m_board->setObjectName(QStringLiteral("board"));
    auto* boardRow = new BoardRow(m_evaluationBar, m_board, this);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(12, 8, 12, 8);
    column->setSpacing(6);
    column->addWidget(m_topBanner);
    column->addWidget(boardRow, 1);
    column->addWidget(m_bottomBanner);
    column->addWidget(new GameNavigationBar(game, localization, this));

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);

    // The window appears with the first tab; the others are built just after.
    m_panel = new RightPanelView(game, engines, automatch, localization, this,
                                 RightPanelView::TabBuilding::hiddenAfterFirstPaint);
    m_panel->setFixedWidth(panelWidth);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(column, 1);
    layout->addWidget(divider);
    layout->addWidget(m_panel);

    const auto banners = [this] { refreshBanners(); };
    connect(&game, &GameManager::boardChanged, this, banners);
    connect(&game, &GameManager::gameRecordChanged, this, banners);
    connect(&game, &GameManager::inspectingMoveIndexChanged, this, banners);
    connect(&game, &GameManager::isFlippedChanged, this, [this] {
        refreshBanners();
        refreshEvaluationBar();
    });
    // Names and strengths come with the game on the board, never from the next game's settings.
    connect(&game, &GameManager::shownGameChanged, this, banners);
    connect(&game, &GameManager::isGameOverChanged, this, banners);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, banners);
    const ChessClock& clock = game.clock();
    connect(&clock, &ChessClock::whiteRemainingMsChanged, this, &MainView::refreshClocks);
    connect(&clock, &ChessClock::blackRemainingMsChanged, this, &MainView::refreshClocks);
    connect(&game, &GameManager::shownScoreChanged, this, &MainView::refreshEvaluationBar);
    refreshBanners();
    refreshEvaluationBar();
    // The window opens with the keys on the board, so the arrows step through the game at once.
    m_board->setFocus();
}

void MainView::refreshBanners() {
    const ChessBoard displayed = m_game.displayedBoard();
    // What this game took, not every man missing from a set-up position.
    const CapturedPieces captured = displayed.capturedInGame();
    const std::int64_t whiteLead = displayed.materialScore();
    const auto bannerFor = [&](PieceColor color) {
        const PlayerInfo player = playerInfo(m_game, color, m_localization);
        PlayerBanner banner;
        banner.color = color;
        banner.name = player.name;
        banner.isEngine = player.isEngine;
        banner.isActiveTurn = !m_game.isGameOver() && m_game.board().turn() == color;
        banner.timeString = m_game.clock().formattedTime(color);
        // CapturedPieces lists each colour's missing men: White's taken men are Black's trophies.
        banner.capturedPieces = color == PieceColor::white ? captured.black : captured.white;
        banner.materialAdvantage = color == PieceColor::white ? whiteLead : -whiteLead;
        return banner;
    };
    const bool flipped = m_game.isFlipped();
    m_topBanner->setBanner(bannerFor(flipped ? PieceColor::white : PieceColor::black));
    m_bottomBanner->setBanner(bannerFor(flipped ? PieceColor::black : PieceColor::white));
}

void MainView::refreshClocks() {
    for (PlayerBannerView* view : {m_topBanner, m_bottomBanner}) {
        PlayerBanner banner = view->banner();
        banner.timeString = m_game.clock().formattedTime(banner.color);
        view->setBanner(banner);
    }
}

void MainView::refreshEvaluationBar() {
    m_evaluationBar->setScore(m_game.shownScore());
    m_evaluationBar->setFlipped(m_game.isFlipped());
}

} // namespace velkor
