#include "ReviewCommand.h"

#include "chess/GameReviewReport.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"
#include "chess/TextEncoding.h"
#include "game/GameReviewJob.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <variant>

namespace velkor::tool {

namespace {

constexpr std::string_view usageLine =
    "usage: velkor-chess review GAME.pgn --engine PATH [--movetime MS | --depth N | --nodes N] "
    "[--threads N] [--hash MB] [--game K] [--json]";

// Larger files are no single game collection a review could need, and would only fill memory.
constexpr std::uintmax_t maxFileBytes = 256ULL * 1024 * 1024;

struct ReviewOptions {
    std::string file;
    std::string engine;
    ReviewLimits limits;
    std::int64_t threads = 1;
    std::optional<std::int64_t> hashMB;
    std::int64_t game = 1;
    bool json = false;
};

ToolOutput usage(const std::string& what) {
    return ToolOutput{
        2, {}, "velkor-chess review: " + what + " (" + std::string(usageLine) + ")\n"};
}

ToolOutput failure(const std::string& what) {
    return ToolOutput{1, {}, "velkor-chess: " + what + "\n"};
}

// A whole positive number no larger than a billion; none for anything else.
std::optional<std::int64_t> positiveNumber(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1 ||
        value > 1'000'000'000) {
        return std::nullopt;
    }
    return value;
}

// The options, or the usage error that says what is wrong with them.
std::variant<ReviewOptions, ToolOutput> parseOptions(std::span<const std::string> args) {
    ReviewOptions options;
    int limitsGiven = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            options.json = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            if (!options.file.empty()) {
                return usage("more than one game file");
            }
            options.file = arg;
            continue;
        }
        const bool takesValue = arg == "--engine" || arg == "--movetime" || arg == "--depth" ||
                                arg == "--nodes" || arg == "--threads" || arg == "--hash" ||
                                arg == "--game";
        if (!takesValue) {
            return usage("unknown option " + arg);
        }
        if (i + 1 == args.size()) {
            return usage(arg + " needs a value");
        }
        const std::string& value = args[++i];
        if (arg == "--engine") {
            options.engine = value;
            continue;
        }
        const std::optional<std::int64_t> number = positiveNumber(value);
        if (!number) {
            return usage(arg + " needs a positive whole number, not \"" + value + "\"");
        }
        if (arg == "--movetime" || arg == "--depth" || arg == "--nodes") {
            ++limitsGiven;
            (arg == "--movetime"
                 ? options.limits.moveTimeMs
                 : (arg == "--depth" ? options.limits.depth : options.limits.nodes)) = number;
        } else if (arg == "--threads") {
            options.threads = *number;
        } else if (arg == "--hash") {
            options.hashMB = number;
        } else {
            options.game = *number;
        }
    }
    if (options.file.empty()) {
        return usage("no game file");
    }
    if (options.engine.empty()) {
        return usage("no --engine");
    }
    if (limitsGiven > 1) {
        return usage("--movetime, --depth and --nodes exclude each other");
    }
    return options;
}

// The file's text, or why it cannot be read.
std::variant<std::string, std::string> readFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, "is a folder");
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > maxFileBytes) {
        return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                      "is larger than 256 MB");
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::variant<std::string, std::string>(
            std::in_place_index<1>, errno != 0 ? std::strerror(errno) : "cannot be opened");
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                      "could not be read to its end");
    }
    return std::variant<std::string, std::string>(std::in_place_index<0>, content.str());
}

