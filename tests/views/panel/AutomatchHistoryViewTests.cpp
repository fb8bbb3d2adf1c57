// The automatch tab over a long stored history, as a person meets it after a restart: the
// scoreboard of the stored series, rows read page by page, a game replayed and copied through a
// row's buttons, and the history saved to a file.
#include "PanelWorld.h"
#include "QtTestSupport.h"
#include "automatch/HistoryStore.h"
#include "views/panel/AutomatchHistoryModel.h"
#include "views/panel/AutomatchHistoryView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <optional>

namespace velkor::testing {
namespace {

using namespace std::chrono_literals;
using Button = panel::AutomatchHistoryDelegate::Button;

constexpr std::int64_t storedGames = 2000;

// Toga II (limited to 1800) against Stockfish, every game won by Toga II: engine 1 had White in
// the odd games. Game n is 1. e4 e5 2. <n-th knight move pair> so that replays can be told apart.
AutomatchGameRecord storedGame(std::int64_t number) {
    const bool togaWhite = number % 2 == 1;
    AutomatchGameRecord record;
    record.id = QUuid::createUuid();
    record.gameNumber = number;
    record.whiteEngineName = togaWhite ? QStringLiteral("Toga II") : QStringLiteral("Stockfish");
    record.blackEngineName = togaWhite ? QStringLiteral("Stockfish") : QStringLiteral("Toga II");
    record.whiteIsEngine1 = togaWhite;
    (togaWhite ? record.whiteEngineElo : record.blackEngineElo) = 1800;
    record.result = togaWhite ? QStringLiteral("1-0") : QStringLiteral("0-1");
    record.winnerEngineName = QStringLiteral("Toga II");
    record.reason = QStringLiteral("Aufgabe");
    record.movesUCI =
        number % 2 == 1 ? QStringList{"e2e4", "e7e5", "g1f3"} : QStringList{"d2d4", "d7d5"};
    record.movesCount = record.movesUCI.size();
    record.pgn = QStringLiteral("[Event \"Velkor Match\"]\n[Date \"2025.03.01\"]\n[Round \"1\"]\n"
                                "[White \"%1\"]\n[Black \"%2\"]\n[Result \"%3\"]\n\n%3\n")
                     .arg(record.whiteEngineName, record.blackEngineName, record.result);
    record.timestamp =
        QDateTime::fromMSecsSinceEpoch(1'740'000'000'000 + number * 60'000, QTimeZone::utc());
    return record;
}

class AutomatchHistoryViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        {
            automatch::HistoryStore store(AutomatchManager::defaultHistoryDatabasePath());
            ASSERT_TRUE(store.isOpen()) << store.error().toStdString();
            QList<AutomatchGameRecord> records;
            for (std::int64_t number = 1; number <= storedGames; ++number) {
                records.append(storedGame(number));
            }
            ASSERT_TRUE(store.importSeries(storedGames, {"Toga II", 1800, "Stockfish", {}}, records,
                                           storedGames, 0, 0, "storedHistoryImported"));
        }
        world.emplace();
        world->engines.setAvailableEngines({stockfishNamed("Stockfish 16")});
        world->localization.setCurrentLanguage(Language::english);
        world->panel.resize(420, 900);
        world->panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&world->panel));
    }

    QString text(const QString& name) { return world->panel.findChild<QLabel*>(name)->text(); }

    void clickRow(QListView& list, int row, Button button) {
        const QModelIndex index = list.model()->index(row, 0);
        list.scrollTo(index);
        QTest::mouseClick(
            list.viewport(), Qt::LeftButton, {},
            panel::AutomatchHistoryDelegate::buttonRect(list.visualRect(index), list.font(), button)
                .center());
    }

    std::optional<PanelWorld> world;
};

