#pragma once

#include <QString>
#include <QVariant>

namespace velkor::platform {

// The user defaults store: QSettings in the native format for organisation "tamsel" and
// application "brontil", so keys read the same on every run. Each call opens the store afresh
// and writes through at once; tests isolate it by pointing XDG_CONFIG_HOME at a temporary folder.
class Settings {
public:
    static QVariant value(const QString& key);
    static bool contains(const QString& key);
    static void setValue(const QString& key, const QVariant& value);
    static void remove(const QString& key);
};

} // namespace velkor::platform
