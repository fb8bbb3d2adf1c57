#include "PanelWidgets.h"

#include "PanelStyle.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <utility>

namespace velkor::panel {

QString eloText(std::int64_t elo) {
    return QString::number(elo) + QStringLiteral(" ELO");
}

QString buttonText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

Card::Card(QWidget* parent) : QFrame(parent), m_body(new QVBoxLayout(this)) {
    setFrameShape(QFrame::StyledPanel);
    m_body->setContentsMargins(8, 8, 8, 8);
    m_body->setSpacing(6);
}

Card::Card(const QString& titleKey, LocalizationManager& localization, QWidget* parent)
    : Card(parent) {
    m_titleLine = new QHBoxLayout;
    m_titleLine->addWidget(heading(titleKey, localization, this), 1);
    m_body->addLayout(m_titleLine);
}

QLabel* heading(const QString& key, LocalizationManager& localization, QWidget* parent) {
    auto* label = new LocalizedText(key, localization, parent);
    embolden(*label);
    label->setWordWrap(true);
    return label;
}

void embolden(QWidget& widget, double scale) {
    QFont font = widget.font();
    font.setBold(true);
    if (scale != 1.0) {
        font.setPointSizeF(font.pointSizeF() * scale);
    }
    widget.setFont(font);
}

QLabel* makeWrappingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* makeHintLabel(const QString& text, QWidget* parent) {
    auto* label = makeWrappingLabel(text, parent);
    setRole(*label, Role::hint);
    return label;
}

QLabel* hintLabel(const QString& key, LocalizationManager& localization, QWidget* parent) {
    auto* label = new LocalizedText(key, localization, parent);
    label->setWordWrap(true);
    setRole(*label, Role::hint);
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
