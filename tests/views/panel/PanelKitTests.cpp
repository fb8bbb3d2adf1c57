// The panel's shared pieces at work: every engine picker over the one list of installed engines,
// controls that show settings they cannot hold exactly without changing them, and colours that
// follow what a line says.
#include "PanelWorld.h"
#include "QtTestSupport.h"
#include "views/panel/PanelPalette.h"
#include "views/panel/PanelStyle.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace velkor::testing {
namespace {

template <typename Widget = QWidget>
Widget* find(QObject& root, const QString& name) {
    auto* widget = root.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}

// What a pick from a combo box's list does.
void choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QStringList rows(const QComboBox* box) {
    QStringList texts;
    for (int row = 0; row < box->count(); ++row) {
        texts.append(box->itemText(row));
    }
    return texts;
}

QColor textColour(const QWidget* widget) {
    return widget->palette().color(widget->foregroundRole());
}

EngineConfiguration engineNamed(const QString& name, const QString& path) {
    return EngineConfiguration::makeNew(name, path, QStringLiteral("Tester"));
}

class PanelKitTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.localization.setCurrentLanguage(Language::english);
        world.panel.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&world.panel));
        for (int tab = 0; tab < RightPanelView::tabCount; ++tab) {
            world.panel.setSelectedTab(tab);
        }
    }

    PanelWorld world;
};

TEST_F(PanelKitTest, EveryEnginePickerFollowsTheOneListOfInstalledEngines) {
    const EngineConfiguration alpha = engineNamed("Alpha", "/opt/alpha");
    const EngineConfiguration beta = engineNamed("Beta", "/opt/beta");
    const EngineConfiguration beta2 = engineNamed("Beta", "/opt/beta-dev");
    world.engines.setAvailableEngines({alpha, beta});
    world.engines.setSelectedWhiteEngine(alpha);
    world.engines.setSelectedBlackEngine(beta);

    auto* white = find<QComboBox>(world.panel, "whiteEnginePicker");
    auto* black = find<QComboBox>(world.panel, "blackEnginePicker");
    auto* opponent = find<QComboBox>(world.panel, "opponentEnginePicker");
    auto* first = find<QComboBox>(world.panel, "automatchEngine1Picker");
    for (QComboBox* picker : {white, black, opponent, first}) {
        EXPECT_EQ(rows(picker), QStringList({"Alpha", "Beta"}))
            << picker->objectName().toStdString();
    }
    EXPECT_EQ(white->currentText(), "Alpha");
    EXPECT_EQ(black->currentText(), "Beta");

    // A new list keeps each choice on its engine, wherever the engine moved to, and names
    // engines of one name apart in every picker alike.
    world.engines.setAvailableEngines({beta2, beta, alpha});
    for (QComboBox* picker : {white, black, opponent, first}) {
        ASSERT_EQ(picker->count(), 3);
        EXPECT_NE(picker->itemText(0), picker->itemText(1));
        EXPECT_EQ(picker->itemText(1), rows(white)[1]);
    }
    EXPECT_EQ(white->currentIndex(), 2);
    EXPECT_EQ(black->currentIndex(), 1);

    // A pick selects the engine of that row, found by its id.
    choose(white, 0);
    EXPECT_EQ(world.engines.selectedWhiteEngine(), beta2);
    choose(opponent, 2);
    EXPECT_EQ(world.engines.selectedWhiteEngine(), alpha);
    EXPECT_EQ(world.engines.selectedBlackEngine(), alpha);

    // A series may name an engine that is not installed: its picker shows it after the installed
    // ones, the others do not, and a pick of an installed one replaces it.
    const EngineConfiguration retired = engineNamed("Retired", "/opt/retired");
    world.automatch.setEngine1(retired);
    EXPECT_EQ(first->count(), 4);
    EXPECT_EQ(first->currentText(), "Retired");
    EXPECT_EQ(white->count(), 3);
    choose(first, 3);
    EXPECT_EQ(world.automatch.engine1(), retired);
    choose(first, 1);
    EXPECT_EQ(world.automatch.engine1(), beta);
    EXPECT_EQ(first->count(), 3);

    // Without engines there is nothing to pick.
    world.engines.setAvailableEngines({});
    EXPECT_FALSE(white->isEnabled());
    EXPECT_EQ(white->currentIndex(), -1);
}

