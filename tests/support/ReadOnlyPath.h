#pragma once

#include <QString>

namespace velkor::testing {

// Makes a file or folder unwritable for this process while it lives, and writable again after:
// by its permissions for an ordinary user, by the immutable attribute for the superuser (whom
// permissions do not stop), where the file system and the process's rights allow it.
class ReadOnlyPath {
public:
    explicit ReadOnlyPath(QString path);
    ~ReadOnlyPath();
    ReadOnlyPath(const ReadOnlyPath&) = delete;
    ReadOnlyPath& operator=(const ReadOnlyPath&) = delete;

    // Whether the path could be made unwritable; tests skip when it could not.
    bool holds() const { return m_holds; }

private:
    QString m_path;
    bool m_holds = false;
    bool m_immutable = false;
    unsigned m_mode = 0;
};

} // namespace velkor::testing
