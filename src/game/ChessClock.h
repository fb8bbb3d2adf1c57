#pragma once

#include "TimeControlConfig.h"
#include "chess/PieceColor.h"
#include "platform/Uptime.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

namespace velkor {

// The two-sided game clock with a per-move increment. It counts whole milliseconds from one
// stored instant per turn (so timer jitter never accumulates), refreshes the active side's
// published time every 50 ms on the main thread and reports a flag fall through `onTimeout`.
// Main thread only.
class ChessClock : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 whiteRemainingMs READ whiteRemainingMs NOTIFY whiteRemainingMsChanged)
    Q_PROPERTY(qint64 blackRemainingMs READ blackRemainingMs NOTIFY blackRemainingMsChanged)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(
        std::optional<velkor::PieceColor> activeColor READ activeColor NOTIFY activeColorChanged)

public:
    // The clock's state as the game manager stores it before every move, for undo.
    struct Snapshot {
        std::int64_t whiteRemainingMs = 0;
        std::int64_t blackRemainingMs = 0;
        std::optional<PieceColor> activeColor;
        bool isRunning = false;

        bool operator==(const Snapshot&) const = default;
    };

    static constexpr int tickIntervalMs = 50;

    // A stopped clock with the configuration's times; `now` is the monotonic time source.
    explicit ChessClock(const TimeControlConfig& config,
                        platform::TimeSource now = platform::systemUptime,
                        QObject* parent = nullptr);

    std::int64_t whiteRemainingMs() const { return m_whiteRemainingMs; }
    std::int64_t blackRemainingMs() const { return m_blackRemainingMs; }
    bool isRunning() const { return m_isRunning; }
    // The side whose time runs (or would run); none before a start and after stop().
    std::optional<PieceColor> activeColor() const { return m_activeColor; }
    std::int64_t incrementMs() const { return m_incrementMs; }
    bool isUnlimited() const { return m_isUnlimited; }
    // Whether the 50 ms refresh timer is scheduled.
    bool hasTimer() const { return m_timer.isActive(); }

    // Called from a tick with the side whose time ran out (the clock has stopped by then).
    void setOnTimeout(std::function<void(PieceColor)> callback);
    // Asked before a flag falls: true when that side's move is already produced and only waits
    // to be applied, so that the move's arrival time decides instead of the tick.
    void setHasPendingMove(std::function<bool(PieceColor)> callback);
    // Replaces the time source (seconds, monotonic).
    void setNow(platform::TimeSource now);

    // Stops the clock and loads fresh times and the increment from the configuration.
    void reset(const TimeControlConfig& config);

    // Runs the clock for `color`; an unlimited clock only records the side.
    void start(PieceColor color);

    // Re-bases the active side's turn at this instant from its published time; the fraction of a
    // tick since the last refresh is not charged.
    void beginTurn();

    // The active side has moved (at `moveArrivedAt`, or now): charge it, credit the increment if
    // it was still in time, and hand the clock to `next`. False when the mover had overstepped.
    bool switchTurn(PieceColor next, std::optional<double> moveArrivedAt = std::nullopt);

    // Stops charging the active side until the next beginTurn() (or start()): what it used so
    // far stays charged, the wait that follows is charged to nobody. For the pause before an
    // engine is asked for its move, and for the first move of a game the person has not begun.
    void holdTurn();
    // Whether the clock runs for a side whose turn is held.
    bool isTurnHeld() const;

    // Whether `color` is the running side and its time would be below zero at `instant`.
    bool wouldFlag(PieceColor color, double instant) const;

    // Stops counting but keeps the active side; never reports a time-out.
    void pause();
    // Runs again for the side kept by pause().
    void resume();
    // Stops counting and forgets the active side; the times stay for display.
    void stop();

    Snapshot snapshot() const;
    // Loads the snapshot; one taken while running runs again from this instant.
    void restore(const Snapshot& snapshot);

    // Banner text: "4:05" above ten seconds, "0:09.9" with tenths below, "--:--" unlimited.
    QString formattedTime(PieceColor color) const;

    // The refresh step the timer runs every 50 ms: updates the active side's time and, at zero
    // without a pending move, stops and reports the time-out. Public so tests can step the clock
    // deterministically.
    void tick();

signals:
    void whiteRemainingMsChanged(qint64 milliseconds);
    void blackRemainingMsChanged(qint64 milliseconds);
    void isRunningChanged(bool running);
    void activeColorChanged(std::optional<velkor::PieceColor> color);

private:
    std::int64_t elapsedMs(double instant) const;
    std::int64_t remaining(PieceColor color) const;
    void setRemaining(PieceColor color, std::int64_t milliseconds);
    void setIsRunning(bool running);
    void setActiveColor(std::optional<PieceColor> color);
    void cancelTimer();

    std::int64_t m_whiteRemainingMs = 0;
    std::int64_t m_blackRemainingMs = 0;
    bool m_isRunning = false;
    std::optional<PieceColor> m_activeColor;
    std::function<void(PieceColor)> m_onTimeout;
    std::function<bool(PieceColor)> m_hasPendingMove;
    platform::TimeSource m_now;
    std::int64_t m_incrementMs = 0;
    bool m_isUnlimited = false;
    // Owned by value, so it dies with the clock: a destroyed clock can never be ticked.
    QTimer m_timer;
    std::optional<double> m_turnStart;
    std::int64_t m_remainingAtTurnStartMs = 0;
};

} // namespace velkor
