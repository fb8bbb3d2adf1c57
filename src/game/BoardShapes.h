#pragma once

#include "chess/Move.h"
#include "chess/PGNCommands.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velkor {

class GameManager;

// The arrows and circles a person draws on the board. Each set belongs to the position it was
// drawn on (by ply: 0 before the first move), so stepping through a game shows every position's
// own shapes. Taking moves back or starting another game drops the shapes of the positions that
// are gone; a game read from PGN brings its "[%cal ...]" / "[%csl ...]" comments along, and
// exportPGN() writes them back. Main thread.
class BoardShapes : public QObject {
    Q_OBJECT

public:
    explicit BoardShapes(GameManager& game, QObject* parent = nullptr);

    // The shapes of `game`, made on first use and owned by it, so the board and every saver of
    // the game see the same ones.
    static BoardShapes& of(GameManager& game);

    // The shapes of the position the board shows.
    std::vector<DrawnShape> shown() const { return atPly(shownPly()); }
    std::vector<DrawnShape> atPly(std::int64_t ply) const;

    // Draws `shape` on the shown position; the same shape again removes it, the same squares in
    // another colour change its colour.
    void toggle(const DrawnShape& shape);
    // Removes every shape of the shown position.
    void clearShown();

    // The game's PGN with every position's shapes in the comment of the move that led to it (the
    // start position's in the comment before the first move). Text that needs no change is
    // returned as the game wrote it.
    QString exportPGN() const;

signals:
    // The shapes of the shown position changed, or another position is shown.
    void shownChanged();

private:
    std::int64_t shownPly() const;
    // The board moved: shapes of positions no longer in the game go.
    void followBoard();
    // A game record was loaded (or the game replaced): its comments' shapes replace all others.
    void readRecord();

    GameManager& m_game;
    std::map<std::int64_t, std::vector<DrawnShape>> m_byPly;
    // The line the shapes were drawn along, to tell a move added from a line replaced.
    std::string m_initialFEN;
    std::vector<Move> m_line;
};

} // namespace velkor
