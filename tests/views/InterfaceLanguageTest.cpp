// Every text the window shows, in each of the four languages: the tabs, the menus, the About
// window, the update window and the panel's dialogs, each read after a change of language. A text
// must come from that language's column of the text table (figures, names and a few words that
// every language writes alike aside), every character of it must be in the font that draws it,
// and every tab title must fit its button.
#include "AppMenus.h"
#include "FakeEngine.h"
#include "MainWindow.h"
#include "UpdateTestSupport.h"
#include "ViewsFixture.h"
#include "automatch/PersistedHistory.h"
#include "bundle/ApplicationMetadata.h"
#include "localization/TextTable.h"
#include "platform/Settings.h"
#include "update/CurrentBundle.h"
#include "update/UpdateController.h"
#include "views/AboutView.h"
#include "views/MainView.h"
#include "views/PlayerBannerView.h"
#include "views/UpdateView.h"
#include "views/panel/EnginesTab.h"
#include "views/panel/PanelTabBar.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace velkor {

namespace {

using velkor::testing::LoopbackUpdateServer;
using velkor::testing::Route;
using velkor::testing::waitUntil;

// Names and marks that are the same in every language: the engines' and languages' own names,
// units, file formats and UCI's option name.
const QStringList sameInEveryLanguage{"Velkor",
                                      "Stockfish",
                                      "Alpha",
                                      "Beta",
                                      "English",
                                      "Deutsch",
                                      "Nederlands",
                                      "Français",
                                      "ELO",
                                      "Elo",
                                      "UCI_Elo",
                                      "LOS",
                                      "cp",
                                      "min",
                                      "s",
                                      "CSV",
                                      "JSON",
                                      "OK",
                                      "Automatch",
                                      "rnbqkbnr",
                                      "pppppppp",
                                      "build",
                                      "velkor@tamsel.com"};

struct Shown {
    QString text;
    QString where;
    QFont font;
};

// A button's or menu's title as shown: "&&" is a shown "&", a single "&" marks the shortcut
// letter.
QString withoutShortcutMark(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

enum class Kind { text, title, richOrPlain, markdown };

void add(std::vector<Shown>& shown, QString text, const QString& where, const QFont& font,
         Kind kind = Kind::text) {
    if (kind == Kind::title) {
        text = withoutShortcutMark(text);
    } else if (kind == Kind::markdown) {
        QTextDocument document;
        document.setMarkdown(text);
        text = document.toPlainText();
    } else if (kind == Kind::richOrPlain && Qt::mightBeRichText(text)) {
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
    }
    if (!text.trimmed().isEmpty()) {
        shown.push_back({text, where, font});
    }
}

QString describe(const QObject* object) {
    return QString::fromLatin1(object->metaObject()->className()) + QLatin1Char(' ') +
           object->objectName();
}

// Every text a person can see in `root` now: labels, buttons, tab titles, the items of drop-down
// lists, group titles, spin box suffixes, placeholders, tool tips and the window title.
std::vector<Shown> visibleTexts(QWidget& root) {
    std::vector<Shown> shown;
    add(shown, root.windowTitle(), describe(&root) + " title", root.font());
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        if (widget != &root && !widget->isVisibleTo(&root)) {
            continue;
        }
        const QString where = describe(widget);
        add(shown, widget->toolTip(), where + " tool tip", QToolTip::font());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            // A file's path is the person's own data.
            if (label->objectName() != QLatin1String("enginePath")) {
                add(shown, label->text(), where, label->font(),
                    label->textFormat() == Qt::MarkdownText ? Kind::markdown : Kind::richOrPlain);
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            add(shown, button->text(), where, button->font(), Kind::title);
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                add(shown, tabs->tabText(i), where, tabs->font());
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i) {
                add(shown, combo->itemText(i), where, combo->font());
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            add(shown, group->title(), where, group->font());
        } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            add(shown, spin->suffix(), where, spin->font());
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
            add(shown, edit->placeholderText(), where, edit->font());
        }
    }
    return shown;
}

