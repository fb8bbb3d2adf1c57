// The board's paint time while a man is dragged: every pointer move repaints the board, so a
// frame must stay under 33 ms for 30 frames a second. Offscreen, with arrows and circles drawn,
// for each set of men and at a large board.
#include "automatch/AutomatchManager.h"
#include "game/BoardShapes.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/SoundManager.h"
#include "platform/SoundPlayer.h"
#include "views/BoardAppearance.h"
#include "views/BoardView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace velkor;

class SilentPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

void sendMouse(QWidget& widget, QEvent::Type type, Qt::MouseButton button, QPoint point) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(point), widget.mapToGlobal(QPointF(point)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void BM_BoardRepaintWhileDragging(benchmark::State& state) {
    const auto set = state.range(0) == 0 ? PieceSet::font : PieceSet::vector;
    const int side = static_cast<int>(state.range(1));
    SilentPlayer player;
    platform::SoundManager sounds(player);
    GameManager game(sounds);
    game.setGameMode(GameMode::humanVsHuman);
    game.startNewGame();
    LocalizationManager localization(QStringList{QStringLiteral("en")});
    BoardAppearance::shared().setPieceSet(set);
    BoardView board(game, localization);
    board.resize(side, side);
    board.show();
    QApplication::processEvents();
    BoardShapes& shapes = BoardShapes::of(game);
    shapes.toggle({ShapeColor::green, *Square::parse("e2"), *Square::parse("e4")});
    shapes.toggle({ShapeColor::red, *Square::parse("g1"), *Square::parse("f3")});
    shapes.toggle({ShapeColor::blue, *Square::parse("d5"), *Square::parse("d5")});

    const QPoint from = board.squareCenter(*Square::parse("d2"));
    sendMouse(board, QEvent::MouseButtonPress, Qt::LeftButton, from);
    std::int64_t step = 0;
    for (auto _ : state) {
        // The pointer wanders across the board, a few pixels a frame as a hand moves it.
        const QPoint point =
            from + QPoint(static_cast<int>(step % 200), -static_cast<int>(step % 150));
        sendMouse(board, QEvent::MouseMove, Qt::NoButton, point);
        board.repaint();
        ++step;
    }
    sendMouse(board, QEvent::MouseButtonRelease, Qt::LeftButton, from);
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BoardRepaintWhileDragging)
    ->ArgsProduct({{0, 1}, {560, 1000}})
    ->ArgNames({"vector", "side"})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // No screen needed, and the settings of whoever runs it stay untouched.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
