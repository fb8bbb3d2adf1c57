#include "UciProtocol.h"

#include "UciText.h"
#include "chess/TextUtil.h"

#include <algorithm>

namespace velkor::uci {

std::string positionCommand(const std::optional<std::string>& fen,
                            const std::vector<std::string>& moves) {
    std::string command =
        !fen || *fen == standardStartingFEN ? "position startpos" : "position fen " + *fen;
    if (!moves.empty()) {
        command += " moves";
        for (const auto& move : moves) {
            command += ' ';
            command += move;
        }
    }
    return command;
}

std::string goCommand(const SearchLimits& limits) {
    if (limits.infinite) {
        return "go infinite";
    }
    if (limits.movetime) {
        return "go movetime " + std::to_string(*limits.movetime);
    }
    if (limits.depth) {
        return "go depth " + std::to_string(*limits.depth);
    }
    if (limits.nodes) {
        return "go nodes " + std::to_string(*limits.nodes);
    }
    std::string command = "go";
    const auto appendLimit = [&command](const char* name,
                                        const std::optional<std::int64_t>& value) {
        if (value) {
            command += ' ';
            command += name;
            command += ' ';
            command += std::to_string(*value);
        }
    };
    appendLimit("wtime", limits.wtime);
    appendLimit("btime", limits.btime);
    appendLimit("winc", limits.winc);
    appendLimit("binc", limits.binc);
    appendLimit("movestogo", limits.movestogo);
    if (!limits.wtime && !limits.btime) {
        command += " movetime 1000";
    }
    return command;
}

std::optional<std::int64_t> requestedMoveTime(const SearchLimits& limits) {
    if (limits.infinite) {
        return std::nullopt;
    }
    if (limits.movetime) {
        return limits.movetime;
    }
    if (limits.depth || limits.nodes || limits.wtime || limits.btime) {
        return std::nullopt;
    }
    return 1000;
}

std::string setOptionCommand(std::string_view name, std::string_view value) {
    std::string command = "setoption name ";
    command += name;
    command += " value ";
    command += value;
    return command;
}

std::int64_t SpinRange::clamp(std::int64_t value) const {
    if (min && value < *min) {
        value = *min;
    }
    if (max && value > *max) {
        value = *max;
    }
    return value;
}

std::vector<std::string> strengthCommands(bool limitElo, std::int64_t elo,
                                          const std::optional<SpinRange>& eloRange) {
    if (!limitElo) {
        return {setOptionCommand("UCI_LimitStrength", "false")};
    }
    const std::int64_t sent = eloRange ? eloRange->clamp(elo) : elo;
    return {setOptionCommand("UCI_LimitStrength", "true"),
            setOptionCommand("UCI_Elo", std::to_string(sent))};
}

namespace {
constexpr std::string_view optionPrefix = "option name ";
constexpr std::string_view typeMarker = " type ";
} // namespace

std::string optionName(std::string_view line) {
    std::string_view rest = line.substr(std::min(optionPrefix.size(), line.size()));
    const std::size_t type = rest.find(typeMarker);
    if (type != std::string_view::npos) {
        rest = rest.substr(0, type);
    }
    return text::lowercased(rest);
}

std::optional<SpinRange> optionRange(std::string_view line) {
    const std::size_t type = line.find(typeMarker);
    if (type == std::string_view::npos) {
        return std::nullopt;
    }
    const auto tokens = splitAtBlanks(line.substr(type + typeMarker.size()));
    SpinRange range;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i] == "min" && !range.min) {
            range.min = parseInteger(tokens[i + 1]);
        } else if (tokens[i] == "max" && !range.max) {
            range.max = parseInteger(tokens[i + 1]);
        }
    }
    if (!range.min && !range.max) {
        return std::nullopt;
    }
    return range;
}

std::int64_t infoLineNumber(const std::vector<std::string_view>& tokens) {
    // "string" starts free text that runs to the end of the line.
    const auto end = std::find(tokens.begin(), tokens.end(), "string");
    const auto found = std::find(tokens.begin(), end, "multipv");
    if (found == end || found + 1 == end) {
        return 1;
    }
    return parseInteger(*(found + 1)).value_or(1);
}

void applyInfo(const std::vector<std::string_view>& tokens, EngineEvaluation& evaluation) {
    const std::size_t count = tokens.size();
    // The value after token i, when there is one that reads as an integer.
    const auto integerAfter = [&](std::size_t i) -> std::optional<std::int64_t> {
        return i + 1 < count ? parseInteger(tokens[i + 1]) : std::nullopt;
    };
    std::size_t i = 1;
    while (i < count) {
        const std::string_view token = tokens[i];
        if (token == "depth" || token == "nodes" || token == "nps" || token == "time") {
            const auto value = integerAfter(i);
            if (!value) {
                i += 1;
                continue;
            }
            if (token == "depth") {
                evaluation.depth = *value;
            } else if (token == "nodes") {
                evaluation.nodes = value;
            } else if (token == "nps") {
                evaluation.nps = value;
            } else {
                evaluation.timeMs = value;
            }
            i += 2;
        } else if (token == "score") {
            if (i + 2 >= count) {
                i += 1;
                continue;
            }
            const auto value = integerAfter(i + 1);
            if (value && tokens[i + 1] == "cp") {
                evaluation.scoreCp = value;
                evaluation.mateIn.reset();
            } else if (value && tokens[i + 1] == "mate") {
                evaluation.mateIn = value;
                evaluation.scoreCp.reset();
            }
            i += 3;
        } else if (token == "string") {
            // Free text to the end of the line: nothing in it is a keyword.
            return;
        } else if (token == "pv") {
            evaluation.pv.clear();
            for (std::size_t k = i + 1; k < count; ++k) {
                if (!tokens[k].empty()) {
                    evaluation.pv.emplace_back(tokens[k]);
                }
            }
            return;
        } else {
            i += 1;
        }
    }
}

std::optional<std::string> bestMoveText(std::string_view line) {
    const auto tokens = splitAtBlanks(line);
    if (tokens.size() < 2) {
        return std::nullopt;
    }
    return std::string(tokens[1]);
}

} // namespace velkor::uci
