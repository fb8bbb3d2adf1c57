// The automatch history view: resident memory and the heap in use while a series records games with
// the automatch tab shown (after 1, 40 and all games), and the time from choosing the tab to its
// first drawn frame over a long stored history. The series' engines fail at once (a program that is
// no UCI engine), so each game ends in a moment by the game manager's own rules and is recorded as
// any. Usage: bench_history_view [games = 1000] [stored games = 100000] [picture of the
// history.png]
#include "PanelWorld.h"
#include "automatch/HistoryStore.h"
#include "platform/AllocatorTuning.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTimeZone>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>

using namespace velkor;
using namespace velkor::testing;

namespace {

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

void recordSeries(std::int64_t games) {
    PanelWorld world;
    world.panel.resize(420, 900);
    world.panel.show();
    world.panel.setSelectedTab(RightPanelView::automatchTab);
    QApplication::processEvents();
    const double start = residentMegabytes();
    const double startHeap = static_cast<double>(mallinfo2().uordblks) / 1048576.0;
    std::printf("before the series: RSS %.1f MB, heap in use %.1f MB\n", start, startHeap);
    const auto failing = [](const QString& name) {
        EngineConfiguration engine =
            EngineConfiguration::makeNew(name, QStringLiteral("/bin/true"), QStringLiteral("-"));
        return engine;
    };
    world.automatch.setPauseBetweenGamesSeconds(0);
    QObject::connect(&world.automatch, &AutomatchManager::historyCountChanged, [&](qint64 count) {
        if (count == 1 || count == 40 || count == 200 || count % 250 == 0) {
            // What a person would see: the panel drawn with the new row.
            world.panel.grab();
            const double heap = static_cast<double>(mallinfo2().uordblks) / 1048576.0;
            std::printf(
                "after %4lld games: RSS %.1f MB (%+.1f MB), heap in use %.1f MB (%+.1f MB)\n",
                static_cast<long long>(count), residentMegabytes(), residentMegabytes() - start,
                heap, heap - startHeap);
            std::fflush(stdout);
        }
    });
    // The series runs in an event loop, as in the program: processEvents() alone never
    // performs deferred deletions, so every retired engine would stay and count as growth.
    QEventLoop series;
    QObject::connect(&world.automatch, &AutomatchManager::isAutomatchActiveChanged, &series,
                     [&series](bool active) {
                         if (!active) {
                             series.quit();
                         }
                     });
    world.automatch.start(games, failing("Fails A"), failing("Fails B"));
    if (world.automatch.isAutomatchActive()) {
        series.exec();
    }
}

void showStoredHistory(std::int64_t stored, const QString& picture) {
    {
        automatch::HistoryStore store(AutomatchManager::defaultHistoryDatabasePath());
        QList<AutomatchGameRecord> records;
        AutomatchGameRecord record;
        record.whiteEngineName = QStringLiteral("Stockfish");
        record.blackEngineName = QStringLiteral("Toga II");
        record.result = QStringLiteral("1-0");
        record.reason = QStringLiteral("Schachmatt (Weiß gewinnt)");
        record.pgn = QString(1500, u'x');
        record.movesUCI = QStringList(120, QStringLiteral("e2e4"));
        for (std::int64_t number = 1; number <= stored; ++number) {
            record.id = QUuid::createUuid();
            record.gameNumber = number;
            record.timestamp =
                QDateTime::fromMSecsSinceEpoch(1'740'000'000'000 + number, QTimeZone::utc());
            records.append(record);
        }
        store.importSeries(stored, {"Stockfish", {}, "Toga II", {}}, records, stored, 0, 0,
                           QStringLiteral("storedHistoryImported"));
    }
    QElapsedTimer made;
    made.start();
    PanelWorld world;
    world.panel.resize(420, 900);
    world.panel.show();
    world.panel.grab();
    std::printf("%lld stored games: panel made and drawn in %lld ms\n",
                static_cast<long long>(stored), static_cast<long long>(made.elapsed()));
    QElapsedTimer shown;
    shown.start();
    world.panel.setSelectedTab(RightPanelView::automatchTab);
    QApplication::processEvents();
    world.panel.grab();
    auto* list = world.panel.findChild<QListView*>(QStringLiteral("historyList"));
    std::printf("history tab chosen to drawn: %lld ms (%d rows read)\n",
                static_cast<long long>(shown.elapsed()),
                list != nullptr ? list->model()->rowCount() : -1);
    if (!picture.isEmpty()) {
        if (auto* history = world.panel.findChild<QWidget*>(QStringLiteral("automatchHistory"))) {
            history->grab().save(picture);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    // As the program does: its memory over a series is what is measured.
    platform::limitAllocatorArenas();
    const QTemporaryDir home;
    setUpProgramBesideTheTests(home);
    QApplication app(argc, argv);
    const std::int64_t games = argc > 1 ? std::stoll(argv[1]) : 1000;
    const std::int64_t stored = argc > 2 ? std::stoll(argv[2]) : 100000;
    recordSeries(games);
    showStoredHistory(stored, argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    return 0;
}
