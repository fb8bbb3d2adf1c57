#include "MoveAnalysis.h"

#include <algorithm>

namespace velkor {

QString MoveAnalysis::classification() const {
    if (centipawnLoss < 30) {
        return QStringLiteral("Best");
    }
    if (centipawnLoss < 80) {
        return QStringLiteral("Ungenauigkeit");
    }
    if (centipawnLoss < 180) {
        return QStringLiteral("Fehler");
    }
    return QStringLiteral("Patzer");
}

MoveAnalysis gradeEngineMove(const PendingEngineMoveEvaluation& pending, double after) {
    const double loss =
        pending.mover == PieceColor::white ? pending.before - after : after - pending.before;
    return MoveAnalysis{QUuid::createUuid(), pending.ply, pending.san, after, std::max(0.0, loss)};
}

} // namespace velkor
