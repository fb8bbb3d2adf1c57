#pragma once

#include "bundle/ApplicationMetadata.h"
#include "bundle/InstallHandOff.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Putting right what an update left when it was killed half-way. Both the updater and the
// application run this at their start, each holding the lock of the folder that holds the
// installed bundle, so neither ever touches the work of an updater that is still running.
namespace velkor::bundle {

// What an install that was cut short left beside its target, and what was done about it.
struct InterruptedInstall {
    std::filesystem::path target;
    // No application was at the target, and a backup was moved back there.
    bool restoredBackup = false;
    // Leftover staging copies and backups that were removed.
    std::vector<std::filesystem::path> removed;
    // No application at the target and no backup to bring back; leftovers are kept.
    bool targetMissing = false;
    // What is at the target afterwards, when its Info.plist can be read.
    std::optional<ApplicationMetadata> installed;
    // What could not be moved or removed, in the system's words.
    std::vector<std::string> problems;

    bool foundAnything() const {
        return restoredBackup || targetMissing || !removed.empty() || !problems.empty();
    }
};

// Looks beside `target` for the updater's work folders (BundleLayout.h). When nothing is at the
// target, the newest backup folder is moved back there. Then every other staging copy and backup
// is removed: each step of an install leaves either the old application or the checked new one
// at the target, so once something is there it is what stays. The caller holds the lock of the
// target's folder. Never throws.
InterruptedInstall recoverInterruptedInstall(const std::filesystem::path& target);

// Removes the folders of attached images in the mount base whose process has gone: an attached
// image is locked by the process that attached it for as long as it is attached. Only the mount
// base of this user is touched. Never throws; returns the folders removed.
std::vector<std::filesystem::path> removeAbandonedImages();

struct RecoveryStatus {
    bool succeeded = false;
    std::string message; // one line for the update window
};

// The status to record after a recovery that found something; none when it found nothing.
// `expectedVersion` is the version the interrupted update was installing, when it is known: the
// update counts as done when that version is what is installed now.
std::optional<RecoveryStatus> recoveryStatus(const InterruptedInstall& outcome,
                                             const std::optional<std::string>& expectedVersion);

// With the lock of the target's folder held: removes abandoned images, recovers beside `target`
// and, when anything was found, writes its status to `statusFile` (the version is
// `expectedVersion`, else what is installed). Returns the status written. Throws fileSystem when
// the status cannot be written; everything else is reported in the status.
std::optional<InstallStatus> recoverAndRecord(const std::filesystem::path& target,
                                              const std::filesystem::path& statusFile,
                                              const std::optional<std::string>& expectedVersion);

// The application's start: recoverAndRecord under the lock of the target's folder, unless an
// updater holds it (it is still working, and will write its own status). The version the
// interrupted update was installing is the one the status file names, when it holds one. A
// `target` that is not an application bundle (a build tree) only has abandoned images removed.
std::optional<InstallStatus> recoverAtStart(const std::filesystem::path& target,
                                            const std::filesystem::path& statusFile);

} // namespace velkor::bundle
