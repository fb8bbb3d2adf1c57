#include "StoreAlerts.h"

#include "Published.h"

#include <QThread>
#include <algorithm>

namespace velkor::platform {

StoreAlerts& StoreAlerts::shared() {
    static StoreAlerts alerts;
    return alerts;
}

StoreAlerts::StoreAlerts(QObject* parent) : QObject(parent) {}

void StoreAlerts::raise(const StoreAlert& alert) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, alert] { raise(alert); }, Qt::QueuedConnection);
        return;
    }
    const bool known = std::any_of(m_alerts.begin(), m_alerts.end(), [&alert](const auto& raised) {
        return raised.textKey == alert.textKey;
    });
    if (known) {
        return;
    }
    QList<StoreAlert> alerts = m_alerts;
    alerts.append(alert);
    publish(this, m_alerts, std::move(alerts), &StoreAlerts::alertsChanged);
}

} // namespace velkor::platform
