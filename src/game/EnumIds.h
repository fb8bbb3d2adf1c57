#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <optional>

namespace velkor::detail {

// The case of `cases` whose id(case) is exactly `text`; none when no case has it.
template <typename Enum, std::size_t count>
std::optional<Enum> caseWithId(const std::array<Enum, count>& cases, const QString& text) {
    for (const Enum candidate : cases) {
        if (id(candidate) == text) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace velkor::detail
