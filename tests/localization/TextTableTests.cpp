#include "ExpectedEnglish.h"
#include "localization/TextTable.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace velkor {
namespace {

using testing::expectedEnglish;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString textOf(Language language, const QString& key) {
    return TextTable::builtIn().text(language, key).value_or(QString());
}

const std::set<Language> translated{Language::german, Language::dutch, Language::french};

// Rows that are rightly the same as English in the named languages. Keep it short: any other text
// equal to English is a row nobody translated.
const std::map<QString, std::set<Language>> sameAsEnglish{
    // The product's name.
    {"app_title", translated},
    // The UCI abbreviation for nodes per second; chess programs show it untranslated.
    {"engine_nps", translated},
    // The names of the UCI options Threads and Hash, which engine settings show as engines do.
    {"analysis_threads", translated},
    {"analysis_hash", {Language::german, Language::dutch}},
    // The feature's name; the panel's fixed automatch texts use it in every language.
    {"tab_automatch", translated},
    // The SPRT's hypotheses and error rates keep the statistics' own symbols everywhere.
    {"full_speed_sprt_bounds", translated},
    {"full_speed_sprt_errors", translated},
    {"full_speed_sprt_model", {Language::dutch}},
    // Bullet and Blitz are the international names of these time controls, "min" the unit symbol.
    {"time_bullet_1_0", translated},
    {"time_bullet_2_1", translated},
    {"time_blitz_3_0", translated},
    {"time_blitz_3_2", translated},
    {"time_blitz_5_0", translated},
    {"time_blitz_5_3", translated},
    // Dutch players call rapid chess "rapid" too.
    {"time_rapid_10_0", {Language::dutch}},
    {"time_rapid_15_10", {Language::dutch}},
    // The same word in German and French.
    {"about_version", {Language::german, Language::french}},
    // The same word in French.
    {"pgn_col_date", {Language::french}},
    {"engine_options_button", {Language::french}},
    // "OK" is what a dialog's button says in every language.
    {"btn_ok", translated},
    // "Material" is the German chess term as well.
    {"material_balance", {Language::german}},
    // Both words are German as well.
    {"tab_export", {Language::german}},
    // "Beginner" is the usual Dutch word.
    {"preset_beginner", {Language::dutch}},
    // "Maximum" is German and Dutch as well.
    {"preset_max", {Language::german, Language::dutch}},
    // Labels, abbreviations and names the other languages use as they are.
    {"engine_card_name", {Language::german, Language::dutch}},
    {"engine_card_elo", {Language::german, Language::dutch}},
    {"elo_max", translated},
    {"elo_max_strength", {Language::german, Language::dutch}},
    {"engine_test_ok", {Language::german}},
    {"export_pgn_heading", translated},
    {"export_fen_heading", translated},
    {"chip_rapid_10_0", {Language::german, Language::dutch}},
    {"chip_rapid_15_10", {Language::german, Language::dutch}},
    {"menu_help", {Language::dutch}},
    // The German grade names are the fixed ones the engine games have always shown.
    {"grade_best", {Language::german}},
};

struct FourColumns {
    const char* key;
    const char* english;
    const char* german;
    const char* dutch;
    const char* french;
};

const FourColumns givenRows[] = {
    {"about_dedication", "For Velkor, who taught me to play chess.",
     "Für Velkor, der mir das Schachspielen beigebracht hat.",
     "Voor Velkor, die mij heeft leren schaken.",
     "Pour Velkor, qui m\u2019a appris \u00e0 jouer aux \u00e9checs."},
    {"menu_about", "About Velkor", "Über Velkor", "Over Velkor", "\u00c0 propos de Velkor"},
    {"app_title", "Velkor", "Velkor", "Velkor", "Velkor"},
    {"mode_engine_vs_engine", "UCI Engine vs UCI Engine", "UCI gegen UCI (Engine-Match)",
     "UCI tegen UCI (engine-strijd)", "Moteur UCI contre moteur UCI"},
    {"time_unlimited", "Unlimited (No Clock)", "Unbegrenzt (Ohne Uhr)", "Onbeperkt (geen klok)",
     "Illimit\u00e9 (sans pendule)"},
    {"internal_engine", "Velkor Mini (Built-in)", "Velkor Mini (Integriert)",
     "Velkor Mini (ingebouwd)", "Velkor Mini (int\u00e9gr\u00e9)"},
    {"elo_slider_help", "Adjust UCI engine strength (1320 - 3190 ELO)",
     "Spielstärke der UCI-Engine anpassen (1320 - 3190 ELO)",
     "Speelsterkte van de UCI-engine aanpassen (1320 - 3190 ELO)",
     "Ajuster la force du moteur UCI (1320 - 3190 Elo)"},
    {"status_checkmate_white", "Checkmate! White wins!", "Schachmatt! Wei\u00df gewinnt!",
     "Schaakmat! Wit wint!", "\u00c9chec et mat\u202f! Les Blancs gagnent\u202f!"},
    {"language", "Language", "Sprache", "Taal", "Langue"},
    // As a native speaker's review wrote them.
    {"engine_log", "Live UCI Log", "Live-UCI-Protokoll", "Live-UCI-logboek",
     "Journal UCI en direct"},
    {"automatch_history", "Match History & Games", "Matchverlauf & Partien",
     "Matchgeschiedenis & partijen", "Historique des matchs et des parties"},
    {"automatch_quick_games",
     "Presets:", "Schnellauswahl:", "Snelle keuze:", "S\u00e9lection rapide\u202f:"},
};

// Calls `check(language, key, text)` for every text of the built-in table.
template <typename Check>
void forEachText(Check check) {
    for (const Language language : allLanguages) {
        for (const QString& key : TextTable::builtIn().keys(language)) {
            check(language, key, textOf(language, key));
        }
    }
}

TEST(BuiltInTable, HasTheEnglishColumnAndTheSameKeysInEveryLanguage) {
    // The listed rows come in their order; rows for newer texts may stand between them.
    const QStringList& keys = TextTable::builtIn().keys(Language::english);
    qsizetype previous = -1;
    for (const auto& [key, text] : expectedEnglish) {
        EXPECT_EQ(textOf(Language::english, qs(key)), qs(text)) << key;
        const qsizetype at = keys.indexOf(qs(key));
        EXPECT_GT(at, previous) << key;
        previous = at;
    }
    for (const Language language : allLanguages) {
        EXPECT_EQ(TextTable::builtIn().keys(language), keys) << id(language);
    }
}

// A value inside a sentence is marked %1, %2, ...: every language marks the same values.
TEST(BuiltInTable, MarksTheSameValuesInEveryLanguage) {
    static const QRegularExpression marker(QStringLiteral("%\\d"));
    const auto markers = [](const QString& text) {
        QStringList found;
        for (const auto& match : marker.globalMatch(text)) {
            found.append(match.captured());
        }
        found.sort();
        return found;
    };
    forEachText([&](Language language, const QString& key, const QString& text) {
        EXPECT_EQ(markers(text), markers(textOf(Language::english, key)))
            << key.toStdString() << " " << id(language) << ": " << text.toStdString();
    });
}

TEST(BuiltInTable, HasTheRowsGivenInFourLanguages) {
    for (const FourColumns& row : givenRows) {
        EXPECT_EQ(textOf(Language::english, row.key), QString::fromUtf8(row.english));
        EXPECT_EQ(textOf(Language::german, row.key), QString::fromUtf8(row.german));
        EXPECT_EQ(textOf(Language::dutch, row.key), QString::fromUtf8(row.dutch));
        EXPECT_EQ(textOf(Language::french, row.key), QString::fromUtf8(row.french));
    }
}

TEST(BuiltInTable, TranslatesEveryRowExceptTheListedOnes) {
    forEachText([](Language language, const QString& key, const QString& text) {
        EXPECT_FALSE(text.trimmed().isEmpty()) << key.toStdString() << " " << id(language);
        EXPECT_EQ(text, text.trimmed()) << key.toStdString() << " " << id(language);
        if (language == Language::english) {
            return;
        }
        const auto allowed = sameAsEnglish.find(key);
        const bool mayBeSame = allowed != sameAsEnglish.end() && allowed->second.contains(language);
        const bool isSame = text == textOf(Language::english, key);
        EXPECT_EQ(isSame, mayBeSame)
            << key.toStdString() << " " << id(language) << ": " << text.toStdString();
    });
}

TEST(BuiltInTable, KeepsFiguresMarksAndEllipses) {
    static const QRegularExpression number(QStringLiteral("(?<!%)\\d+"));
    const auto numbers = [](const QString& text) {
        QStringList found;
        for (const auto& match : number.globalMatch(text)) {
            found.append(match.captured());
        }
        return found;
    };
    forEachText([&](Language language, const QString& key, const QString& text) {
        const QString english = textOf(Language::english, key);
        const std::string where = key.toStdString() + " " + std::string(id(language));
        EXPECT_EQ(numbers(text), numbers(english)) << where;
        EXPECT_EQ(text.count(u'!'), english.count(u'!')) << where;
        EXPECT_EQ(text.endsWith(QLatin1String("...")), english.endsWith(QLatin1String("...")))
            << where;
        EXPECT_FALSE(text.contains(u'\u2026')) << where << ": ellipses are three full stops";
        static const QRegularExpression straightApostrophe(QStringLiteral("\\w'\\w"));
        EXPECT_FALSE(straightApostrophe.match(text).hasMatch())
            << where << ": the apostrophe is \u2019";
    });
}

TEST(BuiltInTable, FollowsEachLanguagesPunctuationAndEloSpelling) {
    static const QRegularExpression elo(QStringLiteral("\\b(ELO|Elo)\\b"));
    forEachText([](Language language, const QString& key, const QString& text) {
        const std::string where = key.toStdString() + " " + std::string(id(language));
        for (qsizetype at = 0; at < text.size(); ++at) {
            if (!QStringView(u"!?:;").contains(text[at])) {
                continue;
            }
            // French sets these marks off by a narrow space that never breaks, so a mark never
            // starts a line on its own.
            const bool spaced = at > 0 && text[at - 1].isSpace();
            // A score reads "6.5 : 3.5" with a space on both sides in every language.
            const bool scoreSeparator =
                text[at] == u':' && spaced && at + 1 < text.size() && text[at + 1].isSpace();
            EXPECT_EQ(spaced, language == Language::french || scoreSeparator)
                << where << ": " << text.toStdString();
            if (language == Language::french) {
                EXPECT_EQ(text[at - 1], QChar(0x202F)) << where << ": " << text.toStdString();
            }
        }
        // A remark in parentheses starts in lower case in Dutch and French, as words inside a
        // sentence do; abbreviations and the French names of the sides keep their capitals.
        // A name kept as English writes it, such as a file format's, keeps its capitals.
        const bool keptAsEnglish = text == textOf(Language::english, key);
        if ((language == Language::dutch || language == Language::french) && !keptAsEnglish) {
            static const QRegularExpression remark(QStringLiteral("\\((\\w+)"));
            for (const auto& match : remark.globalMatch(text)) {
                const QString word = match.captured(1);
                const bool keepsCapital =
                    word == word.toUpper() || word == "Blancs" || word == "Noirs";
                EXPECT_TRUE(keepsCapital || !word.front().isUpper())
                    << where << ": " << text.toStdString();
            }
        }
        // French writes "Elo"; the others write it as the English row does, but for German texts
        // that the product fixed word for word, which keep their own spelling.
        const auto englishElo = elo.match(textOf(Language::english, key));
        const bool englishNamesElo = englishElo.hasMatch();
        const bool fixedGerman =
            language == Language::german && key == QLatin1String("automatch_elo_estimate");
        const QString expectedElo = language == Language::french || fixedGerman
                                        ? QStringLiteral("Elo")
                                        : englishElo.captured();
        for (const auto& match : elo.globalMatch(text)) {
            EXPECT_EQ(match.captured(), expectedElo) << where;
        }
        EXPECT_EQ(elo.match(text).hasMatch(), englishNamesElo) << where;
    });
}

// Button labels of the panels stay short enough for their buttons in every language.
TEST(BuiltInTable, ButtonLabelsFitTheirButtons) {
    forEachText([](Language language, const QString& key, const QString& text) {
        if (key.startsWith(QLatin1String("btn_")) || key == "scan_engines" || key == "add_engine") {
            EXPECT_LE(text.size(), 22)
                << key.toStdString() << " " << id(language) << ": " << text.toStdString();
        }
    });
}

TEST(BuiltInTable, NamesTheProductInTheSameRowsOfEveryLanguage) {
    const QStringList productRows{"about_dedication", "menu_about",        "app_title",
                                  "internal_engine",  "about_credit",      "menu_quit",
                                  "update_available", "update_up_to_date", "update_downloading",
                                  "update_verified"};
    forEachText([&](Language language, const QString& key, const QString& text) {
        EXPECT_EQ(text.contains(QLatin1String("Velkor")), productRows.contains(key))
            << key.toStdString() << " " << id(language);
    });
}

TEST(BuiltInTable, KeepsSameAsEnglishListHonest) {
    for (const auto& [key, languages] : sameAsEnglish) {
        for (const Language language : languages) {
            EXPECT_EQ(textOf(language, key), textOf(Language::english, key))
                << key.toStdString() << " " << id(language) << " no longer needs its exception";
        }
    }
}

TEST(TextTableFromJson, GivesAnEmptyTableForDataThatIsNoTable) {
    for (const char* data : {"", "not json", "[]", R"({"rows": 5})", R"({"rows": {}})"}) {
        EXPECT_TRUE(TextTable::fromJson(data).isEmpty()) << data;
    }
}

TEST(TextTableFromJson, SkipsBadRowsAndKeepsTheGoodOnes) {
    const TextTable table = TextTable::fromJson(R"({"rows": [
        {"key": "first", "en": "One", "de": "Eins", "nl": "Een", "fr": "Un"},
        {"en": "no key"},
        {"key": "", "en": "empty key"},
        "not a row",
        {"key": "partial", "en": "Two", "de": 2, "fr": "Deux"},
        {"key": "first", "en": "Again", "de": "Nochmal", "nl": "Weer", "fr": "Encore"}
    ]})");
    EXPECT_EQ(table.keys(Language::english), QStringList({"first", "partial"}));
    EXPECT_EQ(table.keys(Language::german), QStringList({"first"}));
    EXPECT_EQ(table.keys(Language::dutch), QStringList({"first"}));
    EXPECT_EQ(table.keys(Language::french), QStringList({"first", "partial"}));
    EXPECT_EQ(table.text(Language::english, "first"), QString("One"));
    EXPECT_EQ(table.text(Language::french, "partial"), QString("Deux"));
    EXPECT_FALSE(table.text(Language::german, "partial").has_value());
    EXPECT_FALSE(table.text(Language::english, "missing").has_value());
}

} // namespace
} // namespace velkor
