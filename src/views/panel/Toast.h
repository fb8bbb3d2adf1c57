#pragma once

#include <QLabel>
#include <QTimer>

namespace velkor::panel {

// A short confirmation floating over the bottom of its parent; it hides itself after a few
// seconds, and a newer message replaces an older one (restarting the delay).
class Toast : public QLabel {
    Q_OBJECT

public:
    static constexpr int visibleMs = 2500;

    explicit Toast(QWidget* parent);

    void showMessage(const QString& message);
    // The message on show, empty when hidden.
    QString currentMessage() const { return isVisible() ? text() : QString(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QTimer m_hideTimer;
};

} // namespace velkor::panel
