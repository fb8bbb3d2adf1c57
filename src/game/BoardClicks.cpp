#include "BoardClicks.h"

#include <utility>

namespace velkor {

namespace {

bool isOnBoard(Square square) {
    return square.file >= 0 && square.file < 8 && square.rank >= 0 && square.rank < 8;
}

bool isOwnPiece(const ChessBoard& board, Square square) {
    const std::optional<Piece> piece = board[square];
    return piece && piece->color == board.turn();
}

} // namespace

std::optional<Move> BoardClicks::click(const ChessBoard& board, Square square) {
    if (!isOnBoard(square)) {
        return std::nullopt;
    }
    if (!m_selectedSquare) {
        if (isOwnPiece(board, square)) {
            select(board, square);
        }
        return std::nullopt;
    }
    const Square selected = *m_selectedSquare;
    if (square == selected) {
        clearSelection();
        return std::nullopt;
    }
    std::vector<Move> candidates;
    for (const Move& move : board.legalMoves(selected)) {
        if (move.to == square) {
            candidates.push_back(move);
        }
    }
    if (candidates.size() == 1 && !candidates.front().promotion) {
        return candidates.front();
    }
    if (!candidates.empty()) {
        m_pendingPromotion = PendingPromotion{selected, square};
    } else if (isOwnPiece(board, square)) {
        select(board, square);
    } else {
        clearSelection();
    }
    return std::nullopt;
}

std::optional<Move> BoardClicks::press(const ChessBoard& board, Square square) {
    m_grab.reset();
    if (m_selectedSquare && *m_selectedSquare == square) {
        m_grab = Grab{square, true};
        return std::nullopt;
    }
    std::optional<Move> move = click(board, square);
    if (!move && !m_pendingPromotion && m_selectedSquare == square) {
        m_grab = Grab{square, false};
    }
    return move;
}

std::optional<Move> BoardClicks::release(const ChessBoard& board, std::optional<Square> square) {
    const std::optional<Grab> grab = std::exchange(m_grab, std::nullopt);
    // Nothing was grabbed, or the selection changed under the held button.
    if (!grab || m_selectedSquare != grab->square || !square || !isOnBoard(*square)) {
        return std::nullopt;
    }
    if (*square == grab->square) {
        if (grab->wasSelected) {
            clearSelection();
        }
        return std::nullopt;
    }
    for (const Square destination : m_legalDestinations) {
        if (destination == *square) {
            return click(board, *square);
        }
    }
    return std::nullopt;
}

std::optional<Move> BoardClicks::promotionMove(PieceType pieceType) const {
    if (!m_pendingPromotion) {
        return std::nullopt;
    }
    return Move(m_pendingPromotion->from, m_pendingPromotion->to, pieceType);
}

void BoardClicks::clearSelection() {
    m_grab.reset();
    m_selectedSquare.reset();
    m_legalDestinations.clear();
}

void BoardClicks::clear() {
    clearPromotion();
    clearSelection();
}

void BoardClicks::select(const ChessBoard& board, Square square) {
    std::vector<Square> destinations;
    for (const Move& move : board.legalMoves(square)) {
        destinations.push_back(move.to);
    }
    m_selectedSquare = square;
    m_legalDestinations = std::move(destinations);
}

} // namespace velkor
