#include "Updater.h"

#include "InstallerError.h"
#include "bundle/ApplicationMetadata.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleError.h"
#include "bundle/BundleLayout.h"
#include "bundle/BundleSignature.h"
#include "bundle/ChildProcess.h"
#include "bundle/FileDigest.h"
#include "bundle/FileLock.h"
#include "bundle/FileTree.h"
#include "bundle/InstallRecovery.h"
#include "bundle/MessageText.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <ostream>
#include <random>
#include <thread>
#include <utility>

namespace velkor::updater {

namespace fs = std::filesystem;
using Code = InstallerErrorCode;
using bundle::lowerCased;

std::chrono::steady_clock::time_point SystemClock::now() {
    return std::chrono::steady_clock::now();
}

void SystemClock::sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

namespace {

bool probeProcess(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string randomUuid() {
    std::random_device random;
    std::uniform_int_distribution<int> nibble(0, 15);
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string uuid;
    for (int i = 0; i < 32; ++i) {
        int value = nibble(random);
        if (i == 12) {
            value = 4; // version 4: random
        } else if (i == 16) {
            value = 8 | (value & 3); // RFC 4122 variant
        }
        if (i == 8 || i == 12 || i == 16 || i == 20) {
            uuid.push_back('-');
        }
        uuid.push_back(digits[value]);
    }
    return uuid;
}

std::optional<pid_t> parsePid(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return static_cast<pid_t>(value);
}

// Absolute and normalised, without a trailing slash (so "Velkor.app/" still ends in ".app").
fs::path standardized(const std::string& text) {
    fs::path path = fs::absolute(text).lexically_normal();
    if (!path.has_filename() && path.has_parent_path()) {
        path = path.parent_path();
    }
    return path;
}

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Reads metadata or the signature in the updater's words.
template <typename Read>
auto readBundle(Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const DomainError& error) {
        throw asInstallerError(error);
    }
}

void checkIdentity(const fs::path& bundle, const InstallPlan& plan) {
    const auto signature = readBundle([&] { return bundle::signatureInfo(bundle); });
    if (signature.identifier != plan.expectedBundleIdentifier ||
        signature.teamIdentifier != plan.expectedTeamIdentifier) {
        throw installerError(Code::invalidApplication, "Developer ID identity does not match.");
    }
}

void fullCheck(const fs::path& bundle, const InstallPlan& plan) {
    const auto metadata = readBundle([&] { return bundle::readApplicationMetadata(bundle); });
    if (metadata.identifier != plan.expectedBundleIdentifier) {
        throw installerError(Code::invalidApplication, "Bundle identifier does not match.");
    }
    if (metadata.version != plan.expectedVersion) {
        throw installerError(Code::invalidApplication, "Version does not match.");
    }
    if (metadata.build != plan.expectedBuild) {
        throw installerError(Code::invalidApplication, "Build does not match.");
    }
    checkIdentity(bundle, plan);
}

void removeQuietly(const fs::path& path) {
    try {
        bundle::removeTree(path);
    } catch (const DomainError&) {
    }
}

// Removes the staging copy however the installation ends.
struct StagingGuard {
    fs::path path;
    bool armed = false;
    ~StagingGuard() {
        if (armed) {
            removeQuietly(path);
        }
    }
};

int exchangeWithRenameat2(const fs::path& a, const fs::path& b) {
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}

bool exchangeUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

void reached(UpdaterEnvironment& environment, std::string_view step) {
    if (environment.reachedStep) {
        environment.reachedStep(step);
    }
}

// Puts the staged copy at the target and returns where the old application is now. Where the
// file system can, the two swap names in one step, so that a kill at any moment leaves an
// application at the target; otherwise the target is renamed to the backup name and the staged
// copy to the target, and a kill between the two leaves the backup for the next start to move
// back.
fs::path swapIn(const fs::path& target, StagingGuard& staging, const fs::path& backup,
                UpdaterEnvironment& environment) {
    const int exchanged = environment.exchangeNames(staging.path, target);
    if (exchanged == 0) {
        // The staging name now holds the old application: it is the backup, whatever its name.
        staging.armed = false;
        reached(environment, "swapped");
        if (::rename(staging.path.c_str(), backup.c_str()) != 0) {
            return staging.path;
        }
        reached(environment, "backup-named");
        return backup;
    }
    if (!exchangeUnsupported(exchanged)) {
        throw installerError(Code::installationFailed, std::strerror(exchanged));
    }
    std::error_code error;
    fs::rename(target, backup, error);
    if (error) {
        throw installerError(Code::installationFailed, error.message());
    }
    reached(environment, "target-moved-aside");
    fs::rename(staging.path, target, error);
    if (error) {
        std::error_code undo;
        fs::rename(backup, target, undo);
        throw installerError(Code::installationFailed, error.message());
    }
    staging.armed = false;
    reached(environment, "swapped");
    return backup;
}

// Puts the old application at `backup` back at the target and removes the new one, in one
// exchange where possible; otherwise the new one is first renamed to a staging name, so that a
// kill between the two renames again leaves a backup without a target, which the next start moves
// back.
void putBack(const fs::path& target, const fs::path& backup, UpdaterEnvironment& environment) {
    const int exchanged = environment.exchangeNames(backup, target);
    if (exchanged == 0) {
        reached(environment, "rollback-swapped");
        removeQuietly(backup); // now the new application
        return;
    }
    if (!exchangeUnsupported(exchanged) && exchanged != ENOENT) {
        throw installerError(Code::installationFailed,
                             std::string("Rollback failed: ") + std::strerror(exchanged));
    }
    const fs::path discarded = target.parent_path() / (std::string(bundle::stagingNamePrefix) +
                                                       environment.newUuid() + ".app");
    std::error_code error;
    fs::rename(target, discarded, error);
    const bool movedAside = !error;
    if (error && error != std::errc::no_such_file_or_directory) {
        throw installerError(Code::installationFailed, "Rollback failed: " + error.message());
    }
    reached(environment, "rollback-moved-aside");
    fs::rename(backup, target, error);
    if (error) {
        std::error_code undo;
        if (movedAside) {
            fs::rename(discarded, target, undo);
        }
        throw installerError(Code::installationFailed, "Rollback failed: " + error.message());
    }
    reached(environment, "rollback-swapped");
    if (movedAside) {
        removeQuietly(discarded);
    }
}

} // namespace

UpdaterEnvironment::UpdaterEnvironment(Clock& c)
    : clock(c), processIsRunning(probeProcess), launchApplication(launchBundleExecutable),
      newUuid(randomUuid), exchangeNames(exchangeWithRenameat2) {}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    std::optional<fs::path> plan;
    std::optional<pid_t> pid;
    bool sawPlan = false;
    bool sawPid = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--plan" && !sawPlan) {
            sawPlan = true;
            if (i + 1 < arguments.size()) {
                plan = arguments[i + 1];
            }
        } else if (arguments[i] == "--parent-pid" && !sawPid) {
            sawPid = true;
            if (i + 1 < arguments.size()) {
                pid = parsePid(arguments[i + 1]);
            }
        }
    }
    if (!plan || !pid || *pid < 2) {
        throw installerError(Code::invalidArguments);
    }
    return CommandLine{*plan, *pid};
}

