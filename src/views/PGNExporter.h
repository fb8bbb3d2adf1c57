#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace velkor::PGNExporter {

// Shows a save dialog titled "Save PGN Game" with `defaultFileName` preset and writes the text to
// the chosen file atomically as UTF-8. A failed write is shown in an alert, so nobody believes a
// game was saved when it was not; a cancelled dialog does nothing.
void savePGNDialog(QWidget* parent, const QString& pgnContent,
                   const QString& defaultFileName = QStringLiteral("velkor_game.pgn"));

// The same for FEN text, titled "Save FEN Position".
void saveFENDialog(QWidget* parent, const QString& fenContent,
                   const QString& defaultFileName = QStringLiteral("velkor_position.fen"));

// A file's text, or why it could not be read.
struct OpenedText {
    std::optional<QString> text;
    QString error;
    // The file was not UTF-8 and was read as Latin-1.
    bool readAsLatin1 = false;
};

// Shows an open dialog titled "Open PGN Game" (files only, one at a time) and hands the chosen
// path to `completion`, which reads it (off the main thread: a game collection may be large);
// a cancelled dialog calls nothing.
void openPGNDialog(QWidget* parent, const std::function<void(const QString& path)>& completion);

// Replaces the clipboard's contents with the text, as plain text.
void copyToClipboard(const QString& text);

// Writes `text` to `path` as UTF-8 so that the file holds either the old or the whole new text,
// never a part, even on a full disk; a device such as /dev/null is written in place, never
// replaced. Gives the error text, with the system's reason, when it fails.
std::optional<QString> writeTextAtomically(const QString& path, const QString& text);

// The largest game file Velkor reads. Collections of a few hundred thousand games reach this
// size; the text is read on a worker thread and kept once, as UTF-8, while its list is shown,
// and a device or endless file stops here instead of filling the memory.
inline constexpr qint64 maxPGNFileBytes = 256LL * 1024 * 1024;

// Reads a whole file as text, refusing files larger than `maxBytes` (a device or endless file
// must not fill the memory). A byte-order mark is dropped; a file that is not UTF-8 is read as
// Latin-1, and says so. Blocks: call it off the main thread for files of any size.
OpenedText readText(const QString& path, qint64 maxBytes = maxPGNFileBytes);

// The bytes of a file as UTF-8 text without a byte-order mark (read as Latin-1 when not UTF-8),
// or the reason it could not be read. The same rules as readText, for callers that keep large
// texts as UTF-8.
struct OpenedBytes {
    std::optional<std::string> text;
    QString error;
    bool readAsLatin1 = false;
    // The error is the size cap.
    bool tooLarge = false;
};
OpenedBytes readUtf8(const QString& path, qint64 maxBytes = maxPGNFileBytes);

} // namespace velkor::PGNExporter
