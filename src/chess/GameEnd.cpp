#include "ChessBoard.h"

#include <algorithm>

namespace velkor {

using position::Cell;
using position::cellColor;
using position::cellType;
using position::emptyCell;

namespace {

// Men on the board per colour and type (kings included).
struct MaterialCount {
    std::array<std::array<int, 6>, 2> count{};
    int total = 0;

    int of(PieceColor color, PieceType type) const {
        return count[static_cast<std::size_t>(color)][static_cast<std::size_t>(type)];
    }
    int minors(PieceColor color) const {
        return of(color, PieceType::knight) + of(color, PieceType::bishop);
    }
    int nonKingMen(PieceColor color) const { return menOf(color) - of(color, PieceType::king); }
    int menOf(PieceColor color) const {
        int sum = 0;
        for (const int value : count[static_cast<std::size_t>(color)]) {
            sum += value;
        }
        return sum;
    }
};

MaterialCount countMaterial(const position::Position& position) {
    MaterialCount material;
    for (const Cell cell : position.cells) {
        if (cell != emptyCell) {
            ++material.count[static_cast<std::size_t>(cellColor(cell))]
                            [static_cast<std::size_t>(cellType(cell))];
            ++material.total;
        }
    }
    return material;
}

} // namespace

std::optional<GameEndReason> ChessBoard::gameEndReason() const {
    const PieceColor mover = m_position.turn;
    if (!position::hasLegalMove(m_position)) {
        if (position::isKingInCheck(m_position, mover)) {
            return GameEndReason::checkmate(opponent(mover));
        }
        return GameEndReason::stalemate();
    }
    if (m_position.halfmoveClock >= 150) {
        return GameEndReason::seventyFiveMoveRule();
    }
    const auto count = m_positionHistory.find(positionHashKey());
    if (count != m_positionHistory.end() && count->second >= 5) {
        return GameEndReason::fivefoldRepetition();
    }
    if (hasInsufficientMaterial()) {
        return GameEndReason::insufficientMaterial();
    }
    return std::nullopt;
}

std::optional<GameEndReason> ChessBoard::claimableDrawReason() const {
    if (m_position.halfmoveClock >= 100) {
        return GameEndReason::fiftyMoveRule();
    }
    const auto count = m_positionHistory.find(positionHashKey());
    if (count != m_positionHistory.end() && count->second >= 3) {
        return GameEndReason::threefoldRepetition();
    }
    return std::nullopt;
}

bool ChessBoard::hasInsufficientMaterial() const {
    const MaterialCount material = countMaterial(m_position);
    if (material.total == 2) {
        return true;
    }
    const int minors = material.minors(PieceColor::white) + material.minors(PieceColor::black);
    if (material.total == 3 && minors == 1) {
        return true;
    }
    const int whiteBishops = material.of(PieceColor::white, PieceType::bishop);
    const int blackBishops = material.of(PieceColor::black, PieceType::bishop);
    if (material.total == 4 && whiteBishops == 1 && blackBishops == 1) {
        int shades[2] = {0, 0};
        for (int square = 0; square < 64; ++square) {
            const Cell cell = m_position.cells[square];
            if (cell != emptyCell && cellType(cell) == PieceType::bishop) {
                ++shades[(square % 8 + square / 8) % 2];
            }
        }
        return shades[0] == 2 || shades[1] == 2;
    }
    return false;
}

bool ChessBoard::canPossiblyCheckmate(PieceColor color) const {
    const MaterialCount material = countMaterial(m_position);
    if (material.of(color, PieceType::queen) > 0 || material.of(color, PieceType::rook) > 0 ||
        material.of(color, PieceType::pawn) > 0) {
        return true;
    }
    const int minors = material.minors(color);
    if (minors > 1) {
        return true;
    }
    if (minors == 0) {
        return false;
    }
    return material.nonKingMen(opponent(color)) > 0;
}

CapturedPieces ChessBoard::capturedPieces() const {
    static constexpr std::array<int, 5> fullSet{8, 2, 2, 2, 1};
    std::array<std::array<int, 5>, 2> missing{fullSet, fullSet};
    for (const Cell cell : m_position.cells) {
        if (cell == emptyCell || cellType(cell) == PieceType::king) {
            continue;
        }
        int& count = missing[static_cast<std::size_t>(cellColor(cell))]
                            [static_cast<std::size_t>(cellType(cell))];
        if (count > 0) {
            --count;
        }
    }
    CapturedPieces captured;
    for (const PieceColor color : allPieceColors) {
        std::vector<Piece>& list = color == PieceColor::white ? captured.white : captured.black;
        for (std::size_t type = 0; type < fullSet.size(); ++type) {
            for (int i = 0; i < missing[static_cast<std::size_t>(color)][type]; ++i) {
                list.emplace_back(static_cast<PieceType>(type), color);
            }
        }
    }
    return captured;
}

CapturedPieces ChessBoard::capturedInGame() const {
    CapturedPieces captured;
    for (const MoveRecord& record : m_history) {
        if (const std::optional<Piece> piece = record.capturedPiece) {
            (piece->color == PieceColor::white ? captured.white : captured.black).push_back(*piece);
        }
    }
    for (std::vector<Piece>* list : {&captured.white, &captured.black}) {
        std::stable_sort(list->begin(), list->end(),
                         [](const Piece& a, const Piece& b) { return a.type < b.type; });
    }
    return captured;
}

std::int64_t ChessBoard::materialScore() const {
    std::int64_t score = 0;
    for (const Cell cell : m_position.cells) {
        if (cell != emptyCell) {
            const int worth = value(cellType(cell));
            score += cellColor(cell) == PieceColor::white ? worth : -worth;
        }
    }
    return score;
}

} // namespace velkor
