// Fills the automatch history of the current user (XDG_DATA_HOME / XDG_CONFIG_HOME decide where)
// with many games of 120 plies, or times appending them one by one.
//   velkor-history-fill <games> database   the database the program reads
//   velkor-history-fill <games> legacy     the single stored value of earlier versions
//   velkor-history-fill <games> append     appends one game at a time, printing the time taken
#include "automatch/AutomatchManager.h"
#include "automatch/HistoryStore.h"
#include "automatch/PersistedHistory.h"
#include "chess/ChessBoard.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <chrono>
#include <cstdio>
#include <string>

using namespace velkor;

namespace {

// A legal game of up to 120 plies, chosen by a fixed sequence so every run writes the same.
AutomatchGameRecord sampleGame() {
    ChessBoard board;
    AutomatchGameRecord record;
    QStringList movetext;
    unsigned seed = 12345;
    for (int ply = 0; ply < 120 && !board.isGameOver(); ++ply) {
        const std::vector<Move> moves = board.generateLegalMoves();
        seed = seed * 1103515245u + 12345u;
        const Move move = moves[(seed >> 8) % moves.size()];
        if (ply % 2 == 0) {
            movetext.append(QString::number(ply / 2 + 1) + u'.');
        }
        movetext.append(QString::fromStdString(board.san(move).value_or("?")));
        record.movesUCI.append(QString::fromStdString(move.uciString()));
        board.play(move);
    }
    record.movesCount = record.movesUCI.size();
    record.initialFEN = QString::fromUtf8(standardStartingFEN);
    record.reason = QStringLiteral("Zeitüberschreitung (Weiß gewinnt)");
    record.result = QStringLiteral("1-0");
    record.pgn = QStringLiteral("[Event \"Velkor Match\"]\n[Site \"Velkor\"]\n[Date "
                                "\"2025.03.01\"]\n[Round \"1\"]\n[White \"Stockfish\"]\n[Black "
                                "\"Toga II\"]\n[Result \"1-0\"]\n[TimeControl \"60\"]\n\n") +
                 movetext.join(u' ') + QStringLiteral(" 1-0\n");
    return record;
}

AutomatchGameRecord numbered(const AutomatchGameRecord& sample, std::int64_t number) {
    AutomatchGameRecord record = sample;
    record.id = QUuid::createUuid();
    record.gameNumber = number;
    record.whiteIsEngine1 = number % 2 == 1;
    record.whiteEngineName = record.whiteIsEngine1 ? "Stockfish" : "Toga II";
    record.blackEngineName = record.whiteIsEngine1 ? "Toga II" : "Stockfish";
    record.winnerEngineName = record.whiteEngineName;
    record.timestamp =
        QDateTime::fromMSecsSinceEpoch(1'740'000'000'000 + number * 60'000, QTimeZone::utc());
    return record;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    bool ok = false;
    const std::int64_t games = arguments.size() == 3 ? arguments[1].toLongLong(&ok) : 0;
    const QString mode = arguments.value(2);
    if (!ok || games < 0 ||
        (mode != QStringLiteral("database") && mode != QStringLiteral("legacy") &&
         mode != QStringLiteral("append"))) {
        std::fprintf(stderr, "usage: velkor-history-fill <games> database|legacy|append\n");
        return 2;
    }
    const AutomatchGameRecord sample = sampleGame();
    // Engine 1 (Stockfish) has White in odd games and wins every game it has White in.
    const std::int64_t engine1Wins = (games + 1) / 2;
    const std::int64_t engine2Wins = games / 2;
    if (mode == QStringLiteral("legacy")) {
        automatch::PersistedHistory stored{games, engine1Wins, engine2Wins, 0, {}};
        for (std::int64_t number = 1; number <= games; ++number) {
            stored.records.append(numbered(sample, number));
        }
        platform::Settings::setValue(AutomatchManager::persistedHistoryKey, stored.encode());
        std::printf("stored %lld games under %s\n", static_cast<long long>(games),
                    qPrintable(AutomatchManager::persistedHistoryKey));
        return 0;
    }
    automatch::HistoryStore store(AutomatchManager::defaultHistoryDatabasePath());
    if (!store.isOpen()) {
        std::fprintf(stderr, "%s\n", qPrintable(store.error()));
        return 1;
    }
    const automatch::SeriesIdentity engines{"Stockfish", std::nullopt, "Toga II", std::nullopt};
    if (mode == QStringLiteral("database")) {
        QList<AutomatchGameRecord> records;
        for (std::int64_t number = 1; number <= games; ++number) {
            records.append(numbered(sample, number));
        }
        if (!store.importSeries(games, engines, records, engine1Wins, engine2Wins, 0,
                                QStringLiteral("storedHistoryImported"))) {
            std::fprintf(stderr, "%s\n", qPrintable(store.error()));
            return 1;
        }
        std::printf("wrote %lld games to %s\n", static_cast<long long>(games),
                    qPrintable(store.path()));
        return 0;
    }
    // Appending: the time of each game's transaction, reported per thousand games.
    std::optional<automatch::StoredSeries> series = store.latestSeries();
    const std::int64_t id = series ? series->id : *store.beginSeries(games, engines);
    const std::int64_t start = series ? series->recordCount() : 0;
    double slowest = 0;
    double total = 0;
    std::int64_t over5ms = 0;
    for (std::int64_t i = 1; i <= games; ++i) {
        const auto before = std::chrono::steady_clock::now();
        if (!store.appendGame(id, numbered(sample, start + i), start + i, 0, 0)) {
            std::fprintf(stderr, "%s\n", qPrintable(store.error()));
            return 1;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before)
                .count();
        total += ms;
        slowest = std::max(slowest, ms);
        over5ms += ms > 5.0 ? 1 : 0;
        if (i % 1000 == 0 || i == games) {
            std::printf("games %lld: mean %.3f ms, slowest %.3f ms\n",
                        static_cast<long long>(start + i), total / static_cast<double>(i), slowest);
        }
    }
    return 0;
}
