#include "AutomatchTexts.h"

#include "automatch/GameOutcome.h"
#include "localization/LocalizationManager.h"

#include <cmath>

namespace velkor::panel {

namespace {

QString reasonKey(const GameEndReason& reason) {
    using Kind = GameEndReason::Kind;
    const bool whiteWins = reason.winner() == PieceColor::white;
    switch (reason.kind()) {
    case Kind::checkmate:
        return whiteWins ? QStringLiteral("reason_checkmate_white")
                         : QStringLiteral("reason_checkmate_black");
    case Kind::timeout:
        return whiteWins ? QStringLiteral("reason_timeout_white")
                         : QStringLiteral("reason_timeout_black");
    case Kind::resignation:
        return whiteWins ? QStringLiteral("reason_resignation_white")
                         : QStringLiteral("reason_resignation_black");
    case Kind::stalemate:
        return QStringLiteral("reason_stalemate");
    case Kind::fiftyMoveRule:
        return QStringLiteral("reason_fifty_moves");
    case Kind::threefoldRepetition:
        return QStringLiteral("reason_threefold");
    case Kind::seventyFiveMoveRule:
        return QStringLiteral("reason_seventy_five_moves");
    case Kind::fivefoldRepetition:
        return QStringLiteral("reason_fivefold");
    case Kind::insufficientMaterial:
        return QStringLiteral("reason_insufficient_material");
    case Kind::recordedResult:
        // Only a result, with no reason made up for it.
        if (!reason.winner()) {
            return QStringLiteral("status_result_draw");
        }
        return whiteWins ? QStringLiteral("status_result_white_won")
                         : QStringLiteral("status_result_black_won");
    }
    return QStringLiteral("reason_insufficient_material");
}

// As "%.1f" writes it, whatever the process locale.
QString scoreText(double score) {
    return QString::number(score, 'f', 1);
}

} // namespace

QString recordReasonText(const QString& storedReason, const LocalizationManager& localization) {
    const std::optional<automatch::StoredGameEnd> read = automatch::readReasonText(storedReason);
    if (!read) {
        return storedReason;
    }
    if (read->engineFailure) {
        // Named by the side whose engine failed, the loser.
        const bool whiteWins = read->reason.winner() == PieceColor::white;
        return localization
            .text(whiteWins ? QStringLiteral("reason_engine_failure_black")
                            : QStringLiteral("reason_engine_failure_white"))
            .arg(*read->engineFailure);
    }
    return localization.text(reasonKey(read->reason));
}

QString seriesEndText(const automatch::SeriesEnd& end, const LocalizationManager& localization) {
    if (end.stopped) {
        return localization.text(QStringLiteral("automatch_stopped"));
    }
    QString verdict;
    if (end.engine1Score > end.engine2Score) {
        verdict =
            localization.text(QStringLiteral("automatch_match_won"))
                .arg(end.engine1Name, scoreText(end.engine1Score), scoreText(end.engine2Score));
    } else if (end.engine2Score > end.engine1Score) {
        verdict =
            localization.text(QStringLiteral("automatch_match_won"))
                .arg(end.engine2Name, scoreText(end.engine2Score), scoreText(end.engine1Score));
    } else {
        verdict = localization.text(QStringLiteral("automatch_match_drawn"))
                      .arg(scoreText(end.engine1Score), scoreText(end.engine2Score));
    }
    return localization.text(QStringLiteral("automatch_games_played"))
               .arg(QString::number(end.gamesPlayed)) +
           QLatin1Char(' ') + verdict;
}

QString configurationErrorText(const QString& error, const LocalizationManager& localization) {
    using Kind = AutomatchManager::ConfigurationProblem::Kind;
    const AutomatchManager::ConfigurationProblem problem =
        AutomatchManager::describeConfigurationError(error);
    switch (problem.kind) {
    case Kind::enginesRequired:
        return localization.text(QStringLiteral("automatch_engines_required"));
    case Kind::invalidOpening:
        return localization.text(QStringLiteral("automatch_invalid_opening")) + QLatin1Char(' ') +
               problem.detail;
    case Kind::decidedOpening:
        return localization.text(QStringLiteral("automatch_decided_opening")) + QLatin1Char(' ') +
               problem.detail;
    case Kind::other:
        break;
    }
    return error;
}

} // namespace velkor::panel
