#include "AnalysisVariation.h"

#include "chess/Move.h"
#include "platform/Published.h"

#include <algorithm>

namespace velkor {

void AnalysisVariation::enter(const ChessBoard& base, const std::vector<std::string>& pv,
                              std::size_t plies) {
    m_board = base;
    m_playedSan.clear();
    for (std::size_t index = 0; index < pv.size() && index < plies; ++index) {
        const std::optional<Move> move = Move::fromUci(pv[index]);
        if (!move || !play(*move)) {
            break;
        }
    }
    setSelected(std::nullopt);
    emit boardChanged(m_board);
}

void AnalysisVariation::clickSquare(Square square) {
    if (!m_board) {
        return;
    }
    if (m_selected) {
        const std::vector<Move> moves = m_board->legalMoves(*m_selected);
        // A promotion is offered once per piece; the queen is the choice nearly always wanted.
        auto chosen = std::find_if(moves.begin(), moves.end(), [square](const Move& move) {
            return move.to == square && (!move.promotion || move.promotion == PieceType::queen);
        });
        if (chosen != moves.end()) {
            const Move move = *chosen;
            setSelected(std::nullopt);
            if (play(move)) {
                emit boardChanged(m_board);
            }
            return;
        }
    }
    const std::optional<Piece> piece = (*m_board)[square];
    setSelected(piece && piece->color == m_board->turn() && square != m_selected
                    ? std::optional(square)
                    : std::nullopt);
}

void AnalysisVariation::leave() {
    if (m_board) {
        m_board.reset();
        m_playedSan.clear();
        setSelected(std::nullopt);
        emit boardChanged(m_board);
    }
}

bool AnalysisVariation::play(const Move& move) {
    const std::optional<std::string> san = m_board->san(move);
    if (!san || !m_board->play(move)) {
        return false;
    }
    m_playedSan.push_back(*san);
    return true;
}

void AnalysisVariation::setSelected(std::optional<Square> square) {
    platform::publish(this, m_selected, square, &AnalysisVariation::selectedSquareChanged);
}

} // namespace velkor
