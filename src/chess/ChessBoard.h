#pragma once

#include "CastlingRights.h"
#include "GameEndReason.h"
#include "Move.h"
#include "MoveRecord.h"
#include "Piece.h"
#include "PieceColor.h"
#include "PieceId.h"
#include "Position.h"
#include "Square.h"
#include "StartingPosition.h"
#include "base/DomainError.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velkor {

// The men of each colour that are no longer on the board, pieces of one type together.
struct CapturedPieces {
    std::vector<Piece> white;
    std::vector<Piece> black;

    bool operator==(const CapturedPieces&) const = default;
};

// The complete state of one game: placement, side to move, castling rights, en-passant target,
// both move counters, the moves played since the last load and how often each position stood on
// the board. A plain value; look-ahead works on the compact Position only, so the cost of move
// generation, play and SAN does not grow with the length of the game.
class ChessBoard {
public:
    // The standard start position.
    ChessBoard();
    // The position of the FEN; throws DomainError("Brontil", 1..13, message) when it is invalid.
    explicit ChessBoard(std::string_view fen);

    // Replaces the whole position (and clears history and repetition counts). Throws
    // DomainError("Brontil", 1..13, message); on failure the board is unchanged.
    void load(std::string_view fen);

    // FEN of the current position.
    std::string fen() const;
    // Repetition key: the first four FEN fields, the en-passant square only when the side to move
    // can really take en passant.
    std::string positionHashKey() const;

    // The man on a square; none for an empty square or a square off the board.
    std::optional<Piece> operator[](Square square) const;
    std::optional<Piece> pieceAt(std::int64_t file, std::int64_t rank) const;
    // Writes one square as it is (no other field changes); throws std::out_of_range for a square
    // off the board.
    void setPiece(Square square, std::optional<Piece> piece);
    // All 64 entries in index order (a1 = 0, h8 = 63).
    std::array<std::optional<Piece>, 64> squares() const;

    PieceColor turn() const { return m_position.turn; }
    CastlingRights castlingRights() const { return m_position.castling; }
    std::optional<Square> enPassantTarget() const;
    std::int64_t halfmoveClock() const { return m_position.halfmoveClock; }
    std::int64_t fullmoveNumber() const { return m_position.fullmoveNumber; }
    // The moves played since the last load, oldest first.
    const std::vector<MoveRecord>& history() const { return m_history; }
    // FEN (as written back) of the position after the last load; replaying history from it
    // reproduces the current position.
    const std::string& initialFEN() const { return m_initialFEN; }
    // How many times each repetition key has stood on the board since the last load.
    const std::unordered_map<std::string, std::int64_t>& positionHistory() const {
        return m_positionHistory;
    }

    // Whether a man of colour `by` attacks the square (its own occupant does not matter).
    bool isSquareAttacked(Square square, PieceColor by) const;
    // The first square in index order holding a king of that colour.
    std::optional<Square> findKing(PieceColor color) const;
    // That colour's king is attacked; false when it has no king.
    bool isKingInCheck(PieceColor color) const;

    // The legal moves of the side to move: by origin square index, then per piece in the order
    // of its generator (pawn pushes, captures, en passant; knight jumps; lines; king steps,
    // castling kingside, queenside). Promotions come queen, rook, bishop, knight.
    std::vector<Move> generateLegalMoves() const;
    // The legal moves starting on one square, in the same order.
    std::vector<Move> legalMoves(Square from) const;

    // Plays a legal move and records it; false and no change for any other move.
    bool play(const Move& move);
    // Takes the last recorded move back exactly; false when there is none.
    bool undo();

    // The automatic end in the current position: mate, stalemate, 75-move rule, fivefold
    // repetition, insufficient material (in this order of precedence).
    std::optional<GameEndReason> gameEndReason() const;
    bool isGameOver() const { return gameEndReason().has_value(); }
    // A draw the side to move may claim: fiftyMoveRule or threefoldRepetition.
    std::optional<GameEndReason> claimableDrawReason() const;
    // Dead position: K v K, K + minor v K, or K + B v K + B with the bishops on one shade.
    bool hasInsufficientMaterial() const;
    // Whether the colour still has men that could ever mate (asked when its opponent's flag falls).
    bool canPossiblyCheckmate(PieceColor color) const;

    // Per colour, the men missing from the full set (promoted men never count below zero).
    CapturedPieces capturedPieces() const;
    // Per colour, its men taken by the moves of this board's history, pawns first as
    // capturedPieces lists them: what a game that began from a set-up position really captured.
    CapturedPieces capturedInGame() const;
    // White's material minus Black's (pawn 1, minor 3, rook 5, queen 9).
    std::int64_t materialScore() const;

    // SAN of the move in the current position; none when it is not legal.
    std::optional<std::string> san(const Move& move) const;
    // SAN of a move known to be legal, with the position's legal moves passed in (lets a caller
    // that already has them avoid generating them again per move).
    std::string standardAlgebraicNotation(const Move& move,
                                          const std::vector<Move>& legalMoves) const;

    // The compact position (placement and state without the game record) for look-ahead tools.
    const position::Position& compactPosition() const { return m_position; }

    // Compares all fields; pieces by type and colour (ids are ignored).
    bool operator==(const ChessBoard& other) const;

private:
    // The man a move removes, in the position before it (en passant: the pawn beside `to`).
    std::optional<Piece> capturedPieceFor(position::CompactMove move) const;
    // Carries the ids of the men a move displaces (the mover, a castling rook; a new id for a
    // promoted man) from the current placement into `ids`.
    void moveIds(std::array<PieceId, 64>& ids, position::CompactMove move) const;

    position::Position m_position;
    // Ids of the men on the board, beside the compact cells; entries of empty squares are unused.
    std::array<PieceId, 64> m_ids{};
    std::vector<MoveRecord> m_history;
    std::string m_initialFEN{standardStartingFEN};
    std::unordered_map<std::string, std::int64_t> m_positionHistory;
};

} // namespace velkor
