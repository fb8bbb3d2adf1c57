#include "PremoveQueue.h"

#include "GameManager.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace velkor {

PremoveQueue::PremoveQueue(GameManager& game, QObject* parent) : QObject(parent), m_game(game) {
    connect(&game, &GameManager::boardChanged, this, &PremoveQueue::followBoard);
    connect(&game, &GameManager::isGameOverChanged, this, [this](bool over) {
        if (over) {
            cancel();
        }
    });
}

PremoveQueue& PremoveQueue::of(GameManager& game) {
    if (auto* existing = game.findChild<PremoveQueue*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *existing;
    }
    return *new PremoveQueue(game, &game);
}

bool PremoveQueue::acceptsInput() const {
    return m_game.playingMode() == GameMode::humanVsEngine && !m_game.isGameOver() &&
           !m_game.isPaused() && !m_game.isInspectingPast() &&
           m_game.board().turn() != m_game.humanColor();
}

bool PremoveQueue::isOwnMan(Square square) const {
    const auto piece = m_game.board()[square];
    return piece && piece->color == m_game.humanColor();
}

void PremoveQueue::press(Square square) {
    if (!acceptsInput()) {
        return;
    }
    if (isOwnMan(square) && square != m_picked) {
        m_picked = square;
        m_grabbed = true;
        emit changed();
        return;
    }
    if (m_picked && square != *m_picked) {
        queue(square);
        return;
    }
    // A press on the picked man holds it again; its release decides.
    m_grabbed = m_picked.has_value();
}

void PremoveQueue::release(std::optional<Square> square) {
    const bool wasGrabbed = std::exchange(m_grabbed, false);
    if (!acceptsInput() || !wasGrabbed || !m_picked) {
        return;
    }
    if (square && *square != *m_picked) {
        queue(*square);
        return;
    }
    // Dropped back on its square or off the board: still picked, waiting for a target click.
    emit changed();
}

void PremoveQueue::queue(Square target) {
    const Square from = *m_picked;
    m_picked.reset();
    m_grabbed = false;
    // The person's own men do not move during the engine's turn, so a square they hold stays
    // out of reach.
    if (isOwnMan(target)) {
        m_queued.reset();
        emit changed();
        return;
    }
    const auto piece = m_game.board()[from];
    const std::int64_t lastRank = m_game.humanColor() == PieceColor::white ? 7 : 0;
    // No choice can be offered while the engine thinks; a pawn reaching the last rank becomes a
    // queen, as it almost always should.
    std::optional<PieceType> promotion;
    if (piece && piece->type == PieceType::pawn && target.rank == lastRank) {
        promotion = PieceType::queen;
    }
    m_queued = Move(from, target, promotion);
    emit changed();
}

void PremoveQueue::cancel() {
    if (!m_queued && !m_picked) {
        return;
    }
    m_queued.reset();
    m_picked.reset();
    m_grabbed = false;
    emit changed();
}

void PremoveQueue::followBoard() {
    if (!m_queued && !m_picked) {
        return;
    }
    if (m_game.isGameOver() || m_game.board().turn() != m_game.humanColor() ||
        m_game.playingMode() != GameMode::humanVsEngine) {
        cancel();
        return;
    }
    m_picked.reset();
    m_grabbed = false;
    // The engine's move is still being applied (the clock switches after this signal): the
    // premove follows on the next turn of the event loop, long before 50 ms have passed.
    QTimer::singleShot(0, this, &PremoveQueue::playQueued);
}

void PremoveQueue::playQueued() {
    const std::optional<Move> move = std::exchange(m_queued, std::nullopt);
    emit changed();
    if (!move || m_game.isGameOver() || m_game.isPaused() || m_game.isInspectingPast() ||
        m_game.board().turn() != m_game.humanColor()) {
        return;
    }
    const std::vector<Move> legal = m_game.board().legalMoves(move->from);
    if (std::find(legal.begin(), legal.end(), *move) == legal.end()) {
        return;
    }
    // Through the person's own clicks, so the move is judged, timed and sounded like any other.
    if (m_game.clicks().selectedSquare() != move->from) {
        m_game.handleSquareClick(move->from);
    }
    m_game.handleSquareClick(move->to);
    if (m_game.clicks().pendingPromotion()) {
        m_game.confirmPromotion(move->promotion.value_or(PieceType::queen));
    }
}

} // namespace velkor
