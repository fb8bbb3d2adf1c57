#include "BundleVersion.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

namespace velkor {

BundleVersion readBundleVersion(const QString& bundlePath) {
    BundleVersion version;
    if (bundlePath.isEmpty()) {
        return version;
    }
    QFile file(QDir(bundlePath).filePath(QStringLiteral("Contents/Info.plist")));
    // A property list of a few kilobytes; anything huge is not ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024) {
        return version;
    }
    QXmlStreamReader xml(&file);
    // Only the top-level dictionary's <key>/<string> pairs count; nested ones are skipped.
    int depth = 0;
    QString lastKey;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const auto name = xml.name();
            if (depth == 3 && name == QLatin1String("key")) {
                lastKey = xml.readElementText();
                --depth;
                continue;
            }
            if (depth == 3 && name == QLatin1String("string")) {
                const QString value = xml.readElementText();
                --depth;
                if (lastKey == QLatin1String("CFBundleShortVersionString")) {
                    version.shortVersion = value;
                } else if (lastKey == QLatin1String("CFBundleVersion")) {
                    version.build = value;
                }
            }
            lastKey.clear();
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (xml.hasError()) {
        return {};
    }
    return version;
}

} // namespace velkor
