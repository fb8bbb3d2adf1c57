// Opening a game or position named on the command line: the arguments turned into a request,
// the running program taking it over the session bus, and the request opened in the window.
#include "OpenRequest.h"

#include "AppMenus.h"
#include "MainWindow.h"
#include "ViewsFixture.h"
#include "views/AfterFirstPaint.h"
#include "views/PGNGameListDialog.h"
#include "views/PGNOpenFlow.h"

#include <QDBusConnection>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <future>

namespace velkor {
namespace {

using velkor::testing::waitUntil;
using Kind = OpenRequest::Kind;

constexpr const char* ruyLopez =
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3";

TEST(OpenRequestArguments, NameFilesAbsolutelyAndTakeAFenEvenWhenSplit) {
    QTemporaryDir folder;
    QFile(folder.filePath("game.pgn")).open(QIODevice::WriteOnly);
    QFile(folder.filePath("My Game.PGN")).open(QIODevice::WriteOnly);
    const QString here = folder.path();

    EXPECT_EQ(openRequestFromArguments({"game.pgn"}, here),
              (OpenRequest{Kind::pgnFile, here + "/game.pgn"}));
    EXPECT_EQ(openRequestFromArguments({"./sub/../My Game.PGN"}, here),
              (OpenRequest{Kind::pgnFile, here + "/My Game.PGN"}));
    EXPECT_EQ(openRequestFromArguments({"file://" + here + "/game.pgn"}, "/"),
              (OpenRequest{Kind::pgnFile, here + "/game.pgn"}));
    // A missing file is still a file: opening it says it cannot be read.
    EXPECT_EQ(openRequestFromArguments({"/nowhere/start.FEN"}, here),
              (OpenRequest{Kind::fenFile, "/nowhere/start.FEN"}));
    EXPECT_EQ(openRequestFromArguments({"-style", "fusion", "missing.pgn"}, here)->kind,
              Kind::pgnFile);

    // A FEN quoted as one argument, or split by the shell into its six fields.
    const OpenRequest fen{Kind::fenText, ruyLopez};
    EXPECT_EQ(openRequestFromArguments({QString(ruyLopez)}, here), fen);
    EXPECT_EQ(openRequestFromArguments(QString(ruyLopez).split(' '), here), fen);
    EXPECT_EQ(openRequestFromArguments({"  8/8/8/8/8/8/8/8   w - -  0 1 "}, here),
              (OpenRequest{Kind::fenText, "8/8/8/8/8/8/8/8 w - - 0 1"}));

    EXPECT_FALSE(openRequestFromArguments({}, here));
    EXPECT_FALSE(openRequestFromArguments({"  "}, here));
    EXPECT_FALSE(openRequestFromArguments({"--reverse"}, here));
}

TEST(OpenRequestBus, ReceiverTakesOnlyWellFormedRequests) {
    OpenRequestReceiver receiver;
    QSignalSpy requested(&receiver, &OpenRequestReceiver::requested);
    EXPECT_TRUE(receiver.Open("pgn", "/home/a/game.pgn"));
    EXPECT_TRUE(receiver.Open("fen", ruyLopez));
    // Relative paths would name a file in this program's folder, not the sender's.
    EXPECT_FALSE(receiver.Open("pgn", "game.pgn"));
    EXPECT_FALSE(receiver.Open("fen-file", ""));
    EXPECT_FALSE(receiver.Open("exec", "/bin/sh"));
    EXPECT_FALSE(receiver.Open("fen", QString(70000, 'x')));
    ASSERT_EQ(requested.size(), 2);
    EXPECT_EQ(requested.at(1).at(0).value<OpenRequest>(), (OpenRequest{Kind::fenText, ruyLopez}));
}

// A second start hands its request to the first over a private session bus.
TEST(OpenRequestBus, SecondStartHandsItsRequestToTheFirst) {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed";
    }
    QProcess bus;
    bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    const QString service = openServiceName(":42");

    OpenRequestReceiver first;
    ASSERT_TRUE(first.listen(QDBusConnection::connectToBus(address, "first"), service));
    // The name is taken: a later start cannot listen and hands over instead.
    OpenRequestReceiver second;
    EXPECT_FALSE(second.listen(QDBusConnection::connectToBus(address, "second"), service));

