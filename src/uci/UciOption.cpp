#include "UciOption.h"

#include "UciProtocol.h"
#include "UciText.h"
#include "chess/TextUtil.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace velkor::uci {

namespace {

constexpr std::string_view optionPrefix = "option name ";
constexpr std::string_view typeMarker = " type ";
constexpr std::string_view emptyText = "<empty>";

// The blank-separated words of `text`, runs of blanks counting as one.
std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    for (const std::string_view token : splitAtBlanks(text)) {
        if (!token.empty()) {
            result.push_back(token);
        }
    }
    return result;
}

std::string joined(const std::vector<std::string_view>& parts) {
    std::string result;
    for (const std::string_view part : parts) {
        if (!result.empty()) {
            result += ' ';
        }
        result += part;
    }
    return result;
}

std::optional<UciOption::Type> typeNamed(std::string_view word) {
    if (word == "check") {
        return UciOption::Type::check;
    }
    if (word == "spin") {
        return UciOption::Type::spin;
    }
    if (word == "combo") {
        return UciOption::Type::combo;
    }
    if (word == "button") {
        return UciOption::Type::button;
    }
    if (word == "string") {
        return UciOption::Type::string;
    }
    return std::nullopt;
}

// The words after the type, gathered per keyword; each value runs up to the next keyword.
struct Fields {
    std::optional<std::string> defaultValue;
    std::optional<std::string> min;
    std::optional<std::string> max;
    std::vector<std::string> vars;
};

std::optional<Fields> readFields(const std::vector<std::string_view>& tail) {
    Fields fields;
    std::size_t i = 0;
    while (i < tail.size()) {
        const std::string_view keyword = tail[i];
        std::optional<std::string>* single = nullptr;
        if (keyword == "default") {
            single = &fields.defaultValue;
        } else if (keyword == "min") {
            single = &fields.min;
        } else if (keyword == "max") {
            single = &fields.max;
        } else if (keyword != "var") {
            return std::nullopt;
        }
        std::size_t end = i + 1;
        while (end < tail.size() && tail[end] != "default" && tail[end] != "min" &&
               tail[end] != "max" && tail[end] != "var") {
            ++end;
        }
        std::string value = joined({tail.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                    tail.begin() + static_cast<std::ptrdiff_t>(end)});
        if (value == emptyText) {
            value.clear();
        }
        if (single == nullptr) {
            fields.vars.push_back(std::move(value));
        } else if (single->has_value()) {
            return std::nullopt;
        } else {
            *single = std::move(value);
        }
        i = end;
    }
    return fields;
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

} // namespace

std::optional<UciOption> parseOptionLine(std::string_view line) {
    if (!line.starts_with(optionPrefix)) {
        return std::nullopt;
    }
    const std::string_view rest = line.substr(optionPrefix.size());
    const std::size_t typeAt = rest.find(typeMarker);
    if (typeAt == std::string_view::npos) {
        return std::nullopt;
    }
    UciOption option;
    option.name = std::string(text::trimmed(rest.substr(0, typeAt)));
    const auto tail = words(rest.substr(typeAt + typeMarker.size()));
    if (option.name.empty() || tail.empty()) {
        return std::nullopt;
    }
    const auto type = typeNamed(tail.front());
    auto fields = readFields({tail.begin() + 1, tail.end()});
    if (!type || !fields) {
        return std::nullopt;
    }
    option.type = *type;

    switch (option.type) {
    case UciOption::Type::check: {
        const std::string value = text::lowercased(fields->defaultValue.value_or(std::string()));
        if (value != "true" && value != "false") {
            return std::nullopt;
        }
        option.defaultValue = value;
        break;
    }
    case UciOption::Type::spin: {
        const auto value = parseInteger(fields->defaultValue.value_or(std::string()));
        const auto min = parseInteger(fields->min.value_or(std::string()));
        const auto max = parseInteger(fields->max.value_or(std::string()));
        if (!value || !min || !max || *min > *max || *value < *min || *value > *max) {
            return std::nullopt;
        }
        option.defaultValue = std::to_string(*value);
        option.min = *min;
        option.max = *max;
        break;
    }
    case UciOption::Type::combo: {
        option.choices = std::move(fields->vars);
        if (!fields->defaultValue) {
            return std::nullopt;
        }
        const auto choice =
            std::find_if(option.choices.begin(), option.choices.end(), [&](const std::string& c) {
                return sameOptionName(c, *fields->defaultValue);
            });
        if (choice == option.choices.end()) {
            return std::nullopt;
        }
        option.defaultValue = *choice;
        break;
    }
    case UciOption::Type::button:
        break;
    case UciOption::Type::string:
        option.defaultValue = fields->defaultValue.value_or(std::string());
        break;
    }
    return option;
}