void addMenu(std::vector<Shown>& shown, QMenu& menu) {
    add(shown, menu.title(), "menu " + menu.title(), menu.font(), Kind::title);
    for (QAction* action : menu.actions()) {
        if (action->menu()) {
            addMenu(shown, *action->menu());
        } else if (!action->isSeparator()) {
            add(shown, action->text(), "menu item " + action->text(), menu.font(), Kind::title);
        }
    }
}

// The language's texts cut at their value marks, longest first, for finding them inside the
// composed texts of the window.
QStringList columnPieces(Language language) {
    static const QRegularExpression mark(QStringLiteral("%\\d"));
    QStringList pieces;
    const TextTable& table = TextTable::builtIn();
    for (const QString& key : table.keys(language)) {
        for (const QString& piece : table.text(language, key)->split(mark)) {
            const QString trimmed = piece.trimmed();
            if (trimmed.size() > 1) {
                pieces.append(trimmed);
                pieces.append(withoutShortcutMark(trimmed));
            }
        }
    }
    pieces.append(sameInEveryLanguage);
    std::sort(pieces.begin(), pieces.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    pieces.removeDuplicates();
    return pieces;
}

// The words of `text` that no text of the language's column accounts for.
QStringList foreignWords(QString text, const QStringList& pieces) {
    for (const QString& piece : pieces) {
        // Whole words only: a piece inside a longer word does not account for it.
        const QString before =
            piece.front().isLetterOrNumber() ? QStringLiteral("(?<![\\w])") : QString();
        const QString after =
            piece.back().isLetterOrNumber() ? QStringLiteral("(?![\\w])") : QString();
        text.replace(QRegularExpression(before + QRegularExpression::escape(piece) + after,
                                        QRegularExpression::UseUnicodePropertiesOption),
                     QStringLiteral(" "));
    }
    // Moves in SAN are the same in every language.
    static const QRegularExpression san(
        QStringLiteral("\\b[KQRBN]?[a-h]?[1-8]?x?[a-h][1-8](=[QRBN])?[+#]?"));
    text.remove(san);
    static const QRegularExpression word(QStringLiteral("\\p{L}{2,}"));
    QStringList words;
    for (const auto& match : word.globalMatch(text)) {
        words.append(match.captured());
    }
    return words;
}

// Characters the font that draws `text` does not have: they would show as empty boxes.
QString missingGlyphs(const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    QString missing;
    for (const char32_t code : text.toUcs4()) {
        if (code <= 0x20 || code == 0x200B || code == 0xA0 || code == 0x202F) {
            continue;
        }
        if (!metrics.inFontUcs4(code)) {
            missing += QString::fromUcs4(&code, 1);
        }
    }
    return missing;
}

// VELKOR_LANGUAGE_SHOTS=<folder> keeps a picture of each window the test reads.
void keepPicture(QWidget& window, Language language, const QString& name) {
    const QString folder = qEnvironmentVariable("VELKOR_LANGUAGE_SHOTS");
    if (!folder.isEmpty()) {
        window.grab().save(QStringLiteral("%1/%2-%3.png")
                               .arg(folder, QString::fromLatin1(id(language).data(), 2), name));
    }
}

class InterfaceLanguageTest : public ViewsTest {
protected:
    QTemporaryDir historyFolder;
    std::vector<std::unique_ptr<velkor::testing::FakeEngine>> fakeEngines;

    InterfaceLanguageTest() {
        // A stored series with its reasons in the records' own fixed wording.
        AutomatchGameRecord mate;
        mate.id = QUuid::createUuid();
        mate.gameNumber = 1;
        mate.whiteEngineName = "Alpha";
        mate.blackEngineName = "Beta";
        mate.whiteIsEngine1 = true;
        mate.result = "1-0";
        mate.winnerEngineName = "Alpha";
        mate.reason = QString::fromUtf8("Schachmatt (Weiß gewinnt)");
        mate.movesCount = 0;
        mate.pgn = "1-0";
        mate.timestamp = QDateTime::currentDateTimeUtc();
        AutomatchGameRecord failure = mate;
        failure.id = QUuid::createUuid();
        failure.gameNumber = 2;
        failure.result = "0-1";
        failure.winnerEngineName = "Beta";
        failure.reason = QString::fromUtf8("Engine-Fehler bei Weiß: 42 (Schwarz gewinnt)");
        platform::Settings::setValue(
            AutomatchManager::persistedHistoryKey,
            automatch::PersistedHistory{2, 1, 1, 0, {mate, failure}}.encode());
        // A history file of its own: the fixture's manager has already opened the default one
        // and found nothing to bring over.
        series = std::make_unique<AutomatchManager>(
            game, engines, sounds, nullptr,
            historyFolder.filePath(QStringLiteral("history.sqlite")));

        EngineConfiguration found = EngineConfiguration::makeNew(
            "Stockfish", "/nonexistent/stockfish", EngineManager::autoDetectedAuthor);
        found.limitElo = true;
        engines.setAvailableEngines({found});

        game.setGameMode(GameMode::engineVsEngine);

        window = std::make_unique<MainWindow>(game, engines, *series, localization, sounds,
                                              AppActions{}, [] { return true; });
        window->resize(1200, 800);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // A position loaded in English: its confirmation must follow every later change of
        // language.
        // The other tabs are built just after the first frame.
        EXPECT_TRUE(waitUntil([&] { return window->findChild<QLineEdit*>("fenInput"); }));
        auto* fenInput = window->findChild<QLineEdit*>(QStringLiteral("fenInput"));
        if (!fenInput) {
            return;
        }
        // Two engines play on from it four moves, one of each grade (a loss is the mover's score
        // plus the reply's), and White thinks on.
        const auto fake = [&](const QString& script) {
            fakeEngines.push_back(std::make_unique<velkor::testing::FakeEngine>(script));
            EngineConfiguration config = EngineConfiguration::makeNew(
                "Stockfish", fakeEngines.back()->path(), EngineManager::autoDetectedAuthor);
            config.threads = 1;
            config.hashMB = 0;
            return config;
        };
        const velkor::testing::ScriptedEngineGame script = velkor::testing::scriptedEngineGame(
            {{"h1h2", 0}, {"e8d8", 10}, {"h2h3", 40}, {"d8e8", 60}, {"h3h4", 240}});
        const std::optional<EngineConfiguration> whiteSelection = engines.selectedWhiteEngine();
        const std::optional<EngineConfiguration> blackSelection = engines.selectedBlackEngine();
        engines.setSelectedWhiteEngine(fake(script.white));
        engines.setSelectedBlackEngine(fake(script.black));
        EngineSessionOptions quick;
        quick.engineMovePause = std::chrono::milliseconds(0);
        game.setEngineSessionOptions(quick);
        fenInput->setText(QStringLiteral("4k3/8/8/8/8/8/8/4K2R w K - 0 1"));
        window->findChild<QAbstractButton*>(QStringLiteral("applyFenButton"))->click();
        EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("fenResult"))->isHidden());
        EXPECT_TRUE(waitUntil([&] { return game.liveAnalysis().moveAnalyses().size() == 4U; }));
        // The series below has only the missing engine to play with again.
        engines.setSelectedWhiteEngine(whiteSelection);
        engines.setSelectedBlackEngine(blackSelection);
        // Refused for want of engines: the refusal is shown in the automatch tab.
        series->start();
    }

    // Records every text shown under `root` that is not in `language`, or that its font cannot
    // draw.
    void check(QWidget& root, Language language, const QString& place) {
        std::vector<Shown> shown = visibleTexts(root);
        if (auto* mainWindow = qobject_cast<QMainWindow*>(&root)) {
            for (QAction* action : mainWindow->menuBar()->actions()) {
                if (action->menu()) {
                    addMenu(shown, *action->menu());
                }
            }
        }
        const QStringList pieces = columnPieces(language);
        for (const Shown& text : shown) {
            const std::string where = std::string(id(language)) + ", " + place.toStdString() +
                                      ", " + text.where.toStdString() + ": \"" +
                                      text.text.toStdString() + "\"";
            const QStringList foreign = foreignWords(text.text, pieces);
            EXPECT_TRUE(foreign.isEmpty()) << where << " has " << foreign.join(' ').toStdString();
            const QString missing = missingGlyphs(text.text, text.font);
            EXPECT_TRUE(missing.isEmpty()) << where << " cannot draw " << missing.toStdString();
        }
    }

    std::unique_ptr<AutomatchManager> series;
    std::unique_ptr<MainWindow> window;
};

