#pragma once

#include "chess/ChessBoard.h"
#include "chess/Square.h"

#include <QObject>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace velkor {

// The analysis board: moves tried from a shown position without touching the game record. While
// it is active the board and the analysis show its position; leaving it returns to the game.
// Clicks pick a man of the side to move and then its destination (a pawn reaching the last rank
// becomes a queen). Main thread.
class AnalysisVariation : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool isActive() const { return m_board.has_value(); }
    // The position on the analysis board, with the moves from the game's start.
    const std::optional<ChessBoard>& board() const { return m_board; }
    std::optional<Square> selectedSquare() const { return m_selected; }
    // The moves played on the analysis board since it was entered, in SAN.
    const std::vector<std::string>& playedSan() const { return m_playedSan; }

    // Starts from `base` and plays the first `plies` moves of `pv` (UCI texts); the moves stop
    // at the first one that does not fit.
    void enter(const ChessBoard& base, const std::vector<std::string>& pv, std::size_t plies);
    // A click on a square of the analysis board; ignored while it is not active.
    void clickSquare(Square square);
    // Back to the game.
    void leave();

signals:
    void boardChanged(const std::optional<velkor::ChessBoard>& board);
    void selectedSquareChanged(std::optional<velkor::Square> square);

private:
    bool play(const Move& move);
    void setSelected(std::optional<Square> square);

    std::optional<ChessBoard> m_board;
    std::optional<Square> m_selected;
    std::vector<std::string> m_playedSan;
};

} // namespace velkor
