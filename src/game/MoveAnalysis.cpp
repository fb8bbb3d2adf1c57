#include "MoveAnalysis.h"

#include <algorithm>
#include <cmath>

namespace velkor {

namespace {

// A score turned to the mover's side, in raw centipawns (a mate counts as the capped range).
double forMover(const WhiteScore& score, PieceColor mover) {
    const double value =
        score.centipawns ? static_cast<double>(*score.centipawns) : score.cappedCentipawns();
    return mover == PieceColor::white ? value : -value;
}

// A mate the mover had is gone: how bad that is depends on what is left of its advantage.
MoveQuality qualityOfLostMate(const WhiteScore& after, PieceColor mover) {
    if (after.isMateFor(opponent(mover))) {
        return MoveQuality::blunder;
    }
    const double left = forMover(after, mover);
    if (left > 999) {
        return MoveQuality::inaccuracy;
    }
    return left > 700 ? MoveQuality::mistake : MoveQuality::blunder;
}

// The mover walked into a forced mate: how bad that is depends on how lost it already was.
MoveQuality qualityOfMateAgainst(const WhiteScore& before, PieceColor mover) {
    const double was = forMover(before, mover);
    if (was < -999) {
        return MoveQuality::inaccuracy;
    }
    return was < -700 ? MoveQuality::mistake : MoveQuality::blunder;
}

} // namespace

MoveQuality qualityOfLoss(double centipawnLoss) {
    if (centipawnLoss < 30) {
        return MoveQuality::best;
    }
    if (centipawnLoss < 80) {
        return MoveQuality::inaccuracy;
    }
    return centipawnLoss < 180 ? MoveQuality::mistake : MoveQuality::blunder;
}

QString MoveAnalysis::classification() const {
    switch (quality) {
    case MoveQuality::best:
        return QStringLiteral("Best");
    case MoveQuality::inaccuracy:
        return QStringLiteral("Ungenauigkeit");
    case MoveQuality::mistake:
        return QStringLiteral("Fehler");
    case MoveQuality::blunder:
        return QStringLiteral("Patzer");
    }
    return QStringLiteral("Best");
}

QString numberedSan(std::int64_t moveNumber, PieceColor mover, const QString& san) {
    return QString::number(moveNumber) +
           (mover == PieceColor::white ? QStringLiteral(". ") : QStringLiteral("… ")) + san;
}

QString MoveAnalysis::numberedSan() const {
    return velkor::numberedSan(moveNumber, mover, san);
}

QString MoveAnalysis::lossText() const {
    const long rounded = std::lround(centipawnLoss);
    return rounded == 0 ? QStringLiteral("0 cp")
                        : QStringLiteral("−") + QString::number(rounded) + QStringLiteral(" cp");
}

MoveAnalysis gradeEngineMove(const PendingEngineMoveEvaluation& pending, const WhiteScore& after) {
    const PieceColor mover = pending.mover;
    const double sign = mover == PieceColor::white ? 1.0 : -1.0;
    const double loss =
        std::max(0.0, sign * (pending.before.cappedCentipawns() - after.cappedCentipawns()));
    const bool hadMate = pending.before.isMateFor(mover);
    const bool walksIntoMate =
        after.isMateFor(opponent(mover)) && !pending.before.isMateFor(opponent(mover));
    MoveQuality quality = qualityOfLoss(loss);
    if (hadMate && after.isMateFor(mover)) {
        // Kept, shortened or merely delayed: the mate is still forced.
        quality = MoveQuality::best;
    } else if (hadMate) {
        quality = qualityOfLostMate(after, mover);
    } else if (walksIntoMate) {
        quality = qualityOfMateAgainst(pending.before, mover);
    }
    MoveAnalysis graded;
    graded.id = QUuid::createUuid();
    graded.ply = pending.ply;
    graded.san = pending.san;
    graded.scoreFromWhiteCp = after.matingSide
                                  ? (*after.matingSide == PieceColor::white ? 10000.0 : -10000.0)
                                  : static_cast<double>(after.centipawns.value_or(0));
    graded.centipawnLoss = loss;
    graded.moveNumber = pending.moveNumber;
    graded.mover = mover;
    graded.quality = quality;
    return graded;
}

} // namespace velkor