std::string fixed2(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
            quoted += buffer;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

template <typename T, typename Format>
std::string jsonOptional(const std::optional<T>& value, Format format) {
    return value ? format(*value) : "null";
}

std::string sideJson(const review::SideReview& side) {
    return "{\"accuracy\": " + jsonOptional(side.accuracy, fixed2) + ", \"acpl\": " +
           jsonOptional(side.averageCentipawnLoss,
                        [](std::int64_t value) { return std::to_string(value); }) +
           ", \"inaccuracies\": " + std::to_string(side.inaccuracies) +
           ", \"mistakes\": " + std::to_string(side.mistakes) +
           ", \"blunders\": " + std::to_string(side.blunders) + "}";
}

std::string scoreJson(const std::optional<review::ReviewScore>& score) {
    if (!score) {
        return "\"cp\": null";
    }
    switch (score->kind) {
    case review::ReviewScore::Kind::centipawns:
        return "\"cp\": " + std::to_string(score->value);
    case review::ReviewScore::Kind::mate:
        return "\"mate\": " + std::to_string(score->value);
    case review::ReviewScore::Kind::checkmated:
        // The side to move is mated, as engines say "mate 0"; win_percent tells who won.
        return "\"mate\": 0";
    }
    return "\"cp\": null";
}

std::string reportJson(const review::GameReviewReport& report) {
    std::string text = "{\"white\": " + sideJson(report.white) +
                       ",\n \"black\": " + sideJson(report.black) + ",\n \"moves\": [";
    for (std::size_t i = 0; i < report.moves.size(); ++i) {
        const review::MoveReview& move = report.moves[i];
        text += i == 0 ? "\n  " : ",\n  ";
        text += "{\"ply\": " + std::to_string(move.ply) + ", \"san\": " + jsonString(move.san) +
                ", " + scoreJson(move.score) +
                ", \"win_percent\": " + jsonOptional(move.winPercent, fixed2) +
                ", \"accuracy\": " + jsonOptional(move.accuracy, fixed2) + ", \"judgement\": " +
                jsonOptional(move.judgement,
                             [](review::Judgement judgement) {
                                 return jsonString(review::judgementName(judgement));
                             }) +
                "}";
    }
    return text + "\n ]}\n";
}

} // namespace

ToolOutput runReview(std::span<const std::string> args) {
    auto parsedOptions = parseOptions(args);
    if (auto* error = std::get_if<ToolOutput>(&parsedOptions)) {
        return *error;
    }
    const ReviewOptions& options = std::get<ReviewOptions>(parsedOptions);

    auto bytes = readFile(options.file);
    if (bytes.index() == 1) {
        return failure("cannot read " + options.file + ": " + std::get<1>(bytes));
    }
    const text::DecodedText decoded = text::decodeUtf8OrLatin1(std::move(std::get<0>(bytes)));
    const std::vector<PGNGameSummary> games = *PGNParser::indexGames(decoded.text);
    if (games.empty()) {
        return failure(options.file + " holds no game");
    }
    if (static_cast<std::size_t>(options.game) > games.size()) {
        return failure(options.file + " holds " + std::to_string(games.size()) +
                       (games.size() == 1 ? " game" : " games") + "; there is no game " +
                       std::to_string(options.game));
    }
    const PGNGameSummary& summary = games[static_cast<std::size_t>(options.game - 1)];
    ParsedPGN parsed;
    try {
        parsed =
            PGNParser::parse(std::string_view(decoded.text).substr(summary.offset, summary.length));
    } catch (const DomainError& error) {
        return failure(options.file + ": game " + std::to_string(options.game) + ": " +
                       error.message());
    }

    // The engine's process and its worker thread need an event loop; a program that has none
    // (the tool itself) gets one for the length of the review.
    std::unique_ptr<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "velkor-chess";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    EngineConfiguration engine =
        EngineConfiguration::makeNew(QFileInfo(QString::fromStdString(options.engine)).fileName(),
                                     QString::fromStdString(options.engine), {});
    engine.threads = options.threads;
    if (options.hashMB) {
        engine.hashMB = *options.hashMB;
    }
    review::GameReviewReport report;
    std::optional<review::ReviewScore> startScore;
    {
        GameReviewJob job(engine, options.limits);
        const bool complete = QCoro::waitFor(job.run(parsed.board));
        if (!complete) {
            return failure(job.errorMessage().isEmpty() ? std::string("the review was stopped")
                                                        : job.errorMessage().toStdString());
        }
        report = job.report();
        startScore = job.positions().front()->score;
    }

    if (options.json) {
        return ToolOutput{0, reportJson(report), {}};
    }
    PGNGame game = review::pgnGameOf(parsed);
    review::annotate(game, report, startScore);
    return ToolOutput{0, game.exportPGN(), {}};
}

} // namespace velkor::tool
