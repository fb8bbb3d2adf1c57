#ifdef VELKOR_TEST_GUI
#include "platform/BundledModule.h"

#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

// Every test process gets its own configuration, data and cache folders, so the settings store
// starts empty and nothing leaks into the developer's real settings.
int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestApplication app(argc, argv);
#ifdef VELKOR_TEST_GUI
    velkor::platform::setBundledModuleFolder(QStringLiteral(VELKOR_TEST_MODULE_DIR));
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
