#include "Commands.h"
#include "base/DomainError.h"
#include "chess/Move.h"
#include "chess/Position.h"

#include <charconv>

namespace velkor::tool {

namespace {

constexpr std::string_view startPositionAlias = "startpos";

// perft walks the tree depth first with one move list per level on the stack; a deeper request
// could never finish anyway, and without a bound it overflows the stack at once.
constexpr int maxPerftDepth = 64;

std::optional<int> parseDepth(std::string_view text) {
    int depth = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), depth);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || depth < 0 ||
        depth > maxPerftDepth) {
        return std::nullopt;
    }
    return depth;
}

// A FEN that cannot be read ends a command with status 1 and the error on standard error.
ToolOutput rejectedFen(const DomainError& error) {
    return ToolOutput{1, {}, errorLine(error) + "\n"};
}

} // namespace

ChessBoard boardFromArgument(std::string_view fen) {
    return fen == startPositionAlias ? ChessBoard() : ChessBoard(fen);
}

std::string errorLine(const DomainError& error) {
    return "error " + std::to_string(error.code()) + " " + error.message();
}

std::string reasonText(const std::optional<GameEndReason>& reason) {
    if (!reason) {
        return "none";
    }
    const auto winner = [&reason](std::string_view kind) {
        return std::string(kind) + (*reason->winner() == PieceColor::white ? " white" : " black");
    };
    switch (reason->kind()) {
    case GameEndReason::Kind::checkmate:
        return winner("checkmate");
    case GameEndReason::Kind::timeout:
        return winner("timeout");
    case GameEndReason::Kind::resignation:
        return winner("resignation");
    case GameEndReason::Kind::stalemate:
        return "stalemate";
    case GameEndReason::Kind::fiftyMoveRule:
        return "fiftyMoveRule";
    case GameEndReason::Kind::threefoldRepetition:
        return "threefoldRepetition";
    case GameEndReason::Kind::seventyFiveMoveRule:
        return "seventyFiveMoveRule";
    case GameEndReason::Kind::fivefoldRepetition:
        return "fivefoldRepetition";
    case GameEndReason::Kind::insufficientMaterial:
        return "insufficientMaterial";
    case GameEndReason::Kind::recordedResult:
        return reason->winner() ? winner("recordedResult") : "recordedResult draw";
    }
    return "none";
}

ToolOutput runPerft(Arguments args) {
    if (args.empty() || args.size() > 2) {
        return usageError();
    }
    const std::optional<int> depth = parseDepth(args[0]);
    if (!depth) {
        return usageError();
    }
    try {
        const ChessBoard board = boardFromArgument(args.size() == 2 ? args[1] : startPositionAlias);
        return ToolOutput{
            0, std::to_string(position::perft(board.compactPosition(), *depth)) + "\n", {}};
    } catch (const DomainError& error) {
        return rejectedFen(error);
    }
}

ToolOutput runLegal(Arguments args) {
    if (args.size() > 1) {
        return usageError();
    }
    try {
        const ChessBoard board = boardFromArgument(args.empty() ? startPositionAlias : args[0]);
        const std::vector<Move> moves = board.generateLegalMoves();
        ToolOutput output;
        for (const Move& move : moves) {
            output.out +=
                move.uciString() + " " + board.standardAlgebraicNotation(move, moves) + "\n";
        }
        return output;
    } catch (const DomainError& error) {
        return rejectedFen(error);
    }
}

ToolOutput runPlay(Arguments args) {
    if (args.empty()) {
        return usageError();
    }
    ChessBoard board;
    try {
        board = boardFromArgument(args[0]);
    } catch (const DomainError& error) {
        return rejectedFen(error);
    }
    ToolOutput output;
    for (const std::string& text : args.subspan(1)) {
        const std::optional<Move> move = Move::fromUci(text);
        if (!move || !board.play(*move)) {
            output.out += "illegal " + text + "\n";
            output.status = 1;
            return output;
        }
        output.out += move->uciString() + " " + board.history().back().san + "\n";
    }
    output.out += "fen " + board.fen() + "\n";
    output.out += "key " + board.positionHashKey() + "\n";
    output.out += "end " + reasonText(board.gameEndReason()) + "\n";
    output.out += "claim " + reasonText(board.claimableDrawReason()) + "\n";
    return output;
}

ToolOutput runCheckFen(Arguments args) {
    if (args.size() != 1) {
        return usageError();
    }
    try {
        return ToolOutput{0, "ok " + boardFromArgument(args[0]).fen() + "\n", {}};
    } catch (const DomainError& error) {
        return ToolOutput{1, errorLine(error) + "\n", {}};
    }
}

} // namespace velkor::tool
