#include "SetupPosition.h"

#include "StartingPosition.h"
#include "base/DomainError.h"

#include <algorithm>

namespace velkor {

namespace {

// The cell index of a square on the board; none for coordinates off it, which an editor may
// pass for a point outside the board.
std::optional<std::size_t> cellOf(Square square) {
    if (square.file < 0 || square.file > 7 || square.rank < 0 || square.rank > 7) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(square.index());
}

} // namespace

SetupPosition::SetupPosition() : m_position(position::positionFromFen(standardStartingFEN)) {}

SetupPosition SetupPosition::fromFen(std::string_view fen) {
    SetupPosition result;
    result.m_position = position::readFenFields(fen);
    return result;
}

std::optional<SetupMan> SetupPosition::manAt(Square square) const {
    const std::optional<std::size_t> index = cellOf(square);
    if (!index) {
        return std::nullopt;
    }
    const position::Cell cell = m_position.cells[*index];
    if (cell == position::emptyCell) {
        return std::nullopt;
    }
    return SetupMan{position::cellType(cell), position::cellColor(cell)};
}

void SetupPosition::put(Square square, SetupMan man) {
    if (const std::optional<std::size_t> index = cellOf(square)) {
        m_position.cells[*index] = position::makeCell(man.type, man.color);
    }
}

void SetupPosition::remove(Square square) {
    if (const std::optional<std::size_t> index = cellOf(square)) {
        m_position.cells[*index] = position::emptyCell;
    }
}

void SetupPosition::move(Square from, Square to) {
    const std::optional<std::size_t> source = cellOf(from);
    const std::optional<std::size_t> target = cellOf(to);
    if (!source || !target || source == target ||
        m_position.cells[*source] == position::emptyCell) {
        return;
    }
    m_position.cells[*target] = m_position.cells[*source];
    m_position.cells[*source] = position::emptyCell;
}

void SetupPosition::clear() {
    m_position.cells.fill(position::emptyCell);
    m_position.castling = CastlingRights::none();
    m_position.enPassant = -1;
}

void SetupPosition::reset() {
    *this = SetupPosition();
}

void SetupPosition::setTurn(PieceColor turn) {
    if (turn != m_position.turn) {
        m_position.turn = turn;
        m_position.enPassant = -1;
    }
}

std::optional<int> SetupPosition::enPassantFile() const {
    if (m_position.enPassant < 0) {
        return std::nullopt;
    }
    return m_position.enPassant % 8;
}

std::optional<Square> SetupPosition::enPassantSquare() const {
    if (m_position.enPassant < 0) {
        return std::nullopt;
    }
    return Square(m_position.enPassant % 8, m_position.enPassant / 8);
}

void SetupPosition::setEnPassantFile(std::optional<int> file) {
    if (!file || *file < 0 || *file > 7) {
        m_position.enPassant = -1;
        return;
    }
    const int rank = m_position.turn == PieceColor::white ? 5 : 2;
    m_position.enPassant = static_cast<std::int8_t>(rank * 8 + *file);
}

void SetupPosition::setHalfmoveClock(std::int64_t clock) {
    m_position.halfmoveClock = std::max<std::int64_t>(clock, 0);
}

void SetupPosition::setFullmoveNumber(std::int64_t number) {
    m_position.fullmoveNumber = std::max<std::int64_t>(number, 1);
}

std::string SetupPosition::fen() const {
    return position::fen(m_position);
}

std::optional<SetupProblem> SetupPosition::problem() const {
    try {
        // Through the text, as every other reader of this position will take it.
        position::positionFromFen(fen());
        return std::nullopt;
    } catch (const DomainError& error) {
        SetupProblem problem{error.code(), error.message(), std::nullopt};
        if (error.code() == 13) {
            problem.unreachable = position::whyUnreachable(m_position);
        }
        return problem;
    }
}

} // namespace velkor
