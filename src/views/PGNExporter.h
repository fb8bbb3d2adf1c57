#pragma once

#include <QString>
#include <functional>
#include <optional>

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

// The chosen file's text, or why it could not be read.
struct OpenedText {
    std::optional<QString> text;
    QString error;
};

// Shows an open dialog titled "Open PGN Game" (files only, one at a time) and hands the file's
// UTF-8 text, or the read error, to `completion`; a cancelled dialog calls nothing.
void openPGNDialog(QWidget* parent, const std::function<void(const OpenedText&)>& completion);

// Replaces the clipboard's contents with the text, as plain text.
void copyToClipboard(const QString& text);

// Writes `text` to `path` as UTF-8 so that the file holds either the old or the whole new text,
// never a part, even on a full disk; a device such as /dev/null is written in place, never
// replaced. Gives the error text, with the system's reason, when it fails.
std::optional<QString> writeTextAtomically(const QString& path, const QString& text);

// Reads a whole file as UTF-8 text, refusing files larger than `maxBytes` (a PGN collection of a
// few megabytes is plenty; a huge or endless file must not freeze the window).
OpenedText readText(const QString& path, qint64 maxBytes = 64LL * 1024 * 1024);

} // namespace velkor::PGNExporter
