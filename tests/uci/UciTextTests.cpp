#include "uci/UciLineSplitter.h"
#include "uci/UciText.h"

#include <gtest/gtest.h>

namespace velkor::uci {
namespace {

TEST(UciText, TrimsAsciiAndUnicodeWhiteSpaceAtBothEndsOnly) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"uciok  ", "uciok"},
        {"\t readyok\r", "readyok"},
        {"\xC2\xA0uciok\xE3\x80\x80", "uciok"},         // no-break space, ideographic space
        {"uciok\xE2\x80\xA8\xC2\x85", "uciok"},         // line separator, next line
        {"id name Caf\xC3\xA9", "id name Caf\xC3\xA9"}, // a letter is not white space
        {"a \xC2\xA0 b", "a \xC2\xA0 b"},
        {" \r\n\xE2\x80\x83", ""},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(trimmedLine(line), expected) << line;
    }
}

TEST(UciText, RecognisesWellFormedUtf8) {
    EXPECT_TRUE(isValidUtf8("info string caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    const std::string_view invalid[] = {
        "\xFF",
        "caf\xC3",
        "\xC0\xAF" /* overlong "/" */,
        "\xED\xA0\x80" /* surrogate */,
        "\xF4\x90\x80\x80" /* past U+10FFFF */,
        "\x80",
    };
    for (const auto text : invalid) {
        EXPECT_FALSE(isValidUtf8(text)) << ::testing::PrintToString(text);
    }
}

TEST(UciText, ReadsWholeTokensAsSigned64BitIntegers) {
    EXPECT_EQ(parseInteger("125"), 125);
    EXPECT_EQ(parseInteger("-35"), -35);
    EXPECT_EQ(parseInteger("+7"), 7);
    EXPECT_EQ(parseInteger("9223372036854775807"), INT64_MAX);
    for (const auto token : {"", "+", "-", "+-5", "12a", "1.5", " 3", "9223372036854775808"}) {
        EXPECT_FALSE(parseInteger(token).has_value()) << token;
    }
}

TEST(UciText, SplitsAtEverySingleBlank) {
    EXPECT_EQ(splitAtBlanks("info  depth 3"),
              (std::vector<std::string_view>{"info", "", "depth", "3"}));
    EXPECT_EQ(splitAtBlanks("bestmove"), (std::vector<std::string_view>{"bestmove"}));
}

TEST(UciText, WritesSecondsInTheirShortestFormWithADecimal) {
    EXPECT_EQ(secondsText(5.0), "5.0");
    EXPECT_EQ(secondsText(0.5), "0.5");
    EXPECT_EQ(secondsText(2.25), "2.25");
    EXPECT_EQ(secondsText(0.1), "0.1");
    EXPECT_EQ(secondsText(10.0), "10.0");
    EXPECT_EQ(secondsText(30.0), "30.0");
    EXPECT_EQ(secondsText(120.0), "120.0");
    EXPECT_EQ(secondsText(0.0), "0.0");
    EXPECT_EQ(secondsText(0.0001), "0.0001");
    EXPECT_EQ(secondsText(0.00001), "1e-05");
    EXPECT_EQ(secondsText(1e16), "1e+16");
}

std::vector<std::string> feedAll(UciLineSplitter& splitter,
                                 std::initializer_list<std::string_view> chunks) {
    std::vector<std::string> lines;
    for (const auto chunk : chunks) {
        splitter.feed(chunk, [&lines](std::string_view line) { lines.emplace_back(line); });
    }
    return lines;
}

TEST(UciLineSplitter, JoinsLinesAcrossChunksAndTrimsCrLf) {
    UciLineSplitter splitter;
    EXPECT_EQ(feedAll(splitter, {"info dep", "th 5\r", "\nuciok\r\n\r\n\n  \nread"}),
              (std::vector<std::string>{"info depth 5", "uciok"}));
    EXPECT_EQ(splitter.pendingBytes(), 4u);
    EXPECT_EQ(feedAll(splitter, {"yok\n"}), (std::vector<std::string>{"readyok"}));
}

TEST(UciLineSplitter, DropsOnlyTheLineThatIsNotUtf8) {
    UciLineSplitter splitter;
    // The é is cut between two reads, and a bad line sits between two good ones.
    EXPECT_EQ(feedAll(splitter, {"id name Caf\xC3", "\xA9\ninfo string \xFF\xFE\nuciok\n"}),
              (std::vector<std::string>{"id name Caf\xC3\xA9", "uciok"}));
}

TEST(UciLineSplitter, KeepsAVeryLongLineWhole) {
    UciLineSplitter splitter;
    const std::string chunk(64 * 1024, 'x');
    std::vector<std::string> lines;
    for (int i = 0; i < 16; ++i) {
        lines = feedAll(splitter, {chunk});
        EXPECT_TRUE(lines.empty());
    }
    lines = feedAll(splitter, {"\n"});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), 16u * chunk.size());
}

TEST(UciLineSplitter, DropsALineThatNeverEndsInsteadOfFillingTheMemory) {
    UciLineSplitter splitter;
    const std::string chunk(1024 * 1024, 'x');
    for (std::size_t fed = 0; fed <= UciLineSplitter::maxPendingBytes; fed += chunk.size()) {
        EXPECT_TRUE(feedAll(splitter, {chunk}).empty());
    }
    EXPECT_EQ(splitter.pendingBytes(), 0u);
    // The rest of the runaway line is dropped up to its line feed; the next lines come through.
    EXPECT_EQ(feedAll(splitter, {chunk, "xx\nbestm", "ove e2e4\n"}),
              (std::vector<std::string>{"bestmove e2e4"}));
    EXPECT_EQ(splitter.pendingBytes(), 0u);
}

} // namespace
} // namespace velkor::uci
