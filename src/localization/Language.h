#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace velkor {

// The four interface languages. The order is the language menu's order and the index of the text
// tables' columns, so it must not change.
enum class Language : unsigned char { english, german, dutch, french };

inline constexpr std::array<Language, 4> allLanguages{Language::english, Language::german,
                                                      Language::dutch, Language::french};

constexpr std::size_t index(Language language) {
    return static_cast<std::size_t>(language);
}

// The raw value, also the stored value and the column name of the text table: "en", "de", "nl",
// "fr".
constexpr std::string_view id(Language language) {
    constexpr std::array<std::string_view, 4> ids{"en", "de", "nl", "fr"};
    return ids[index(language)];
}

// The language's own name, UTF-8: "English", "Deutsch", "Nederlands", "Français".
constexpr std::string_view displayName(Language language) {
    constexpr std::array<std::string_view, 4> names{"English", "Deutsch", "Nederlands",
                                                    "Fran\u00e7ais"};
    return names[index(language)];
}

// The country flag as two regional-indicator letters, UTF-8: GB, DE, NL, FR.
constexpr std::string_view flag(Language language) {
    constexpr std::array<std::string_view, 4> flags{"\U0001F1EC\U0001F1E7", "\U0001F1E9\U0001F1EA",
                                                    "\U0001F1F3\U0001F1F1", "\U0001F1EB\U0001F1F7"};
    return flags[index(language)];
}

// Accepts exactly the four raw values, case-sensitive; anything else gives no language.
constexpr std::optional<Language> languageFromRawValue(std::string_view raw) {
    for (const Language language : allLanguages) {
        if (id(language) == raw) {
            return language;
        }
    }
    return std::nullopt;
}

} // namespace velkor
