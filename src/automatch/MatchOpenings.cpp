#include "MatchOpenings.h"

#include "base/DomainError.h"
#include "chess/ChessBoard.h"
#include "chess/PGNParser.h"

#include <fstream>
#include <numeric>
#include <random>
#include <sstream>

namespace velkor::automatch {

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> result;
    std::string word;
    while (stream >> word) {
        result.push_back(word);
    }
    return result;
}

bool isCounter(const std::string& word) {
    return !word.empty() && word.size() < 7 &&
           word.find_first_not_of("0123456789") == std::string::npos;
}

// The value of an EPD opcode such as "fmvn 12;", if the line has it.
std::optional<std::string> opcode(const std::vector<std::string>& fields, std::string_view name) {
    for (std::size_t i = 4; i + 1 < fields.size(); ++i) {
        if (fields[i] == name) {
            std::string value = fields[i + 1];
            if (!value.empty() && value.back() == ';') {
                value.pop_back();
            }
            if (isCounter(value)) {
                return value;
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::variant<std::vector<MatchOpening>, std::string> openingsFromEpd(const std::string& text) {
    std::vector<MatchOpening> openings;
    std::istringstream stream(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(stream, line)) {
        ++lineNumber;
        const auto fields = words(line);
        if (fields.empty() || fields.front().starts_with('#')) {
            continue;
        }
        if (fields.size() < 4) {
            return "line " + std::to_string(lineNumber) + " is not an EPD position";
        }
        std::string halfmove = "0";
        std::string fullmove = "1";
        if (fields.size() >= 6 && isCounter(fields[4]) && isCounter(fields[5])) {
            halfmove = fields[4];
            fullmove = fields[5];
        } else {
            halfmove = opcode(fields, "hmvc").value_or(halfmove);
            fullmove = opcode(fields, "fmvn").value_or(fullmove);
        }
        const std::string fen = fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3] +
                                " " + halfmove + " " + fullmove;
        try {
            const ChessBoard board(fen);
            if (board.isGameOver()) {
                return "line " + std::to_string(lineNumber) + " is a finished game";
            }
            openings.push_back(MatchOpening{board.fen(), {}});
        } catch (const DomainError& error) {
            return "line " + std::to_string(lineNumber) + ": " + error.what();
        }
    }
    if (openings.empty()) {
        return std::string("holds no positions");
    }
    return openings;
}

std::variant<std::vector<MatchOpening>, std::string> openingsFromPgn(const std::string& text,
                                                                     std::optional<int> plies) {
    const auto games = PGNParser::indexGames(text);
    if (!games || games->empty()) {
        return std::string("holds no games");
    }
    std::vector<MatchOpening> openings;
    openings.reserve(games->size());
    for (std::size_t g = 0; g < games->size(); ++g) {
        const auto& summary = (*games)[g];
        try {
            const ParsedPGN parsed =
                PGNParser::parse(std::string_view(text).substr(summary.offset, summary.length));
            MatchOpening opening{parsed.board.initialFEN(), {}};
            ChessBoard board(opening.fen);
            for (const MoveRecord& record : parsed.board.history()) {
                if (plies && static_cast<int>(opening.moves.size()) >= *plies) {
                    break;
                }
                board.play(record.move);
                opening.moves.push_back(record.move.uciString());
            }
            if (board.isGameOver()) {
                return "game " + std::to_string(g + 1) + " ends within its opening moves";
            }
            openings.push_back(std::move(opening));
        } catch (const DomainError& error) {
            return "game " + std::to_string(g + 1) + ": " + error.what();
        }
    }
    return openings;
}

std::variant<std::vector<MatchOpening>, std::string> loadOpenings(const OpeningSetup& setup) {
    std::ifstream in(setup.file, std::ios::binary);
    if (!in) {
        return "-openings file=" + setup.file + ": cannot be read";
    }
    std::ostringstream content;
    content << in.rdbuf();
    auto result = setup.format == OpeningSetup::Format::Epd
                      ? openingsFromEpd(content.str())
                      : openingsFromPgn(content.str(), setup.plies);
    if (auto* problem = std::get_if<std::string>(&result)) {
        return "-openings file=" + setup.file + ": " + *problem;
    }
    return result;
}

std::vector<std::size_t> openingOrder(std::size_t count, OpeningSetup::Order order,
                                      std::uint64_t seed) {
    std::vector<std::size_t> indices(count);
    std::iota(indices.begin(), indices.end(), std::size_t{0});
    if (order == OpeningSetup::Order::Random && count > 1) {
        // Our own Fisher-Yates over the standard engine (whose sequence the standard fixes),
        // since std::shuffle may differ between library versions and a resumed run must not.
        std::mt19937_64 engine(seed);
        for (std::size_t i = count - 1; i > 0; --i) {
            const auto j = static_cast<std::size_t>(engine() % (i + 1));
            std::swap(indices[i], indices[j]);
        }
    }
    return indices;
}

} // namespace velkor::automatch
