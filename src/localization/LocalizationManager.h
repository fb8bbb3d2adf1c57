#pragma once

#include "Language.h"
#include "TextTable.h"

#include <QLatin1StringView>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

namespace velkor {

// The interface language and the lookup of interface texts. Lives on the main thread.
class LocalizationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(velkor::Language currentLanguage READ currentLanguage WRITE setCurrentLanguage NOTIFY
                   currentLanguageChanged)

public:
    // The settings key holding the chosen language's raw value.
    static constexpr QLatin1StringView languageKey{"BrontilLanguage"};

    // The one instance of the application.
    static LocalizationManager& shared();

    // Starts in the stored language, else in the one `preferredLanguages` suggests (the system's
    // list by default); that first choice is not stored. `table` defaults to the built-in table,
    // read on the first lookup; a given table must outlive the manager.
    explicit LocalizationManager(
        const QStringList& preferredLanguages = QLocale::system().uiLanguages(),
        const TextTable* table = nullptr, QObject* parent = nullptr);

    Language currentLanguage() const { return m_currentLanguage; }

    // Stores the choice at once, even when it is already current, so an explicit pick outlives a
    // later change of the system language; announces only a real change.
    void setCurrentLanguage(Language language);

    // The text for `key` in the current language, else in English, else `key` itself.
    QString text(const QString& key) const;

signals:
    void currentLanguageChanged(velkor::Language language);

private:
    const TextTable& table() const;

    const TextTable* m_table;
    Language m_currentLanguage;
};

} // namespace velkor
