#include "Settings.h"

#include <QSettings>

namespace velkor::platform {

namespace {
constexpr auto organisation = "tamsel";
constexpr auto application = "brontil";
} // namespace

QVariant Settings::value(const QString& key) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation,
                             application);
    return settings.value(key);
}

bool Settings::contains(const QString& key) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation,
                             application);
    return settings.contains(key);
}

void Settings::setValue(const QString& key, const QVariant& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
    settings.setValue(key, value);
    settings.sync();
}

void Settings::remove(const QString& key) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
    settings.remove(key);
    settings.sync();
}

} // namespace velkor::platform
