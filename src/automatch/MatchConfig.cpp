#include "MatchConfig.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velkor::automatch {

namespace {

// A rejected argument: the message names it, and nothing is started.
struct ArgumentError {
    std::string line;
};

[[noreturn]] void reject(std::string_view argument, std::string_view problem) {
    throw ArgumentError{"velkor-match: " + std::string(argument) + ": " + std::string(problem)};
}

// Control characters from a command line would break the one-line message; show them escaped.
std::string printable(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            result += '?';
        } else {
            result += c;
        }
    }
    return result;
}

template <typename Integer>
std::optional<Integer> wholeNumber(std::string_view text) {
    Integer value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> decimal(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

int intAtLeast(std::string_view argument, std::string_view text, int minimum) {
    const auto value = wholeNumber<int>(text);
    if (!value || *value < minimum) {
        reject(argument, "expects a whole number of at least " + std::to_string(minimum) +
                             ", not \"" + printable(text) + "\"");
    }
    return *value;
}

std::int64_t msFromSeconds(std::string_view argument, std::string_view text) {
    const auto seconds = decimal(text);
    if (!seconds || *seconds < 0 || *seconds > 1e9) {
        reject(argument, "expects seconds, not \"" + printable(text) + "\"");
    }
    return static_cast<std::int64_t>(std::llround(*seconds * 1000.0));
}

bool boolean(std::string_view argument, std::string_view text) {
    if (text == "true") {
        return true;
    }
    if (text == "false") {
        return false;
    }
    reject(argument, "expects true or false, not \"" + printable(text) + "\"");
}

// "M/S+I", "S+I" or "S": moves per period, seconds, increment in seconds.
MoveLimit clockLimit(std::string_view argument, std::string_view text) {
    MoveLimit limit;
    limit.kind = MoveLimit::Kind::Clock;
    std::string_view rest = text;
    if (const auto slash = rest.find('/'); slash != std::string_view::npos) {
        limit.movesPerPeriod = intAtLeast(argument, rest.substr(0, slash), 1);
        rest.remove_prefix(slash + 1);
    }
    std::string_view increment;
    if (const auto plus = rest.find('+'); plus != std::string_view::npos) {
        increment = rest.substr(plus + 1);
        rest = rest.substr(0, plus);
        limit.incrementMs = msFromSeconds(argument, increment);
    }
    limit.baseMs = msFromSeconds(argument, rest);
    if (limit.baseMs + limit.incrementMs <= 0) {
        reject(argument, "the time control gives no time");
    }
    return limit;
}

// One group of key=value words after an option, in order.
struct Group {
    std::string flag;
    std::vector<std::pair<std::string, std::string>> pairs;
};

// The words of one engine (-engine or -each), applied in the order given.
void applyEngineWord(EngineSetup& engine, bool& limitGiven, const std::string& flag,
                     const std::string& key, const std::string& value) {
    const std::string argument = flag + " " + key + "=" + printable(value);
    if (key == "cmd") {
        if (value.empty()) {
            reject(argument, "the engine command is empty");
        }
        engine.command = value;
    } else if (key == "name") {
        if (value.empty()) {
            reject(argument, "the engine name is empty");
        }
        engine.name = value;
    } else if (key == "tc") {
        engine.limit = clockLimit(argument, value);
        limitGiven = true;
    } else if (key == "st") {
        engine.limit = MoveLimit{};
        engine.limit.kind = MoveLimit::Kind::TimePerMove;
        engine.limit.moveTimeMs = msFromSeconds(argument, value);
        if (engine.limit.moveTimeMs <= 0) {
            reject(argument, "the time per move must be positive");
        }
        limitGiven = true;
    } else if (key == "nodes") {
        engine.limit = MoveLimit{};
        engine.limit.kind = MoveLimit::Kind::Nodes;
        const auto nodes = wholeNumber<std::int64_t>(value);
        if (!nodes || *nodes < 1) {
            reject(argument, "expects a positive number of nodes");
        }
        engine.limit.nodes = *nodes;
        limitGiven = true;
    } else if (key == "depth") {
        engine.limit = MoveLimit{};
        engine.limit.kind = MoveLimit::Kind::Depth;
        engine.limit.depth = intAtLeast(argument, value, 1);
        limitGiven = true;
    } else if (key == "timemargin") {
        engine.timeMarginMs = intAtLeast(argument, value, 0);
    } else if (key.starts_with("option.") && key.size() > 7) {
        const std::string option = key.substr(7);
        for (auto& [name, setting] : engine.options) {
            if (name == option) {
                setting = value;
                return;
            }
        }
        engine.options.emplace_back(option, value);
    } else {
        reject(flag + " " + printable(key), "unknown engine setting");
    }
}

std::optional<std::string> valueOf(const Group& group, std::string_view key) {
    std::optional<std::string> found;
    for (const auto& [name, value] : group.pairs) {
        if (name == key) {
            found = value;
        }
    }
    return found;
}

void onlyKeys(const Group& group, std::initializer_list<std::string_view> keys) {
    for (const auto& [name, value] : group.pairs) {
        bool known = false;
        for (const auto key : keys) {
            known = known || name == key;
        }
        if (!known) {
            reject(group.flag + " " + printable(name), "unknown setting");
        }
    }
}

std::string required(const Group& group, std::string_view key) {
    const auto value = valueOf(group, key);
    if (!value) {
        reject(group.flag, "needs " + std::string(key) + "=");
    }
    return *value;
}

std::string fileExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

MatchConfig parse(std::span<const std::string> arguments, const ArgumentEnvironment& environment) {
    MatchConfig config;
    config.concurrency = std::max(1, environment.cores - 1);

    std::vector<Group> engineGroups;
    std::optional<Group> eachGroup;
    bool anythingButResume = false;

    std::size_t i = 0;
    // The words after a flag up to the next flag, split at their first '='.
    const auto keyValues = [&](const std::string& flag) {
        Group group{flag, {}};
        while (i < arguments.size() && !arguments[i].starts_with("-")) {
            const std::string& word = arguments[i++];
            const auto equals = word.find('=');
            if (equals == std::string::npos || equals == 0) {
                reject(flag + " " + printable(word), "expects key=value");
            }
            group.pairs.emplace_back(word.substr(0, equals), word.substr(equals + 1));
        }
        return group;
    };
    const auto single = [&](const std::string& flag) {
        if (i >= arguments.size() || arguments[i].starts_with("-")) {
            reject(flag, "needs a value");
        }
        return arguments[i++];
    };

    while (i < arguments.size()) {
        const std::string flag = arguments[i++];
        if (flag != "-config") {
            anythingButResume = true;
        }
        if (flag == "-engine") {
            engineGroups.push_back(keyValues(flag));
        } else if (flag == "-each") {
            if (eachGroup) {
                reject(flag, "given twice");
            }
            eachGroup = keyValues(flag);
        } else if (flag == "-rounds") {
            config.rounds = intAtLeast(flag, single(flag), 1);
        } else if (flag == "-games") {
            const std::string value = single(flag);
            config.gamesPerRound = intAtLeast(flag, value, 1);
            if (config.gamesPerRound > 2) {
                reject(flag + " " + printable(value), "a round has one game or a pair of two");
            }
        } else if (flag == "-repeat") {
            config.gamesPerRound = 2;
        } else if (flag == "-concurrency") {
            config.concurrency = intAtLeast(flag, single(flag), 1);
        } else if (flag == "-openings") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"file", "format", "order", "plies", "start"});
            OpeningSetup openings;
            openings.file = required(group, "file");
            const std::string format =
                valueOf(group, "format").value_or(fileExtension(openings.file));
            if (format == "epd") {
                openings.format = OpeningSetup::Format::Epd;
            } else if (format == "pgn") {
                openings.format = OpeningSetup::Format::Pgn;
            } else {
                reject(flag + " format=" + printable(format), "expects epd or pgn");
            }
            const std::string order = valueOf(group, "order").value_or("sequential");
            if (order == "sequential") {
                openings.order = OpeningSetup::Order::Sequential;
            } else if (order == "random") {
                openings.order = OpeningSetup::Order::Random;
            } else {
                reject(flag + " order=" + printable(order), "expects sequential or random");
            }
            if (const auto plies = valueOf(group, "plies")) {
                openings.plies = intAtLeast(flag + " plies", *plies, 1);
            }
            if (const auto start = valueOf(group, "start")) {
                openings.start = intAtLeast(flag + " start", *start, 1);
            }
            if (environment.fileExists && !environment.fileExists(openings.file)) {
                reject(flag + " file=" + printable(openings.file), "no such file");
            }
            config.openings = openings;
        } else if (flag == "-srand") {
            const std::string value = single(flag);
            const auto seed = wholeNumber<std::uint64_t>(value);
            if (!seed) {
                reject(flag + " " + printable(value), "expects a whole number");
            }
            config.seed = *seed;
        } else if (flag == "-sprt") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"elo0", "elo1", "alpha", "beta", "model"});
            SprtSettings settings;
            const auto number = [&](std::string_view key, double fallback, bool mandatory) {
                const auto text = mandatory ? std::optional<std::string>(required(group, key))
                                            : valueOf(group, key);
                if (!text) {
                    return fallback;
                }
                const auto value = decimal(*text);
                if (!value) {
                    reject(flag + " " + std::string(key) + "=" + printable(*text),
                           "expects a number");
                }
                return *value;
            };
            settings.elo0 = number("elo0", 0, true);
            settings.elo1 = number("elo1", 0, true);
            settings.alpha = number("alpha", 0.05, false);
            settings.beta = number("beta", 0.05, false);
            const std::string model = valueOf(group, "model").value_or("normalized");
            const auto parsedModel = sprtModelFromName(model);
            if (!parsedModel) {
                reject(flag + " model=" + printable(model),
                       "expects normalized, logistic or bayesian");
            }
            settings.model = *parsedModel;
            if (const auto problem = sprtSettingsProblem(settings)) {
                reject(flag, *problem);
            }
            config.sprt = settings;
        } else if (flag == "-draw") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"movenumber", "movecount", "score"});
            DrawAdjudication draw;
            draw.moveNumber = intAtLeast(flag + " movenumber", required(group, "movenumber"), 0);
            draw.moveCount = intAtLeast(flag + " movecount", required(group, "movecount"), 1);
            draw.score = intAtLeast(flag + " score", required(group, "score"), 0);
            config.adjudication.draw = draw;
        } else if (flag == "-resign") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"movecount", "score", "twosided"});
            ResignAdjudication resign;
            resign.moveCount = intAtLeast(flag + " movecount", required(group, "movecount"), 1);
            resign.score = intAtLeast(flag + " score", required(group, "score"), 0);
            if (const auto twoSided = valueOf(group, "twosided")) {
                resign.twoSided = boolean(flag + " twosided", *twoSided);
            }
            config.adjudication.resign = resign;
        } else if (flag == "-maxmoves") {
            config.adjudication.maxMoves = intAtLeast(flag, single(flag), 1);
        } else if (flag == "-pgnout") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"file"});
            config.pgnFile = required(group, "file");
            if (config.pgnFile->empty()) {
                reject(flag, "the file name is empty");
            }
        } else if (flag == "-recover") {
            config.recover = true;
        } else if (flag == "-ratinginterval") {
            config.ratingInterval = intAtLeast(flag, single(flag), 0);
        } else if (flag == "-report") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"penta"});
            config.reportPentanomial = boolean(flag + " penta", required(group, "penta"));
        } else if (flag == "-config") {
            const Group group = keyValues(flag);
            onlyKeys(group, {"file", "outname"});
            if (const auto file = valueOf(group, "file")) {
                if (file->empty() || (environment.fileExists && !environment.fileExists(*file))) {
                    reject(flag + " file=" + printable(*file), "no such file");
                }
                config.resumeFile = *file;
            }
            if (const auto outname = valueOf(group, "outname")) {
                if (outname->empty()) {
                    reject(flag + " outname", "the file name is empty");
                }
                config.stateFile = *outname;
            }
            if (group.pairs.empty()) {
                reject(flag, "needs file= or outname=");
            }
        } else {
            reject(printable(flag), "unknown argument");
        }
    }

    if (config.resumeFile) {
        // The saved run brings its own engines, openings and counts; mixing in new ones would
        // make the resumed counts mean something else.
        if (anythingButResume) {
            reject("-config file=" + printable(*config.resumeFile),
                   "resumes a saved run and takes no other arguments");
        }
        return config;
    }

    if (engineGroups.size() != 2) {
        reject("-engine",
               "a match needs exactly two engines, not " + std::to_string(engineGroups.size()));
    }
    for (std::size_t e = 0; e < 2; ++e) {
        EngineSetup& engine = config.engines[e];
        bool limitGiven = false;
        if (eachGroup) {
            for (const auto& [key, value] : eachGroup->pairs) {
                applyEngineWord(engine, limitGiven, "-each", key, value);
            }
        }
        // An engine's own words come after -each's, so they win.
        for (const auto& [key, value] : engineGroups[e].pairs) {
            applyEngineWord(engine, limitGiven, "-engine", key, value);
        }
        if (engine.command.empty()) {
            reject("-engine", "engine " + std::to_string(e + 1) + " needs cmd=");
        }
        if (engine.name.empty()) {
            const auto slash = engine.command.find_last_of("/\\");
            engine.name =
                slash == std::string::npos ? engine.command : engine.command.substr(slash + 1);
        }
        if (!limitGiven) {
            reject("-engine name=" + printable(engine.name), "needs tc=, st=, nodes= or depth=");
        }
        if (environment.engineExists && !environment.engineExists(engine.command)) {
            reject("-engine cmd=" + printable(engine.command), "no such engine");
        }
    }
    if (config.engines[0].name == config.engines[1].name) {
        reject("-engine name=" + printable(config.engines[1].name),
               "both engines have the same name; give them different name= values");
    }
    return config;
}

} // namespace

std::variant<MatchConfig, std::string> parseMatchArguments(std::span<const std::string> arguments,
                                                           const ArgumentEnvironment& environment) {
    try {
        return parse(arguments, environment);
    } catch (const ArgumentError& error) {
        return error.line;
    }
}

} // namespace velkor::automatch
