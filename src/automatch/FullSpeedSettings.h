#pragma once

#include "MatchConfig.h"
#include "uci/EngineConfiguration.h"

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

namespace velkor::automatch {

// How a full-speed match started from the window is set up. Both engines play under the same
// limit; which engines play, and at what strength, comes from the automatch's engine choice.
struct FullSpeedSettings {
    // Games in all; with paired openings rounded up to whole pairs.
    std::int64_t games = 100;
    // Games at once; none for the machine's cores less one.
    std::optional<int> concurrency;
    MoveLimit limit = defaultLimit();
    // An EPD or PGN file of openings; empty to start every game from the initial position.
    QString openingFile;
    // Moves taken from each game of a PGN opening file.
    int openingPlies = 8;
    bool randomOrder = false;
    std::uint64_t seed = 1;
    // Every opening twice in a row, once with each engine as White.
    bool paired = true;
    AdjudicationSettings adjudication;
    std::optional<SprtSettings> sprt;
    // When the test decides: let the running games end and count them, or abandon them.
    bool finishRunningGamesOnSprt = false;

    static MoveLimit defaultLimit();
    // The stored form; unknown or damaged values fall back to the defaults one by one.
    QJsonObject toJson() const;
    static FullSpeedSettings fromJson(const QJsonObject& object);
};

// One engine as the automatch chose it: its record and the Elo limit in force, if any.
struct ChosenEngine {
    EngineConfiguration engine;
    std::optional<std::int64_t> elo;
};

// The runner's match for these settings and engines, with its state saved to `stateFile`; or
// one line saying what is wrong (no engines, a missing opening file, a test that cannot run).
std::variant<MatchConfig, QString> fullSpeedMatchConfig(const FullSpeedSettings& settings,
                                                        const std::optional<ChosenEngine>& engine1,
                                                        const std::optional<ChosenEngine>& engine2,
                                                        int cores, const QString& stateFile);

} // namespace velkor::automatch
