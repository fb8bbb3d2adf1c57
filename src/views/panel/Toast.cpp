#include "Toast.h"

#include <QEvent>

namespace velkor::panel {

Toast::Toast(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("toast"));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(visibleMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    parent->installEventFilter(this);
}

void Toast::showMessage(const QString& message) {
    setText(message);
    place();
    show();
    raise();
    m_hideTimer.start();
}

bool Toast::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible()) {
        place();
    }
    return QLabel::eventFilter(watched, event);
}

void Toast::place() {
    const QWidget* host = parentWidget();
    const int width = std::max(120, host->width() - 40);
    setFixedWidth(width);
    adjustSize();
    move((host->width() - width) / 2, host->height() - height() - 64);
}

} // namespace velkor::panel