void waitForProcessToExit(pid_t pid, UpdaterEnvironment& environment) {
    const auto deadline = environment.clock.now() + parentExitTimeout;
    for (;;) {
        if (!environment.processIsRunning(pid)) {
            return;
        }
        if (environment.clock.now() >= deadline) {
            throw installerError(Code::parentStillRunning);
        }
        environment.clock.sleepFor(parentProbeInterval);
    }
}

fs::path install(const InstallPlan& plan, UpdaterEnvironment& environment) {
    const fs::path image = standardized(plan.dmgPath);
    const fs::path target = standardized(plan.targetAppPath);
    std::error_code error;
    if (!fs::is_regular_file(image, error) || !fs::exists(target, error) ||
        lowerCased(target.extension().string()) != ".app") {
        throw installerError(Code::invalidArguments);
    }

    const std::string digest = readBundle([&] { return bundle::sha256OfFile(image); });
    if (digest != lowerCased(plan.expectedSHA256)) {
        throw installerError(Code::checksumMismatch);
    }

    const auto installed = readBundle([&] { return bundle::readApplicationMetadata(target); });
    if (installed.identifier != plan.expectedBundleIdentifier) {
        throw installerError(Code::invalidApplication, "Bundle identifier does not match.");
    }
    checkIdentity(target, plan);

    const auto attached =
        readBundle([&] { return std::make_unique<bundle::AttachedImage>(image); });
    reached(environment, "image-attached");
    std::optional<fs::path> found;
    try {
        found = bundle::findApplication(attached->mountPoint(), plan.expectedBundleIdentifier);
    } catch (const DomainError&) {
        throw installerError(Code::invalidApplication, "Could not inspect disk image.");
    }
    if (!found) {
        throw installerError(Code::invalidApplication, "No matching Velkor app was found.");
    }
    fullCheck(*found, plan);

    const std::string uuid = environment.newUuid();
    const fs::path folder = target.parent_path();
    StagingGuard staging{folder / (bundle::stagingNamePrefix + uuid + ".app")};
    const fs::path backup = folder / (bundle::backupNamePrefix + uuid + ".app");
    try {
        staging.armed = true;
        bundle::copyTree(*found, staging.path);
        // The image is unpacked read-only; an installed program must stay manageable by its
        // owner, an uninstall and the next update, like a fresh install.
        bundle::setOrdinaryModes(staging.path);
    } catch (const DomainError& copyError) {
        throw installerError(Code::installationFailed,
                             bundle::outputText(copyError.message(), "ditto failed."));
    }
    reached(environment, "staged");
    fullCheck(staging.path, plan);
    reached(environment, "staging-checked");

    const fs::path oldApplication = swapIn(target, staging, backup, environment);

    try {
        fullCheck(target, plan);
    } catch (const DomainError&) {
        if (pathExists(oldApplication)) {
            try {
                putBack(target, oldApplication, environment);
            } catch (const DomainError&) {
                // The check's reason is what the status reports; the next start moves a backup
                // without a target back.
            }
        }
        throw;
    }
    reached(environment, "installed-checked");
    return oldApplication;
}

