#include "PGNExporter.h"

#include "chess/TextEncoding.h"
#include "localization/LocalizationManager.h"
#include "platform/AtomicFile.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>

namespace velkor::PGNExporter {
namespace {

void saveDialog(QWidget* parent, const QString& content, const QString& defaultFileName,
                const QString& title, const QString& filter) {
    const QString path = QFileDialog::getSaveFileName(parent, title, defaultFileName, filter);
    if (path.isEmpty()) {
        return;
    }
    if (const auto error = writeTextAtomically(path, content)) {
        QMessageBox::warning(parent, title, *error);
    }
}

} // namespace

void savePGNDialog(QWidget* parent, const QString& pgnContent, const QString& defaultFileName) {
    saveDialog(parent, pgnContent, defaultFileName,
               LocalizationManager::shared().text(QStringLiteral("dialog_save_pgn")),
               QStringLiteral("PGN (*.pgn);;Text (*.txt);;All files (*)"));
}

void saveFENDialog(QWidget* parent, const QString& fenContent, const QString& defaultFileName) {
    saveDialog(parent, fenContent, defaultFileName,
               LocalizationManager::shared().text(QStringLiteral("dialog_save_fen")),
               QStringLiteral("FEN (*.fen);;Text (*.txt);;All files (*)"));
}

void openPGNDialog(QWidget* parent, const std::function<void(const QString& path)>& completion) {
    const QString path = QFileDialog::getOpenFileName(
        parent, LocalizationManager::shared().text(QStringLiteral("dialog_open_pgn")), QString(),
        QStringLiteral("PGN (*.pgn);;Text (*.txt);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    completion(path);
}

void copyToClipboard(const QString& text) {
    QApplication::clipboard()->setText(text);
}

std::optional<QString> writeTextAtomically(const QString& path, const QString& text) {
    return platform::writeFileAtomically(path, text.toUtf8());
}

OpenedBytes readUtf8(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, file.errorString()};
    }
    const OpenedBytes tooLarge{std::nullopt, QStringLiteral("The file is too large."), false, true};
    if (file.size() > maxBytes) {
        return tooLarge;
    }
    // Read in pieces: a device or pipe reports no size, and must stop at the cap all the same.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::max<qint64>(file.size(), 0)));
    constexpr qint64 chunk = 1 << 20;
    std::string buffer(static_cast<std::size_t>(chunk), '\0');
    while (true) {
        const qint64 read = file.read(buffer.data(), chunk);
        if (read < 0) {
            return {std::nullopt, file.errorString()};
        }
        if (read == 0) {
            break;
        }
        if (static_cast<qint64>(bytes.size()) + read > maxBytes) {
            return tooLarge;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(read));
    }
    text::DecodedText decoded = text::decodeUtf8OrLatin1(std::move(bytes));
    return {std::move(decoded.text), QString(), decoded.readAsLatin1};
}

OpenedText readText(const QString& path, qint64 maxBytes) {
    OpenedBytes bytes = readUtf8(path, maxBytes);
    if (!bytes.text) {
        return {std::nullopt, bytes.error};
    }
    return {QString::fromStdString(*bytes.text), QString(), bytes.readAsLatin1};
}

} // namespace velkor::PGNExporter