TEST_F(PanelKitTest, ShowingSettingsTheControlsCannotHoldLeavesThemAsTheyAre) {
    // Values between the controls' steps or beyond their ranges, as another part may set them.
    world.automatch.setPauseBetweenGamesSeconds(0.3);
    world.automatch.setTotalGames(5000);
    world.automatch.setEngine1LimitElo(true);
    world.automatch.setEngine1Elo(1810);
    TimeControlConfig config = world.games.timeControlConfig();
    config.customBaseMinutes = 500;
    config.customIncrementSeconds = 90;
    world.games.setTimeControlConfig(config);
    world.panel.setSelectedTab(RightPanelView::automatchTab);
    world.panel.setSelectedTab(RightPanelView::newGameTab);
    processEventsFor(std::chrono::milliseconds(50));

    EXPECT_EQ(world.automatch.pauseBetweenGamesSeconds(), 0.3);
    EXPECT_EQ(world.automatch.totalGames(), 5000);
    EXPECT_EQ(world.automatch.engine1Elo(), 1810);
    EXPECT_EQ(world.games.timeControlConfig(), config);
    EXPECT_EQ(find<QSlider>(world.panel, "automatchPauseSlider")->value(), 1);
    EXPECT_EQ(find<QSpinBox>(world.panel, "automatchGamesCount")->value(), 1000);

    // The person's edits still go through.
    find<QSlider>(world.panel, "automatchPauseSlider")->setValue(4);
    EXPECT_EQ(world.automatch.pauseBetweenGamesSeconds(), 2.0);
    find<QSpinBox>(world.panel, "automatchGamesCount")->setValue(12);
    EXPECT_EQ(world.automatch.totalGames(), 12);
    auto* strength = find(world.panel, "automatchEngine1Elo");
    find<QSlider>(*strength, "eloSlider")->setValue(10);
    EXPECT_EQ(world.automatch.engine1Elo(), 1520);
    find<QSlider>(world.panel, "customIncrementSlider")->setValue(5);
    EXPECT_EQ(world.games.timeControlConfig().customIncrementSeconds, 5);
    EXPECT_EQ(world.games.timeControlConfig().customBaseMinutes, 500);
}

TEST_F(PanelKitTest, ColoursFollowWhatALineSays) {
    world.panel.setSelectedTab(RightPanelView::exportTab);
    auto* entry = find<QLineEdit>(world.panel, "fenInput");
    auto* result = find<QLabel>(world.panel, "fenResult");
    QTest::keyClicks(entry, QStringLiteral("not a position"));
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_EQ(textColour(result), QColor::fromRgb(panel::palette::failure));
    entry->clear();
    QTest::keyClicks(entry, QStringLiteral("8/8/8/4k3/8/8/4P3/4K3 w - - 0 1"));
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_EQ(textColour(result), QColor::fromRgb(panel::palette::success));

    // The status badge: its frame and text take the colour of the state it names.
    auto* badge = find<QLabel>(world.panel, "statusBadgeText");
    world.games.setGameMode(GameMode::humanVsHuman);
    world.games.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return world.games.clock().isRunning(); }));
    const QColor atRest = textColour(badge);
    EXPECT_EQ(atRest, QColor::fromRgb(panel::palette::accent));
    world.games.togglePause();
    ASSERT_TRUE(world.games.isPaused());
    EXPECT_EQ(textColour(badge), QColor::fromRgb(panel::palette::caution));
    world.games.togglePause();
    EXPECT_EQ(textColour(badge), atRest);
}

TEST_F(PanelKitTest, ABadgeGivenItsToneWhileHiddenIsPaddedWhenShown) {
    // As the engine card's badge: made and shown plain, hidden, then given its tone.
    auto* badge = new QLabel(QStringLiteral("Full Strength"), &world.panel);
    badge->show();
    const int plainWidth = badge->sizeHint().width();
    badge->hide();
    panel::setBadgeTone(*badge, panel::Tone::success);
    badge->show();
    // Six pixels of padding on either side.
    EXPECT_GE(badge->sizeHint().width(), plainWidth + 12);
    EXPECT_EQ(badge->palette().color(badge->backgroundRole()),
              QColor::fromRgb(panel::palette::success));
}

} // namespace
} // namespace velkor::testing
