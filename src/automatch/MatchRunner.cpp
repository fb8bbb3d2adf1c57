#include "MatchRunner.h"

#include "Adjudication.h"
#include "chess/ChessBoard.h"
#include "chess/PGNGame.h"
#include "uci/EngineConfiguration.h"
#include "uci/UCIEngineProcess.h"

#include <QTimer>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

namespace velkor::automatch {

struct MatchRunner::Slot {
    // By engine (0: the first -engine), not by colour: each keeps its process across games.
    std::array<std::unique_ptr<UCIEngineProcess>, 2> engines;
    // An engine that crashed or did not answer in time is started afresh before it plays
    // again: whatever it is still doing must not leak into the next game.
    std::array<bool, 2> broken{};
    // The engine whose search this slot awaits, so a stop can reach it.
    UCIEngineProcess* searching = nullptr;
};

namespace {

std::string colourName(PieceColor colour) {
    return colour == PieceColor::white ? "White" : "Black";
}

EngineConfiguration engineConfiguration(const EngineSetup& setup) {
    EngineConfiguration config = EngineConfiguration::makeNew(
        QString::fromStdString(setup.name), QString::fromStdString(setup.command), QString());
    // Only what the match gives: the window's defaults (two threads, 64 MB, three lines) would
    // make the engines play another match than the one asked for.
    config.threads = 1;
    config.hashMB = 0;
    config.skillLevel = 20;
    config.multiPV = std::nullopt;
    config.limitElo = false;
    for (const auto& [name, value] : setup.options) {
        config.optionValues.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    return config;
}

std::optional<std::string> optionValue(const EngineSetup& setup, std::string_view name) {
    std::optional<std::string> value;
    for (const auto& [key, given] : setup.options) {
        if (key.size() == name.size() &&
            std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            value = given;
        }
    }
    return value;
}

// "+0.97/18 0.250s" from the mover's side; "+M5/18" for a mate it sees.
std::string moveComment(const EngineEvaluation& evaluation, double seconds) {
    char buffer[64];
    std::string score;
    if (evaluation.mateIn) {
        score =
            (*evaluation.mateIn > 0 ? "+M" : "-M") + std::to_string(std::llabs(*evaluation.mateIn));
    } else {
        const double pawns = static_cast<double>(evaluation.scoreCp.value_or(0)) / 100.0;
        std::snprintf(buffer, sizeof buffer, "%+.2f", pawns);
        score = buffer;
        if (evaluation.scoreCp.value_or(0) == 0) {
            score = "0.00";
        }
    }
    std::snprintf(buffer, sizeof buffer, " %.3fs", std::max(0.0, seconds));
    return score + "/" + std::to_string(evaluation.depth) + buffer;
}

std::optional<EngineScore> engineScore(const EngineEvaluation& evaluation) {
    if (evaluation.mateIn) {
        return EngineScore{EngineScore::Kind::Mate, static_cast<int>(*evaluation.mateIn)};
    }
    if (evaluation.scoreCp) {
        const auto cp = std::clamp<std::int64_t>(*evaluation.scoreCp, -1'000'000, 1'000'000);
        return EngineScore{EngineScore::Kind::Centipawns, static_cast<int>(cp)};
    }
    return std::nullopt;
}

// The board's own ending, with the reason as engine-testing tools write it. Threefold and the
// fifty-move rule end a match game at once: engines never claim, and playing on only wastes time.
std::optional<std::pair<std::optional<PieceColor>, std::string>>
boardEnding(const ChessBoard& board) {
    const auto reason = board.gameEndReason() ? board.gameEndReason() : board.claimableDrawReason();
    if (!reason) {
        return std::nullopt;
    }
    using Kind = GameEndReason::Kind;
    switch (reason->kind()) {
    case Kind::checkmate: {
        const PieceColor winner =
            board.turn() == PieceColor::white ? PieceColor::black : PieceColor::white;
        return std::pair{std::optional(winner), colourName(winner) + " mates"};
    }
    case Kind::stalemate:
        return std::pair{std::optional<PieceColor>(), std::string("Draw by stalemate")};
    case Kind::threefoldRepetition:
    case Kind::fivefoldRepetition:
        return std::pair{std::optional<PieceColor>(), std::string("Draw by 3-fold repetition")};
    case Kind::fiftyMoveRule:
    case Kind::seventyFiveMoveRule:
        return std::pair{std::optional<PieceColor>(), std::string("Draw by fifty moves rule")};
    case Kind::insufficientMaterial:
        return std::pair{std::optional<PieceColor>(), std::string("Draw by insufficient material")};
    default:
        break;
    }
    return std::pair{std::optional<PieceColor>(), std::string("Draw")};
}

} // namespace

struct MatchRunner::GameOutcome {
    std::optional<PieceColor> winner;
    std::string reason;
    std::string termination = "normal";
    bool timeLoss = false;
    bool engineFailed = false;
};

std::variant<std::unique_ptr<MatchRunner>, std::string>
MatchRunner::create(MatchConfig config, std::optional<MatchProgress> resumed,
                    RunnerEnvironment environment) {
    for (const EngineSetup& engine : config.engines) {
        if (engine.limit.kind == MoveLimit::Kind::None) {
            return "-engine name=" + engine.name + ": needs tc=, st=, nodes= or depth=";
        }
    }
    std::vector<MatchOpening> openings;
    if (config.openings) {
        auto loaded = loadOpenings(*config.openings);
        if (auto* problem = std::get_if<std::string>(&loaded)) {
            return "velkor-match: " + *problem;
        }
        openings = std::move(std::get<std::vector<MatchOpening>>(loaded));
    } else {
        openings.push_back(MatchOpening{std::string(standardStartingFEN), {}});
    }
    MatchProgress progress;
    if (resumed) {
        progress = *resumed;
    } else {
        progress.seed = config.seed.value_or(std::random_device{}());
    }
    return std::unique_ptr<MatchRunner>(new MatchRunner(
        std::move(config), std::move(openings), std::move(progress), std::move(environment)));
}

MatchRunner::MatchRunner(MatchConfig config, std::vector<MatchOpening> openings,
                         MatchProgress progress, RunnerEnvironment environment)
    : m_config(std::move(config)), m_openings(std::move(openings)), m_progress(std::move(progress)),
      m_environment(std::move(environment)) {
    m_openingOrder =
        openingOrder(m_openings.size(),
                     m_config.openings ? m_config.openings->order : OpeningSetup::Order::Sequential,
                     m_progress.seed);
    if (m_config.sprt) {
        m_sprt.emplace(*m_config.sprt);
    }
    m_nextGame = m_progress.countedGames;
}

MatchRunner::~MatchRunner() = default;

std::int64_t MatchRunner::totalGames() const {
    return static_cast<std::int64_t>(m_config.rounds) * m_config.gamesPerRound;
}

MatchSummary MatchRunner::summary() const {
    const auto reported = [](const EngineSetup& engine) {
        return ReportedEngine{engine.name, engine.limit, optionValue(engine, "Threads"),
                              optionValue(engine, "Hash")};
    };
    MatchSummary summary{reported(m_config.engines[0]),
                         reported(m_config.engines[1]),
                         m_config.openings ? m_config.openings->file : std::string(),
                         m_progress.counts,
                         m_config.pentanomial(),
                         std::nullopt};
    if (m_sprt) {
        summary.sprt = *m_sprt;
    }
    return summary;
}

void MatchRunner::requestStop() {
    endMatch(MatchEnd::Interrupted);
}

void MatchRunner::endMatch(MatchEnd end, std::string failure) {
    if (!m_end) {
        m_end = end;
        m_failure = std::move(failure);
    }
    // A stop or a failure while the decided match lets its last games finish still ends them.
    const bool letRunningGamesFinish =
        end == MatchEnd::SprtDecided && m_config.finishRunningGamesOnSprt;
    if (!letRunningGamesFinish && !m_abandoning) {
        m_abandoning = true;
        stopRunningSearches();
    }
}

void MatchRunner::stopRunningSearches() {
    for (const auto& slot : m_slots) {
        if (slot->searching) {
            slot->searching->stop();
        }
    }
}

QCoro::Task<MatchEnd> MatchRunner::run() {
    // A finished match resumed again has nothing left to play.
    if (m_sprt && m_sprt->decision(m_sprt->llr(m_progress.counts, m_config.pentanomial())) !=
                      SprtDecision::Continue) {
        co_return MatchEnd::SprtDecided;
    }
    const std::int64_t left = totalGames() - m_progress.countedGames -
                              static_cast<std::int64_t>(m_progress.finishedAhead.size());
    const auto slotCount = static_cast<std::size_t>(
        std::clamp<std::int64_t>(left, 1, std::max(1, m_config.concurrency)));
    m_slots.clear();
    for (std::size_t s = 0; s < slotCount; ++s) {
        m_slots.push_back(std::make_unique<Slot>());
    }
    // Tasks start at once; awaiting them one after the other waits for all.
    std::vector<QCoro::Task<void>> workers;
    for (std::size_t s = 0; s < slotCount; ++s) {
        workers.push_back(work(s));
    }
    for (auto& worker : workers) {
        co_await worker;
    }
    for (const auto& slot : m_slots) {
        for (auto& engine : slot->engines) {
            if (engine) {
                engine->terminate();
            }
        }
    }
    co_return m_end.value_or(MatchEnd::Completed);
}

std::optional<std::int64_t> MatchRunner::nextGame() {
    while (m_nextGame < totalGames() && m_progress.finishedAhead.contains(m_nextGame)) {
        ++m_nextGame;
    }
    if (m_end || m_nextGame >= totalGames()) {
        return std::nullopt;
    }
    return m_nextGame++;
}

QCoro::Task<void> MatchRunner::work(std::size_t slotIndex) {
    Slot& slot = *m_slots[slotIndex];
    while (const auto index = nextGame()) {
        m_running.insert(*index);
        const std::optional<PlayedGame> game = co_await playGame(slot, *index);
        m_running.erase(*index);
        if (game) {
            finish(*game);
        }
    }
}

QCoro::Task<UCIEngineProcess*> MatchRunner::readyEngine(Slot& slot, std::size_t engine) {
    auto& process = slot.engines[engine];
    if (process && (slot.broken[engine] || !process->isRunning())) {
        process.reset();
    }
    slot.broken[engine] = false;
    for (int attempt = 0; attempt < 2 && !m_abandoning; ++attempt) {
        if (!process) {
            process = std::make_unique<UCIEngineProcess>(
                engineConfiguration(m_config.engines[engine]), m_environment.handshakeTimeout,
                EngineProcessEnvironment{m_environment.clock, uci::defaultKillGrace});
            if (!co_await process->start()) {
                process.reset();
                continue;
            }
        }
        if (co_await process->newGame()) {
            co_return process.get();
        }
        // Not ready for a new game (hung in the last one): one fresh start.
        process.reset();
    }
    co_return nullptr;
}

QCoro::Task<std::optional<PlayedGame>> MatchRunner::playGame(Slot& slot, std::int64_t index) {
    const std::int64_t round = index / m_config.gamesPerRound;
    // The second game of a pair swaps colours, so the opening favours neither engine.
    const bool firstIsWhite = index % m_config.gamesPerRound == 0;
    const std::array<std::size_t, 2> engineOf{firstIsWhite ? 0U : 1U, firstIsWhite ? 1U : 0U};
    const auto engineFor = [&](PieceColor colour) {
        return engineOf[colour == PieceColor::white ? 0 : 1];
    };
    const std::size_t openingStart =
        m_config.openings ? static_cast<std::size_t>(m_config.openings->start - 1) : 0;
    const MatchOpening& opening =
        m_openings[m_openingOrder[(openingStart + static_cast<std::size_t>(round)) %
                                  m_openings.size()]];

    PlayedGame game;
    game.index = index;
    game.round = round + 1;
    game.white = m_config.engines[engineOf[0]].name;
    game.black = m_config.engines[engineOf[1]].name;
    if (m_observer.gameStarted) {
        m_observer.gameStarted(index + 1, totalGames(), game.white, game.black);
    }

    std::array<UCIEngineProcess*, 2> processes{};
    for (std::size_t e = 0; e < 2; ++e) {
        processes[e] = co_await readyEngine(slot, e);
        if (!processes[e]) {
            endMatch(MatchEnd::EngineFailure,
                     "engine " + m_config.engines[e].name + " could not be started");
            co_return std::nullopt;
        }
    }
    if (m_abandoning) {
        co_return std::nullopt;
    }

    ChessBoard board(opening.fen);
    std::vector<std::string> moves = opening.moves;
    for (const std::string& move : opening.moves) {
        board.play(*Move::fromUci(move));
    }
    std::vector<MoveAnnotation> annotations(opening.moves.size(), MoveAnnotation{{}, "book"});
    if (m_observer.positionChanged) {
        m_observer.positionChanged(index, board.fen());
    }
    const std::string startFen = opening.fen;
    Adjudicator adjudicator(m_config.adjudication, board.turn() == PieceColor::white,
                            static_cast<int>(board.fullmoveNumber()));

    // Remaining clock time per engine, in milliseconds.
    std::array<double, 2> remaining{};
    std::array<int, 2> movesPlayed{};
    for (std::size_t e = 0; e < 2; ++e) {
        remaining[e] = static_cast<double>(m_config.engines[e].limit.baseMs);
    }

    GameOutcome outcome;
    std::optional<double> lastArrival;
    while (true) {
        // A watcher told of the last move may have ended the match; no search is running.
        if (m_abandoning) {
            co_return std::nullopt;
        }
        if (const auto ending = boardEnding(board)) {
            outcome.winner = ending->first;
            outcome.reason = ending->second;
            break;
        }
        const PieceColor mover = board.turn();
        const std::size_t e = engineFor(mover);
        const EngineSetup& setup = m_config.engines[e];
        const MoveLimit& limit = setup.limit;
        UCIEngineProcess& process = *processes[e];

        uci::SearchLimits limits;
        std::chrono::milliseconds deadline = m_environment.unlimitedSearchStall;
        switch (limit.kind) {
        case MoveLimit::Kind::Clock: {
            const std::size_t whiteEngine = engineFor(PieceColor::white);
            const std::size_t blackEngine = engineFor(PieceColor::black);
            limits.wtime = std::max<std::int64_t>(1, std::llround(remaining[whiteEngine]));
            limits.btime = std::max<std::int64_t>(1, std::llround(remaining[blackEngine]));
            limits.winc = m_config.engines[whiteEngine].limit.incrementMs;
            limits.binc = m_config.engines[blackEngine].limit.incrementMs;
            if (limit.movesPerPeriod > 0) {
                limits.movestogo = limit.movesPerPeriod - movesPlayed[e] % limit.movesPerPeriod;
            }
            deadline = std::chrono::milliseconds(std::llround(std::max(0.0, remaining[e])) +
                                                 setup.timeMarginMs);
            break;
        }
        case MoveLimit::Kind::TimePerMove:
            limits.movetime = limit.moveTimeMs;
            // The engine process itself stops a search one second past its move time.
            deadline = std::chrono::milliseconds(limit.moveTimeMs + setup.timeMarginMs + 1000);
            break;
        case MoveLimit::Kind::Depth:
            limits.depth = limit.depth;
            break;
        case MoveLimit::Kind::Nodes:
            limits.nodes = limit.nodes;
            break;
        default:
            break;
        }

        process.sendPosition(
            startFen == standardStartingFEN ? std::nullopt : std::optional(startFen), moves);
        const double searchStart = m_environment.clock();
        if (lastArrival && m_observer.moveOverhead) {
            m_observer.moveOverhead(searchStart - *lastArrival);
        }
        QTimer watchdog;
        watchdog.setSingleShot(true);
        watchdog.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watchdog, &QTimer::timeout, &watchdog, [&] {
            // A best move read but not yet handed over is not a stall.
            if (process.hasUnhandledBestMove()) {
                watchdog.start(1);
                return;
            }
            process.stop();
        });
        watchdog.start(deadline + m_environment.stallGrace);
        slot.searching = &process;
        const SearchOutcome answer = co_await process.search(limits);
        slot.searching = nullptr;
        watchdog.stop();

        if (m_abandoning && !answer) {
            // Stopped because the match ends: the game is abandoned and played again on resume.
            slot.broken[e] = true;
            co_return std::nullopt;
        }
        const PieceColor opponent =
            mover == PieceColor::white ? PieceColor::black : PieceColor::white;
        if (!answer) {
            slot.broken[e] = true;
            outcome.winner = opponent;
            if (!process.isRunning()) {
                outcome.engineFailed = true;
                outcome.reason = colourName(mover) + " disconnects";
                outcome.termination = "abandoned";
            } else if (limit.kind == MoveLimit::Kind::Clock ||
                       limit.kind == MoveLimit::Kind::TimePerMove) {
                outcome.reason = colourName(mover) + " loses on time";
                outcome.termination = "time forfeit";
                outcome.timeLoss = true;
            } else {
                outcome.engineFailed = true;
                outcome.reason = colourName(mover) + "'s connection stalls";
                outcome.termination = "stalled connection";
            }
            break;
        }
        lastArrival = answer->arrivalTime;
        const double elapsedMs = std::max(0.0, (answer->arrivalTime - searchStart) * 1000.0);
        bool overran = false;
        if (limit.kind == MoveLimit::Kind::Clock) {
            remaining[e] -= elapsedMs;
            overran = remaining[e] < -static_cast<double>(setup.timeMarginMs);
            remaining[e] += static_cast<double>(limit.incrementMs);
            if (limit.movesPerPeriod > 0 && ++movesPlayed[e] % limit.movesPerPeriod == 0) {
                remaining[e] += static_cast<double>(limit.baseMs);
            }
        } else if (limit.kind == MoveLimit::Kind::TimePerMove) {
            overran = elapsedMs > static_cast<double>(limit.moveTimeMs + setup.timeMarginMs);
        }
        if (overran) {
            // It answered, late: the engine itself is fine and keeps its process.
            outcome.winner = opponent;
            outcome.reason = colourName(mover) + " loses on time";
            outcome.termination = "time forfeit";
            outcome.timeLoss = true;
            break;
        }

        const auto move = Move::fromUci(answer->move);
        const auto piece = move ? board[move->from] : std::nullopt;
        if (!move || !board.play(*move)) {
            outcome.winner = opponent;
            outcome.reason = colourName(mover) + " makes an illegal move";
            outcome.termination = "illegal move";
            break;
        }
        moves.push_back(answer->move);
        if (m_observer.positionChanged) {
            m_observer.positionChanged(index, board.fen());
        }
        const EngineEvaluation evaluation = process.currentEvaluation();
        annotations.push_back(MoveAnnotation{{}, moveComment(evaluation, elapsedMs / 1000.0)});
        const bool captureOrPawn = board.history().back().capturedPiece.has_value() ||
                                   (piece && piece->type == PieceType::pawn);
        if (boardEnding(board)) {
            continue;
        }
        if (const auto verdict = adjudicator.afterMove(engineScore(evaluation), captureOrPawn)) {
            outcome.reason = verdict->reason;
            outcome.termination = "adjudication";
            if (verdict->result == AdjudicatedResult::WhiteWins) {
                outcome.winner = PieceColor::white;
            } else if (verdict->result == AdjudicatedResult::BlackWins) {
                outcome.winner = PieceColor::black;
            }
            break;
        }
    }

