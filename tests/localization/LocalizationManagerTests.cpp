#include "localization/InitialLanguage.h"
#include "localization/LocalizationManager.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>
#include <vector>

namespace velkor {
namespace {

const QString languageKey = LocalizationManager::languageKey;

// Records every language the manager announces, in order.
class Announcements {
public:
    explicit Announcements(LocalizationManager& manager) {
        QObject::connect(&manager, &LocalizationManager::currentLanguageChanged, &m_context,
                         [this](Language language) { m_seen.push_back(language); });
    }
    const std::vector<Language>& seen() const { return m_seen; }

private:
    QObject m_context;
    std::vector<Language> m_seen;
};

TEST(InitialLanguage, PrefersAValidStoredChoiceThenTheFirstSystemLanguage) {
    struct Row {
        QVariant stored;
        QStringList system;
        Language expected;
    };
    const Row rows[] = {
        {QVariant(), {}, Language::english},
        {QVariant(), {"de-AT"}, Language::german},
        {QVariant(), {"de-CH", "fr-FR"}, Language::german},
        {QVariant(), {"nl-BE"}, Language::dutch},
        {QVariant(), {"fr-CA", "de"}, Language::french},
        {QVariant(), {"en-US", "de-DE"}, Language::english},
        {QVariant(), {"it-IT", "de-DE"}, Language::english},
        {QString("fr"), {"de-DE"}, Language::french},
        {QString("en"), {"nl"}, Language::english},
        {QString("xx"), {"de-DE"}, Language::german},
        {QString("FR"), {"nl-NL"}, Language::dutch},
        {QString(""), {}, Language::english},
        {QVariant(3), {"fr"}, Language::french},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(initialLanguage(row.stored, row.system), row.expected)
            << row.stored.toString().toStdString() << " / " << row.system.join(',').toStdString();
    }
}

TEST(LocalizationManager, StartsFromTheStoreWithoutWritingTheFirstChoiceBack) {
    EXPECT_EQ(LocalizationManager({"nl-NL"}).currentLanguage(), Language::dutch);
    EXPECT_FALSE(platform::Settings::contains(languageKey));

    platform::Settings::setValue(languageKey, QString("xx"));
    EXPECT_EQ(LocalizationManager({"de-AT"}).currentLanguage(), Language::german);
    EXPECT_EQ(platform::Settings::value(languageKey).toString(), "xx");

    platform::Settings::setValue(languageKey, QString("fr"));
    EXPECT_EQ(LocalizationManager({"de-DE"}).currentLanguage(), Language::french);
}

TEST(LocalizationManager, StoresAChangeAtOnceForTheNextLaunch) {
    LocalizationManager manager({"de-DE"});
    const Announcements changed(manager);

    manager.setCurrentLanguage(Language::dutch);
    EXPECT_EQ(manager.currentLanguage(), Language::dutch);
    EXPECT_EQ(platform::Settings::value(languageKey).toString(), "nl");
    EXPECT_EQ(changed.seen(), std::vector<Language>{Language::dutch});

    EXPECT_EQ(LocalizationManager({"fr-FR"}).currentLanguage(), Language::dutch);
}

TEST(LocalizationManager, StoresAnExplicitPickOfTheCurrentLanguageWithoutAnnouncingIt) {
    LocalizationManager manager({"de-DE"});
    const Announcements changed(manager);

    manager.setCurrentLanguage(Language::german);
    EXPECT_TRUE(changed.seen().empty());
    EXPECT_EQ(platform::Settings::value(languageKey).toString(), "de");
    EXPECT_EQ(LocalizationManager({"en-GB"}).currentLanguage(), Language::german);
}

TEST(LocalizationManager, PublishesTheLanguageAsAProperty) {
    LocalizationManager manager(QStringList{});
    const Announcements changed(manager);

    ASSERT_TRUE(manager.setProperty("currentLanguage", QVariant::fromValue(Language::french)));
    EXPECT_EQ(manager.property("currentLanguage").value<Language>(), Language::french);
    EXPECT_EQ(changed.seen(), std::vector<Language>{Language::french});
    EXPECT_EQ(platform::Settings::value(languageKey).toString(), "fr");
}

TEST(LocalizationManager, LooksUpTheCurrentLanguageFromTheBuiltInTable) {
    LocalizationManager manager({"en-US"});
    const QString expected[] = {"Language", "Sprache", "Taal", "Langue"};
    for (const Language language : allLanguages) {
        manager.setCurrentLanguage(language);
        EXPECT_EQ(manager.text("language"), expected[index(language)]);
        EXPECT_EQ(manager.text("no_such_key"), "no_such_key");
    }
}

TEST(LocalizationManager, FallsBackToEnglishThenToTheKey) {
    const TextTable table = TextTable::fromJson(R"({"rows": [
        {"key": "both", "en": "Both", "de": "Beide"},
        {"key": "english_only", "en": "English only"},
        {"key": "german_only", "de": "Nur Deutsch"}
    ]})");
    LocalizationManager manager({"de"}, &table);
    EXPECT_EQ(manager.text("both"), "Beide");
    EXPECT_EQ(manager.text("english_only"), "English only");
    EXPECT_EQ(manager.text("german_only"), "Nur Deutsch");
    manager.setCurrentLanguage(Language::french);
    EXPECT_EQ(manager.text("both"), "Both");
    EXPECT_EQ(manager.text("german_only"), "german_only");
    EXPECT_EQ(manager.text(""), "");
}

TEST(LocalizationManager, AnswersWithTheKeyWhenTheTableCouldNotBeRead) {
    const TextTable unreadable = TextTable::fromJson("{ broken");
    LocalizationManager manager({"fr"}, &unreadable);
    EXPECT_EQ(manager.text("app_title"), "app_title");
}

} // namespace
} // namespace velkor
