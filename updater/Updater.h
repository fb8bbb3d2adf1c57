#pragma once

#include "InstallPlan.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velkor::updater {

// Time as the updater sees it; tests pass a clock whose sleep only moves its own time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};

class SystemClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() override;
    void sleepFor(std::chrono::milliseconds duration) override;
};

// Everything the updater touches outside the file system, so tests can stand in for it.
struct UpdaterEnvironment {
    Clock& clock;
    // kill(pid, 0): running unless the call fails with anything but EPERM.
    std::function<bool(pid_t)> processIsRunning;
    // Starts the bundle's main executable as a new detached process; throws DomainError.
    std::function<void(const std::filesystem::path& bundle)> launchApplication;
    // One new random UUID, upper case, 36 characters.
    std::function<std::string()> newUuid;

    explicit UpdaterEnvironment(Clock& clock);
};

struct CommandLine {
    std::filesystem::path planPath;
    pid_t parentPid = 0;
};

inline constexpr std::chrono::seconds parentExitTimeout{60};
inline constexpr std::chrono::milliseconds parentProbeInterval{200};

// "--plan <path> --parent-pid <pid>" in either order, other arguments ignored; the pid is a
// decimal 32-bit integer (optional sign) of at least 2. Throws invalidArguments.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Returns once `pid` has exited; throws parentStillRunning after 60 seconds on `clock`.
void waitForProcessToExit(pid_t pid, UpdaterEnvironment& environment);

// Verifies, stages and swaps in the new application; returns the backup of the old one.
// Throws DomainError; the installed application is in place afterwards whatever happens.
std::filesystem::path install(const InstallPlan& plan, UpdaterEnvironment& environment);

// Puts the backup back at the target after a failed start. Throws installationFailed
// "Rollback failed: ..." when the move fails.
void rollback(const std::filesystem::path& target, const std::filesystem::path& backup);

// The whole run: arguments (without the program name), plan, wait, install, status, relaunch,
// clean up. Returns the exit status; on failure writes the one line to `errors`.
int runUpdater(const std::vector<std::string>& arguments, UpdaterEnvironment& environment,
               std::ostream& errors);

// Starts <bundle>/Contents/MacOS/<CFBundleExecutable> detached; failures become
// installationFailed with the reason, or "Could not relaunch the app." when there is none.
void launchBundleExecutable(const std::filesystem::path& bundle);

} // namespace velkor::updater
