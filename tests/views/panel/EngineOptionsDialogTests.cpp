// An engine's options as a person sets them: read from the engine without blocking the window,
// one control per option, values the engine would refuse kept out, and what is stored is what
// the engine is started with.
#include "FakeEngine.h"
#include "PanelWorld.h"
#include "QtTestSupport.h"
#include "uci/UCIEngineProcess.h"
#include "views/panel/EngineOptionsDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

namespace velkor::testing {
namespace {

const QStringList declaredOptions{
    "option name Hash type spin default 16 min 1 max 33554432",
    "option name Threads type spin default 1 min 1 max 1024", "option name Clear Hash type button",
    "option name Ponder type check default false",
    "option name Style type combo default Normal var Solid var Normal var Risky",
    "option name SyzygyPath type string default <empty>",
    "option name EvalFile type string default nn.nnue",
    "option name UCI_Chess960 type check default false",
    "option name Skill Level type spin default 20 min 0 max 20",
    // Malformed: its limits are the wrong way round.
    "option name Contempt type spin default 0 min 100 max -100"};

QStringList optionControls(const QWidget& dialog) {
    QStringList names;
    for (const QWidget* child : dialog.findChildren<QWidget*>()) {
        if (child->objectName().startsWith("option ")) {
            names.append(child->objectName().mid(7));
        }
    }
    return names;
}

QLineEdit* textOf(const QWidget& dialog, const QString& option) {
    auto* field = dialog.findChild<QWidget*>("option " + option);
    return field ? field->findChild<QLineEdit*>("text") : nullptr;
}

// Types into a spin box as a person would, over what it shows.
void typeInto(QSpinBox* spin, const QString& keys) {
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, keys);
}

QStringList sinceLastUci(const QStringList& commands) {
    return commands.mid(commands.lastIndexOf("uci"));
}

TEST(EngineOptionsDialog, ListsTheFreeOptionsRefusesWhatTheEngineWouldNotTakeAndStoresTheRest) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions));
    PanelWorld world;
    const EngineConfiguration engine =
        EngineConfiguration::makeNew("Fake", fake.path(), QStringLiteral("Tester"));
    world.engines.setAvailableEngines({engine});
    world.panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&world.panel));
    world.panel.setSelectedTab(RightPanelView::enginesTab);

    auto* open = world.panel.findChild<QAbstractButton*>("engineOptionsButton");
    ASSERT_NE(open, nullptr);
    open->click();
    auto* dialog = world.panel.findChild<panel::EngineOptionsDialog*>();
    ASSERT_NE(dialog, nullptr);
    auto* status = dialog->findChild<QLabel*>("engineOptionsStatus");
    auto* ok = dialog->findChild<QAbstractButton*>("engineOptionsOk");
    // The engine is asked off the main thread: the dialog is up and says so meanwhile.
    EXPECT_TRUE(dialog->isReading());
    EXPECT_EQ(status->text(), "Reading the engine’s options...");
    EXPECT_FALSE(ok->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !dialog->isReading(); }));

    // Ponder and UCI_Chess960 are the program's own business; the malformed line costs only itself.
    EXPECT_EQ(optionControls(*dialog), (QStringList{"Hash", "Threads", "Clear Hash", "Style",
                                                    "SyzygyPath", "EvalFile", "Skill Level"}));
    auto* hash = dialog->findChild<QSpinBox*>("option Hash");
    auto* threads = dialog->findChild<QSpinBox*>("option Threads");
    auto* style = dialog->findChild<QComboBox*>("option Style");
    QLineEdit* syzygy = textOf(*dialog, "SyzygyPath");
    QLineEdit* evalFile = textOf(*dialog, "EvalFile");
    ASSERT_TRUE(hash && threads && style && syzygy && evalFile);
    // A new record starts the engine with two threads and 64 MB until a person says otherwise.
    EXPECT_EQ(hash->value(), 64);
    EXPECT_EQ(threads->value(), 2);
    EXPECT_EQ(style->currentText(), "Normal");
    EXPECT_EQ(evalFile->text(), "nn.nnue");
    EXPECT_NE(dialog->findChild<QAbstractButton*>("choose", Qt::FindChildrenRecursively), nullptr);
    // Nothing runs the engine, so its button has nothing to act on.
    EXPECT_FALSE(dialog->findChild<QAbstractButton*>("option Clear Hash")->isEnabled());
    EXPECT_TRUE(dialog->findChild<QLabel*>("engineOptionsButtonNote")->isVisible());

    typeInto(threads, "2000");
    EXPECT_EQ(threads->value(), 200);
    typeInto(hash, "0");
    EXPECT_NE(hash->value(), 0);
    style->setCurrentText("Risky");
    syzygy->setText("/tb/a:/tb/b");
    // A line break would end the command and start another one in the engine.
    auto* refusal = evalFile->parentWidget()->findChild<QLabel*>("refused");
    evalFile->setText("nn.nnue\nquit");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(refusal->isHidden());
    evalFile->setText("nn.nnue");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_TRUE(refusal->isHidden());

    dialog->findChild<QAbstractButton*>("restoreDefaultsButton")->click();
    EXPECT_EQ(threads->value(), 1);
    EXPECT_EQ(hash->value(), 16);
    EXPECT_EQ(style->currentText(), "Normal");
    EXPECT_EQ(syzygy->text(), "");

    typeInto(threads, "8");
    typeInto(hash, "256");
    style->setCurrentText("Risky");
    syzygy->setText("/tb/a:/tb/b");
    ok->click();
    EXPECT_FALSE(dialog->isVisible());
    const EngineConfiguration stored = world.engines.availableEngines().constFirst();
    EXPECT_EQ(stored.optionValues, (QMap<QString, QString>{{"Threads", "8"},
                                                           {"Hash", "256"},
                                                           {"Skill Level", "20"},
                                                           {"Style", "Risky"},
                                                           {"SyzygyPath", "/tb/a:/tb/b"}}));

    // The next start sends exactly what differs from the engine's defaults, Threads before Hash.
    UCIEngineProcess process(stored, 2.0);
    ASSERT_TRUE(QCoro::waitFor(process.start()));
    EXPECT_EQ(sinceLastUci(fake.receivedCommands()),
              (QStringList{"uci", "setoption name Threads value 8", "setoption name Hash value 256",
                           "setoption name Style value Risky",
                           "setoption name SyzygyPath value /tb/a:/tb/b",
                           "setoption name MultiPV value 3", "isready"}));
}

