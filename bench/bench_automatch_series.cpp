// What a series costs beyond the engines: Stockfish plays itself for 10 games at fixed depth 1;
// the program reports the wall time per game, the part of it no engine was searching, and the
// process's resident memory after game 1 and after game 10.
//
// Usage: bench_automatch_series [ENGINE] [GAMES]   (default /usr/games/stockfish, 10 games)
#include "automatch/AutomatchManager.h"
#include "platform/SoundPlayer.h"
#include "uci/UCIEngineProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

using namespace velkor;

class SilentPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

// Resident set size of this process in kilobytes (engines are separate processes).
long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// Adds up the time during which any engine of the game manager is searching.
class SearchTimer : public QObject {
public:
    explicit SearchTimer(GameManager& games) : m_games(games) {
        m_clock.start();
        const auto follow = [this] { watch(); };
        connect(&games, &GameManager::whiteEngineProcessChanged, this, follow);
        connect(&games, &GameManager::blackEngineProcessChanged, this, follow);
    }

    double searchingSeconds() const {
        qint64 total = m_totalNs;
        if (m_thinking > 0) {
            total += m_clock.nsecsElapsed() - m_since;
        }
        return static_cast<double>(total) / 1e9;
    }

private:
    void watch() {
        for (UCIEngineProcess* process :
             {m_games.whiteEngineProcess(), m_games.blackEngineProcess()}) {
            if (process && !m_watched.contains(process)) {
                m_watched.append(process);
                connect(process, &UCIEngineProcess::isThinkingChanged, this,
                        [this](bool thinking) { thinkingChanged(thinking); });
            }
        }
    }

    void thinkingChanged(bool thinking) {
        const qint64 now = m_clock.nsecsElapsed();
        if (thinking) {
            if (m_thinking++ == 0) {
                m_since = now;
            }
        } else if (m_thinking > 0 && --m_thinking == 0) {
            m_totalNs += now - m_since;
        }
    }

    GameManager& m_games;
    QElapsedTimer m_clock;
    QList<QPointer<UCIEngineProcess>> m_watched;
    int m_thinking = 0;
    qint64 m_since = 0;
    qint64 m_totalNs = 0;
};

struct GameFigures {
    double wallSeconds = 0;
    double searchingSeconds = 0;
    std::int64_t plies = 0;
};

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    // The series writes its history to the settings store: keep it away from the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    const QString enginePath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/usr/games/stockfish");
    const std::int64_t totalGames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    if (!QFileInfo(enginePath).isExecutable()) {
        std::printf("bench_automatch_series: no engine at %s, nothing measured\n",
                    qPrintable(enginePath));
        return 0;
    }

    SilentPlayer player;
    platform::SoundManager sounds(player);
    GameManager games(sounds);
    EngineManagerEnvironment environment;
    environment.searchPaths = EngineSearchPaths{};
    EngineManager engines(environment);
    games.setTimeControlConfig(
        {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedDepth(1)});
    AutomatchManager series(games, engines, sounds);
    series.setPauseBetweenGamesSeconds(0);

    EngineConfiguration first = EngineConfiguration::makeNew("Engine A", enginePath, {});
    first.threads = 1;
    first.hashMB = 16;
    first.multiPV = 1;
    EngineConfiguration second = first;
    second.id = QUuid::createUuid();
    second.name = QStringLiteral("Engine B");

    SearchTimer searching(games);
    std::vector<GameFigures> figures;
    std::vector<long> rssAfterGame;
    QElapsedTimer gameClock;
    double searchedBefore = 0;
    QObject::connect(&series, &AutomatchManager::historyChanged,
                     [&](const QList<AutomatchGameRecord>& history) {
                         if (history.isEmpty()) {
                             return;
                         }
                         const double searched = searching.searchingSeconds();
                         figures.push_back({static_cast<double>(gameClock.nsecsElapsed()) / 1e9,
                                            searched - searchedBefore, history.last().movesCount});
                         rssAfterGame.push_back(residentKilobytes());
                         searchedBefore = searched;
                         gameClock.start();
                     });
    QObject::connect(&series, &AutomatchManager::isAutomatchActiveChanged, &app, [&](bool active) {
        if (!active) {
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        }
    });
    gameClock.start();
    series.start(totalGames, first, second);
    if (!series.isAutomatchActive()) {
        std::printf("bench_automatch_series: refused: %s\n",
                    qPrintable(series.configurationError().value_or(QString())));
        return 1;
    }
    app.exec();

    double wall = 0;
    double searched = 0;
    std::int64_t plies = 0;
    std::printf("game  plies  wall s  searching s  outside s  outside ms/ply  RSS kB\n");
    for (std::size_t game = 0; game < figures.size(); ++game) {
        const GameFigures& f = figures[game];
        const double outside = f.wallSeconds - f.searchingSeconds;
        std::printf("%4zu  %5lld  %6.2f  %11.3f  %9.2f  %14.1f  %6ld\n", game + 1,
                    static_cast<long long>(f.plies), f.wallSeconds, f.searchingSeconds, outside,
                    f.plies > 0 ? 1000.0 * outside / static_cast<double>(f.plies) : 0.0,
                    rssAfterGame[game]);
        wall += f.wallSeconds;
        searched += f.searchingSeconds;
        plies += f.plies;
    }
    const double games_ = static_cast<double>(figures.size());
    qint64 recordBytes = 0;
    for (const AutomatchGameRecord& record : series.history()) {
        recordBytes += record.pgn.size() * 2;
        for (const QString& move : record.movesUCI) {
            recordBytes += move.size() * 2;
        }
    }
    std::printf("mean per game: wall %.2f s, engines searching %.3f s, outside the engines "
                "%.2f s (%.0f%%), %.1f plies\n",
                wall / games_, searched / games_, (wall - searched) / games_,
                100.0 * (wall - searched) / wall, static_cast<double>(plies) / games_);
    std::printf("RSS after game 1: %ld kB, after game %zu: %ld kB (records hold about %lld kB "
                "of text)\n",
                rssAfterGame.front(), figures.size(), rssAfterGame.back(),
                static_cast<long long>(recordBytes / 1024));
    std::printf("%s\n", qPrintable(series.matchFinishedReason().value_or(QString())));
    return 0;
}
