#include "BoardShapes.h"

#include "GameManager.h"
#include "base/DomainError.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"

#include <algorithm>

namespace velkor {
namespace {

std::vector<Move> movesOf(const ChessBoard& board) {
    std::vector<Move> moves;
    moves.reserve(board.history().size());
    for (const MoveRecord& record : board.history()) {
        moves.push_back(record.move);
    }
    return moves;
}

std::string tagOr(const ParsedPGN& parsed, const std::string& name, std::string unknown) {
    const auto found = parsed.tags.find(name);
    return found == parsed.tags.end() ? std::move(unknown) : found->second;
}

} // namespace

BoardShapes::BoardShapes(GameManager& game, QObject* parent)
    : QObject(parent), m_game(game), m_initialFEN(game.board().initialFEN()),
      m_line(movesOf(game.board())) {
    connect(&game, &GameManager::boardChanged, this, &BoardShapes::followBoard);
    connect(&game, &GameManager::gameRecordChanged, this, &BoardShapes::readRecord);
    connect(&game, &GameManager::inspectingMoveIndexChanged, this, &BoardShapes::shownChanged);
    readRecord();
}

BoardShapes& BoardShapes::of(GameManager& game) {
    if (auto* existing = game.findChild<BoardShapes*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *existing;
    }
    return *new BoardShapes(game, &game);
}

std::int64_t BoardShapes::shownPly() const {
    return m_game.displayedMoveIndex() + 1;
}

std::vector<DrawnShape> BoardShapes::atPly(std::int64_t ply) const {
    const auto found = m_byPly.find(ply);
    return found == m_byPly.end() ? std::vector<DrawnShape>{} : found->second;
}

void BoardShapes::toggle(const DrawnShape& shape) {
    std::vector<DrawnShape>& shapes = m_byPly[shownPly()];
    const auto same = std::find_if(shapes.begin(), shapes.end(), [&](const DrawnShape& each) {
        return each.from == shape.from && each.to == shape.to;
    });
    if (same == shapes.end()) {
        shapes.push_back(shape);
    } else if (same->color == shape.color) {
        shapes.erase(same);
    } else {
        same->color = shape.color;
    }
    if (shapes.empty()) {
        m_byPly.erase(shownPly());
    }
    emit shownChanged();
}

void BoardShapes::clearShown() {
    if (m_byPly.erase(shownPly()) > 0) {
        emit shownChanged();
    }
}

void BoardShapes::followBoard() {
    const ChessBoard& board = m_game.board();
    std::vector<Move> line = movesOf(board);
    std::size_t common = 0;
    while (common < line.size() && common < m_line.size() && line[common] == m_line[common]) {
        ++common;
    }
    const bool sameStart = board.initialFEN() == m_initialFEN;
    const bool extended = sameStart && common == m_line.size();
    const bool shortened = sameStart && common == line.size() && !line.empty();
    if (!extended && !shortened) {
        // Another game (a new one, a loaded one, another start): its own record's shapes, none
        // for a game begun here.
        m_initialFEN = board.initialFEN();
        m_line = std::move(line);
        readRecord();
        return;
    }
    // Moves played on keep every shape (a record read just before its board included); moves
    // taken back take their positions' shapes along.
    m_line = std::move(line);
    if (!extended && std::erase_if(m_byPly, [&](const auto& entry) {
                         return entry.first > static_cast<std::int64_t>(common);
                     }) > 0) {
        emit shownChanged();
    }
}

void BoardShapes::readRecord() {
    m_byPly.clear();
    if (auto shapes = shapesInComment(m_game.gameRecord().comment); !shapes.empty()) {
        m_byPly[0] = std::move(shapes);
    }
    const auto& annotations = m_game.gameRecord().annotations;
    for (std::size_t index = 0; index < annotations.size(); ++index) {
        if (auto shapes = shapesInComment(annotations[index].comment); !shapes.empty()) {
            m_byPly[static_cast<std::int64_t>(index) + 1] = std::move(shapes);
        }
    }
    // The line is followBoard's to keep: the record may arrive before or after its board.
    emit shownChanged();
}

QString BoardShapes::exportPGN() const {
    const QString exported = m_game.exportPGN();
    ParsedPGN parsed;
    try {
        parsed = PGNParser::parse(exported.toStdString());
    } catch (const DomainError&) {
        // A stored game's own text that does not read back is written as it is.
        return exported;
    }
    const std::size_t plies = parsed.board.history().size();
    parsed.annotations.resize(plies);
    bool changed = false;
    const auto rewrite = [&](std::string& comment, std::int64_t ply) {
        std::string written = commentWithShapes(comment, atPly(ply));
        if (written != comment) {
            comment = std::move(written);
            changed = true;
        }
    };
    rewrite(parsed.gameComment, 0);
    for (std::size_t index = 0; index < plies; ++index) {
        rewrite(parsed.annotations[index].comment, static_cast<std::int64_t>(index) + 1);
    }
    if (!changed) {
        return exported;
    }
    PGNGame game{tagOr(parsed, "Event", "?"),
                 tagOr(parsed, "Site", "?"),
                 tagOr(parsed, "Date", "????.??.??"),
                 tagOr(parsed, "Round", "?"),
                 tagOr(parsed, "White", "?"),
                 tagOr(parsed, "Black", "?"),
                 parsed.result,
                 tagOr(parsed, "TimeControl", "-"),
                 parsed.board.initialFEN(),
                 parsed.board.history()};
    for (const std::string& name : parsed.tagOrder) {
        game.otherTags.emplace_back(name, parsed.tags.at(name));
    }
    game.gameComment = std::move(parsed.gameComment);
    game.annotations = std::move(parsed.annotations);
    return QString::fromStdString(game.exportPGN());
}

} // namespace velkor
