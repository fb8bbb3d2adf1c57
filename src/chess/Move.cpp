#include "Move.h"

#include "TextUtil.h"

namespace velkor {

std::string Move::uciString() const {
    std::string text = from.algebraic() + to.algebraic();
    if (promotion) {
        text += rawValue(*promotion);
    }
    return text;
}

std::optional<Move> Move::fromUci(std::string_view text) {
    const std::string lower = text::lowercased(text::trimmed(text));
    if (lower.size() != 4 && lower.size() != 5) {
        return std::nullopt;
    }
    const std::optional<Square> origin = Square::parse(std::string_view(lower).substr(0, 2));
    const std::optional<Square> destination = Square::parse(std::string_view(lower).substr(2, 2));
    if (!origin || !destination) {
        return std::nullopt;
    }
    std::optional<PieceType> promotion;
    if (lower.size() == 5) {
        promotion = pieceTypeFromRawValue(lower[4]);
    }
    return Move(*origin, *destination, promotion);
}

} // namespace velkor