TEST(EngineOptionsDialog, PressesButtonsOnlyWhileTheRunningEngineIsIdle) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions) + "on stop\nsay bestmove e2e4\n");
    PanelWorld world;
    EngineConfiguration engine = EngineConfiguration::makeNew("Fake", fake.path(), {});
    engine.multiPV.reset();
    UCIEngineProcess process(engine, 2.0);
    ASSERT_TRUE(QCoro::waitFor(process.start()));

    panel::EngineOptionsDialog dialog(engine, world.engines, world.localization,
                                      [&process] { return std::vector{&process}; });
    // The running engine told its options already; nobody is asked again.
    EXPECT_FALSE(dialog.isReading());
    auto* clearHash = dialog.findChild<QAbstractButton*>("option Clear Hash");
    ASSERT_NE(clearHash, nullptr);
    ASSERT_TRUE(clearHash->isEnabled());
    clearHash->click();
    ASSERT_TRUE(waitUntil(
        [&] { return fake.receivedCommands().constLast() == "setoption name Clear Hash"; }));
    EXPECT_EQ(dialog.findChild<QLabel*>("engineOptionsButtonSent")->text(),
              "Sent to the engine: Clear Hash");

    auto search = process.search({.depth = 30});
    ASSERT_TRUE(waitUntil([&] { return process.isThinking(); }));
    dialog.refreshButtonOptions();
    EXPECT_FALSE(clearHash->isEnabled());
    // A press in the moment the search began is refused by the engine process and said so.
    emit clearHash->clicked();
    EXPECT_EQ(dialog.findChild<QLabel*>("engineOptionsButtonSent")->text(),
              "The engine is thinking: buttons work again once it is idle.");
    process.stop();
    QCoro::waitFor(std::move(search));
    ASSERT_TRUE(waitUntil([&] { return !process.isThinking(); }));
    dialog.refreshButtonOptions();
    EXPECT_TRUE(clearHash->isEnabled());
    EXPECT_EQ(fake.receivedCommands().count("setoption name Clear Hash"), 1);
}

} // namespace
} // namespace velkor::testing
