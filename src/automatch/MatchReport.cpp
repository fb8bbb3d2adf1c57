#include "MatchReport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace velkor::automatch {

namespace {

// printf-style formatting of one number into a string (the formats used are short).
std::string formatted(const char* format, double value) {
    if (!std::isfinite(value)) {
        return "n/a";
    }
    std::array<char, 64> buffer{};
    const int length = std::snprintf(buffer.data(), buffer.size(), format, value);
    if (length < 0) {
        return "n/a";
    }
    // A figure that rounds to zero from below reads "-0.00"; zero has no sign.
    if (std::string_view(buffer.data(), static_cast<std::size_t>(length))
                .find_first_not_of("-0.") == std::string_view::npos &&
        buffer[0] == '-') {
        return std::string(buffer.data() + 1, static_cast<std::size_t>(length - 1));
    }
    return std::string(buffer.data(),
                       std::min(static_cast<std::size_t>(length), buffer.size() - 1));
}

std::string fixed2(std::optional<double> value) {
    return value ? formatted("%.2f", *value) : std::string("n/a");
}

// The shortest text that reads back as the same number: 10 for 10.0, 0.1 for 0.1.
std::string shortest(double value) {
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error != std::errc{}) {
        return formatted("%g", value);
    }
    return std::string(buffer.data(), end);
}

// One text for both engines when they agree, "first - second" when they differ.
std::string joined(const std::string& first, const std::string& second) {
    return first == second ? first : first + " - " + second;
}

std::string threadsText(const ReportedEngine& engine) {
    return engine.threads ? *engine.threads + "t" : std::string("NULL");
}

std::string hashText(const ReportedEngine& engine) {
    return engine.hash ? *engine.hash + "MB" : std::string("NULL");
}

std::string fileName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string timeControlText(const MoveLimit& limit) {
    switch (limit.kind) {
    case MoveLimit::Kind::Clock: {
        std::string text;
        if (limit.movesPerPeriod > 0) {
            text = std::to_string(limit.movesPerPeriod) + "/";
        }
        text += shortest(static_cast<double>(limit.baseMs) / 1000.0);
        if (limit.incrementMs > 0) {
            text += "+" + formatted("%.2g", static_cast<double>(limit.incrementMs) / 1000.0);
        }
        return text;
    }
    case MoveLimit::Kind::TimePerMove:
        return shortest(static_cast<double>(limit.moveTimeMs) / 1000.0) + "/move";
    case MoveLimit::Kind::Depth:
        return std::to_string(limit.depth) + " plies";
    case MoveLimit::Kind::Nodes:
        return std::to_string(limit.nodes) + " nodes";
    case MoveLimit::Kind::None:
        break;
    }
    return "";
}

std::string summaryLines(const MatchSummary& summary) {
    const MatchCounts& counts = summary.counts;
    const PairCounts& pairs = counts.pairs;
    std::string text =
        "Results of " + summary.first.name + " vs " + summary.second.name + " (" +
        joined(timeControlText(summary.first.limit), timeControlText(summary.second.limit)) + ", " +
        joined(threadsText(summary.first), threadsText(summary.second)) + ", " +
        joined(hashText(summary.first), hashText(summary.second)) +
        (summary.openingFile.empty() ? "" : ", " + fileName(summary.openingFile)) + "):\n";

    const auto estimate =
        summary.pentanomial ? pentanomialEstimate(pairs) : trinomialEstimate(counts);
    const auto figure = [&](std::optional<double> StrengthEstimate::*member) {
        return estimate ? (*estimate).*member : std::nullopt;
    };
    text += "Elo: " + fixed2(figure(&StrengthEstimate::elo)) + " +/- " +
            fixed2(figure(&StrengthEstimate::eloMargin95)) +
            ", nElo: " + fixed2(figure(&StrengthEstimate::normalizedElo)) + " +/- " +
            fixed2(figure(&StrengthEstimate::normalizedEloMargin95)) + "\n";

    // Not-a-number where there is no figure: written "n/a".
    const double los = estimate ? estimate->likelihoodOfSuperiority * 100.0 : std::nan("");
    text += "LOS: " + formatted("%.2f", los) + " %, DrawRatio: " +
            fixed2(summary.pentanomial ? pairDrawRatioPercent(pairs) : drawRatioPercent(counts)) +
            " %";
    if (summary.pentanomial) {
        text += ", PairsRatio: " + fixed2(pairsRatio(pairs));
    }
    text += "\n";

    const double pointsPercent = counts.games() > 0
                                     ? counts.points() * 100.0 / static_cast<double>(counts.games())
                                     : std::nan("");
    text += "Games: " + std::to_string(counts.games()) + ", Wins: " + std::to_string(counts.wins) +
            ", Losses: " + std::to_string(counts.losses) +
            ", Draws: " + std::to_string(counts.draws) +
            ", Points: " + formatted("%.1f", counts.points()) + " (" +
            formatted("%.2f", pointsPercent) + " %)\n";

    if (summary.pentanomial) {
        text += "Ptnml(0-2): [" + std::to_string(pairs.lossLoss) + ", " +
                std::to_string(pairs.lossDraw) + ", " +
                std::to_string(pairs.winLoss + pairs.drawDraw) + ", " +
                std::to_string(pairs.winDraw) + ", " + std::to_string(pairs.winWin) +
                "], WL/DD Ratio: " + fixed2(winLossToDrawDrawRatio(pairs)) + "\n";
    }

    if (summary.sprt) {
        const Sprt& sprt = *summary.sprt;
        const double llr = sprt.llr(counts, summary.pentanomial);
        text += "LLR: " + formatted("%.2f", llr) + " (" +
                formatted("%.1f", sprt.progressTowardsBound(llr) * 100.0) + "%) (" +
                formatted("%.2f", sprt.lowerBound()) + ", " + formatted("%.2f", sprt.upperBound()) +
                ") [" + formatted("%.2f", sprt.settings().elo0) + ", " +
                formatted("%.2f", sprt.settings().elo1) + "]\n";
    }
    return text;
}

std::string summaryBlock(const MatchSummary& summary) {
    const std::string rule = "--------------------------------------------------\n";
    return rule + summaryLines(summary) + rule;
}

std::string startedGameLine(std::int64_t game, std::int64_t games, std::string_view white,
                            std::string_view black) {
    return "Started game " + std::to_string(game) + " of " + std::to_string(games) + " (" +
           std::string(white) + " vs " + std::string(black) + ")";
}

std::string finishedGameLine(std::int64_t game, std::string_view white, std::string_view black,
                             std::string_view result, std::string_view reason) {
    return "Finished game " + std::to_string(game) + " (" + std::string(white) + " vs " +
           std::string(black) + "): " + std::string(result) + " {" + std::string(reason) + "}";
}

} // namespace velkor::automatch