void rollback(const fs::path& target, const fs::path& backup, UpdaterEnvironment& environment) {
    if (backup.empty() || !pathExists(backup)) {
        return;
    }
    putBack(target, backup, environment);
}

void launchBundleExecutable(const fs::path& bundle) {
    try {
        bundle::startDetached(bundle::mainExecutable(bundle));
    } catch (const DomainError& error) {
        throw installerError(Code::installationFailed,
                             bundle::outputText(error.message(), "Could not relaunch the app."));
    }
}

namespace {

struct AnotherUpdaterRunning {};

fs::path lockFileFor(const fs::path& plan) {
    fs::path lock = plan;
    lock += ".lock";
    return lock;
}

std::string versionAndBuild(const InstallPlan& plan) {
    return "version " + plan.expectedVersion + " (build " + plan.expectedBuild + ")";
}

} // namespace

int runUpdater(const std::vector<std::string>& arguments, UpdaterEnvironment& environment,
               std::ostream& errors) {
    // Names from the plan, the image and the file system end up in these lines: written out so
    // that each report stays one line whatever a name holds.
    const auto reportLine = [&errors](const std::string& description) {
        errors << "BrontilTrashUpdater: " << bundle::escapeControlCharacters(description) << '\n';
        errors.flush();
    };
    CommandLine commandLine;
    InstallPlan plan;
    std::optional<bundle::ExclusiveLock> planLock;
    try {
        commandLine = parseCommandLine(arguments);
        std::optional<std::string> lockProblem;
        try {
            planLock = bundle::ExclusiveLock::tryLockFile(lockFileFor(commandLine.planPath));
            if (!planLock) {
                reportLine(anotherUpdaterRunningText);
                return 1;
            }
        } catch (const DomainError& error) {
            lockProblem = error.message(); // an unreadable plan is the better reason, if it is one
        }
        try {
            plan = bundle::readInstallPlan(commandLine.planPath);
        } catch (...) {
            if (planLock) {
                planLock->removeFile(); // the plan is gone or broken: nobody will need the lock
            }
            throw;
        }
        if (lockProblem) {
            reportLine(*lockProblem);
            return 1;
        }
    } catch (const std::exception& error) {
        reportLine(error.what());
        return 1;
    }
    reached(environment, "plan-read");
    const fs::path target = plan.targetAppPath;
    bool statusProblemTold = false;
    const auto writeStatus = [&](bool succeeded, const std::string& message) {
        try {
            bundle::writeInstallStatus(
                plan.statusPath, InstallStatus{succeeded, bundle::escapeControlCharacters(message),
                                               plan.expectedVersion});
        } catch (const std::exception& error) {
            // The installation stands or falls without the status file; the reason is told,
            // once.
            if (!std::exchange(statusProblemTold, true)) {
                reportLine(error.what());
            }
        }
    };

    std::optional<bundle::ExclusiveLock> folderLock;
    try {
        waitForProcessToExit(commandLine.parentPid, environment);
        reached(environment, "parent-exited");

        // No other updater may work beside the installed bundle while this one does, and the
        // application leaves it alone while we hold this lock.
        const fs::path standardTarget = standardized(plan.targetAppPath);
        try {
            folderLock = bundle::ExclusiveLock::tryLockFolder(standardTarget.parent_path());
            if (!folderLock) {
                throw AnotherUpdaterRunning{};
            }
        } catch (const DomainError&) {
            // A folder we cannot open cannot be installed into either; install says why.
        }
        if (folderLock && lowerCased(standardTarget.extension().string()) == ".app") {
            try {
                bundle::recoverAndRecord(standardTarget, plan.statusPath, plan.expectedVersion);
            } catch (const DomainError& error) {
                // Only the status could not be written; so it will be for the rest of the run.
                statusProblemTold = true;
                reportLine(error.message());
            }
        }
        // Should this run be killed from here on, the next launch says so rather than nothing.
        writeStatus(false, "Velkor update to " + versionAndBuild(plan) + " was interrupted.");
        reached(environment, "recovered");

        const fs::path backup = install(plan, environment);
        reached(environment, "image-detached");
        writeStatus(true, "Velkor was updated to " + versionAndBuild(plan) + ".");
        reached(environment, "status-written");
        try {
            environment.launchApplication(target);
        } catch (const DomainError&) {
            rollback(target, backup, environment); // a failed rollback reports its own error
            throw;
        }
        reached(environment, "relaunched");
        removeQuietly(backup);
        reached(environment, "backup-removed");
        removeQuietly(plan.dmgPath);
        reached(environment, "image-removed");
        removeQuietly(commandLine.planPath);
        planLock->removeFile();
        return 0;
    } catch (const AnotherUpdaterRunning&) {
        reportLine(anotherUpdaterRunningText);
        planLock->removeFile();
        return 1;
    } catch (const std::exception& error) {
        writeStatus(false, std::string("Velkor update failed: ") + error.what());
        try {
            environment.launchApplication(target);
        } catch (const std::exception&) {
        }
        reportLine(error.what());
        planLock->removeFile();
        return 1;
    }
}

} // namespace velkor::updater
