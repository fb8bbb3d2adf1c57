// The position set-up editor driven as a person does: men placed from the palette by clicks and
// drags, moved and dragged off the board, FEN typed in, every impossible set-up refused with its
// reason, and the result played or handed to the analysis.
#include "views/SetupPositionDialog.h"

#include "AppMenus.h"
#include "MainWindow.h"
#include "ViewsFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

namespace velkor {
namespace {

constexpr SetupMan whiteKing{PieceType::king, PieceColor::white};
constexpr SetupMan blackKing{PieceType::king, PieceColor::black};
constexpr SetupMan whiteRook{PieceType::rook, PieceColor::white};

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Presses at `from`, moves well past the drag distance and lets go at `to` (widget coordinates,
// which may lie outside it, as a drag off the board does).
void drag(QWidget* widget, QPoint from, QPoint to) {
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void click(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    sendMouse(widget, QEvent::MouseButtonPress, at, button, button);
    sendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

class SetupPositionDialogTest : public ViewsTest {
protected:
    SetupPositionDialogTest() {
        window = std::make_unique<MainWindow>(game, engines, automatch, localization, sounds,
                                              AppActions{});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        game.startNewGame();
    }

    SetupPositionDialog* open() {
        // A dialog closed before is deleted on the next turn of the event loop.
        EXPECT_TRUE(velkor::testing::waitUntil(
            [this] { return !window->findChild<SetupPositionDialog*>(); }));
        window->menus().setUpPosition->trigger();
        auto* dialog = window->findChild<SetupPositionDialog*>(QStringLiteral("setupPosition"));
        EXPECT_NE(dialog, nullptr);
        if (dialog) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        }
        return dialog;
    }

    template <typename T>
    static T* part(SetupPositionDialog* dialog, const char* name) {
        return dialog->findChild<T*>(QLatin1String(name));
    }

    static QString fenShown(SetupPositionDialog* dialog) {
        return part<QLineEdit>(dialog, "setupFen")->text();
    }
    static QString reason(SetupPositionDialog* dialog) {
        return part<QLabel>(dialog, "setupReason")->text();
    }
    static bool acceptable(SetupPositionDialog* dialog) {
        const bool play = part<QPushButton>(dialog, "setupPlay")->isEnabled();
        EXPECT_EQ(part<QPushButton>(dialog, "setupAnalyse")->isEnabled(), play);
        return play;
    }
    static void typeFen(SetupPositionDialog* dialog, const QString& text) {
        auto* field = part<QLineEdit>(dialog, "setupFen");
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    QString text(const char* key) const { return localization.text(QLatin1String(key)); }

    std::unique_ptr<MainWindow> window;
};

TEST_F(SetupPositionDialogTest, BuildsAPositionByClicksAndDragsAndPlaysIt) {
    game.handleSquareClick(sq("e2"));
    game.handleSquareClick(sq("e4"));
    SetupPositionDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    // It starts from the board's position.
    EXPECT_EQ(fenShown(dialog), QString::fromStdString(game.board().fen()));
    EXPECT_TRUE(acceptable(dialog));

    QTest::mouseClick(part<QPushButton>(dialog, "setupClear"), Qt::LeftButton);
    EXPECT_EQ(fenShown(dialog), "8/8/8/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(reason(dialog), text("setup_reason_kings"));
    EXPECT_FALSE(acceptable(dialog));

    SetupBoardView& board = dialog->board();
    SetupPaletteView& palette = dialog->palette();
    click(&palette, palette.centreOf(whiteKing));
    click(&board, board.centreOf(sq("e1")));
    click(&palette, palette.centreOf(blackKing));
    click(&board, board.centreOf(sq("e8")));
    EXPECT_EQ(fenShown(dialog), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_TRUE(acceptable(dialog));

    // A second black king: refused until it is dragged off the board again.
    click(&board, board.centreOf(sq("a8")));
    EXPECT_EQ(reason(dialog), text("setup_reason_kings"));
    EXPECT_FALSE(acceptable(dialog));
    drag(&board, board.centreOf(sq("a8")), QPoint(-30, board.height() / 2));
    EXPECT_EQ(fenShown(dialog), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_TRUE(acceptable(dialog));

    // A rook dragged from the palette, then carried along the board; the flipped board takes
    // the same squares under the pointer.
    QTest::mouseClick(part<QPushButton>(dialog, "setupFlip"), Qt::LeftButton);
    const QPoint onH1 = palette.mapFromGlobal(board.mapToGlobal(board.centreOf(sq("h1"))));
    drag(&palette, palette.centreOf(whiteRook), onH1);
    drag(&board, board.centreOf(sq("h1")), board.centreOf(sq("h3")));
    EXPECT_EQ(fenShown(dialog), "4k3/8/8/8/8/7R/8/4K3 b - - 0 1");
    // A right click takes a man off; a click with the chosen man on the same man does too.
    click(&board, board.centreOf(sq("h3")), Qt::RightButton);
    click(&board, board.centreOf(sq("h4")));
    EXPECT_EQ(fenShown(dialog), "4k3/8/8/8/7k/8/8/4K3 b - - 0 1");
    click(&board, board.centreOf(sq("h4")));
    EXPECT_EQ(fenShown(dialog), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");

    // The FEN field works the other way too; its half-typed text is left alone.
    typeFen(dialog, "r3k3/8/8/8/8/8/8/R3K2R w KQq - 3 40");
    EXPECT_EQ(dialog->setup().fen(), "r3k3/8/8/8/8/8/8/R3K2R w KQq - 3 40");
    EXPECT_EQ(fenShown(dialog), "r3k3/8/8/8/8/8/8/R3K2R w KQq - 3 40");
    EXPECT_TRUE(acceptable(dialog));

    QTest::mouseClick(part<QPushButton>(dialog, "setupPlay"), Qt::LeftButton);
    EXPECT_EQ(game.board().fen(), "r3k3/8/8/8/8/8/8/R3K2R w KQq - 3 40");
    EXPECT_FALSE(game.isGameOver());
    EXPECT_TRUE(
        velkor::testing::waitUntil([this] { return !window->findChild<SetupPositionDialog*>(); }));
}

TEST_F(SetupPositionDialogTest, RefusesEachImpossibleSetUpWithItsReasonAndAnalysesAGoodOne) {
    SetupPositionDialog* dialog = open();
    ASSERT_NE(dialog, nullptr);
    const std::string before = game.board().fen();
    const struct {
        const char* fen;
        const char* reason;
    } impossible[] = {
        {"4k3/8/8/8/8/8/8/K3K3 w - - 0 1", "setup_reason_kings"},
        {"4k3/8/8/8/8/8/8/4K2R w Q - 0 1", "setup_reason_castling"},
        {"4k3/8/8/8/4R3/8/8/4K3 w - - 0 1", "setup_reason_check"},
        {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "setup_reason_pawn_rank"},
        {"4k3/8/8/8/8/8/8/4K3 w - d6 0 1", "setup_reason_en_passant"},
    };
    for (const auto& expected : impossible) {
        typeFen(dialog, QString::fromLatin1(expected.fen));
        EXPECT_EQ(reason(dialog), text(expected.reason)) << expected.fen;
        EXPECT_FALSE(acceptable(dialog)) << expected.fen;
        // A refused button does nothing even when clicked through the keyboard's default.
        QTest::keyClick(part<QLineEdit>(dialog, "setupFen"), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
    }
    // Text that does not read leaves the board as it was and names the reader's objection.
    typeFen(dialog, QStringLiteral("4k3/8/8 w - - 0 1"));
    EXPECT_TRUE(reason(dialog).startsWith(text("invalid_fen"))) << reason(dialog).toStdString();
    EXPECT_FALSE(acceptable(dialog));
    EXPECT_EQ(dialog->setup().fen(), "4k3/8/8/8/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(game.board().fen(), before);

    // Mending the last one through the controls: no en-passant square, and the side to move.
    auto* enPassant = part<QComboBox>(dialog, "setupEnPassant");
    typeFen(dialog, QStringLiteral("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"));
    EXPECT_TRUE(acceptable(dialog));
    EXPECT_EQ(enPassant->currentText(), "d6");

    // Analyse shows the position (no game runs from it) and starts the analysis once.
    auto* analyseAction = new QAction(window.get());
    analyseAction->setObjectName(QStringLiteral("analyseAction"));
    analyseAction->setCheckable(true);
    window->addAction(analyseAction);
    int started = 0;
    QObject::connect(analyseAction, &QAction::triggered, [&started] { ++started; });
    QTest::mouseClick(part<QPushButton>(dialog, "setupAnalyse"), Qt::LeftButton);
    EXPECT_EQ(game.displayedBoard().fen(), "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_TRUE(game.isGameOver());
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(analyseAction->isChecked());

    // Asked again while the analysis runs, it follows the new position without being stopped.
    dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(fenShown(dialog), "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    typeFen(dialog, QStringLiteral("4k3/8/8/8/8/8/8/4K3 b - - 0 1"));
    QTest::mouseClick(part<QPushButton>(dialog, "setupAnalyse"), Qt::LeftButton);
    EXPECT_EQ(game.displayedBoard().fen(), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(analyseAction->isChecked());
}

} // namespace
} // namespace velkor
