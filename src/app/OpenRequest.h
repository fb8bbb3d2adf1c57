#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace velkor {

class GameManager;
class LocalizationManager;

// A game or position named on the command line (`velkor game.pgn`, `velkor start.fen`, or a FEN
// itself): what the desktop's "open with" hands the program.
struct OpenRequest {
    enum class Kind { pgnFile, fenFile, fenText };
    Kind kind = Kind::pgnFile;
    // An absolute path for the files (another instance, started elsewhere, opens it), the text
    // for a FEN.
    QString value;

    bool operator==(const OpenRequest&) const = default;
};

// The request in the program's arguments (without the program name), none when they name
// nothing. A path is made absolute against `workingDirectory`; a file: URL is taken as its path.
// An argument that names no file and reads as six blank-separated fields is a FEN, also when the
// shell split it into several arguments; a name ending in .fen is a FEN file, anything else a
// PGN file (one that cannot be read is reported as such when it is opened).
std::optional<OpenRequest> openRequestFromArguments(const QStringList& arguments,
                                                    const QString& workingDirectory);

// The name on the session bus under which the running program takes requests. One per display,
// so a program on a screen the person is not looking at never opens the file.
QString openServiceName(const QString& display);

// Takes requests from later starts of the program over the session bus, once it has claimed the
// service name (listen()). Each arrives as requested().
class OpenRequestReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tamsel.brontil.Open")

public:
    static inline const QString objectPath = QStringLiteral("/com/tamsel/brontil/Open");
    static inline const QString interfaceName = QStringLiteral("com.tamsel.brontil.Open");

    explicit OpenRequestReceiver(QObject* parent = nullptr) : QObject(parent) {}

    // Claims `service` and offers this object on `bus`; false when another program holds the name
    // or the bus cannot be reached.
    bool listen(QDBusConnection bus, const QString& service);

public slots:
    // The bus method: `kind` is "pgn", "fen-file" or "fen". Anything else, or a file request
    // without an absolute path, is refused (false) without touching the game.
    Q_SCRIPTABLE bool Open(const QString& kind, const QString& value);

signals:
    void requested(const velkor::OpenRequest& request);
};

// Hands the request to the program holding `service` on `bus`; true once it has taken it. Waits
// at most `timeoutMs` for an answer, so a hung program does not hold this start up for long.
bool handOverOpenRequest(QDBusConnection bus, const QString& service, const OpenRequest& request,
                         int timeoutMs = 3000);

// Opens the request in the window: a PGN file through the window's PGN flow (its list of games
// when it holds several), a FEN file or text as a new game from that position. Whatever cannot
// be read or is not a valid FEN is said in an alert and the game on the board stays. The window
// comes to the front.
void openInWindow(QWidget& window, GameManager& game, LocalizationManager& localization,
                  const OpenRequest& request);

} // namespace velkor

Q_DECLARE_METATYPE(velkor::OpenRequest)