    game.timeLoss = outcome.timeLoss;
    game.engineFailed = outcome.engineFailed;
    game.reason = outcome.reason;
    if (!outcome.winner) {
        game.result = "1/2-1/2";
        game.firstEngineScore = GameScore::Draw;
    } else {
        game.result = *outcome.winner == PieceColor::white ? "1-0" : "0-1";
        game.firstEngineScore = engineFor(*outcome.winner) == 0 ? GameScore::Win : GameScore::Loss;
    }

    PGNGame pgn;
    pgn.event = "Velkor match";
    pgn.site = "?";
    pgn.date = PGNGame::currentDateString();
    pgn.round = std::to_string(game.round);
    pgn.white = game.white;
    pgn.black = game.black;
    pgn.result = game.result;
    const std::string whiteControl = timeControlText(m_config.engines[engineOf[0]].limit);
    const std::string blackControl = timeControlText(m_config.engines[engineOf[1]].limit);
    if (whiteControl == blackControl) {
        pgn.timeControl = whiteControl;
    } else {
        pgn.otherTags.emplace_back("WhiteTimeControl", whiteControl);
        pgn.otherTags.emplace_back("BlackTimeControl", blackControl);
    }
    if (startFen != standardStartingFEN) {
        pgn.initialFEN = startFen;
    }
    pgn.otherTags.emplace_back("Termination", outcome.termination);
    pgn.moves = board.history();
    if (annotations.empty()) {
        pgn.gameComment = game.reason;
    } else {
        annotations.back().comment += ", " + game.reason;
    }
    pgn.annotations = std::move(annotations);
    game.pgn = pgn.exportPGN();
    co_return game;
}

void MatchRunner::finish(const PlayedGame& game) {
    if (game.timeLoss) {
        ++m_timeLosses;
    }
    if (m_config.pgnFile) {
        std::ofstream out(*m_config.pgnFile, std::ios::app | std::ios::binary);
        out << game.pgn << "\n";
        if (!out) {
            endMatch(MatchEnd::StateNotSaved,
                     "the PGN file " + *m_config.pgnFile + " cannot be written");
        }
    }
    m_progress.finishedAhead[game.index] = game.firstEngineScore;
    if (m_observer.gameFinished) {
        m_observer.gameFinished(game);
    }
    const std::int64_t before = m_progress.countedGames;
    countInOrder();
    if (!saveMatchState(m_config.stateFile, m_config, m_progress)) {
        endMatch(MatchEnd::StateNotSaved,
                 "the match state cannot be saved to " + m_config.stateFile);
    }
    if (m_progress.countedGames != before && m_observer.countsChanged) {
        m_observer.countsChanged(m_progress.countedGames);
    }
    if (game.engineFailed) {
        if (!m_config.recover) {
            endMatch(MatchEnd::EngineFailure,
                     "an engine failed (" + game.reason + "); -recover restarts it instead");
        }
    }
}

void MatchRunner::countInOrder() {
    auto& ahead = m_progress.finishedAhead;
    while (true) {
        const std::int64_t next = m_progress.countedGames;
        if (m_config.gamesPerRound == 2) {
            const auto first = ahead.find(next);
            const auto second = ahead.find(next + 1);
            if (first == ahead.end() || second == ahead.end()) {
                break;
            }
            m_progress.counts.addPair(first->second, second->second);
            ahead.erase(first);
            ahead.erase(second);
            m_progress.countedGames += 2;
        } else {
            const auto game = ahead.find(next);
            if (game == ahead.end()) {
                break;
            }
            m_progress.counts.addGame(game->second);
            ahead.erase(game);
            m_progress.countedGames += 1;
        }
        if (m_sprt && m_sprt->decision(m_sprt->llr(m_progress.counts, m_config.pentanomial())) !=
                          SprtDecision::Continue) {
            endMatch(MatchEnd::SprtDecided);
            // The test is decided at its first crossing; later games would only blur it, unless
            // the running games were to be finished and counted.
            if (!m_config.finishRunningGamesOnSprt) {
                break;
            }
        }
    }
}

} // namespace velkor::automatch
