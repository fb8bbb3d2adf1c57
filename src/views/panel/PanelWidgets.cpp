#include "PanelWidgets.h"

#include <QVBoxLayout>
#include <utility>

namespace velkor::panel {

QString eloText(std::int64_t elo) {
    return QString::number(elo) + QStringLiteral(" ELO");
}

QString buttonText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QFrame* makeCard(QWidget* parent, QVBoxLayout*& layout) {
    auto* card = new QFrame(parent);
    card->setObjectName(QStringLiteral("card"));
    card->setFrameShape(QFrame::StyledPanel);
    card->setStyleSheet(QStringLiteral(
        "QFrame#card { background: palette(alternate-base); border: 1px solid palette(mid);"
        " border-radius: 6px; }"));
    layout = new QVBoxLayout(card);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    return card;
}

QLabel* makeHeading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QLabel* makeWrappingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* makeHintLabel(const QString& text, QWidget* parent) {
    auto* label = makeWrappingLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: palette(dark); font-size: 11px;"));
    return label;
}

CoalescedRefresh::CoalescedRefresh(int delayMs, std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_refresh(std::move(refresh)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_refresh(); });
}

void CoalescedRefresh::request() {
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void CoalescedRefresh::flush() {
    if (m_timer.isActive()) {
        m_timer.stop();
        m_refresh();
    }
}

} // namespace velkor::panel