bool sameOptionName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && text::lowercased(a) == text::lowercased(b);
}

const UciOption* findOption(const std::vector<UciOption>& options, std::string_view name) {
    const auto found = std::find_if(options.begin(), options.end(), [name](const UciOption& o) {
        return sameOptionName(o.name, name);
    });
    return found == options.end() ? nullptr : &*found;
}

bool isFreeOption(std::string_view name) {
    // Set from the game's own settings; a second, free value would fight them.
    static constexpr std::array<std::string_view, 6> ownOptions{
        "uci_limitstrength", "uci_elo", "uci_chess960", "uci_analysemode", "ponder", "multipv"};
    const std::string lower = text::lowercased(name);
    return std::find(ownOptions.begin(), ownOptions.end(), lower) == ownOptions.end();
}

std::vector<UciOption> freeOptions(const std::vector<UciOption>& options) {
    std::vector<UciOption> result;
    std::copy_if(options.begin(), options.end(), std::back_inserter(result),
                 [](const UciOption& option) { return isFreeOption(option.name); });
    return result;
}

std::optional<std::string> acceptedValue(const UciOption& option, std::string_view value) {
    switch (option.type) {
    case UciOption::Type::check: {
        std::string lower = text::lowercased(value);
        if (lower == "true" || lower == "false") {
            return lower;
        }
        return std::nullopt;
    }
    case UciOption::Type::spin: {
        const auto number = parseInteger(value);
        if (!number || *number < option.min || *number > option.max) {
            return std::nullopt;
        }
        return std::to_string(*number);
    }
    case UciOption::Type::combo:
        for (const std::string& choice : option.choices) {
            if (sameOptionName(choice, value)) {
                return choice;
            }
        }
        return std::nullopt;
    case UciOption::Type::button:
        return std::nullopt;
    case UciOption::Type::string:
        if (hasControlCharacter(value) || !isValidUtf8(value)) {
            return std::nullopt;
        }
        return std::string(value);
    }
    return std::nullopt;
}

bool isDefaultValue(const UciOption& option, std::string_view value) {
    return value == option.defaultValue;
}

std::string setOptionValueCommand(const UciOption& option, std::string_view value) {
    return setOptionCommand(option.name, value.empty() ? emptyText : value);
}

std::string pressButtonCommand(const UciOption& option) {
    return "setoption name " + option.name;
}

StartupOptions startupOptionCommands(const std::vector<UciOption>& declared,
                                     const OptionValues& values) {
    StartupOptions result;
    std::vector<const UciOption*> order;
    for (const std::string_view first : {"threads", "hash"}) {
        if (const UciOption* option = findOption(declared, first)) {
            order.push_back(option);
        }
    }
    for (const UciOption& option : declared) {
        if (!sameOptionName(option.name, "threads") && !sameOptionName(option.name, "hash")) {
            order.push_back(&option);
        }
    }
    for (const UciOption* option : order) {
        if (!isFreeOption(option->name) || option->type == UciOption::Type::button) {
            continue;
        }
        const auto stored = values.find(text::lowercased(option->name));
        if (stored == values.end()) {
            continue;
        }
        std::optional<std::string> value = acceptedValue(*option, stored->second);
        if (!value && option->type == UciOption::Type::spin) {
            if (const auto number = parseInteger(stored->second)) {
                value = std::to_string(std::clamp(*number, option->min, option->max));
            }
        }
        if (!value) {
            result.skipped.push_back("Stored value for option " + option->name +
                                     " is not accepted by the engine; not sent.");
            continue;
        }
        if (!isDefaultValue(*option, *value)) {
            result.commands.push_back(setOptionValueCommand(*option, *value));
        }
    }
    return result;
}

} // namespace velkor::uci
