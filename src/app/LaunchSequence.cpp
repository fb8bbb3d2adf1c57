#include "LaunchSequence.h"

#include "LegacyBundleName.h"
#include "bundle/MountBase.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QWidget>

namespace velkor {

void runLaunchSequence(QWidget& window, const UpdateHooks& hooks) {
    const QString bundle = hooks.currentBundlePath ? hooks.currentBundlePath() : QString();
    if (!bundle.isEmpty()) {
        const QString mountBase = QString::fromStdString(bundle::mountBase().string());
        if (const auto moved = LegacyBundleName::renameIfNeeded(bundle, mountBase)) {
            if (hooks.bundleMoved) {
                hooks.bundleMoved(*moved);
            }
            const QString iconPath =
                QDir(*moved).filePath(QStringLiteral("Contents/Resources/AppIcon.png"));
            if (QFileInfo::exists(iconPath)) {
                QApplication::setWindowIcon(QIcon(iconPath));
            }
        }
    }
    window.raise();
    window.activateWindow();
    if (hooks.handleLaunch) {
        hooks.handleLaunch();
    }
}

} // namespace velkor
