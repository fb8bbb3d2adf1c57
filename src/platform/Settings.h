#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace velkor::platform {

// The user defaults store: QSettings in the native format for organisation "tamsel" and
// application "brontil", so keys read the same on every run. Each call opens the store afresh
// and writes through at once; tests isolate it by pointing XDG_CONFIG_HOME at a temporary folder.
//
// A store that cannot be written (a read-only file or folder, a folder where the file belongs, a
// full disk) is said once to the person through StoreAlerts (text "store_settings_unwritable",
// with the file and the system's reason); the program runs on with what it has in memory.
class Settings {
public:
    static QVariant value(const QString& key);
    static bool contains(const QString& key);
    // False when the store could not be written.
    static bool setValue(const QString& key, const QVariant& value);
    static bool remove(const QString& key);

    // Keeps data that could not be read under a key of its own, "<key>_Unreadable" (numbered
    // "_2", "_3", ... when that one is taken, so an earlier copy is never overwritten), so that
    // `key` may be rewritten without losing anything. Gives the key used, or nothing when the
    // copy could not be stored.
    static std::optional<QString> setAside(const QString& key, const QVariant& value);

    // Whether the store could be written now (its file opened for writing, a small file made and
    // flushed in its folder), so that an unwritable store is said at start and not only when the
    // first change is lost. Leaves the store as it was.
    static bool checkWritable();

    // The file that holds the store.
    static QString fileName();
};

} // namespace velkor::platform
