// Game files as people have them: many games in one file, comments, glyphs and variations, other
// programs' encodings and line ends, and the round trip of every game Velkor writes.
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"
#include "chess/TextEncoding.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace velkor {
namespace {

std::string fileBytes(const std::string& name) {
    std::ifstream file(std::filesystem::path(VELKOR_PGN_TEST_DIR) / name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::vector<std::string> sansOf(const ChessBoard& board) {
    std::vector<std::string> sans;
    for (const MoveRecord& record : board.history()) {
        sans.push_back(record.san);
    }
    return sans;
}

std::string_view gameText(std::string_view text, const PGNGameSummary& game) {
    return text.substr(game.offset, game.length);
}

// The game as Velkor writes a loaded game back: its roster, other tags, comments and glyphs.
PGNGame writableGame(const ParsedPGN& parsed) {
    const auto tag = [&parsed](const std::string& name, const std::string& unknown) {
        const auto found = parsed.tags.find(name);
        return found != parsed.tags.end() ? found->second : unknown;
    };
    PGNGame game{tag("Event", "?"),     tag("Site", "?"),        tag("Date", "????.??.??"),
                 tag("Round", "?"),     tag("White", "?"),       tag("Black", "?"),
                 parsed.result,         tag("TimeControl", "?"), parsed.board.initialFEN(),
                 parsed.board.history()};
    for (const std::string& name : parsed.tagOrder) {
        game.otherTags.emplace_back(name, parsed.tags.at(name));
    }
    game.gameComment = parsed.gameComment;
    game.annotations = parsed.annotations;
    return game;
}

void expectSameGame(const ParsedPGN& read, const ParsedPGN& original, const std::string& where) {
    EXPECT_EQ(sansOf(read.board), sansOf(original.board)) << where;
    EXPECT_EQ(read.board.initialFEN(), original.board.initialFEN()) << where;
    EXPECT_EQ(read.board.fen(), original.board.fen()) << where;
    EXPECT_EQ(read.result, original.result) << where;
    EXPECT_EQ(read.annotations, original.annotations) << where;
    EXPECT_EQ(read.gameComment, original.gameComment) << where;
    for (const auto& [name, value] : original.tags) {
        if (name != "Result") {
            EXPECT_EQ(read.tags.count(name) ? read.tags.at(name) : "<none>", value)
                << where << " tag " << name;
        }
    }
}

TEST(PgnCollectionTest, KeepsTheMainLinesCommentsAndGlyphsAndCountsVariations) {
    const ParsedPGN parsed = PGNParser::parse(fileBytes("annotated.pgn"));
    ASSERT_EQ(parsed.board.history().size(), 45u);
    EXPECT_EQ(parsed.board.gameEndReason(), GameEndReason::checkmate(PieceColor::white));
    EXPECT_EQ(parsed.gameComment, "The King's Gambit, as it was played in 1851.");
    ASSERT_EQ(parsed.annotations.size(), 45u);
    // 4... b5?! {A gambit of his own.}
    EXPECT_EQ(parsed.annotations[7], (MoveAnnotation{{6}, "A gambit of his own."}));
    // Comments inside a variation go with the variation.
    EXPECT_TRUE(parsed.annotations[14].empty());
    EXPECT_EQ(parsed.annotations[20].nags, std::vector<int>{1});
    EXPECT_EQ(parsed.annotations[34].nags, std::vector<int>{3});
    // 18... Bxg1 $2 ; the only losing move
    EXPECT_EQ(parsed.annotations[35], (MoveAnnotation{{2}, "the only losing move"}));
    EXPECT_EQ(parsed.annotations[42].nags, std::vector<int>{18});
    EXPECT_EQ(parsed.variationsSetAside, 1u) << "a nested side line is part of its variation";
    EXPECT_EQ(parsed.tags.at("Event"), "Annotated \"Immortal\" game");
    EXPECT_EQ(parsed.tags.at("Annotator"), "C:\\annotations\\mine");
    EXPECT_EQ(parsed.tagOrder, (std::vector<std::string>{"Event", "Site", "Date", "Round", "White",
                                                         "Black", "Result", "ECO", "Annotator"}));

    // Written back and read again, nothing of it is lost; the variation stays set aside.
    const std::string written = writableGame(parsed).exportPGN();
    expectSameGame(PGNParser::parse(written), parsed, "annotated.pgn");
    EXPECT_EQ(PGNParser::parse(written).variationsSetAside, 0u);
    std::string oneLine = written;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    EXPECT_NE(oneLine.find("4. Kf1 b5 $6 {A gambit of his own.} 5. Bxb5"), std::string::npos)
        << written;
    EXPECT_NE(oneLine.find("18. Bd6 $3 18... Bxg1 $2 {the only losing move} 19. e5"),
              std::string::npos)
        << written;
}

TEST(PgnCollectionTest, CommentsThatBracesCannotHoldAndLongCommentsReadBackTheSame) {
    ParsedPGN parsed = PGNParser::parse("1. e4 ; has } and { inside\n e5 *");
    EXPECT_EQ(parsed.annotations[0].comment, "has } and { inside");
    parsed.annotations[1].comment = std::string(30, 'x') + " " + std::string(200, 'y') + " z";
    parsed.gameComment = "before {nested} all";
    const std::string written = writableGame(parsed).exportPGN();
    const ParsedPGN again = PGNParser::parse(written);
    expectSameGame(again, parsed, written);
    std::istringstream lines(written);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.size() <= 80 || line.find(' ') == std::string::npos) << line;
    }
}

TEST(PgnCollectionTest, ListsEveryGameOfAFileAndReadsEachOnItsOwn) {
    for (const std::string name : {"crlf.pgn", "bom.pgn"}) {
        const std::string text = fileBytes(name);
        const std::vector<PGNGameSummary> games = PGNParser::indexGames(text).value();
        ASSERT_EQ(games.size(), 2u) << name;
        EXPECT_EQ(games[0].white, "A");
        EXPECT_EQ(games[0].event, "First") << "a tag line inside a comment is comment";
        EXPECT_EQ(games[0].result, "1/2-1/2");
        EXPECT_EQ(games[0].plies, 6u);
        EXPECT_EQ(games[1].black, "D");
        EXPECT_EQ(games[1].date, "2024.01.02");
        EXPECT_EQ(games[1].result, "0-1");
        EXPECT_EQ(games[1].plies, 4u);

        const ParsedPGN first = PGNParser::parse(gameText(text, games[0]));
        EXPECT_EQ(first.board.history().size(), 6u) << name;
        EXPECT_EQ(first.annotations[3].comment,
                  "a comment with a line [Event \"not a tag: inside a comment\"] that goes on");
        const ParsedPGN second = PGNParser::parse(gameText(text, games[1]));
        EXPECT_EQ(second.tags.at("Event"), "Second");
        EXPECT_EQ(second.board.gameEndReason(), GameEndReason::checkmate(PieceColor::black));
        // Reading the whole text gives its first game, not a mix of both.
        const ParsedPGN whole = PGNParser::parse(text);
        EXPECT_EQ(whole.tags.at("Event"), "First");
        EXPECT_EQ(whole.board.history().size(), 6u);
    }
    EXPECT_EQ(PGNParser::indexGames("").value().size(), 0u);
    EXPECT_EQ(PGNParser::indexGames("\n\n  \n").value().size(), 0u);
    // A game without moves has no movetext at all (Velkor writes an unstarted game so): the
    // tags after it belong to the next game.
    const std::string unstarted = "[Event \"A\"]\n[Result \"*\"]\n\n[Event \"B\"]\n\n1. e4 *\n";
    const auto twoGames = PGNParser::indexGames(unstarted).value();
    ASSERT_EQ(twoGames.size(), 2u);
    EXPECT_EQ(twoGames[1].event, "B");
    EXPECT_EQ(PGNParser::parse(unstarted).tags.at("Event"), "A");
    EXPECT_TRUE(PGNParser::parse(unstarted).board.history().empty());
    // Movetext without tags is a game; so is a header without moves.
    const auto bare = PGNParser::indexGames("1. e4 e5 *\n\n[Event \"x\"]\n").value();
    ASSERT_EQ(bare.size(), 2u);
    EXPECT_EQ(bare[0].plies, 2u);
    EXPECT_EQ(bare[1].plies, 0u);
    EXPECT_EQ(bare[1].result, "*");
}

TEST(PgnCollectionTest, ListingReportsProgressAndStops) {
    std::string text;
    // About 2.5 MB, so progress is told more than once.
    for (int game = 0; game < 8000; ++game) {
        text += "[Event \"E\"]\n[White \"W\"]\n[Black \"B\"]\n[Result \"1-0\"]\n\n"
                "1. e4 {a comment to make the file larger, long enough for a few megabytes of "
                "games in all} e5 2. Nf3 Nc6 3. Bb5 a6 1-0\n\n";
    }
    std::vector<std::size_t> reports;
    const auto games = PGNParser::indexGames(text, [&reports](std::size_t done) {
        reports.push_back(done);
        return true;
    });
    ASSERT_TRUE(games);
    EXPECT_EQ(games->size(), 8000u);
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LE(reports.back(), text.size());
    EXPECT_FALSE(PGNParser::indexGames(text, [](std::size_t) { return false; }));
}

TEST(PgnCollectionTest, ReadsUtf8WithOrWithoutMarkAndFallsBackToLatin1) {
    const text::DecodedText marked =
        text::decodeUtf8OrLatin1("\xEF\xBB\xBF[White \"Jos\xC3\xA9\"]");
    EXPECT_FALSE(marked.readAsLatin1);
    EXPECT_EQ(marked.text, "[White \"Jos\xC3\xA9\"]");
    EXPECT_EQ(PGNParser::parse("\xEF\xBB\xBF[White \"x\"]\n1. e4 *").tags.at("White"), "x");

    const text::DecodedText latin1 = text::decodeUtf8OrLatin1(fileBytes("latin1.pgn"));
    EXPECT_TRUE(latin1.readAsLatin1);
    const ParsedPGN parsed = PGNParser::parse(latin1.text);
    EXPECT_EQ(parsed.tags.at("White"), "Jos\xC3\xA9 Ra\xC3\xBAl Capablanca");
    EXPECT_EQ(parsed.tags.at("Black"), "M\xC3\xBCller, J\xC3\xBCrgen");
    EXPECT_EQ(parsed.annotations[5], (MoveAnnotation{{4}, "Zu fr\xC3\xBCh gefreut"}));
    EXPECT_EQ(parsed.board.gameEndReason(), GameEndReason::checkmate(PieceColor::white));
    // Windows' own letters in 0x80-0x9F, as such files hold them.
    EXPECT_EQ(text::decodeUtf8OrLatin1("\x80 \x93x\x94").text,
              "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D");

    EXPECT_TRUE(text::isValidUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    for (const std::string_view bad :
         {std::string_view("\xC3"), std::string_view("\xC0\xAF"), std::string_view("\xED\xA0\x80"),
          std::string_view("\xF4\x90\x80\x80"), std::string_view("\xE2\x82"),
          std::string_view("\x80")}) {
        EXPECT_FALSE(text::isValidUtf8(bad));
    }
}

// Every game of the corpus (Stockfish and Toga II at low depth, tools/make-pgn-corpus.py) read,
// written by Velkor one by one and all in one file as "Copy All Games" does, and read again.
TEST(PgnCollectionTest, EveryCorpusGameReadsBackTheSameAloneAndAllInOneFile) {
    const std::string corpus = fileBytes("corpus.pgn");
    const std::vector<PGNGameSummary> listed = PGNParser::indexGames(corpus).value();
    ASSERT_GE(listed.size(), 200u);

    std::vector<ParsedPGN> originals;
    std::string allWritten;
    std::set<std::string> ends;
    bool castledShort = false;
    bool castledLong = false;
    bool enPassant = false;
    bool promoted = false;
    for (const PGNGameSummary& summary : listed) {
        ParsedPGN original = PGNParser::parse(gameText(corpus, summary));
        EXPECT_EQ(original.board.history().size(), summary.plies) << summary.offset;
        EXPECT_EQ(original.result, summary.result);
        const std::string written = writableGame(original).exportPGN();
        expectSameGame(PGNParser::parse(written), original,
                       "game at " + std::to_string(summary.offset));
        if (!allWritten.empty()) {
            allWritten += '\n';
        }
        allWritten += written;

        const ChessBoard& board = original.board;
        if (const auto end = board.gameEndReason()) {
            ends.insert(end->kind() == GameEndReason::Kind::checkmate   ? "checkmate"
                        : end->kind() == GameEndReason::Kind::stalemate ? "stalemate"
                        : end->kind() == GameEndReason::Kind::insufficientMaterial
                            ? "insufficientMaterial"
                            : "other");
        } else if (const auto claim = board.claimableDrawReason()) {
            ends.insert(claim->kind() == GameEndReason::Kind::threefoldRepetition ? "repetition"
                                                                                  : "fiftyMoves");
        } else {
            ends.insert(original.result == "*" ? "unfinished" : "other");
        }
        for (const MoveRecord& record : board.history()) {
            castledShort =
                castledShort || (record.san.starts_with("O-O") && !record.san.starts_with("O-O-O"));
            castledLong = castledLong || record.san.starts_with("O-O-O");
            promoted = promoted || record.san.find('=') != std::string::npos;
            // A capture on the square a pawn has just skipped can only be en passant.
            enPassant =
                enPassant || (record.capturedPiece && record.previousEnPassant == record.move.to);
        }
        originals.push_back(std::move(original));
    }
    for (const std::string end :
         {"checkmate", "stalemate", "insufficientMaterial", "repetition", "fiftyMoves"}) {
        EXPECT_TRUE(ends.contains(end)) << "the corpus has no game ending by " << end;
    }
    EXPECT_TRUE(castledShort && castledLong && enPassant && promoted);

    const std::vector<PGNGameSummary> again = PGNParser::indexGames(allWritten).value();
    ASSERT_EQ(again.size(), originals.size());
    for (std::size_t index = 0; index < again.size(); ++index) {
        expectSameGame(PGNParser::parse(gameText(allWritten, again[index])), originals[index],
                       "game " + std::to_string(index + 1) + " of the joined file");
    }
}

} // namespace
} // namespace velkor
