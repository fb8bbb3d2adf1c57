#include "uci/UciOption.h"

#include <gtest/gtest.h>

namespace velkor::uci {
namespace {

using Type = UciOption::Type;

UciOption parsed(std::string_view line) {
    auto option = parseOptionLine(line);
    EXPECT_TRUE(option) << line;
    return option.value_or(UciOption{});
}

TEST(UciOption, ReadsEveryKindWithBlanksInNamesAndChoices) {
    EXPECT_EQ(parsed("option name Hash type spin default 16 min 1 max 33554432"),
              (UciOption{"Hash", Type::spin, "16", 1, 33554432, {}}));
    EXPECT_EQ(parsed("option name Clear Hash type button"),
              (UciOption{"Clear Hash", Type::button, "", 0, 0, {}}));
    EXPECT_EQ(parsed("option name UCI_Chess960 type check default FALSE"),
              (UciOption{"UCI_Chess960", Type::check, "false", 0, 0, {}}));
    EXPECT_EQ(
        parsed("option name Playing  Style type combo default very solid var Risky var Very "
               "Solid  var Normal"),
        (UciOption{
            "Playing  Style", Type::combo, "Very Solid", 0, 0, {"Risky", "Very Solid", "Normal"}}));
    EXPECT_EQ(parsed("option name SyzygyPath type string default <empty>").defaultValue, "");
    EXPECT_EQ(parsed("option name Debug Log File type string").defaultValue, "");
    EXPECT_EQ(parsed("option name Book type string default /usr/share/my book.bin").defaultValue,
              "/usr/share/my book.bin");
    // The order of the keywords is free.
    EXPECT_EQ(parsed("option name Contempt type spin min -100 max 100 default -5").defaultValue,
              "-5");
}

TEST(UciOption, RefusesDeclarationsThatCannotBeUsed) {
    for (const char* line : {
             "option name Hash",                                           // no type
             "option name  type spin default 1 min 0 max 2",               // no name
             "option name Hash type slider default 1 min 0 max 2",         // unknown type
             "option name Hash type spin default big min 1 max 8",         // default no integer
             "option name Hash type spin default 9 min 1 max 8",           // default outside limits
             "option name Hash type spin default 4 min 8 max 1",           // limits reversed
             "option name Hash type spin default 4 min 1",                 // no max
             "option name Hash type spin default 4 default 5 min 1 max 8", // keyword twice
             "option name Ponder type check default maybe",                // not true/false
             "option name Style type combo default Wild var Solid var Normal", // default no choice
             "option name Style type combo default Normal",                    // no choices
             "option name Hash type spin junk default 1 min 0 max 2",          // stray word
             "id name Hash type button",                                       // not an option line
         }) {
        EXPECT_FALSE(parseOptionLine(line)) << line;
    }
}

TEST(UciOption, AcceptsOnlyValuesTheOptionTakesInTheFormTheyAreSent) {
    const UciOption hash = parsed("option name Hash type spin default 16 min 1 max 1024");
    EXPECT_EQ(acceptedValue(hash, "+64"), "64");
    EXPECT_EQ(acceptedValue(hash, "1024"), "1024");
    EXPECT_FALSE(acceptedValue(hash, "0"));
    EXPECT_FALSE(acceptedValue(hash, "1025"));
    EXPECT_FALSE(acceptedValue(hash, "64 MB"));

    const UciOption style =
        parsed("option name Style type combo default Normal var Solid var Normal var Risky");
    EXPECT_EQ(acceptedValue(style, "risky"), "Risky");
    EXPECT_FALSE(acceptedValue(style, "Wild"));

    const UciOption ponder = parsed("option name Ponder type check default false");
    EXPECT_EQ(acceptedValue(ponder, "True"), "true");
    EXPECT_FALSE(acceptedValue(ponder, "1"));

    const UciOption path = parsed("option name SyzygyPath type string default <empty>");
    EXPECT_EQ(acceptedValue(path, "/tb/3-4-5:/tb/6 men"), "/tb/3-4-5:/tb/6 men");
    EXPECT_EQ(acceptedValue(path, ""), "");
    // A line break would end the command and let the rest through as a command of its own.
    EXPECT_FALSE(acceptedValue(path, "/tb\nquit"));
    EXPECT_FALSE(acceptedValue(path, "/tb\rgo infinite"));
    EXPECT_FALSE(acceptedValue(path, "\xff\xfe"));
    EXPECT_EQ(setOptionValueCommand(path, ""), "setoption name SyzygyPath value <empty>");

    const UciOption clear = parsed("option name Clear Hash type button");
    EXPECT_FALSE(acceptedValue(clear, ""));
    EXPECT_EQ(pressButtonCommand(clear), "setoption name Clear Hash");
}

TEST(UciOption, StartSendsChangedValuesThreadsBeforeHashAndLeavesOutWhatIsNotFree) {
    std::vector<UciOption> declared;
    for (const char* line : {
             "option name Hash type spin default 16 min 1 max 1024",
             "option name Style type combo default Normal var Solid var Normal var Risky",
             "option name Clear Hash type button",
             "option name Ponder type check default false",
             "option name MultiPV type spin default 1 min 1 max 500",
             "option name Threads type spin default 1 min 1 max 64",
             "option name Move Overhead type spin default 10 min 0 max 5000",
             "option name EvalFile type string default nn.nnue",
             "option name Skill Level type spin default 20 min 0 max 20",
         }) {
        declared.push_back(parsed(line));
    }
    const StartupOptions startup = startupOptionCommands(declared, {{"hash", "4096"},
                                                                    {"threads", "8"},
                                                                    {"style", "solid"},
                                                                    {"clear hash", "true"},
                                                                    {"ponder", "true"},
                                                                    {"multipv", "4"},
                                                                    {"move overhead", "a lot"},
                                                                    {"evalfile", "nn.nnue"},
                                                                    {"skill level", "-3"},
                                                                    {"not declared", "1"}});
    // The stored hash is above a limit the engine may have lowered since: moved into it. Skill
    // Level below its limits likewise; a value of the wrong kind is left out with a note.
    EXPECT_EQ(startup.commands, (std::vector<std::string>{"setoption name Threads value 8",
                                                          "setoption name Hash value 1024",
                                                          "setoption name Style value Solid",
                                                          "setoption name Skill Level value 0"}));
    EXPECT_EQ(startup.skipped,
              (std::vector<std::string>{"Stored value for option Move Overhead is not accepted "
                                        "by the engine; not sent."}));
    EXPECT_EQ(freeOptions(declared).size(), 7U);
}

} // namespace
} // namespace velkor::uci
