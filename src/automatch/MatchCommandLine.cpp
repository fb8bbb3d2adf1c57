#include "MatchCommandLine.h"

#include <cstdio>

namespace velkor::automatch {

namespace {

std::string quoted(const std::string& word) {
    const bool plain = !word.empty() &&
                       word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789_-+=./:,@%") == std::string::npos;
    if (plain) {
        return word;
    }
    std::string result = "'";
    for (const char c : word) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

std::string seconds(std::int64_t milliseconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", static_cast<double>(milliseconds) / 1000.0);
    std::string text = buffer;
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

std::string limitWord(const MoveLimit& limit) {
    switch (limit.kind) {
    case MoveLimit::Kind::Clock: {
        std::string text = "tc=";
        if (limit.movesPerPeriod > 0) {
            text += std::to_string(limit.movesPerPeriod) + "/";
        }
        text += seconds(limit.baseMs);
        if (limit.incrementMs > 0) {
            text += "+" + seconds(limit.incrementMs);
        }
        return text;
    }
    case MoveLimit::Kind::TimePerMove:
        return "st=" + seconds(limit.moveTimeMs);
    case MoveLimit::Kind::Depth:
        return "depth=" + std::to_string(limit.depth);
    case MoveLimit::Kind::Nodes:
        return "nodes=" + std::to_string(limit.nodes);
    case MoveLimit::Kind::None:
        break;
    }
    return "";
}

} // namespace

std::string fastchessCommand(const MatchConfig& config) {
    std::string command = "fastchess";
    const auto add = [&](const std::string& word) { command += " " + quoted(word); };
    for (const EngineSetup& engine : config.engines) {
        add("-engine");
        add("cmd=" + engine.command);
        add("name=" + engine.name);
        add(limitWord(engine.limit));
        if (engine.timeMarginMs > 0) {
            add("timemargin=" + std::to_string(engine.timeMarginMs));
        }
        for (const auto& [name, value] : engine.options) {
            add("option." + name + "=" + value);
        }
    }
    if (config.openings) {
        const OpeningSetup& openings = *config.openings;
        add("-openings");
        add("file=" + openings.file);
        add(std::string("format=") +
            (openings.format == OpeningSetup::Format::Epd ? "epd" : "pgn"));
        add(std::string("order=") +
            (openings.order == OpeningSetup::Order::Random ? "random" : "sequential"));
        if (openings.plies) {
            add("plies=" + std::to_string(*openings.plies));
        }
        if (openings.start != 1) {
            add("start=" + std::to_string(openings.start));
        }
    }
    if (config.seed) {
        add("-srand");
        add(std::to_string(*config.seed));
    }
    add("-rounds");
    add(std::to_string(config.rounds));
    add("-games");
    add(std::to_string(config.gamesPerRound));
    if (config.gamesPerRound == 2) {
        add("-repeat");
    }
    add("-concurrency");
    add(std::to_string(config.concurrency));
    if (config.sprt) {
        add("-sprt");
        add("elo0=" + number(config.sprt->elo0));
        add("elo1=" + number(config.sprt->elo1));
        add("alpha=" + number(config.sprt->alpha));
        add("beta=" + number(config.sprt->beta));
        add("model=" + std::string(sprtModelName(config.sprt->model)));
    }
    if (const auto& draw = config.adjudication.draw) {
        add("-draw");
        add("movenumber=" + std::to_string(draw->moveNumber));
        add("movecount=" + std::to_string(draw->moveCount));
        add("score=" + std::to_string(draw->score));
    }
    if (const auto& resign = config.adjudication.resign) {
        add("-resign");
        add("movecount=" + std::to_string(resign->moveCount));
        add("score=" + std::to_string(resign->score));
        if (resign->twoSided) {
            add("twosided=true");
        }
    }
    if (config.adjudication.maxMoves) {
        add("-maxmoves");
        add(std::to_string(*config.adjudication.maxMoves));
    }
    if (config.pgnFile) {
        add("-pgnout");
        add("file=" + *config.pgnFile);
    }
    if (config.recover) {
        add("-recover");
    }
    add("-ratinginterval");
    add(std::to_string(config.ratingInterval));
    if (config.reportPentanomial) {
        add("-report");
        add(std::string("penta=") + (*config.reportPentanomial ? "true" : "false"));
    }
    return command;
}

} // namespace velkor::automatch
