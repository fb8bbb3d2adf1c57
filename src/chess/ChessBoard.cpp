#include "ChessBoard.h"

#include <stdexcept>

// Interface first so that callers can build against it; the rules follow.

namespace velkor {

ChessBoard::ChessBoard() = default;
ChessBoard::ChessBoard(std::string_view) {}
void ChessBoard::load(std::string_view) {}
std::string ChessBoard::fen() const {
    return std::string(standardStartingFEN);
}
std::string ChessBoard::positionHashKey() const {
    return {};
}
std::optional<Piece> ChessBoard::operator[](Square) const {
    return std::nullopt;
}
std::optional<Piece> ChessBoard::pieceAt(std::int64_t, std::int64_t) const {
    return std::nullopt;
}
void ChessBoard::setPiece(Square, std::optional<Piece>) {}
std::array<std::optional<Piece>, 64> ChessBoard::squares() const {
    return {};
}
std::optional<Square> ChessBoard::enPassantTarget() const {
    return std::nullopt;
}
bool ChessBoard::isSquareAttacked(Square, PieceColor) const {
    return false;
}
std::optional<Square> ChessBoard::findKing(PieceColor) const {
    return std::nullopt;
}
bool ChessBoard::isKingInCheck(PieceColor) const {
    return false;
}
std::vector<Move> ChessBoard::generateLegalMoves() const {
    return {};
}
std::vector<Move> ChessBoard::legalMoves(Square) const {
    return {};
}
bool ChessBoard::play(const Move&) {
    return false;
}
bool ChessBoard::undo() {
    return false;
}
std::optional<GameEndReason> ChessBoard::gameEndReason() const {
    return std::nullopt;
}
std::optional<GameEndReason> ChessBoard::claimableDrawReason() const {
    return std::nullopt;
}
bool ChessBoard::hasInsufficientMaterial() const {
    return false;
}
bool ChessBoard::canPossiblyCheckmate(PieceColor) const {
    return true;
}
CapturedPieces ChessBoard::capturedPieces() const {
    return {};
}
std::int64_t ChessBoard::materialScore() const {
    return 0;
}
std::optional<std::string> ChessBoard::san(const Move&) const {
    return std::nullopt;
}
std::string ChessBoard::standardAlgebraicNotation(const Move& move,
                                                  const std::vector<Move>&) const {
    return move.uciString();
}
bool ChessBoard::operator==(const ChessBoard&) const {
    return true;
}

} // namespace velkor
