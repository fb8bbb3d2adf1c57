#include "BundledModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QLoggingCategory>

namespace velkor::platform {
namespace {

Q_LOGGING_CATEGORY(lcModules, "velkor.modules")

QString& folderOverride() {
    static QString folder;
    return folder;
}

} // namespace

QString bundledModuleFolder() {
    if (!folderOverride().isEmpty()) {
        return folderOverride();
    }
    // <bundle>/Contents/MacOS/velkor beside <bundle>/Contents/PlugIns.
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../PlugIns"));
}

void setBundledModuleFolder(const QString& folder) {
    folderOverride() = folder;
}

QFunctionPointer resolveBundledModule(const QString& name, const char* symbol) {
    // Only a file of our own bundle is loaded: no search path, no name a user could redirect.
    const QString path =
        QDir(bundledModuleFolder()).absoluteFilePath(QStringLiteral("lib%1.so").arg(name));
    QLibrary library(path);
    if (!library.load()) {
        qCWarning(lcModules) << "cannot load" << path << library.errorString();
        return nullptr;
    }
    const QFunctionPointer address = library.resolve(symbol);
    if (!address) {
        qCWarning(lcModules) << path << "lacks" << symbol;
    }
    return address;
}

} // namespace velkor::platform
