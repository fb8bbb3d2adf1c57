#include "localization/Language.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>

namespace velkor {
namespace {

// The flag of a country: its two letters as regional-indicator symbols.
QList<uint> regionalIndicators(const char country[3]) {
    return {uint(0x1F1E6 + (country[0] - 'A')), uint(0x1F1E6 + (country[1] - 'A'))};
}

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TEST(Language, ListsTheFourCasesWithIdsNamesAndFlagsInMenuOrder) {
    struct Row {
        Language language;
        const char* id;
        const char* displayName;
        const char* country;
    };
    const Row rows[] = {
        {Language::english, "en", "English", "GB"},
        {Language::german, "de", "Deutsch", "DE"},
        {Language::dutch, "nl", "Nederlands", "NL"},
        {Language::french, "fr", "Fran\u00e7ais", "FR"},
    };
    ASSERT_EQ(allLanguages.size(), std::size(rows));
    for (std::size_t i = 0; i < allLanguages.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(allLanguages[i], row.language);
        EXPECT_EQ(index(row.language), i);
        EXPECT_EQ(id(row.language), row.id);
        EXPECT_EQ(utf8(displayName(row.language)), QString::fromUtf8(row.displayName));
        EXPECT_EQ(utf8(flag(row.language)).toUcs4(), regionalIndicators(row.country)) << row.id;
    }
}

TEST(Language, IsBuiltFromExactlyTheFourRawValues) {
    for (const Language language : allLanguages) {
        EXPECT_EQ(languageFromRawValue(id(language)), language);
    }
    for (const char* raw : {"", "EN", "De", "nl ", " fr", "de-AT", "fra", "english", "xx"}) {
        EXPECT_EQ(languageFromRawValue(raw), std::nullopt) << '"' << raw << '"';
    }
}

} // namespace
} // namespace velkor
