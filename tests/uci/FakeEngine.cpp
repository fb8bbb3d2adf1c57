#include "FakeEngine.h"

#include "QtTestSupport.h"

#include <QFile>
#include <QTextStream>
#include <cerrno>
#include <csignal>

namespace velkor::testing {

FakeEngine::FakeEngine(const QString& script, const QString& fileName) {
    const QString scriptPath = m_dir.filePath(QStringLiteral("script"));
    QFile scriptFile(scriptPath);
    scriptFile.open(QIODevice::WriteOnly);
    QTextStream(&scriptFile) << "pidfile " << m_dir.filePath(QStringLiteral("pid")) << "\n"
                             << "record " << m_dir.filePath(QStringLiteral("received")) << "\n"
                             << script << "\n";
    scriptFile.close();

    m_path = m_dir.filePath(fileName);
    QFile wrapper(m_path);
    wrapper.open(QIODevice::WriteOnly);
    QTextStream(&wrapper) << "#!/bin/sh\nexec '" << VELKOR_FAKE_UCI_ENGINE << "' '" << scriptPath
                          << "'\n";
    wrapper.close();
    wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

std::optional<qint64> FakeEngine::pid() const {
    QFile file(m_dir.filePath(QStringLiteral("pid")));
    waitUntil([&file] { return file.exists() && file.size() > 0; }, std::chrono::seconds(2));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 pid = file.readAll().trimmed().toLongLong(&ok);
    return ok ? std::optional(pid) : std::nullopt;
}

QStringList FakeEngine::receivedCommands() const {
    QFile file(m_dir.filePath(QStringLiteral("received")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QString FakeEngine::handshake(const QStringList& optionLines) {
    QString script =
        QStringLiteral("on uci\nsay id name Fake Engine\nsay id author Velkor tests\n");
    for (const auto& line : optionLines) {
        script += QStringLiteral("say ") + line + u'\n';
    }
    script += QStringLiteral("say uciok\non isready\nsay readyok\n");
    return script;
}

ScriptedEngineGame scriptedEngineGame(const QList<std::pair<QString, int>>& plies) {
    ScriptedEngineGame game{FakeEngine::handshake(), FakeEngine::handshake()};
    for (qsizetype ply = 0; ply < plies.size(); ++ply) {
        const auto& [move, score] = plies[ply];
        (ply % 2 == 0 ? game.white : game.black) +=
            QStringLiteral("once go\nsay info depth 5 score cp %1 pv %2\nsay bestmove %2\n")
                .arg(score)
                .arg(move);
    }
    return game;
}

bool processIsGone(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}

bool waitUntilGone(qint64 pid, std::chrono::milliseconds timeout) {
    return waitUntil([pid] { return processIsGone(pid); }, timeout);
}

} // namespace velkor::testing
