#pragma once

#include "chess/PieceColor.h"

#include <QWidget>

namespace velkor {

class AutomatchManager;
class BoardView;
class EngineManager;
class EvaluationBarView;
class GameManager;
class LocalizationManager;
class PlayerBannerView;

// The main window's content, left to right: the board column (the banner of the player at the
// top, the evaluation bar and the board, the banner of the player at the bottom), a divider and
// the control panel. White's banner is at the bottom unless the board is flipped.
class MainView : public QWidget {
    Q_OBJECT

public:
    // The panel's fixed width; the board column takes the rest.
    static constexpr int panelWidth = 400;

    MainView(GameManager& game, EngineManager& engines, AutomatchManager& automatch,
             LocalizationManager& localization, QWidget* parent = nullptr);

    BoardView& boardView() const { return *m_board; }
    EvaluationBarView& evaluationBar() const { return *m_evaluationBar; }
    PlayerBannerView& topBanner() const { return *m_topBanner; }
    PlayerBannerView& bottomBanner() const { return *m_bottomBanner; }
    QWidget& panel() const { return *m_panel; }

private:
    void refreshBanners();
    void refreshClocks();
    void refreshEvaluationBar();

    GameManager& m_game;
    LocalizationManager& m_localization;
    PlayerBannerView* m_topBanner;
    PlayerBannerView* m_bottomBanner;
    EvaluationBarView* m_evaluationBar;
    BoardView* m_board;
    QWidget* m_panel = nullptr;
};

} // namespace velkor
