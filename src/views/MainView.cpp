#include "MainView.h"

#include "BoardView.h"
#include "EvaluationBarView.h"
#include "PlayerBannerView.h"
#include "PlayerInfo.h"
#include "game/GameManager.h"
#include "panel/RightPanelView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velkor {

MainView::MainView(GameManager& game, EngineManager& engines, AutomatchManager& automatch,
                   LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_game(game), m_topBanner(new PlayerBannerView(this)),
      m_bottomBanner(new PlayerBannerView(this)), m_evaluationBar(new EvaluationBarView(this)),
      m_board(new BoardView(game, localization, this)) {
    m_board->setObjectName(QStringLiteral("board"));
    auto* boardRow = new QHBoxLayout;
    boardRow->setSpacing(8);
    boardRow->addWidget(m_evaluationBar);
    boardRow->addWidget(m_board, 1);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(12, 8, 12, 8);
    column->setSpacing(6);
    column->addWidget(m_topBanner);
    column->addLayout(boardRow, 1);
    column->addWidget(m_bottomBanner);

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
    connect(&game, &GameManager::gameTagsChanged, this, banners);
    connect(&game, &GameManager::inspectingMoveIndexChanged, this, banners);
    connect(&game, &GameManager::isFlippedChanged, this, [this] {
        refreshBanners();
        refreshEvaluationBar();
    });
    connect(&game, &GameManager::gameModeChanged, this, banners);
    connect(&game, &GameManager::humanColorChanged, this, banners);
    connect(&game, &GameManager::whiteEngineProcessChanged, this, banners);
    connect(&game, &GameManager::blackEngineProcessChanged, this, banners);
    connect(&game, &GameManager::isGameOverChanged, this, banners);
    const ChessClock& clock = game.clock();
    connect(&clock, &ChessClock::whiteRemainingMsChanged, this, &MainView::refreshClocks);
    connect(&clock, &ChessClock::blackRemainingMsChanged, this, &MainView::refreshClocks);
    connect(&game, &GameManager::liveEvaluationChanged, this, [this] {
        m_evaluationTurn = m_game.board().turn();
        refreshEvaluationBar();
    });
    refreshBanners();
    refreshEvaluationBar();
}

void MainView::refreshBanners() {
    const ChessBoard displayed = m_game.displayedBoard();
    const CapturedPieces captured = displayed.capturedPieces();
    const std::int64_t whiteLead = displayed.materialScore();
    const auto bannerFor = [&](PieceColor color) {
        const PlayerInfo player = playerInfo(m_game, color);
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
    m_evaluationBar->setEvaluation(m_game.liveEvaluation(), m_evaluationTurn);
    m_evaluationBar->setFlipped(m_game.isFlipped());
}

} // namespace velkor
