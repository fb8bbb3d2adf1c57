#include "UciOutputState.h"

#include "UciText.h"

namespace velkor::uci {

namespace {
bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}
} // namespace

std::string shortenedForLog(std::string_view prefix, std::string_view text) {
    std::string logged(prefix);
    if (text.size() <= UciOutputState::maxLoggedLineBytes) {
        logged += text;
        return logged;
    }
    std::size_t cut = UciOutputState::maxLoggedLineBytes;
    while (cut > 0 && isUtf8Continuation(text[cut])) {
        --cut;
    }
    logged += text.substr(0, cut);
    logged += "... [";
    logged += std::to_string(text.size());
    logged += " bytes in all]";
    return logged;
}

LineEffect UciOutputState::consumeLine(std::string_view line, double now) {
    pushLog(shortenedForLog("< ", line));

    LineEffect effect;
    if (line.starts_with("option name ")) {
        effect.kind = LineEffect::Kind::option;
        std::string name = optionName(line);
        if (name == "uci_elo") {
            m_eloRange = optionRange(line);
        }
        m_offeredOptions.insert(std::move(name));
        // One unreadable declaration costs only that option, never the handshake.
        if (auto option = parseOptionLine(line)) {
            if (findOption(m_declaredOptions, option->name) == nullptr) {
                m_declaredOptions.push_back(std::move(*option));
            }
        } else {
            pushLog(shortenedForLog("Skipped malformed option line: ", line));
        }
    } else if (line == "uciok") {
        effect.kind = LineEffect::Kind::uciOk;
    } else if (line == "readyok") {
        effect.kind = LineEffect::Kind::readyOk;
    } else if (line.starts_with("info ")) {
        effect.kind = LineEffect::Kind::info;
        // Reports of a search that was stopped and not answered yet describe another position
        // than the one searched now.
        if (m_unansweredSearches.empty() || m_unansweredSearches.front() == m_currentSearch) {
            parseInfo(line);
        }
    } else if (line.starts_with("bestmove ")) {
        auto move = bestMoveText(line);
        if (move) {
            // Before any search was begun here (a caller that drives the state by hand), every
            // best move counts; afterwards one that answers no search, or an earlier one, is
            // only logged.
            std::optional<std::uint64_t> answered;
            if (m_currentSearch == 0) {
                answered = 0;
            } else if (!m_unansweredSearches.empty()) {
                answered = m_unansweredSearches.front();
                m_unansweredSearches.pop_front();
            }
            if (answered == m_currentSearch) {
                effect.kind = LineEffect::Kind::bestMove;
                effect.bestMove = std::move(*move);
                effect.arrivalTime = now;
                effect.searchSerial = m_currentSearch;
                m_unhandledBestMove = now;
                effect.batch = takePending();
            }
        }
    }
    return effect;
}

void UciOutputState::parseInfo(std::string_view line) {
    const auto tokens = splitAtBlanks(line);
    const std::int64_t lineNumber = infoLineNumber(tokens);
    auto entry = m_evaluationByPV.find(lineNumber);
    if (entry == m_evaluationByPV.end()) {
        if (m_evaluationByPV.size() >= maxLinesPerSearch) {
            return;
        }
        entry = m_evaluationByPV.emplace(lineNumber, EngineEvaluation{}).first;
        entry->second.multiPV = lineNumber;
    }
    applyInfo(tokens, entry->second);

    // The lines are gathered when the evaluation is handed over: nothing but an info line
    // changes the table while an evaluation is pending, so the result is the same, and a flood
    // of info lines costs no copy of the whole table per line.
    PendingEvaluation pending;
    pending.latest = entry->second;
    if (lineNumber == 1) {
        pending.principal = entry->second;
    } else if (m_pendingEvaluation) {
        pending.principal = std::move(m_pendingEvaluation->principal);
    }
    m_pendingEvaluation = std::move(pending);
}

void UciOutputState::appendLog(std::string text) {
    pushLog(text.size() > maxLoggedLineBytes ? shortenedForLog({}, text) : std::move(text));
}

void UciOutputState::pushLog(std::string text) {
    m_pendingLog.push_back(std::move(text));
    if (m_pendingLog.size() > maxPendingLogLines) {
        m_pendingLog.pop_front();
    }
}

OutputBatch UciOutputState::takePending() {
    OutputBatch batch;
    batch.log.assign(std::make_move_iterator(m_pendingLog.begin()),
                     std::make_move_iterator(m_pendingLog.end()));
    m_pendingLog.clear();
    if (m_pendingEvaluation) {
        m_pendingEvaluation->lines.reserve(m_evaluationByPV.size());
        for (const auto& [number, evaluation] : m_evaluationByPV) {
            m_pendingEvaluation->lines.push_back(evaluation);
        }
    }
    batch.evaluation = std::move(m_pendingEvaluation);
    m_pendingEvaluation.reset();
    return batch;
}

void UciOutputState::resetForSearch() {
    m_evaluationByPV.clear();
    m_pendingEvaluation.reset();
    m_unhandledBestMove.reset();
}

std::uint64_t UciOutputState::beginSearch() {
    resetForSearch();
    ++m_currentSearch;
    m_unansweredSearches.push_back(m_currentSearch);
    return m_currentSearch;
}

} // namespace velkor::uci
