#pragma once

#include <array>
#include <cstdint>

// Square tables for the compact position, built at compile time. Each list keeps the order of
// the direction tables it comes from, because that order fixes the order of generated moves.
namespace velkor::position::tables {

struct Delta {
    int file;
    int rank;
};

inline constexpr std::array<Delta, 8> knightJumps{
    {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, -1}, {2, 1}}};
inline constexpr std::array<Delta, 8> kingSteps{
    {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}}};
// Directions 0-3 are the bishop lines, 4-7 the rook lines; queen lines are all eight in order.
inline constexpr std::array<Delta, 8> lineDirections{
    {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}, {0, 1}, {0, -1}, {1, 0}, {-1, 0}}};
inline constexpr int firstBishopLine = 0;
inline constexpr int firstRookLine = 4;
inline constexpr int lineCount = 8;

constexpr bool isDiagonal(int direction) {
    return direction < firstRookLine;
}

// Squares a jump or step table reaches from one square, in table order.
struct Targets {
    std::uint8_t count = 0;
    std::array<std::uint8_t, 8> squares{};
};

// The squares of one line outward from a square, nearest first.
struct Ray {
    std::uint8_t length = 0;
    std::array<std::uint8_t, 7> squares{};
};

struct Tables {
    std::array<Targets, 64> knight{};
    std::array<Targets, 64> king{};
    std::array<std::array<Ray, lineCount>, 64> rays{};
    // The line direction leading from one square to another, or -1 when they share no line.
    std::array<std::array<std::int8_t, 64>, 64> directionBetween{};
};

constexpr bool onBoard(int file, int rank) {
    return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

constexpr Targets makeTargets(int square, const std::array<Delta, 8>& deltas) {
    Targets targets;
    for (const Delta delta : deltas) {
        const int file = square % 8 + delta.file;
        const int rank = square / 8 + delta.rank;
        if (onBoard(file, rank)) {
            targets.squares[targets.count++] = static_cast<std::uint8_t>(file + rank * 8);
        }
    }
    return targets;
}

constexpr Tables makeTables() {
    Tables tables;
    for (int square = 0; square < 64; ++square) {
        tables.knight[square] = makeTargets(square, knightJumps);
        tables.king[square] = makeTargets(square, kingSteps);
        for (int other = 0; other < 64; ++other) {
            tables.directionBetween[square][other] = -1;
        }
        for (int direction = 0; direction < lineCount; ++direction) {
            Ray& ray = tables.rays[square][direction];
            int file = square % 8 + lineDirections[direction].file;
            int rank = square / 8 + lineDirections[direction].rank;
            while (onBoard(file, rank)) {
                const int reached = file + rank * 8;
                ray.squares[ray.length++] = static_cast<std::uint8_t>(reached);
                tables.directionBetween[square][reached] = static_cast<std::int8_t>(direction);
                file += lineDirections[direction].file;
                rank += lineDirections[direction].rank;
            }
        }
    }
    return tables;
}

inline constexpr Tables squareTables = makeTables();

} // namespace velkor::position::tables