TEST_F(AutomatchHistoryViewTest, ALongStoredHistoryIsShownPageByPageAndItsGamesReplay) {
    auto* tab = world->panel.findChild<QAbstractButton*>(QStringLiteral("tabButton_2"));
    QTest::mouseClick(tab, Qt::LeftButton);
    auto* list = world->panel.findChild<QListView*>(QStringLiteral("historyList"));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(waitUntil([&] { return list->model()->rowCount() > 0; }));

    // The stored series' own engines, strengths and figures, not the engine now in the pickers.
    EXPECT_EQ(text("scoreEngine1"), "<b>Toga II</b> (1800 ELO): <b>2000.0</b> · Wins: 2000");
    EXPECT_EQ(text("scoreEngine2"), "<b>Stockfish</b> (Max ELO): <b>0.0</b> · Wins: 0");
    EXPECT_EQ(text("scoreGameNumber"), "Game 2000 / 2000");
    EXPECT_EQ(text("scoreFinished"), "2000 / 2000 games finished");
    EXPECT_TRUE(text("scoreEloDifference").startsWith("Estimated ELO difference: at least +"))
        << text("scoreEloDifference").toStdString();
    EXPECT_FALSE(text("scoreEloDifference").contains(u'∞'));

    // Only what is in sight was read; scrolling to the end reads the next page.
    QAbstractItemModel& model = *list->model();
    const int firstRead = model.rowCount();
    EXPECT_LE(firstRead, 2 * panel::AutomatchHistoryModel::pageSize);
    EXPECT_EQ(model.index(0, 0).data(panel::AutomatchHistoryModel::rowNameRole).toString(),
              "historyRow_2000");
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
    ASSERT_TRUE(waitUntil([&] { return model.rowCount() > firstRead; }, 2s));
    EXPECT_EQ(
        model.index(firstRead, 0).data(panel::AutomatchHistoryModel::gameNumberRole).toLongLong(),
        storedGames - firstRead);

    // Game 1999 (Toga II with White, three plies) goes onto the board through its row's button.
    clickRow(*list, 1, Button::load);
    const std::vector<MoveRecord>& played = world->games.board().history();
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played.back().move.uciString(), "g1f3");
    EXPECT_EQ(world->panel.toastMessage(), "Game #1999 loaded on the board!");

    // Its PGN leaves with its round and the limited engine's strength.
    clickRow(*list, 1, Button::copyPgn);
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains("[Round \"1999\"]")) << copied.toStdString();
    EXPECT_TRUE(copied.contains("[WhiteElo \"1800\"]")) << copied.toStdString();
    EXPECT_FALSE(copied.contains("BlackElo"));

    // A new game of a new series replaces the stored rows.
    world->automatch.clearHistory();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(list->isVisible());
}

TEST_F(AutomatchHistoryViewTest, TheHistoryIsSavedToAFileWholeOrAnErrorIsShown) {
    auto* tab = world->panel.findChild<QAbstractButton*>(QStringLiteral("tabButton_2"));
    QTest::mouseClick(tab, Qt::LeftButton);
    auto* view = world->panel.findChild<panel::AutomatchHistoryView*>();
    ASSERT_NE(view, nullptr);
    const QTemporaryDir folder;
    const QString csvPath = folder.filePath("history.csv");
    view->saveHistoryTo(csvPath, panel::AutomatchHistoryView::ExportFormat::csv);
    QFile csv(csvPath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(csv.readAll());
    EXPECT_EQ(written, world->automatch.exportCSV());
    EXPECT_EQ(written.count(u'\n'), storedGames);
    EXPECT_TRUE(world->panel.toastMessage().startsWith("History saved:"));

    const QString pgnPath = folder.filePath("history.pgn");
    view->saveHistoryTo(pgnPath, panel::AutomatchHistoryView::ExportFormat::pgn);
    QFile pgn(pgnPath);
    ASSERT_TRUE(pgn.open(QIODevice::ReadOnly));
    const QString games = QString::fromUtf8(pgn.readAll());
    EXPECT_EQ(games.count("[Event "), storedGames);
    EXPECT_TRUE(games.contains("[Round \"2000\"]"));
    EXPECT_TRUE(games.endsWith("1-0\n") || games.endsWith("0-1\n"));

    // A folder in the file's place: nothing claims success, the reason is shown.
    view->saveHistoryTo(folder.path(), panel::AutomatchHistoryView::ExportFormat::json);
    ASSERT_TRUE(waitUntil([&] {
        return view->findChild<QMessageBox*>(QStringLiteral("saveHistoryFailed")) != nullptr;
    }));
    EXPECT_TRUE(view->findChild<QMessageBox*>(QStringLiteral("saveHistoryFailed"))
                    ->text()
                    .startsWith("The history could not be saved to"));
}

} // namespace
} // namespace velkor::testing
