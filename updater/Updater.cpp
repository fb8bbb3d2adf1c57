#include "Updater.h"

#include "InstallerError.h"
#include "bundle/ApplicationMetadata.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleError.h"
#include "bundle/BundleSignature.h"
#include "bundle/ChildProcess.h"
#include "bundle/FileDigest.h"
#include "bundle/FileTree.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <optional>
#include <ostream>
#include <random>
#include <thread>

namespace velkor::updater {

namespace fs = std::filesystem;
using Code = InstallerErrorCode;

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

std::string lowerCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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

// Rename the target to the backup name, then the staged copy to the target, both in the target's
// folder so each step is one atomic rename; if the second step fails the first is undone.
void replaceKeepingBackup(const fs::path& target, const fs::path& staged, const fs::path& backup) {
    std::error_code error;
    fs::rename(target, backup, error);
    if (error) {
        throw installerError(Code::installationFailed, error.message());
    }
    fs::rename(staged, target, error);
    if (error) {
        std::error_code undo;
        fs::rename(backup, target, undo);
        throw installerError(Code::installationFailed, error.message());
    }
}

} // namespace

UpdaterEnvironment::UpdaterEnvironment(Clock& c)
    : clock(c), processIsRunning(probeProcess), launchApplication(launchBundleExecutable),
      newUuid(randomUuid) {}

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
    StagingGuard staging{folder / (".brontil-trash-update-" + uuid + ".app")};
    const fs::path backup = folder / (".brontil-trash-backup-" + uuid + ".app");
    try {
        staging.armed = true;
        bundle::copyTree(*found, staging.path);
    } catch (const DomainError& copyError) {
        throw installerError(Code::installationFailed,
                             bundle::outputText(copyError.message(), "ditto failed."));
    }
    fullCheck(staging.path, plan);

    replaceKeepingBackup(target, staging.path, backup);

    try {
        fullCheck(target, plan);
    } catch (const DomainError&) {
        removeQuietly(target);
        if (pathExists(backup)) {
            std::error_code ignored;
            fs::rename(backup, target, ignored);
        }
        throw;
    }
    return backup;
}

void rollback(const fs::path& target, const fs::path& backup) {
    if (backup.empty() || !pathExists(backup)) {
        return;
    }
    removeQuietly(target);
    std::error_code error;
    fs::rename(backup, target, error);
    if (error) {
        throw installerError(Code::installationFailed, "Rollback failed: " + error.message());
    }
}

void launchBundleExecutable(const fs::path& bundle) {
    try {
        bundle::startDetached(bundle::mainExecutable(bundle));
    } catch (const DomainError& error) {
        throw installerError(Code::installationFailed,
                             bundle::outputText(error.message(), "Could not relaunch the app."));
    }
}

int runUpdater(const std::vector<std::string>& arguments, UpdaterEnvironment& environment,
               std::ostream& errors) {
    const auto reportLine = [&errors](const std::string& description) {
        errors << "BrontilTrashUpdater: " << description << '\n';
        errors.flush();
    };
    CommandLine commandLine;
    InstallPlan plan;
    try {
        commandLine = parseCommandLine(arguments);
        plan = readInstallPlan(commandLine.planPath);
    } catch (const std::exception& error) {
        reportLine(error.what());
        return 1;
    }
    const fs::path target = plan.targetAppPath;
    const auto writeStatus = [&plan](bool succeeded, const std::string& message) {
        try {
            writeInstallStatus(plan.statusPath,
                               InstallStatus{succeeded, message, plan.expectedVersion});
        } catch (const std::exception&) {
            // The installation itself stands or falls without the status file.
        }
    };

    try {
        waitForProcessToExit(commandLine.parentPid, environment);
        const fs::path backup = install(plan, environment);
        writeStatus(true, "Velkor was updated to version " + plan.expectedVersion + " (build " +
                              plan.expectedBuild + ").");
        try {
            environment.launchApplication(target);
        } catch (const DomainError&) {
            rollback(target, backup); // a failed rollback reports its own error instead
            throw;
        }
        removeQuietly(backup);
        removeQuietly(plan.dmgPath);
        removeQuietly(commandLine.planPath);
        return 0;
    } catch (const std::exception& error) {
        writeStatus(false, std::string("Velkor update failed: ") + error.what());
        try {
            environment.launchApplication(target);
        } catch (const std::exception&) {
        }
        reportLine(error.what());
        return 1;
    }
}

} // namespace velkor::updater
