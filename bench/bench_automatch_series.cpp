// What a series costs beyond the engines: Stockfish plays itself for 10 games at fixed depth 1;
// the program reports the wall time per game, the part of it no engine was searching, and the
// process's resident memory after game 1 and after game 10.
//
// Usage: bench_automatch_series [ENGINE] [GAMES] [short]
// Defaults: /usr/games/stockfish, 10 games from the start position. "short" plays from three
// positions that end within a move or two instead, to see memory over many games quickly.
#include "SeriesBenchSetup.h"
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
#include <malloc.h>
#include <vector>

namespace {

using namespace velkor;

// A kilobyte figure of this process from /proc/self/status ("VmRSS:", "RssAnon:"); the engines
// are separate processes and not counted.
long statusKilobytes(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// Bytes the allocator has handed out and not got back, in kilobytes: what the process holds,
// without the free holes that RSS also counts.
long liveHeapKilobytes() {
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

// Adds up the time during which any engine of the game manager is searching.
class SearchTimer : public QObject {
public:
    explicit SearchTimer(GameManager& games) : m_games(games) {
        m_clock.start();
        const auto follow = [this] { watch(); };
        for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
            connect(&games.engineSeat(color), &EngineSeat::processChanged, this, follow);
        }
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
        m_watched.removeIf([](const QPointer<UCIEngineProcess>& process) { return !process; });
        for (UCIEngineProcess* process : {m_games.engineSeat(PieceColor::white).process(),
                                          m_games.engineSeat(PieceColor::black).process()}) {
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

    bench::SeriesSession session;
    GameManager& games = session.games;
    AutomatchManager& series = session.series;
    games.setTimeControlConfig(
        {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedDepth(1)});
    series.setPauseBetweenGamesSeconds(0);
    if (argc > 3 && QByteArray(argv[3]) == "short") {
        series.setOpeningFENs({QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1"),
                               QStringLiteral("3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1"),
                               QStringLiteral("8/8/8/4k3/8/8/3q4/3K4 w - - 0 1")});
    }

    const auto [first, second] = bench::selfPlay(enginePath);

    SearchTimer searching(games);
    std::vector<GameFigures> figures;
    std::vector<long> rssAfterGame;
    std::vector<long> heapAfterGame;
    QElapsedTimer gameClock;
    double searchedBefore = 0;
    QObject::connect(
        &series, &AutomatchManager::historyRowAdded, [&](const automatch::HistoryRow& row) {
            const std::optional<AutomatchGameRecord> record = series.historyRecord(row.key);
            const double searched = searching.searchingSeconds();
            figures.push_back({static_cast<double>(gameClock.nsecsElapsed()) / 1e9,
                               searched - searchedBefore, record ? record->movesCount : 0});
            rssAfterGame.push_back(statusKilobytes("VmRSS:"));
            heapAfterGame.push_back(liveHeapKilobytes());
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
    // The game manager asks for each engine move 0.2 s after the previous one, by design; what
    // the series and the game session add on top of that is the overhead.
    constexpr double requestDelay = 0.2;
    std::printf("game  plies  wall s  searching s  outside s  overhead ms/ply  RSS kB  heap kB\n");
    for (std::size_t game = 0; game < figures.size(); ++game) {
        const GameFigures& f = figures[game];
        const double outside = f.wallSeconds - f.searchingSeconds;
        const double plies_ = static_cast<double>(f.plies);
        std::printf("%4zu  %5lld  %6.2f  %11.3f  %9.2f  %15.2f  %6ld  %7ld\n", game + 1,
                    static_cast<long long>(f.plies), f.wallSeconds, f.searchingSeconds, outside,
                    f.plies > 0 ? 1000.0 * (outside - requestDelay * plies_) / plies_ : 0.0,
                    rssAfterGame[game], heapAfterGame[game]);
        wall += f.wallSeconds;
        searched += f.searchingSeconds;
        plies += f.plies;
    }
    const double games_ = static_cast<double>(figures.size());
    qint64 recordBytes = 0;
    for (const AutomatchGameRecord& record : series.readWholeHistory()) {
        recordBytes += record.pgn.size() * 2;
        for (const QString& move : record.movesUCI) {
            recordBytes += move.size() * 2;
        }
    }
    const double outside = wall - searched;
    const double overhead = outside - requestDelay * static_cast<double>(plies);
    std::printf("mean per game: wall %.2f s, engines searching %.3f s, outside the engines "
                "%.2f s (%.0f%%), of which %.2f s beyond the 0.2 s per move request delay; "
                "%.1f plies\n",
                wall / games_, searched / games_, outside / games_, 100.0 * outside / wall,
                overhead / games_, static_cast<double>(plies) / games_);
    const std::size_t tenth = std::min<std::size_t>(10, rssAfterGame.size()) - 1;
    std::printf("RSS after game 1: %ld kB, after game %zu: %ld kB, after game %zu: %ld kB "
                "(heap in use: %ld, %ld, %ld kB; records hold about %lld kB of text)\n",
                rssAfterGame.front(), tenth + 1, rssAfterGame[tenth], figures.size(),
                rssAfterGame.back(), heapAfterGame.front(), heapAfterGame[tenth],
                heapAfterGame.back(), static_cast<long long>(recordBytes / 1024));
    std::printf("%s\n", qPrintable(series.matchFinishedReason().value_or(QString())));
    // Whatever the heap gained over the series that is not the records shows up here.
    series.clearHistory();
    std::printf("heap in use after clearing the history: %ld kB\n", liveHeapKilobytes());
    return 0;
}
