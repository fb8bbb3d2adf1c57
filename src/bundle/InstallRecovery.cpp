#include "bundle/InstallRecovery.h"

#include "bundle/BundleError.h"
#include "bundle/BundleLayout.h"
#include "bundle/FileLock.h"
#include "bundle/FileTree.h"
#include "bundle/MessageText.h"
#include "bundle/MountBase.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace velkor::bundle {

namespace fs = std::filesystem;

namespace {

bool isWorkFolderName(const std::string& name, const char* prefix) {
    return name.starts_with(prefix) && name.ends_with(".app") &&
           name.size() > std::strlen(prefix) + 4;
}

struct Leftover {
    fs::path path;
    bool isBackup = false;
    bool isFolder = false;
    struct timespec changed {};
};

std::string versionText(const ApplicationMetadata& metadata) {
    return "version " + metadata.version + " (build " + metadata.build + ")";
}

} // namespace

InterruptedInstall recoverInterruptedInstall(const fs::path& target) {
    InterruptedInstall outcome;
    outcome.target = target;
    const fs::path folder = target.parent_path();
    std::vector<Leftover> leftovers;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const bool backup = isWorkFolderName(name, backupNamePrefix);
        if (!backup && !isWorkFolderName(name, stagingNamePrefix)) {
            continue;
        }
        struct stat status {};
        if (::lstat(it->path().c_str(), &status) != 0) {
            continue;
        }
        leftovers.push_back({it->path(), backup, S_ISDIR(status.st_mode), status.st_ctim});
    }
    if (error) {
        outcome.problems.push_back("Could not list " + folder.string() + ": " + error.message());
        return outcome;
    }

    struct stat targetStatus {};
    if (::lstat(target.c_str(), &targetStatus) != 0) {
        // A rename gives the moved folder a new change time: the newest backup is the one the
        // last run moved aside. Only real folders can be an application.
        auto newest = leftovers.end();
        for (auto it = leftovers.begin(); it != leftovers.end(); ++it) {
            if (it->isBackup && it->isFolder &&
                (newest == leftovers.end() ||
                 std::tie(it->changed.tv_sec, it->changed.tv_nsec) >
                     std::tie(newest->changed.tv_sec, newest->changed.tv_nsec))) {
                newest = it;
            }
        }
        if (newest == leftovers.end()) {
            outcome.targetMissing = true;
            return outcome;
        }
        if (::rename(newest->path.c_str(), target.c_str()) != 0) {
            outcome.problems.push_back("Could not move " + newest->path.string() + " back to " +
                                       target.string() + ": " + std::strerror(errno));
            outcome.targetMissing = true;
            return outcome;
        }
        outcome.restoredBackup = true;
        leftovers.erase(newest);
    }

    for (const auto& leftover : leftovers) {
        try {
            removeTree(leftover.path);
            outcome.removed.push_back(leftover.path);
        } catch (const DomainError& removal) {
            outcome.problems.push_back(removal.message());
        }
    }
    try {
        outcome.installed = readApplicationMetadata(target);
    } catch (const DomainError&) {
        // The status then names no version.
    }
    return outcome;
}

std::vector<fs::path> removeAbandonedImages() {
    std::vector<fs::path> removed;
    const fs::path base = mountBase();
    struct stat status {};
    // Only our own private folder: never remove anything from a place someone else made.
    if (::lstat(base.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::getuid()) {
        return removed;
    }
    std::vector<fs::path> candidates;
    std::error_code error;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().starts_with("image-") && it->is_directory(error) &&
            !it->is_symlink(error)) {
            candidates.push_back(it->path());
        }
    }
    for (const auto& folder : candidates) {
        try {
            const auto lock = ExclusiveLock::tryLockFolder(folder);
            if (lock) {
                removeTree(folder);
                removed.push_back(folder);
            }
        } catch (const DomainError&) {
            // Gone meanwhile, or not ours to remove: the next start tries again.
        }
    }
    return removed;
}

std::optional<RecoveryStatus> recoveryStatus(const InterruptedInstall& outcome,
                                             const std::optional<std::string>& expectedVersion) {
    if (!outcome.foundAnything()) {
        return std::nullopt;
    }
    RecoveryStatus status;
    if (outcome.targetMissing) {
        status.message = "Velkor update was interrupted and no application is left at " +
                         outcome.target.string() + "; please install Velkor again.";
    } else if (outcome.restoredBackup) {
        status.message = "Velkor update was interrupted; the previous " +
                         (outcome.installed ? versionText(*outcome.installed) : "version") +
                         " was restored.";
    } else if (outcome.installed && expectedVersion &&
               outcome.installed->version == *expectedVersion) {
        status.succeeded = true;
        status.message = "Velkor was updated to " + versionText(*outcome.installed) +
                         "; an interrupted clean-up was finished.";
    } else {
        status.message =
            "Velkor update was interrupted; " +
            (outcome.installed ? versionText(*outcome.installed) : "the installed version") +
            " was kept.";
    }
    if (!outcome.problems.empty()) {
        status.message += " " + outcome.problems.front() + ".";
    }
    return status;
}

std::optional<InstallStatus> recoverAndRecord(const fs::path& target, const fs::path& statusFile,
                                              const std::optional<std::string>& expectedVersion) {
    removeAbandonedImages();
    const InterruptedInstall outcome = recoverInterruptedInstall(target);
    const auto status = recoveryStatus(outcome, expectedVersion);
    if (!status) {
        return std::nullopt;
    }
    const InstallStatus written{
        status->succeeded, escapeControlCharacters(status->message),
        expectedVersion.value_or(outcome.installed ? outcome.installed->version : "")};
    writeInstallStatus(statusFile, written);
    return written;
}

std::optional<InstallStatus> recoverAtStart(const fs::path& target, const fs::path& statusFile) {
    if (lowerCased(target.extension().string()) != ".app") {
        removeAbandonedImages();
        return std::nullopt;
    }
    std::optional<ExclusiveLock> lock;
    try {
        lock = ExclusiveLock::tryLockFolder(target.parent_path());
    } catch (const DomainError&) {
        // A folder we cannot open holds nothing we could put right.
    }
    if (!lock) {
        removeAbandonedImages();
        return std::nullopt;
    }
    std::optional<std::string> expectedVersion;
    std::ifstream in(statusFile, std::ios::binary);
    if (in) {
        std::string text(64 * 1024, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        if (const auto previous = readInstallStatus(text)) {
            expectedVersion = previous->version;
        }
    }
    return recoverAndRecord(target, statusFile, expectedVersion);
}

} // namespace velkor::bundle
