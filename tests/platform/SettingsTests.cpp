// The settings store: a store that cannot be written is said once, with where and why, and data
// set aside is never written over.
#include "ReadOnlyPath.h"
#include "platform/Settings.h"
#include "platform/StoreAlerts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velkor::platform {
namespace {

const QString unwritable = QStringLiteral("store_settings_unwritable");

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Settings::setValue(QStringLiteral("BrontilLanguage"), QStringLiteral("nl")));
        m_file = Settings::fileName();
        m_folder = QFileInfo(m_file).absolutePath();
    }

    static QByteArray contentOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The store cannot be written: said once at the first failure, with the file and the reason,
    // however many changes fail after it; the file stays as it was.
    void expectSaidOnce(const QString& reason) {
        const QByteArray before = contentOf(m_file);
        const StoreAlerts& alerts = StoreAlerts::shared();
        EXPECT_FALSE(Settings::checkWritable());
        ASSERT_EQ(alerts.alerts().size(), 1);
        EXPECT_EQ(alerts.alerts().first().textKey, unwritable);
        const QString details = alerts.alerts().first().details;
        EXPECT_TRUE(details.contains(m_file)) << details.toStdString();
        EXPECT_TRUE(details.contains(reason)) << details.toStdString();
        EXPECT_FALSE(Settings::setValue(QStringLiteral("BrontilSoundsMuted"), true));
        EXPECT_FALSE(Settings::remove(QStringLiteral("BrontilLanguage")));
        EXPECT_EQ(alerts.alerts().size(), 1);
        EXPECT_EQ(contentOf(m_file), before);
    }

    QString m_file;
    QString m_folder;
};

TEST_F(SettingsStoreTest, AWritableStoreIsCheckedWithoutChangingIt) {
    const QByteArray before = contentOf(m_file);
    EXPECT_TRUE(Settings::checkWritable());
    EXPECT_EQ(contentOf(m_file), before);
    EXPECT_TRUE(StoreAlerts::shared().alerts().isEmpty());
}

TEST_F(SettingsStoreTest, AFolderInPlaceOfTheFileIsSaidOnce) {
    ASSERT_TRUE(QFile::remove(m_file));
    ASSERT_TRUE(QDir().mkdir(m_file));
    expectSaidOnce(qt_error_string(EISDIR));
    EXPECT_TRUE(QFileInfo(m_file).isDir());
}

TEST_F(SettingsStoreTest, AReadOnlyFileIsSaidOnce) {
    const testing::ReadOnlyPath readOnly(m_file);
    if (!readOnly.holds()) {
        GTEST_SKIP() << "this process cannot make a file read-only for itself";
    }
    expectSaidOnce(qt_error_string(::geteuid() == 0 ? EPERM : EACCES));
}

TEST_F(SettingsStoreTest, AReadOnlyFolderIsSaidOnce) {
    const testing::ReadOnlyPath readOnly(m_folder);
    if (!readOnly.holds()) {
        GTEST_SKIP() << "this process cannot make a folder read-only for itself";
    }
    expectSaidOnce(qt_error_string(::geteuid() == 0 ? EPERM : EACCES));
}

// Runs `change` in a child process whose files may grow to `limitBytes` at most, as on a disk
// that fills up while the store is written; gives what `change` returned.
bool changeWithSizeLimit(rlim_t limitBytes, const std::function<bool()>& change) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(change() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SettingsStoreTest, AFullDiskKeepsTheStoreAsItWas) {
    const QByteArray before = contentOf(m_file);
    const QByteArray engines = QByteArray("[{\"name\":\"Stockfish\"}]").repeated(200);

    const auto limit = rlim_t(before.size() + 200);
    EXPECT_FALSE(changeWithSizeLimit(
        limit, [&] { return Settings::setValue("Brontil_InstalledEngines", engines); }));
    EXPECT_EQ(contentOf(m_file), before);
    EXPECT_EQ(Settings::value(QStringLiteral("BrontilLanguage")).toString(), "nl");
    // The child said it once, with the reason.
    EXPECT_TRUE(changeWithSizeLimit(limit, [&] {
        Settings::setValue("Brontil_InstalledEngines", engines);
        const auto& alerts = StoreAlerts::shared().alerts();
        return alerts.size() == 1 && alerts.first().details.contains(qt_error_string(EFBIG));
    }));

    EXPECT_TRUE(Settings::setValue("Brontil_InstalledEngines", engines));
    EXPECT_EQ(Settings::value("Brontil_InstalledEngines").toByteArray(), engines);
}

TEST_F(SettingsStoreTest, DataSetAsideIsNeverWrittenOver) {
    const QString key = QStringLiteral("Brontil_InstalledEngines");
    EXPECT_EQ(Settings::setAside(key, QByteArray("first")), key + "_Unreadable");
    EXPECT_EQ(Settings::setAside(key, QByteArray("second")), key + "_Unreadable_2");
    EXPECT_EQ(Settings::value(key + "_Unreadable").toByteArray(), "first");
    EXPECT_EQ(Settings::value(key + "_Unreadable_2").toByteArray(), "second");
    EXPECT_FALSE(Settings::contains(key));

    ASSERT_TRUE(QFile::remove(m_file));
    ASSERT_TRUE(QDir().mkdir(m_file));
    EXPECT_EQ(Settings::setAside(key, QByteArray("third")), std::nullopt);
}

} // namespace
} // namespace velkor::platform
