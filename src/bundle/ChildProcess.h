#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velkor::bundle {

struct ProcessResult {
    int exitStatus = -1; // the exit code, or 128 + signal number when a signal ended it
    std::string standardOutput;
    std::string standardError;
};

// Runs argv[0] (a path, not searched in PATH) with argv as its arguments, feeds it nothing on
// standard input and reads both of its outputs while it runs, so it can never block on a full
// pipe; returns once it has exited. Throws processFailed when it cannot be started.
ProcessResult runProcess(const std::vector<std::string>& argv);

// Starts `executable` as a new process in its own session, detached from ours: standard input
// and outputs go to /dev/null and nobody waits for it. Throws processFailed with the system's
// words when it cannot be executed (missing, not executable, bad format).
void startDetached(const std::filesystem::path& executable,
                   const std::vector<std::string>& arguments = {});

// Text of a tool's output: trimmed of white space at both ends; `fallback` when that is empty or
// not valid UTF-8.
std::string outputText(const std::string& bytes, const std::string& fallback);

} // namespace velkor::bundle
