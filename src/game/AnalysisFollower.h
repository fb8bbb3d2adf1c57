#pragma once

#include "chess/ChessBoard.h"

#include <QObject>

namespace velkor {

class AnalysisEngine;
class AnalysisVariation;
class GameManager;

// Keeps the analysis on the position the board shows: the live game, an earlier position while
// stepping through it, a loaded or replayed game, or the analysis board while it is active.
// Another game on the board closes the analysis board. A game between two engines (a series's
// games too) turns the analysis off when it begins, so the playing engines keep the processor;
// a person may turn it on again. Main thread; all three must outlive it.
class AnalysisFollower : public QObject {
    Q_OBJECT

public:
    AnalysisFollower(GameManager& game, AnalysisEngine& engine, AnalysisVariation& variation,
                     QObject* parent = nullptr);

    // Tells the engine the shown position now.
    void refresh();

private:
    // A board that is not the game followed so far plus new moves (a new, loaded or replayed
    // game, an undo) closes the analysis board, whose moves came from the game before.
    void noteGameBoard(const ChessBoard& board);

    GameManager& m_game;
    AnalysisEngine& m_engine;
    AnalysisVariation& m_variation;
    ChessBoard m_gameBoard;
};

} // namespace velkor