    QSignalSpy requested(&first, &OpenRequestReceiver::requested);
    const OpenRequest request{Kind::pgnFile, "/tmp/some game.pgn"};
    // The sender blocks on the answer, as a second program does; here it runs beside the
    // receiver's event loop.
    auto handedOver = std::async(std::launch::async, [&] {
        return handOverOpenRequest(QDBusConnection::connectToBus(address, "second"), service,
                                   request);
    });
    EXPECT_TRUE(waitUntil(
        [&] { return handedOver.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(handedOver.get());
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested.at(0).at(0).value<OpenRequest>(), request);

    // Nobody listening under another display's name: the start goes on by itself.
    EXPECT_FALSE(handOverOpenRequest(QDBusConnection::connectToBus(address, "second"),
                                     openServiceName(":43"), request, 1000));
    QDBusConnection::disconnectFromBus("first");
    QDBusConnection::disconnectFromBus("second");
    bus.kill();
    bus.waitForFinished();
}

class OpenRequestWindowTest : public ViewsTest {
protected:
    OpenRequestWindowTest() {
        window = std::make_unique<MainWindow>(game, engines, automatch, localization, sounds,
                                              AppActions{});
        // As the program does: a request is opened once the window has started its opening
        // game, which would otherwise replace it.
        bool painted = false;
        runAfterFirstPaint(
            *window, [&painted] { painted = true; }, std::chrono::seconds(1));
        window->show();
        EXPECT_TRUE(waitUntil([&painted] { return painted; }));
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    void open(Kind kind, const QString& value) {
        openInWindow(*window, game, localization, OpenRequest{kind, value});
    }

    // The alert the window shows for a request it could not open, closed once read.
    QString takeAlert(const char* name) {
        QMessageBox* alert = nullptr;
        waitUntil([&] { return (alert = window->findChild<QMessageBox*>(name)) != nullptr; });
        if (!alert) {
            return QString();
        }
        const QString text = alert->text();
        alert->close();
        waitUntil([&] { return !window->findChild<QMessageBox*>(name); });
        return text;
    }

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
};

TEST_F(OpenRequestWindowTest, OpensFensAndPgnsAndSaysWhatItCannotRead) {
    open(Kind::fenText, ruyLopez);
    EXPECT_EQ(game.board().fen(), ruyLopez);

    open(Kind::fenFile, write("start.fen", "\n  4k3/8/8/8/8/8/8/4K2R w K - 0 1  \r\nignored\n"));
    EXPECT_EQ(game.board().fen(), "4k3/8/8/8/8/8/8/4K2R w K - 0 1");

    // Bad positions and unreadable files leave the game as it is.
    open(Kind::fenText, "4k3/8/8/8/8/8/8/3KK3 w - - 0 1");
    EXPECT_TRUE(takeAlert("openRequestError").startsWith(localization.text("invalid_fen")));
    open(Kind::fenFile, folder.filePath("missing.fen"));
    EXPECT_TRUE(takeAlert("openRequestError").contains("missing.fen"));
    open(Kind::fenFile, write("empty.fen", ""));
    EXPECT_FALSE(takeAlert("openRequestError").isEmpty());
    open(Kind::fenFile, write("large.fen", QByteArray(100 * 1024, 'x')));
    EXPECT_EQ(takeAlert("openRequestError"), localization.text("file_too_large"));
    EXPECT_EQ(game.board().fen(), "4k3/8/8/8/8/8/8/4K2R w K - 0 1");

    // A file of several games offers the list to choose from.
    PGNOpenFlow& flow = pgnOpenFlow(*window, game, localization);
    open(Kind::pgnFile,
         write("two.pgn", "[White \"A\"]\n[Black \"B\"]\n[Result \"*\"]\n\n1. d4 *\n\n"
                          "[White \"C\"]\n[Black \"D\"]\n[Result \"*\"]\n\n"
                          "1. e4 e5 *\n"));
    ASSERT_TRUE(waitUntil([&] { return flow.gameList() != nullptr; }));
    flow.gameList()->reject();

    QSignalSpy finished(&flow, &PGNOpenFlow::finished);
    open(Kind::pgnFile, write("one.pgn", "[Result \"*\"]\n\n1. e4 c5 2. Nf3 *\n"));
    ASSERT_TRUE(waitUntil([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(game.board().history().size(), 3u);
}

} // namespace
} // namespace velkor
