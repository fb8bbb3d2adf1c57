#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace velkor {

// A random 128-bit identity (a version-4 UUID) that lets views follow one man from square to
// square. The chess core keeps its own type so that it needs nothing beyond the standard library.
struct PieceId {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    // A fresh random identity.
    static PieceId generate();

    // Upper-case 36-character UUID text.
    std::string toString() const;

    constexpr bool operator==(const PieceId&) const = default;
};

} // namespace velkor

template <>
struct std::hash<velkor::PieceId> {
    std::size_t operator()(const velkor::PieceId& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.high ^ (id.low * 0x9E3779B97F4A7C15ULL));
    }
};
