#include "LocalizationManager.h"

#include "InitialLanguage.h"
#include "platform/Settings.h"

namespace velkor {

LocalizationManager& LocalizationManager::shared() {
    static LocalizationManager manager;
    return manager;
}

LocalizationManager::LocalizationManager(const QStringList& preferredLanguages,
                                         const TextTable* table, QObject* parent)
    : QObject(parent), m_table(table),
      m_currentLanguage(
          initialLanguage(platform::Settings::value(languageKey), preferredLanguages)) {}

void LocalizationManager::setCurrentLanguage(Language language) {
    const std::string_view raw = id(language);
    platform::Settings::setValue(
        languageKey, QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size())));
    if (language == m_currentLanguage) {
        return;
    }
    m_currentLanguage = language;
    emit currentLanguageChanged(language);
}

QString LocalizationManager::text(const QString& key) const {
    if (auto found = table().text(m_currentLanguage, key)) {
        return *std::move(found);
    }
    if (auto english = table().text(Language::english, key)) {
        return *std::move(english);
    }
    return key;
}

const TextTable& LocalizationManager::table() const {
    return m_table != nullptr ? *m_table : TextTable::builtIn();
}

} // namespace velkor
