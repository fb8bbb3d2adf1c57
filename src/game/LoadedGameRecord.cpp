#include "LoadedGameRecord.h"

namespace velkor {

std::optional<QString> LoadedGameRecord::tag(std::string_view name) const {
    for (const auto& [tagName, value] : tags) {
        if (tagName == name) {
            return QString::fromStdString(value);
        }
    }
    return std::nullopt;
}

} // namespace velkor
