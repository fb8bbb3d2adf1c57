#include "InitialLanguage.h"

namespace velkor {

Language initialLanguage(const QVariant& stored, const QStringList& preferredLanguages) {
    if (stored.isValid()) {
        const QByteArray raw = stored.toString().toUtf8();
        if (const auto language = languageFromRawValue(std::string_view(raw.data(), raw.size()))) {
            return *language;
        }
    }
    const QString first =
        preferredLanguages.isEmpty() ? QStringLiteral("en") : preferredLanguages.first();
    if (first.startsWith(QLatin1String("de"))) {
        return Language::german;
    }
    if (first.startsWith(QLatin1String("nl"))) {
        return Language::dutch;
    }
    if (first.startsWith(QLatin1String("fr"))) {
        return Language::french;
    }
    return Language::english;
}

} // namespace velkor
