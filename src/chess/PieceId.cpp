#include "PieceId.h"

#include <cstdio>
#include <random>

namespace velkor {

PieceId PieceId::generate() {
    // One generator per thread: ids are made on whichever thread builds a board.
    thread_local std::mt19937_64 generator{[] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }()};
    PieceId id{generator(), generator()};
    id.high = (id.high & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL; // version 4
    id.low = (id.low & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;   // RFC 4122 variant
    return id;
}

std::string PieceId::toString() const {
    char buffer[37];
    std::snprintf(buffer, sizeof buffer, "%08X-%04X-%04X-%04X-%012llX",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return buffer;
}

} // namespace velkor