TEST_F(InterfaceLanguageTest, EveryTextShownIsInTheChosenLanguageAndFitsItsPlace) {
    // The update window offering a version it cannot install by itself.
    LoopbackUpdateServer loopback;
    const QString bundle = loopback.folder() + "/Applications/Velkor.app";
    bundle::writeInfoPlist(bundle.toStdString(),
                           {"com.tamsel.brontil", "1.9", "99", std::string("velkor")});
    setCurrentBundlePath(bundle);
    UpdateService service(loopback.options());
    UpdateController updates(service);
    loopback.server().setRoute(
        loopback.feedPath(),
        Route{200,
              R"({"version":"2.0","build":"120","download_url":"https://h/x.dmg"})",
              {},
              {},
              false});
    UpdateView sheet(updates, localization, window.get());
    updates.checkForUpdates(false);
    ASSERT_TRUE(waitUntil([&] { return !updates.isChecking(); }));
    ASSERT_TRUE(sheet.isVisible());

    AboutView about(localization, BundleVersion{QStringLiteral("1.9"), QStringLiteral("99")});
    about.show();

    auto* tabBar = window->findChild<panel::PanelTabBar*>();
    ASSERT_NE(tabBar, nullptr);
    auto* enginesTab = window->findChild<panel::EnginesTab*>();
    for (const Language language : allLanguages) {
        localization.setCurrentLanguage(language);
        for (int tab = 0; tab < 6; ++tab) {
            auto* button =
                window->findChild<QAbstractButton*>(QStringLiteral("tabButton_%1").arg(tab));
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
            QApplication::processEvents();
            check(*window, language, QStringLiteral("tab %1").arg(tab));
            keepPicture(*window, language, QStringLiteral("tab%1").arg(tab));
            // The selected tab's title, in bold, fits its button.
            QFont bold = button->font();
            bold.setBold(true);
            const QString title = withoutShortcutMark(button->text());
            EXPECT_LE(QFontMetrics(bold).horizontalAdvance(title) + 6, button->width())
                << id(language) << " tab " << tab << " \"" << button->text().toStdString()
                << "\" is cut off in a button " << button->width() << " px wide";
        }
        // The banners draw their names themselves.
        const MainView* view = window->findChild<MainView*>();
        ASSERT_NE(view, nullptr);
        for (const PlayerBannerView* banner : {&view->topBanner(), &view->bottomBanner()}) {
            const QStringList foreign = foreignWords(banner->banner().name, columnPieces(language));
            EXPECT_TRUE(foreign.isEmpty())
                << id(language) << ", banner \"" << banner->banner().name.toStdString() << "\"";
        }
        check(sheet, language, QStringLiteral("update window"));
        check(about, language, QStringLiteral("About"));
        keepPicture(sheet, language, QStringLiteral("update"));
        keepPicture(about, language, QStringLiteral("about"));

        // The dialogs the panel opens: clearing the history asks first; a failed addition says
        // why.
        QTest::mouseClick(window->findChild<QAbstractButton*>(QStringLiteral("tabButton_2")),
                          Qt::LeftButton);
        QTest::mouseClick(window->findChild<QAbstractButton*>(QStringLiteral("clearHistoryButton")),
                          Qt::LeftButton);
        auto* question = window->findChild<QMessageBox*>(QStringLiteral("clearHistoryQuestion"));
        ASSERT_NE(question, nullptr);
        check(*question, language, QStringLiteral("clear history question"));
        question->button(QMessageBox::Cancel)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_NE(enginesTab, nullptr);
        enginesTab->addEngine(QStringLiteral("/nonexistent/engine"));
        ASSERT_TRUE(waitUntil([&] { return window->findChild<QMessageBox*>(); }));
        auto* alert = window->findChild<QMessageBox*>();
        check(*alert, language, QStringLiteral("engine alert"));
        alert->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
} // namespace velkor
