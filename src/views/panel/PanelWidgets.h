#pragma once

#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class QVBoxLayout;

namespace velkor::panel {

// The Elo sliders all run over the same range in the same steps.
inline constexpr std::int64_t minElo = 1320;
inline constexpr std::int64_t maxElo = 3190;
inline constexpr std::int64_t eloStep = 20;

// "<n> ELO".
QString eloText(std::int64_t elo);

// A text for a button, whose "&" would otherwise mark a shortcut letter and vanish.
QString buttonText(QString text);

// A rounded card with a vertical layout for a group of controls.
QFrame* makeCard(QWidget* parent, QVBoxLayout*& layout);

// A bold heading above a card's controls.
QLabel* makeHeading(const QString& text, QWidget* parent);

// A label that wraps instead of widening the panel.
QLabel* makeWrappingLabel(const QString& text, QWidget* parent);

// A small grey explanatory line.
QLabel* makeHintLabel(const QString& text, QWidget* parent);

// Runs `refresh` once, a little later, however often it is asked for in between: engine output
// arrives in bursts, and the panel redraws what it shows at a steady, low rate instead of once
// per line.
class CoalescedRefresh : public QObject {
public:
    CoalescedRefresh(int delayMs, std::function<void()> refresh, QObject* parent);
    void request();
    // Runs a pending refresh now.
    void flush();

private:
    QTimer m_timer;
    std::function<void()> m_refresh;
};

} // namespace velkor::panel
