// What the person hears about their files and stored data: a failed save is shown with its
// reason instead of passing for a saved game, and each alert about the store is shown once the
// window is up.
#include "MainWindow.h"
#include "ViewsFixture.h"
#include "platform/StoreAlerts.h"
#include "views/PGNExporter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velkor {
namespace {

// Answers the save dialog with `path`, then notes and closes the alert that may follow.
class SaveDialogDriver {
public:
    explicit SaveDialogDriver(QString path) : m_path(std::move(path)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { step(); });
        m_timer.start(20);
    }

    QString alertText() const { return m_alert; }

private:
    void step() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            // Typed into the name field, as a person would.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (name == nullptr) {
                ADD_FAILURE() << "the save dialog has no name field";
                dialog->reject();
                return;
            }
            name->setText(m_path);
            // Accepted once this step is over: a question it asks runs a loop of its own, in
            // which this timer must be able to step again.
            QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
        } else if (auto* alert = qobject_cast<QMessageBox*>(modal)) {
            // The dialog's own question whether to replace an existing file.
            if (QAbstractButton* replace = alert->button(QMessageBox::Yes)) {
                replace->click();
                return;
            }
            m_alert = alert->text();
            alert->close();
        }
    }

    QString m_path;
    QString m_alert;
    QTimer m_timer;
};

TEST(SaveFileTest, AFailedSaveIsShownWithItsReasonAndASavedOneIsWhole) {
    QTemporaryDir folder;
    const QString target = folder.filePath("game.pgn");
    {
        SaveDialogDriver driver(target);
        PGNExporter::savePGNDialog(nullptr, QStringLiteral("1. e4 e5 *\n"));
        EXPECT_TRUE(driver.alertText().isEmpty()) << driver.alertText().toStdString();
    }
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "1. e4 e5 *\n");

    SaveDialogDriver full(QStringLiteral("/dev/full"));
    PGNExporter::saveFENDialog(nullptr, QStringLiteral("8/8/8/8/8/8/8/K1k5 w - - 0 1"));
    EXPECT_TRUE(full.alertText().contains(qt_error_string(ENOSPC)))
        << full.alertText().toStdString();
    EXPECT_TRUE(full.alertText().contains(QStringLiteral("/dev/full")));
}

class StoreAlertTest : public ViewsTest {
protected:
    static QList<QMessageBox*> shownAlerts(const QWidget& window) {
        QList<QMessageBox*> shown;
        for (QMessageBox* box : window.findChildren<QMessageBox*>(QStringLiteral("storeAlert"))) {
            if (box->isVisible()) {
                shown.append(box);
            }
        }
        return shown;
    }
};

TEST_F(StoreAlertTest, EachAlertIsShownOnceInTheCurrentLanguageWithWhereItHappened) {
    platform::StoreAlerts& alerts = platform::StoreAlerts::shared();
    // Raised at start, before there is a window to show it in.
    alerts.raise({QStringLiteral("store_engines_set_aside"),
                  QStringLiteral("Brontil_InstalledEngines_Unreadable\n/home/p/brontil.conf")});
    localization.setCurrentLanguage(Language::german);
    MainWindow window(game, engines, automatch, localization, sounds, {});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(velkor::testing::waitUntil([&] { return shownAlerts(window).size() == 1; }));
    QMessageBox* first = shownAlerts(window).first();
    EXPECT_EQ(first->text(), localization.text(QStringLiteral("store_engines_set_aside")));
    EXPECT_TRUE(first->text().startsWith(QStringLiteral("Einige gespeicherte Engines")));
    EXPECT_TRUE(
        first->informativeText().contains(QStringLiteral("Brontil_InstalledEngines_Unreadable")));
    first->close();

    alerts.raise({QStringLiteral("store_settings_unwritable"),
                  QStringLiteral("/home/p/brontil.conf: Permission denied")});
    alerts.raise({QStringLiteral("store_settings_unwritable"),
                  QStringLiteral("/home/p/brontil.conf: Permission denied")});
    ASSERT_TRUE(velkor::testing::waitUntil([&] { return shownAlerts(window).size() == 1; }));
    velkor::testing::processEventsFor(std::chrono::milliseconds(100));
    ASSERT_EQ(shownAlerts(window).size(), 1);
    EXPECT_TRUE(shownAlerts(window).first()->informativeText().contains("Permission denied"));
}

} // namespace
} // namespace velkor
