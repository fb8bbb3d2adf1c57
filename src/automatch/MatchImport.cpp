#include "MatchImport.h"

#include "chess/PGNParser.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>
#include <QUuid>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace velkor::automatch {

namespace {

// "12" -> (12, 0), "3.2" -> (3, 2); none for "?", "-" or anything not starting with a digit.
std::optional<std::pair<std::int64_t, std::int64_t>> roundNumber(std::string_view tag) {
    while (!tag.empty() && (tag.front() == ' ' || tag.front() == '\t')) {
        tag.remove_prefix(1);
    }
    // Eighteen digits cannot overflow; a longer "number" is no round a runner wrote.
    const auto digits = [&tag]() -> std::optional<std::int64_t> {
        std::size_t length = 0;
        std::int64_t value = 0;
        while (length < tag.size() && tag[length] >= '0' && tag[length] <= '9') {
            if (length == 18) {
                return std::nullopt;
            }
            value = value * 10 + (tag[length] - '0');
            ++length;
        }
        if (length == 0) {
            return std::nullopt;
        }
        tag.remove_prefix(length);
        return value;
    };
    const auto main = digits();
    if (!main) {
        return std::nullopt;
    }
    std::int64_t sub = 0;
    if (tag.starts_with('.')) {
        tag.remove_prefix(1);
        sub = digits().value_or(0);
    }
    return std::pair{*main, sub};
}

std::string tagValue(const ParsedPGN& game, const std::string& name) {
    const auto found = game.tags.find(name);
    return found == game.tags.end() ? std::string() : found->second;
}

bool isFinished(std::string_view result) {
    return result == "1-0" || result == "0-1" || result == "1/2-1/2";
}

struct ReadGame {
    // Counted from 1 in the file, for messages.
    std::size_t fileNumber = 0;
    std::optional<std::pair<std::int64_t, std::int64_t>> round;
    ParsedPGN parsed;
    std::string text;
    std::string white;
    std::string black;
};

std::optional<ParsedPGN> parseGame(std::string_view text, std::string& problem) {
    try {
        // A FEN tag counts only beside SetUp "1", but some writers leave SetUp out; without it
        // the moves would be played from the standard position and fail. SetUp alone changes
        // nothing.
        if (text.find("[SetUp") == std::string_view::npos) {
            return PGNParser::parse("[SetUp \"1\"]\n" + std::string(text));
        }
        return PGNParser::parse(text);
    } catch (const std::exception& error) {
        problem = error.what();
    }
    return std::nullopt;
}

GameScore firstEngineScore(const ReadGame& game, const std::string& firstEngine) {
    if (game.parsed.result == "1/2-1/2") {
        return GameScore::Draw;
    }
    const bool whiteWon = game.parsed.result == "1-0";
    return whiteWon == (game.white == firstEngine) ? GameScore::Win : GameScore::Loss;
}

// Played once with each engine as White from the same start, one right after the other.
bool formPair(const ReadGame& first, const ReadGame& second, bool sharedRounds) {
    if (first.white != second.black || first.black != second.white ||
        first.parsed.board.initialFEN() != second.parsed.board.initialFEN() || !first.round ||
        !second.round) {
        return false;
    }
    if (sharedRounds) {
        return first.round->first == second.round->first;
    }
    // Every game numbered on its own: a pair is games 2k-1 and 2k.
    return first.round->first % 2 == 1 && second.round->first == first.round->first + 1;
}

std::string reasonOf(const ParsedPGN& game) {
    const std::string termination = tagValue(game, "Termination");
    if (!termination.empty()) {
        return termination;
    }
    for (auto annotation = game.annotations.rbegin(); annotation != game.annotations.rend();
         ++annotation) {
        if (!annotation->comment.empty()) {
            return annotation->comment;
        }
    }
    return game.gameComment;
}

// The Date and Time tags as UTC; the date alone at midnight when the time is missing or unknown,
// so a game of another day is not dated today; now when the date is unknown too.
QDateTime timestampOf(const ParsedPGN& game) {
    const QDate date = QDate::fromString(QString::fromStdString(tagValue(game, "Date")),
                                         QStringLiteral("yyyy.MM.dd"));
    if (!date.isValid()) {
        return QDateTime::currentDateTimeUtc();
    }
    QTime time = QTime::fromString(QString::fromStdString(tagValue(game, "Time")),
                                   QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) {
        time = QTime(0, 0);
    }
    return QDateTime(date, time, QTimeZone::utc());
}

AutomatchGameRecord recordOf(const ReadGame& game, std::int64_t number,
                             const std::string& firstEngine) {
    AutomatchGameRecord record;
    record.id = QUuid::createUuid();
    record.gameNumber = number;
    record.whiteEngineName = QString::fromStdString(game.white);
    record.blackEngineName = QString::fromStdString(game.black);
    record.whiteIsEngine1 = game.white == firstEngine;
    record.result = QString::fromStdString(game.parsed.result);
    if (game.parsed.result == "1-0") {
        record.winnerEngineName = record.whiteEngineName;
    } else if (game.parsed.result == "0-1") {
        record.winnerEngineName = record.blackEngineName;
    }
    record.reason = QString::fromStdString(reasonOf(game.parsed));
    const auto& history = game.parsed.board.history();
    record.movesCount = static_cast<std::int64_t>(history.size());
    for (const MoveRecord& move : history) {
        record.movesUCI.append(QString::fromStdString(move.move.uciString()));
    }
    if (const std::string fen = tagValue(game.parsed, "FEN"); !fen.empty()) {
        record.initialFEN = QString::fromStdString(fen);
    }
    record.pgn = QString::fromStdString(game.text);
    record.timestamp = timestampOf(game.parsed);
    return record;
}

std::string playerList(const std::set<std::string>& names) {
    std::string list;
    std::size_t listed = 0;
    for (const std::string& name : names) {
        if (listed == 3) {
            return list + ", ...";
        }
        list += (listed == 0 ? "" : ", ") + name;
        ++listed;
    }
    return list;
}

std::string trimmedGameText(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return std::string(text) + "\n";
}

} // namespace

