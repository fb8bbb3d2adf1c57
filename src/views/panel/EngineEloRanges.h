#pragma once

#include "uci/UciProtocol.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <optional>

namespace velkor {
class GameManager;
class UCIEngineProcess;
} // namespace velkor

namespace velkor::panel {

// The UCI_Elo ranges engines announced in this session's games, by executable path, so that
// every Elo slider of the panel can say what an engine will really play at, also before its
// next game.
class EngineEloRanges : public QObject {
    Q_OBJECT

public:
    explicit EngineEloRanges(GameManager& games, QObject* parent = nullptr);

    std::optional<uci::SpinRange> rangeFor(const QString& executablePath) const;

signals:
    void rangesChanged();

private:
    void watch(UCIEngineProcess* process);
    void learnFrom(const UCIEngineProcess& process);

    QHash<QString, uci::SpinRange> m_ranges;
};

} // namespace velkor::panel
