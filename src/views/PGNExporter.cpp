#include "PGNExporter.h"

#include "localization/LocalizationManager.h"
#include "platform/AtomicFile.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringDecoder>

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

void openPGNDialog(QWidget* parent, const std::function<void(const OpenedText&)>& completion) {
    const QString path = QFileDialog::getOpenFileName(
        parent, LocalizationManager::shared().text(QStringLiteral("dialog_open_pgn")), QString(),
        QStringLiteral("PGN (*.pgn);;Text (*.txt);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    completion(readText(path));
}

void copyToClipboard(const QString& text) {
    QApplication::clipboard()->setText(text);
}

std::optional<QString> writeTextAtomically(const QString& path, const QString& text) {
    return platform::writeFileAtomically(path, text.toUtf8());
}

OpenedText readText(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, file.errorString()};
    }
    if (file.size() > maxBytes) {
        return {std::nullopt, LocalizationManager::shared().text(QStringLiteral("file_too_large"))};
    }
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        return {std::nullopt, LocalizationManager::shared().text(QStringLiteral("file_too_large"))};
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {std::nullopt, LocalizationManager::shared().text(QStringLiteral("file_not_utf8"))};
    }
    return {std::move(text), QString()};
}

} // namespace velkor::PGNExporter
