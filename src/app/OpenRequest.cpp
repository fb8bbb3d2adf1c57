#include "OpenRequest.h"

#include "AppMenus.h"
#include "base/DomainError.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/PGNExporter.h"
#include "views/PGNOpenFlow.h"

#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>
#include <QWidget>

namespace velkor {

namespace {

constexpr const char* kindNames[] = {"pgn", "fen-file", "fen"};

// A FEN file holds one line; anything much longer is not one.
constexpr qint64 maxFenFileBytes = 64 * 1024;

QString kindName(OpenRequest::Kind kind) {
    return QLatin1String(kindNames[static_cast<int>(kind)]);
}

bool looksLikeFen(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.split(blanks, Qt::SkipEmptyParts).size() == 6 && text.contains(u'/');
}

void showError(QWidget& window, LocalizationManager& localization, const QString& message) {
    auto* alert =
        new QMessageBox(QMessageBox::Warning, localization.text(QStringLiteral("app_title")),
                        message, QMessageBox::Ok, &window);
    alert->setObjectName(QStringLiteral("openRequestError"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

void loadFenInto(QWidget& window, GameManager& game, LocalizationManager& localization,
                 const QString& fen) {
    try {
        game.loadFEN(fen);
    } catch (const DomainError& error) {
        showError(window, localization,
                  localization.text(QStringLiteral("invalid_fen")) + u' ' +
                      QString::fromStdString(error.message()));
    }
}

} // namespace

std::optional<OpenRequest> openRequestFromArguments(const QStringList& arguments,
                                                    const QString& workingDirectory) {
    QStringList words;
    for (const QString& argument : arguments) {
        // Options are the toolkit's or the shell's business; a FEN field never starts with "-"
        // followed by more, but the lone "-" of an empty field is a word.
        if (argument.startsWith(u'-') && argument.size() > 1 && words.isEmpty()) {
            continue;
        }
        words.append(argument);
    }
    if (words.isEmpty() || words.front().trimmed().isEmpty()) {
        return std::nullopt;
    }
    QString first = words.front();
    if (first.startsWith(QLatin1String("file:"))) {
        first = QUrl(first).toLocalFile();
    }
    const QFileInfo file(QDir(workingDirectory), first);
    if (!file.exists()) {
        const QString joined = words.join(u' ');
        if (looksLikeFen(joined)) {
            return OpenRequest{OpenRequest::Kind::fenText, joined.simplified()};
        }
    }
    const bool fenFile = first.endsWith(QLatin1String(".fen"), Qt::CaseInsensitive);
    return OpenRequest{fenFile ? OpenRequest::Kind::fenFile : OpenRequest::Kind::pgnFile,
                       QDir::cleanPath(file.absoluteFilePath())};
}

QString openServiceName(const QString& display) {
    // Bus names allow letters, digits, "_" and "-" between the dots: ":0.0" becomes "d0_0".
    QString suffix;
    for (const QChar character : display) {
        if (character.isLetterOrNumber() && character.unicode() < 128) {
            suffix.append(character);
        } else if (character == u'.' || character == u'-') {
            suffix.append(u'_');
        }
    }
    return QStringLiteral("com.tamsel.brontil.d") + suffix;
}

bool OpenRequestReceiver::listen(QDBusConnection bus, const QString& service) {
    if (!bus.isConnected() || !bus.registerService(service)) {
        return false;
    }
    if (!bus.registerObject(objectPath, interfaceName, this,
                            QDBusConnection::ExportScriptableSlots)) {
        bus.unregisterService(service);
        return false;
    }
    return true;
}

bool OpenRequestReceiver::Open(const QString& kind, const QString& value) {
    for (int index = 0; index < 3; ++index) {
        if (kind != QLatin1String(kindNames[index])) {
            continue;
        }
        const auto parsed = static_cast<OpenRequest::Kind>(index);
        // The sender made its path absolute; a relative one would be read against this
        // program's folder, which names another file.
        if (parsed != OpenRequest::Kind::fenText && !QDir::isAbsolutePath(value)) {
            return false;
        }
        if (value.isEmpty() || value.size() > 64 * 1024) {
            return false;
        }
        emit requested(OpenRequest{parsed, value});
        return true;
    }
    return false;
}

bool handOverOpenRequest(QDBusConnection bus, const QString& service, const OpenRequest& request,
                         int timeoutMs) {
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, OpenRequestReceiver::objectPath,
                                       OpenRequestReceiver::interfaceName, QStringLiteral("Open"));
    call << kindName(request.kind) << request.value;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().front().toBool();
}

void openInWindow(QWidget& window, GameManager& game, LocalizationManager& localization,
                  const OpenRequest& request) {
    window.show();
    window.raise();
    window.activateWindow();
    switch (request.kind) {
    case OpenRequest::Kind::pgnFile:
        pgnOpenFlow(window, game, localization).open(request.value);
        return;
    case OpenRequest::Kind::fenText:
        loadFenInto(window, game, localization, request.value);
        return;
    case OpenRequest::Kind::fenFile: {
        const PGNExporter::OpenedBytes opened =
            PGNExporter::readUtf8(request.value, maxFenFileBytes);
        if (!opened.text) {
            showError(window, localization,
                      opened.tooLarge ? localization.text(QStringLiteral("file_too_large"))
                                      : request.value + u'\n' + opened.error);
            return;
        }
        // The first line that holds anything: a FEN file may end with a blank line or carry
        // further positions below.
        const QString text = QString::fromStdString(*opened.text);
        for (const QString& line : text.split(u'\n')) {
            if (!line.trimmed().isEmpty()) {
                loadFenInto(window, game, localization, line.trimmed());
                return;
            }
        }
        loadFenInto(window, game, localization, QString());
        return;
    }
    }
}

} // namespace velkor
