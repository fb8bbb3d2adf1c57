#include "StatusBadgeText.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

namespace velkor::panel {

QString gameEndText(const GameEndReason& reason, const LocalizationManager& localization) {
    using Kind = GameEndReason::Kind;
    const bool whiteWins = reason.winner() == PieceColor::white;
    switch (reason.kind()) {
    case Kind::checkmate:
        return localization.text(whiteWins ? QStringLiteral("status_checkmate_white")
                                           : QStringLiteral("status_checkmate_black"));
    case Kind::timeout:
        // Named by the side whose time ran out, the loser.
        return localization.text(whiteWins ? QStringLiteral("status_black_timeout")
                                           : QStringLiteral("status_white_timeout"));
    case Kind::resignation:
        return localization.text(whiteWins ? QStringLiteral("status_black_resigned")
                                           : QStringLiteral("status_white_resigned"));
    case Kind::stalemate:
        return localization.text(QStringLiteral("status_stalemate"));
    case Kind::fiftyMoveRule:
        return localization.text(QStringLiteral("status_draw_50"));
    case Kind::threefoldRepetition:
        return localization.text(QStringLiteral("status_draw_rep"));
    case Kind::insufficientMaterial:
        return localization.text(QStringLiteral("status_draw_material"));
    case Kind::fivefoldRepetition:
        return localization.text(QStringLiteral("status_draw_fivefold"));
    case Kind::seventyFiveMoveRule:
        return localization.text(QStringLiteral("status_draw_75"));
    case Kind::recordedResult:
        // Only the result the record gives, with no reason made up for it.
        if (!reason.winner()) {
            return localization.text(QStringLiteral("status_result_draw"));
        }
        return localization.text(whiteWins ? QStringLiteral("status_result_white_won")
                                           : QStringLiteral("status_result_black_won"));
    }
    return {};
}

StatusBadgeContent statusBadgeContent(const GameManager& games,
                                      const LocalizationManager& localization) {
    using Icon = StatusBadgeContent::Icon;
    if (games.isGameOver() && games.gameEndReason()) {
        return {Icon::checkeredFlag, gameEndText(*games.gameEndReason(), localization)};
    }
    // A finished game whose end has no name (a stored game's unknown reason) still shows that
    // it is over, by its result; never whose turn it would be.
    if (games.isGameOver()) {
        const QString result = games.shownGame().result;
        return {Icon::checkeredFlag,
                result == QStringLiteral("1/2-1/2") ? QStringLiteral("½-½") : result};
    }
    const ChessBoard& board = games.board();
    if (board.isKingInCheck(board.turn())) {
        return {Icon::warning, localization.text(QStringLiteral("status_check"))};
    }
    if (games.isPaused()) {
        return {Icon::pause, localization.text(QStringLiteral("status_paused"))};
    }
    return {Icon::none, localization.text(board.turn() == PieceColor::white
                                              ? QStringLiteral("status_white_turn")
                                              : QStringLiteral("status_black_turn"))};
}

} // namespace velkor::panel
