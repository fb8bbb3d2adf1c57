#include "MoveAnalysis.h"

#include <algorithm>

namespace velkor {

MoveGrade MoveAnalysis::grade() const {
    if (centipawnLoss < 30) {
        return MoveGrade::best;
    }
    if (centipawnLoss < 80) {
        return MoveGrade::inaccuracy;
    }
    if (centipawnLoss < 180) {
        return MoveGrade::mistake;
    }
    return MoveGrade::blunder;
}

QString MoveAnalysis::classification() const {
    switch (grade()) {
    case MoveGrade::best:
        return QStringLiteral("Best");
    case MoveGrade::inaccuracy:
        return QStringLiteral("Ungenauigkeit");
    case MoveGrade::mistake:
        return QStringLiteral("Fehler");
    case MoveGrade::blunder:
        break;
    }
    return QStringLiteral("Patzer");
}

MoveAnalysis gradeEngineMove(const PendingEngineMoveEvaluation& pending, double after) {
    const double loss =
        pending.mover == PieceColor::white ? pending.before - after : after - pending.before;
    return MoveAnalysis{QUuid::createUuid(), pending.ply, pending.san, after, std::max(0.0, loss)};
}

} // namespace velkor
