#pragma once

#include "chess/Move.h"
#include "chess/Square.h"

#include <QObject>
#include <optional>

namespace velkor {

class GameManager;

// One move a person queues while the engine they play is thinking. The man is picked and put
// down by clicks or a drag, as on the person's own turn but with any target square; once the
// engine's move is on the board the queued move is played at once if it is legal there, through
// the game's ordinary clicks (so the clock charges the few milliseconds it takes and adds the
// increment), and dropped silently otherwise. Main thread.
class PremoveQueue : public QObject {
    Q_OBJECT

public:
    explicit PremoveQueue(GameManager& game, QObject* parent = nullptr);

    // The queue of `game`, made on first use and owned by it.
    static PremoveQueue& of(GameManager& game);

    // Whether the board's clicks are premoves now: a person plays an engine, the engine is to
    // move in a game under way, and the live position is shown.
    bool acceptsInput() const;

    std::optional<Move> queued() const { return m_queued; }
    // The man picked for a premove, before its target is chosen.
    std::optional<Square> pickedSquare() const { return m_picked; }
    // The picked man while the button that picked it is held, for the board to draw under the
    // pointer.
    std::optional<Square> grabbedSquare() const { return m_grabbed ? m_picked : std::nullopt; }

    // The button pressed on `square`: picks up one of the person's men, or completes the premove
    // of the picked one.
    void press(Square square);
    // The button released over `square` (none: off the board); a picked man dropped on another
    // square queues that premove.
    void release(std::optional<Square> square);
    // Forgets the queued premove and the picked man.
    void cancel();

signals:
    // The queued move or the picked man changed.
    void changed();

private:
    bool isOwnMan(Square square) const;
    // Queues picked → `target` when the target could ever be a legal destination of that man.
    void queue(Square target);
    // The board moved on: the person's turn plays the queued move, anything else drops it.
    void followBoard();
    void playQueued();

    GameManager& m_game;
    std::optional<Square> m_picked;
    bool m_grabbed = false;
    std::optional<Move> m_queued;
};

} // namespace velkor
