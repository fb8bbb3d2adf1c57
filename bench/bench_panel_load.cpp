// How busy the control panel keeps the main thread while two Stockfish engines play each other
// at full speed: the panel is shown (offscreen) on the engine-analysis tab, so the evaluation,
// the lines, the evaluation history and the UCI log are all drawn. Prints the main thread's CPU
// time per wall-clock second, with the panel and, for comparison, without any view.
// Usage: bench_panel_load [seconds per run = 20] [seconds per move = 0.1]
#include "PanelWorld.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

using namespace velkor;
using namespace velkor::testing;

namespace {

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The managers alone, without any view: what the model layers cost on their own.
struct ModelWorld {
    SilentSoundPlayer player;
    platform::SoundManager sounds{player};
    EngineManager engines{registryThatFindsNothing()};
    platform::SleepGuard sleepGuard{std::make_unique<NoSleepBackend>()};
    GameManager games{sounds, engines, sleepGuard};
};

void runEventLoopFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts paint events, to show the panel really draws while it is measured.
class PaintCounter : public QObject {
public:
    long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

struct Run {
    double busyShare = 0;
    std::size_t plies = 0;
    int games = 0;
};

// Plays engine games for `seconds` (a new one whenever one ends) and measures the main thread.
template <typename World>
Run play(World& world, double seconds, double moveSeconds) {
    world.games.setGameMode(GameMode::engineVsEngine);
    world.games.setTimeControlConfig(
        {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedMoveTime(moveSeconds)});
    Run run;
    std::size_t finishedPlies = 0;
    // A finished game is followed by the next one, as a person watching would do.
    const QMetaObject::Connection nextGame = QObject::connect(
        &world.games, &GameManager::isGameOverChanged, &world.games, [&](bool over) {
            if (over) {
                finishedPlies += world.games.board().history().size();
                QTimer::singleShot(0, &world.games, [&world] { world.games.startNewGame(); });
                ++run.games;
            }
        });
    world.games.startNewGame();
    run.games = 1;
    // The engines' start-up is not what is measured.
    runEventLoopFor(2.0);
    finishedPlies = 0;
    const std::size_t pliesAtStart = world.games.board().history().size();
    const double cpuStart = threadCpuSeconds();
    const double wallStart = wallSeconds();
    runEventLoopFor(seconds);
    run.busyShare = (threadCpuSeconds() - cpuStart) / (wallSeconds() - wallStart);
    run.plies = finishedPlies + world.games.board().history().size() - pliesAtStart;
    QObject::disconnect(nextGame);
    world.games.stopCurrentGame();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    const QTemporaryDir home;
    setUpProgramBesideTheTests(home);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const double moveSeconds = argc > 2 ? std::atof(argv[2]) : 0.1;
    if (!stockfishInstalled()) {
        std::fprintf(stderr, "needs %s\n", qPrintable(stockfishPath));
        return 2;
    }

    const auto setUp = [](auto& world) {
        EngineConfiguration white = stockfishNamed(QStringLiteral("Stockfish"));
        EngineConfiguration black = stockfishNamed(QStringLiteral("Stockfish 2"));
        world.engines.setAvailableEngines({white, black});
        world.engines.setSelectedWhiteEngine(white);
        world.engines.setSelectedBlackEngine(black);
    };

    auto withPanel = std::make_unique<PanelWorld>();
    setUp(*withPanel);
    withPanel->panel.show();
    withPanel->panel.setSelectedTab(RightPanelView::engineTab);
    PaintCounter paints;
    for (QWidget* widget : withPanel->panel.findChildren<QWidget*>()) {
        widget->installEventFilter(&paints);
    }
    const Run shown = play(*withPanel, seconds, moveSeconds);
    const long paintEvents = paints.paints;
    withPanel.reset();

    // The same games without the panel.
    auto bare = std::make_unique<ModelWorld>();
    setUp(*bare);
    const Run hidden = play(*bare, seconds, moveSeconds);
    bare.reset();

    std::printf("main thread busy, %.1f s per move, %.0f s per run:\n", moveSeconds, seconds);
    std::printf("  panel shown on the analysis tab: %5.1f %% of one core (%zu plies, %d games, %ld "
                "paint events)\n",
                shown.busyShare * 100, shown.plies, shown.games, paintEvents);
    std::printf("  no views at all:                 %5.1f %% of one core (%zu plies, %d games)\n",
                hidden.busyShare * 100, hidden.plies, hidden.games);
    std::printf("  the views' share:                %5.1f %% of one core\n",
                (shown.busyShare - hidden.busyShare) * 100);
    return 0;
}
