#include "ShownGame.h"

namespace velkor {

QString ShownPlayer::displayName() const {
    if (!elo) {
        return name;
    }
    return name + QStringLiteral(" (") + QString::number(*elo) + QLatin1Char(')');
}

} // namespace velkor