std::optional<AutomatchGameRecord> matchGameRecord(std::string_view pgn, std::int64_t number,
                                                   const std::string& firstEngine) {
    std::string problem;
    auto parsed = parseGame(pgn, problem);
    if (!parsed) {
        return std::nullopt;
    }
    ReadGame game;
    game.white = tagValue(*parsed, "White");
    game.black = tagValue(*parsed, "Black");
    game.parsed = std::move(*parsed);
    game.text = std::string(pgn);
    return recordOf(game, number, firstEngine);
}

std::variant<ImportedMatch, std::string> importMatchPGN(std::string_view text) {
    const auto index = PGNParser::indexGames(text).value_or(std::vector<PGNGameSummary>{});
    if (index.empty()) {
        return std::string("The text holds no PGN games.");
    }

    std::vector<ReadGame> games;
    std::size_t unfinished = 0;
    std::set<std::string> players;
    for (std::size_t i = 0; i < index.size(); ++i) {
        const PGNGameSummary& summary = index[i];
        const std::size_t fileNumber = i + 1;
        // A game a runner had not finished when it stopped: nothing to count, and its text may
        // be cut off anywhere, so it is not even read.
        if (!isFinished(summary.result)) {
            ++unfinished;
            continue;
        }
        const std::string_view gameText = text.substr(summary.offset, summary.length);
        std::string problem;
        auto parsed = parseGame(gameText, problem);
        if (!parsed) {
            return "Game " + std::to_string(fileNumber) + " of the file cannot be read: " + problem;
        }
        if (!isFinished(parsed->result)) {
            ++unfinished;
            continue;
        }
        ReadGame game;
        game.fileNumber = fileNumber;
        game.round = roundNumber(tagValue(*parsed, "Round"));
        game.white = tagValue(*parsed, "White");
        game.black = tagValue(*parsed, "Black");
        if (game.white.empty() || game.black.empty()) {
            return "Game " + std::to_string(fileNumber) + " of the file names no White or Black.";
        }
        if (game.white == game.black) {
            return "Game " + std::to_string(fileNumber) + " of the file has " + game.white +
                   " on both sides, so its result belongs to neither.";
        }
        players.insert(game.white);
        players.insert(game.black);
        if (players.size() > 2) {
            return "The file is not a match between two engines: it has more players (" +
                   playerList(players) + ").";
        }
        game.parsed = std::move(*parsed);
        game.text = trimmedGameText(gameText);
        games.push_back(std::move(game));
    }
    if (games.empty()) {
        const bool anyPlayer = std::any_of(index.begin(), index.end(), [](const auto& summary) {
            return !summary.white.empty() || !summary.black.empty();
        });
        if (!anyPlayer) {
            return std::string("The text holds no PGN games.");
        }
        return "The file has no finished game (" + std::to_string(unfinished) +
               (unfinished == 1 ? " game has" : " games have") + " no result).";
    }

    // Games are written as they finish, so with several at once their order in the file is not
    // the order they were played in; the round numbers are. Games without one come last.
    std::stable_sort(games.begin(), games.end(), [](const ReadGame& a, const ReadGame& b) {
        if (!a.round || !b.round) {
            return a.round.has_value() && !b.round.has_value();
        }
        return *a.round < *b.round;
    });

    ImportedMatch match;
    match.firstEngine = games.front().white;
    match.secondEngine = games.front().black;

    // One round number on several games marks a runner that numbers opening pairs; otherwise
    // each game has its own number and a pair is two consecutive ones.
    bool sharedRounds = false;
    for (std::size_t i = 1; i < games.size(); ++i) {
        if (games[i].round && games[i - 1].round &&
            games[i].round->first == games[i - 1].round->first) {
            sharedRounds = true;
            break;
        }
    }
    std::size_t paired = 0;
    while (paired + 1 < games.size() && formPair(games[paired], games[paired + 1], sharedRounds)) {
        paired += 2;
    }
    match.paired = paired > 0 && paired + 1 >= games.size();

    for (std::size_t i = 0; i < games.size(); ++i) {
        const GameScore score = firstEngineScore(games[i], match.firstEngine);
        if (match.paired && i + 1 < games.size()) {
            match.counts.addPair(score, firstEngineScore(games[i + 1], match.firstEngine));
            ++i;
        } else {
            match.counts.addGame(score);
        }
    }
    match.records.reserve(static_cast<qsizetype>(games.size()));
    for (std::size_t i = 0; i < games.size(); ++i) {
        match.records.append(
            recordOf(games[i], static_cast<std::int64_t>(i + 1), match.firstEngine));
    }
    return match;
}

} // namespace velkor::automatch
