#include "PGNGame.h"

#include "ChessBoard.h"

#include <cstddef>
#include <ctime>

namespace velkor {

namespace {

constexpr std::size_t lineWidth = 80;

void appendTag(std::string& text, std::string_view name, std::string_view value) {
    text += '[';
    text += name;
    text += " \"";
    text += value;
    text += "\"]\n";
}

// Side to move and move number at the start of the game; a starting FEN that cannot be read
// numbers from the standard start.
std::pair<PieceColor, std::int64_t> startingTurn(const std::optional<std::string>& initialFEN) {
    try {
        const ChessBoard board(initialFEN ? std::string_view(*initialFEN) : standardStartingFEN);
        return {board.turn(), board.fullmoveNumber()};
    } catch (const DomainError&) {
        return {PieceColor::white, 1};
    }
}

// One token per full move ("12. Nf3 Nc6"), a lone white move, or the black move that opens a
// game started by black ("7... Qxd4").
std::vector<std::string> movetextTokens(const std::vector<MoveRecord>& moves, PieceColor turn,
                                        std::int64_t moveNumber) {
    std::vector<std::string> tokens;
    bool whiteToMove = turn == PieceColor::white;
    for (std::size_t index = 0; index < moves.size(); ++index) {
        const std::string& san = moves[index].san;
        if (whiteToMove) {
            tokens.push_back(std::to_string(moveNumber) + ". " + san);
        } else {
            if (index == 0) {
                tokens.push_back(std::to_string(moveNumber) + "... " + san);
            } else {
                tokens.back() += ' ';
                tokens.back() += san;
            }
            ++moveNumber;
        }
        whiteToMove = !whiteToMove;
    }
    return tokens;
}

void appendWrapped(std::string& text, const std::vector<std::string>& tokens) {
    std::string line;
    for (const std::string& token : tokens) {
        if (line.empty()) {
            line = token;
        } else if (line.size() + 1 + token.size() <= lineWidth) {
            line += ' ';
            line += token;
        } else {
            text += line;
            text += '\n';
            line = token;
        }
    }
    if (!line.empty()) {
        text += line;
        text += '\n';
    }
}

} // namespace

std::string PGNGame::currentDateString() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y.%m.%d", &local);
    return buffer;
}

std::string PGNGame::exportPGN() const {
    std::string text;
    appendTag(text, "Event", event);
    appendTag(text, "Site", site);
    appendTag(text, "Date", date);
    appendTag(text, "Round", round);
    appendTag(text, "White", white);
    appendTag(text, "Black", black);
    appendTag(text, "Result", result);
    appendTag(text, "TimeControl", timeControl);
    if (initialFEN && *initialFEN != standardStartingFEN) {
        appendTag(text, "SetUp", "1");
        appendTag(text, "FEN", *initialFEN);
    }
    text += '\n';

    const auto [turn, moveNumber] = startingTurn(initialFEN);
    std::vector<std::string> tokens = movetextTokens(moves, turn, moveNumber);
    if (!result.empty() && result != "*") {
        tokens.push_back(result);
    }
    appendWrapped(text, tokens);
    return text;
}

} // namespace velkor
