// A Bullet (1+0) series of Stockfish against itself on the game clock: prints each game's end and
// counts the games lost on time. The engines' clocks should measure their own thinking, so a
// series between equal engines should almost never end on the flag.
//
// Usage: bench_bullet_series [ENGINE] [GAMES]
#include "SeriesBenchSetup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>

using namespace velkor;

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    const QString enginePath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/usr/games/stockfish");
    const std::int64_t totalGames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;
    if (!QFileInfo(enginePath).isExecutable()) {
        std::printf("bench_bullet_series: no engine at %s\n", qPrintable(enginePath));
        return 0;
    }
    bench::SeriesSession session;
    AutomatchManager& series = session.series;
    session.games.setTimeControlConfig(
        {TimeControlPreset::bullet1_0, 1, 0, EngineThinkingMode::gameClock()});
    series.setPauseBetweenGamesSeconds(0);
    const auto [first, second] = bench::selfPlay(enginePath);

    int seen = 0;
    int timeLosses = 0;
    QElapsedTimer wall;
    wall.start();
    QObject::connect(
        &series, &AutomatchManager::historyRowAdded, [&](const automatch::HistoryRow& row) {
            ++seen;
            const std::optional<AutomatchGameRecord> record = series.historyRecord(row.key);
            const bool onTime = row.reason.contains(QStringLiteral("Zeit"));
            timeLosses += onTime ? 1 : 0;
            std::printf("game %2d  %4lld plies  %-7s  %-30s  %6.0f s%s\n", seen,
                        static_cast<long long>(record ? record->movesCount : -1),
                        qPrintable(row.result), qPrintable(row.reason),
                        static_cast<double>(wall.elapsed()) / 1000.0, onTime ? "  TIME" : "");
            std::fflush(stdout);
        });
    QObject::connect(&series, &AutomatchManager::isAutomatchActiveChanged, &app, [&](bool active) {
        if (!active) {
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        }
    });
    series.start(totalGames, first, second);
    if (!series.isAutomatchActive()) {
        std::printf("refused: %s\n", qPrintable(series.configurationError().value_or(QString())));
        return 1;
    }
    app.exec();
    std::printf("games %d, lost on time %d\n", seen, timeLosses);
    return 0;
}
