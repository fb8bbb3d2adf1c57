#pragma once

#include <QWidget>

namespace velkor {

class AnalysisEngine;
class AnalysisVariation;
class BoardView;
class GameManager;

// A transparent layer over the board: the first move of each analysis line as an arrow (the best
// line's boldest, the others thinner and paler by how much worse they are), and, while the
// analysis board is active, its position in place of the game's, taking the clicks that play
// moves on it. Otherwise the mouse passes through to the board. It covers its board and follows
// its size.
class AnalysisArrowsOverlay : public QWidget {
    Q_OBJECT

public:
    AnalysisArrowsOverlay(BoardView& board, GameManager& game, AnalysisEngine& engine,
                          AnalysisVariation& variation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintVariationBoard(QPainter& painter, double side, bool flipped) const;
    void paintArrows(QPainter& painter, double side, bool flipped) const;
    void followVariation();

    BoardView& m_board;
    GameManager& m_game;
    AnalysisEngine& m_engine;
    AnalysisVariation& m_variation;
};

} // namespace velkor
