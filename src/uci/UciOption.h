#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The options an engine declares in its "option" lines, and the values we may send for them.
// Standard library only, so the parser stays testable without Qt.
namespace velkor::uci {

// One option as the engine declared it.
struct UciOption {
    enum class Type { check, spin, combo, button, string };

    // As the engine spells it; engines compare option names without regard to case.
    std::string name;
    Type type = Type::string;
    // In the form values are sent: "true"/"false" for a check, a decimal integer for a spin, one
    // of `choices` for a combo, the text for a string (empty for "<empty>"), nothing for a button.
    std::string defaultValue;
    // The limits of a spin; both are known for every spin that was read.
    std::int64_t min = 0;
    std::int64_t max = 0;
    // The choices of a combo, in declared order.
    std::vector<std::string> choices;

    bool operator==(const UciOption&) const = default;
};

// Reads "option name <name> type <type> [default <x>] [min <n>] [max <n>] [var <x>]...". The
// name may hold blanks and ends at the first " type "; a default or choice may hold blanks too
// and ends at the next keyword; "<empty>" stands for empty text. Nothing for a line that is not
// a usable declaration: no name, an unknown type, a keyword given twice, a check default other
// than true/false, a spin without integer default, min and max or with its default outside them,
// a combo without choices or whose default is none of them.
std::optional<UciOption> parseOptionLine(std::string_view line);

// Option names compared as engines compare them: ASCII letters without regard to case.
bool sameOptionName(std::string_view a, std::string_view b);

// The declared option called `name`, or null.
const UciOption* findOption(const std::vector<UciOption>& options, std::string_view name);

// Whether a person may set the option: not the ones this program sets itself from its own
// settings (UCI_LimitStrength, UCI_Elo, UCI_Chess960, UCI_AnalyseMode, Ponder, MultiPV).
bool isFreeOption(std::string_view name);

// The declared options a person may set, in declared order.
std::vector<UciOption> freeOptions(const std::vector<UciOption>& options);

// `value` in the form it is sent, or nothing when the option does not take it: a check takes
// true/false in any case, a spin an integer within its limits, a combo one of its choices in any
// case (given back as declared), a string any UTF-8 text without control characters (a line
// break would end the command and start another), a button nothing.
std::optional<std::string> acceptedValue(const UciOption& option, std::string_view value);

// Whether a value in sent form equals the option's default.
bool isDefaultValue(const UciOption& option, std::string_view value);

// "setoption name <name> value <value>", with "<empty>" for empty text, as engines declare it.
std::string setOptionValueCommand(const UciOption& option, std::string_view value);

// "setoption name <name>": pressing a button option.
std::string pressButtonCommand(const UciOption& option);

// Values keyed by lower-cased option name.
using OptionValues = std::map<std::string, std::string>;

// What to send right after the handshake for the free options.
struct StartupOptions {
    // The setoption lines: Threads first, then Hash (a new hash table size clears the table, and
    // many engines size it per thread), then the other options in declared order. Only values
    // that differ from the engine's own defaults are sent; buttons never are.
    std::vector<std::string> commands;
    // One line per stored value that could not be sent, saying why.
    std::vector<std::string> skipped;
};
// A spin value outside the declared limits is moved into them (an engine may have lowered a
// limit since the value was stored); values of other kinds the option does not take are skipped.
StartupOptions startupOptionCommands(const std::vector<UciOption>& declared,
                                     const OptionValues& values);

} // namespace velkor::uci
