#include "EngineChildProcess.h"

#include <QProcess>
#include <csignal>
#include <mutex>
#include <sys/prctl.h>

namespace velkor::uci {

void prepareEngineProcess(QProcess& process, const QString& path) {
    process.setProgram(path);
    process.setArguments({});
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void endChildProcess(QProcess& process, std::chrono::milliseconds grace) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (process.waitForFinished(static_cast<int>(grace.count()))) {
        return;
    }
    process.kill();
    // A killed process is gone at once unless the kernel holds it; the wait reaps it.
    process.waitForFinished(5000);
}

void ignoreBrokenPipeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

} // namespace velkor::uci
