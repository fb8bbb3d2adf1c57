#pragma once

#include "CommandLine.h"
#include "base/DomainError.h"
#include "chess/ChessBoard.h"
#include "chess/GameEndReason.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The sub-commands of velkor-chess. Each takes the arguments after its name; a new command is
// one source file with its function declared here and one row in the table of CommandLine.cpp.
namespace velkor::tool {

using Arguments = std::span<const std::string>;

ToolOutput runPerft(Arguments args);
ToolOutput runLegal(Arguments args);
ToolOutput runPlay(Arguments args);
ToolOutput runCheckFen(Arguments args);
ToolOutput runPgn(Arguments args);

// Helpers shared by the commands.

// Exit status 2 with the usage text on standard error.
ToolOutput usageError();
// The board of a FEN argument; "startpos" is the standard start position. Throws DomainError.
ChessBoard boardFromArgument(std::string_view fen);
// "error <code> <message>" for a rejected FEN.
std::string errorLine(const DomainError& error);
// none, checkmate white, stalemate, fiftyMoveRule, ...
std::string reasonText(const std::optional<GameEndReason>& reason);

} // namespace velkor::tool
