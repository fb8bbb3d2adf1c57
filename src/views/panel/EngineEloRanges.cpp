#include "EngineEloRanges.h"

#include "game/GameManager.h"
#include "uci/UCIEngineProcess.h"

namespace velkor::panel {

EngineEloRanges::EngineEloRanges(GameManager& games, QObject* parent) : QObject(parent) {
    connect(&games, &GameManager::whiteEngineProcessChanged, this, &EngineEloRanges::watch);
    connect(&games, &GameManager::blackEngineProcessChanged, this, &EngineEloRanges::watch);
    watch(games.whiteEngineProcess());
    watch(games.blackEngineProcess());
}

std::optional<uci::SpinRange> EngineEloRanges::rangeFor(const QString& executablePath) const {
    const auto found = m_ranges.constFind(executablePath);
    if (found == m_ranges.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

void EngineEloRanges::watch(UCIEngineProcess* process) {
    if (!process) {
        return;
    }
    // The range is known once the handshake is through, which is when the engine runs.
    connect(process, &UCIEngineProcess::isRunningChanged, this, [this, process](bool running) {
        if (running) {
            learnFrom(*process);
        }
    });
    learnFrom(*process);
}

void EngineEloRanges::learnFrom(const UCIEngineProcess& process) {
    const auto& range = process.eloRange();
    const QString& path = process.config().executablePath;
    if (!range || path.isEmpty()) {
        return;
    }
    const auto known = m_ranges.constFind(path);
    if (known != m_ranges.constEnd() && known->min == range->min && known->max == range->max) {
        return;
    }
    m_ranges.insert(path, *range);
    emit rangesChanged();
}

} // namespace velkor::panel
