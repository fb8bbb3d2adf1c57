#pragma once

#include <QFrame>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class QHBoxLayout;
class QVBoxLayout;

namespace velkor {
class LocalizationManager;
}

namespace velkor::panel {

// The Elo sliders all run over the same range in the same steps.
inline constexpr std::int64_t minElo = 1320;
inline constexpr std::int64_t maxElo = 3190;
inline constexpr std::int64_t eloStep = 20;

// "<n> ELO".
QString eloText(std::int64_t elo);

// A text for a button, whose "&" would otherwise mark a shortcut letter and vanish.
QString buttonText(QString text);

// A rounded card for a group of controls, with an optional bold title in the interface language.
// Its look comes from the panel's style sheet.
class Card : public QFrame {
    Q_OBJECT

public:
    explicit Card(QWidget* parent = nullptr);
    Card(const QString& titleKey, LocalizationManager& localization, QWidget* parent = nullptr);

    // Where the card's controls go, below the title.
    QVBoxLayout* body() const { return m_body; }
    // The title's line, for a badge beside it; null on a card without a title.
    QHBoxLayout* titleLine() const { return m_titleLine; }

private:
    QVBoxLayout* m_body;
    QHBoxLayout* m_titleLine = nullptr;
};

// A bold heading in the interface language, wrapping where the panel is narrow.
QLabel* heading(const QString& key, LocalizationManager& localization, QWidget* parent);

// Sets the widget's font bold, `scale` times its size.
void embolden(QWidget& widget, double scale = 1.0);

// A label that wraps instead of widening the panel.
QLabel* makeWrappingLabel(const QString& text, QWidget* parent);

// A small grey explanatory line, fixed or in the interface language.
QLabel* makeHintLabel(const QString& text, QWidget* parent);
QLabel* hintLabel(const QString& key, LocalizationManager& localization, QWidget* parent);

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
