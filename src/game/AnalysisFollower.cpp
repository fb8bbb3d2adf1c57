#include "AnalysisFollower.h"

#include "AnalysisEngine.h"
#include "AnalysisVariation.h"
#include "GameManager.h"

#include <algorithm>

namespace velkor {

AnalysisFollower::AnalysisFollower(GameManager& game, AnalysisEngine& engine,
                                   AnalysisVariation& variation, QObject* parent)
    : QObject(parent), m_game(game), m_engine(engine), m_variation(variation) {
    connect(&game, &GameManager::boardChanged, this, [this](const ChessBoard& board) {
        noteGameBoard(board);
        refresh();
    });
    connect(&game, &GameManager::inspectingMoveIndexChanged, this, &AnalysisFollower::refresh);
    connect(&variation, &AnalysisVariation::boardChanged, this, &AnalysisFollower::refresh);
    connect(&game, &GameManager::shownGameChanged, this, [this](const ShownGame& shown) {
        m_variation.leave();
        if (shown.origin == ShownGame::Origin::live && shown.white.isEngine &&
            shown.black.isEngine) {
            m_engine.setActive(false);
        }
        refresh();
    });
    m_gameBoard = game.board();
    refresh();
}

void AnalysisFollower::noteGameBoard(const ChessBoard& board) {
    const auto& before = m_gameBoard.history();
    const auto& now = board.history();
    const bool continues =
        board.initialFEN() == m_gameBoard.initialFEN() && now.size() >= before.size() &&
        std::equal(before.begin(), before.end(), now.begin(),
                   [](const MoveRecord& a, const MoveRecord& b) { return a.move == b.move; });
    m_gameBoard = board;
    if (!continues) {
        m_variation.leave();
    }
}

void AnalysisFollower::refresh() {
    m_engine.follow(m_variation.isActive() ? *m_variation.board() : m_game.displayedBoard());
}

} // namespace velkor
