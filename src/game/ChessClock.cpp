#include "ChessClock.h"

#include "SaturatingMath.h"
#include "platform/Published.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velkor {

namespace {

// Seconds of the configuration as milliseconds; negative custom values count as none.
std::int64_t toClockMs(std::int64_t seconds) {
    return std::max<std::int64_t>(0, detail::saturatingMultiply(seconds, 1000));
}

} // namespace

ChessClock::ChessClock(const TimeControlConfig& config, platform::TimeSource now, QObject* parent)
    : QObject(parent), m_now(std::move(now)) {
    m_timer.setInterval(tickIntervalMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ChessClock::tick);
    reset(config);
}

void ChessClock::setOnTimeout(std::function<void(PieceColor)> callback) {
    m_onTimeout = std::move(callback);
}

void ChessClock::setHasPendingMove(std::function<bool(PieceColor)> callback) {
    m_hasPendingMove = std::move(callback);
}

void ChessClock::setNow(platform::TimeSource now) {
    m_now = std::move(now);
}

void ChessClock::reset(const TimeControlConfig& config) {
    stop();
    m_isUnlimited = config.isUnlimited();
    const std::int64_t baseMs = toClockMs(config.effectiveBaseSeconds());
    setRemaining(PieceColor::white, baseMs);
    setRemaining(PieceColor::black, baseMs);
    m_incrementMs = toClockMs(config.effectiveIncrementSeconds());
    setActiveColor(std::nullopt);
}

void ChessClock::start(PieceColor color) {
    setActiveColor(color);
    setIsRunning(true);
    if (m_isUnlimited) {
        return;
    }
    beginTurn();
    m_timer.start();
}

void ChessClock::beginTurn() {
    if (!m_isRunning || m_isUnlimited || !m_activeColor) {
        return;
    }
    m_turnStart = m_now();
    m_remainingAtTurnStartMs = remaining(*m_activeColor);
}

bool ChessClock::switchTurn(PieceColor next, std::optional<double> moveArrivedAt) {
    if (m_isUnlimited) {
        setActiveColor(next);
        return true;
    }
    if (!m_activeColor) {
        setActiveColor(next);
        beginTurn();
        return true;
    }
    const PieceColor mover = *m_activeColor;
    bool inTime = true;
    if (m_isRunning && m_turnStart) {
        const double arrival = moveArrivedAt.value_or(m_now());
        const std::int64_t left = m_remainingAtTurnStartMs - elapsedMs(arrival);
        if (left < 0) {
            setRemaining(mover, 0);
            inTime = false;
        } else {
            setRemaining(mover, detail::saturatingAdd(left, m_incrementMs));
        }
    } else {
        setRemaining(mover, detail::saturatingAdd(remaining(mover), m_incrementMs));
    }
    setActiveColor(next);
    beginTurn();
    return inTime;
}

void ChessClock::holdTurn() {
    if (!m_isRunning || m_isUnlimited || !m_activeColor || !m_turnStart) {
        return;
    }
    setRemaining(*m_activeColor,
                 std::max<std::int64_t>(0, m_remainingAtTurnStartMs - elapsedMs(m_now())));
    m_turnStart.reset();
}

bool ChessClock::isTurnHeld() const {
    return m_isRunning && !m_isUnlimited && m_activeColor && !m_turnStart;
}

bool ChessClock::wouldFlag(PieceColor color, double instant) const {
    if (m_isUnlimited || !m_isRunning || m_activeColor != color || !m_turnStart) {
        return false;
    }
    return m_remainingAtTurnStartMs - elapsedMs(instant) < 0;
}

void ChessClock::pause() {
    if (m_isRunning && m_activeColor && m_turnStart) {
        setRemaining(*m_activeColor,
                     std::max<std::int64_t>(0, m_remainingAtTurnStartMs - elapsedMs(m_now())));
    }
    setIsRunning(false);
    cancelTimer();
    m_turnStart.reset();
}

void ChessClock::resume() {
    if (m_activeColor) {
        start(*m_activeColor);
    }
}

void ChessClock::stop() {
    setIsRunning(false);
    cancelTimer();
    m_turnStart.reset();
    setActiveColor(std::nullopt);
}

ChessClock::Snapshot ChessClock::snapshot() const {
    return Snapshot{m_whiteRemainingMs, m_blackRemainingMs, m_activeColor, m_isRunning};
}

void ChessClock::restore(const Snapshot& snapshot) {
    cancelTimer();
    setRemaining(PieceColor::white, snapshot.whiteRemainingMs);
    setRemaining(PieceColor::black, snapshot.blackRemainingMs);
    setActiveColor(snapshot.activeColor);
    setIsRunning(false);
    m_turnStart.reset();
    if (snapshot.isRunning && snapshot.activeColor) {
        start(*snapshot.activeColor);
    }
}

QString ChessClock::formattedTime(PieceColor color) const {
    if (m_isUnlimited) {
        return QStringLiteral("--:--");
    }
    const std::int64_t ms = remaining(color);
    const std::int64_t seconds = ms < 0 ? 0 : ms / 1000;
    const long long minutes = seconds / 60;
    const int secondsOfMinute = static_cast<int>(seconds % 60);
    if (seconds > 9) {
        return QString::asprintf("%lld:%02d", minutes, secondsOfMinute);
    }
    const int tenths = static_cast<int>((ms % 1000) / 100);
    return QString::asprintf("%lld:%02d.%d", minutes, secondsOfMinute, tenths);
}

void ChessClock::tick() {
    if (!m_isRunning || !m_activeColor || !m_turnStart) {
        return;
    }
    const PieceColor active = *m_activeColor;
    const std::int64_t left = m_remainingAtTurnStartMs - elapsedMs(m_now());
    setRemaining(active, std::max<std::int64_t>(0, left));
    if (left > 0) {
        return;
    }
    if (m_hasPendingMove && m_hasPendingMove(active)) {
        return;
    }
    stop();
    if (m_onTimeout) {
        m_onTimeout(active);
    }
}

std::int64_t ChessClock::elapsedMs(double instant) const {
    const double milliseconds = std::max(0.0, instant - m_turnStart.value_or(instant)) * 1000.0;
    // A broken time source (NaN, an absurd jump) must not turn into undefined arithmetic.
    if (!(milliseconds < 9.0e18)) {
        return std::numeric_limits<std::int64_t>::max() / 2;
    }
    return std::llround(milliseconds);
}

std::int64_t ChessClock::remaining(PieceColor color) const {
    return color == PieceColor::white ? m_whiteRemainingMs : m_blackRemainingMs;
}

void ChessClock::setRemaining(PieceColor color, std::int64_t milliseconds) {
    const std::int64_t clamped = std::max<std::int64_t>(0, milliseconds);
    if (color == PieceColor::white) {
        platform::publish(this, m_whiteRemainingMs, clamped, &ChessClock::whiteRemainingMsChanged);
    } else {
        platform::publish(this, m_blackRemainingMs, clamped, &ChessClock::blackRemainingMsChanged);
    }
}

void ChessClock::setIsRunning(bool running) {
    platform::publish(this, m_isRunning, running, &ChessClock::isRunningChanged);
}

void ChessClock::setActiveColor(std::optional<PieceColor> color) {
    platform::publish(this, m_activeColor, color, &ChessClock::activeColorChanged);
}

void ChessClock::cancelTimer() {
    m_timer.stop();
}

} // namespace velkor
