#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace velkor::platform {

// Something about the person's stored data that they must hear of: what happened, as a key of
// the interface's text table, and what stands beside that text (where, which key, the system's
// reason), shown as it is.
struct StoreAlert {
    QString textKey;
    QString details;

    bool operator==(const StoreAlert&) const = default;
};

// The alerts about stored data raised during this run, published for the window, which shows
// each one. An alert is raised once per run: a store that cannot be written is said once, not at
// every change that fails. Lives on the main thread; raise() may be called from any thread.
class StoreAlerts : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<velkor::platform::StoreAlert> alerts READ alerts NOTIFY alertsChanged)

public:
    static StoreAlerts& shared();

    explicit StoreAlerts(QObject* parent = nullptr);

    // In the order they were raised.
    const QList<StoreAlert>& alerts() const { return m_alerts; }

    // Adds the alert unless one with the same text key was raised before.
    void raise(const StoreAlert& alert);

signals:
    void alertsChanged(const QList<velkor::platform::StoreAlert>& alerts);

private:
    QList<StoreAlert> m_alerts;
};

} // namespace velkor::platform
