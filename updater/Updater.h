#pragma once

#include "bundle/InstallHandOff.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace velkor::updater {

// The plan the application hands over and the status left for it: one format on both sides.
using bundle::InstallPlan;
using bundle::InstallStatus;

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
    // Swaps two names in one step (renameat2 with RENAME_EXCHANGE); returns 0 or the errno.
    // EINVAL, ENOSYS and EOPNOTSUPP mean the file system cannot, and two renames are used.
    std::function<int(const std::filesystem::path&, const std::filesystem::path&)> exchangeNames;
    // Told each step of the run as it is reached (the names below); nothing by default. Tests
    // stop the program at a step to see what a kill there leaves behind.
    std::function<void(std::string_view step)> reachedStep;

    explicit UpdaterEnvironment(Clock& clock);
};

struct CommandLine {
    std::filesystem::path planPath;
    pid_t parentPid = 0;
};

// The steps of a run in their order, as reachedStep names them. "target-moved-aside" happens
// only where the file system cannot swap two names in one step, "backup-named" only where it
// can; the "rollback-" steps only when the new application cannot be started.
inline constexpr std::string_view updaterSteps[] = {
    "plan-read",        "parent-exited",     "recovered",          "image-attached",
    "staged",           "staging-checked",   "target-moved-aside", "swapped",
    "backup-named",     "installed-checked", "image-detached",     "status-written",
    "relaunched",       "backup-removed",    "image-removed",      "rollback-moved-aside",
    "rollback-swapped",
};

// The one line of an updater that finds another one already working on the same plan or
// installation; it then changes nothing, writes no status and starts nothing.
inline constexpr const char* anotherUpdaterRunningText =
    "Another updater is already installing this update.";

inline constexpr std::chrono::seconds parentExitTimeout{60};
inline constexpr std::chrono::milliseconds parentProbeInterval{200};

// "--plan <path> --parent-pid <pid>" in either order, other arguments ignored; the pid is a
// decimal 32-bit integer (optional sign) of at least 2. Throws invalidArguments.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Returns once `pid` has exited; throws parentStillRunning after 60 seconds on `clock`.
void waitForProcessToExit(pid_t pid, UpdaterEnvironment& environment);

// Verifies, stages and swaps in the new application; returns the backup of the old one.
// Throws DomainError; the installed application is in place afterwards whatever happens. The
// staged copy gets ordinary modes (0644, 0755 for executables and folders) and replaces the
// target in one atomic exchange where the file system allows it.
std::filesystem::path install(const InstallPlan& plan, UpdaterEnvironment& environment);

// Puts the backup back at the target after a failed start and removes the new application.
// Throws installationFailed "Rollback failed: ..." when the backup cannot be moved back; the
// backup then stays beside the target. Without a backup nothing happens.
void rollback(const std::filesystem::path& target, const std::filesystem::path& backup,
              UpdaterEnvironment& environment);

// The whole run: arguments (without the program name), the plan's lock, plan, wait, recovery of
// an earlier run that was cut short, install, status, relaunch, clean up. Returns the exit
// status; on failure writes the one line to `errors`. Only one run at a time works on a plan
// (a lock file beside it) and on an installed bundle (a lock on its folder); another one exits
// at once with anotherUpdaterRunningText.
int runUpdater(const std::vector<std::string>& arguments, UpdaterEnvironment& environment,
               std::ostream& errors);

// Starts <bundle>/Contents/MacOS/<CFBundleExecutable> detached; failures become
// installationFailed with the reason, or "Could not relaunch the app." when there is none.
void launchBundleExecutable(const std::filesystem::path& bundle);

} // namespace velkor::updater
