#pragma once

#include <QString>
#include <chrono>

class QProcess;

namespace velkor::uci {

// How long an engine may take to end after it was asked to, before it is killed.
inline constexpr std::chrono::milliseconds defaultKillGrace{1000};

// Sets `process` up to run the engine executable at `path` with no arguments, inheriting our
// environment and working folder, with standard error merged into standard output. The child is
// killed if the thread that starts it ends first, so no engine outlives its owner, not even when
// the application crashes.
void prepareEngineProcess(QProcess& process, const QString& path);

// Ends a started child and reaps it before returning: SIGTERM at once, SIGKILL when it is still
// alive after `grace` (some engines hang on "quit" and ignore SIGTERM).
void endChildProcess(QProcess& process, std::chrono::milliseconds grace);

// Writing to an engine that has exited must fail with an error, not end the application: ignores
// SIGPIPE for the whole process (once; later calls do nothing).
void ignoreBrokenPipeSignal();

} // namespace velkor::uci
