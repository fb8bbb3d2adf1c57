#pragma once

// Where things live inside a Velkor.app bundle. Paths are relative to the bundle folder.
namespace velkor::bundle {

inline constexpr const char* defaultBundleIdentifier = "com.tamsel.brontil";
inline constexpr const char* infoPlistPath = "Contents/Info.plist";
inline constexpr const char* executableFolder = "Contents/MacOS";
inline constexpr const char* helpersFolder = "Contents/Helpers";
inline constexpr const char* resourcesFolder = "Contents/Resources";
inline constexpr const char* updaterPath = "Contents/Helpers/BrontilTrashUpdater";
inline constexpr const char* signatureManifestPath = "Contents/_CodeSignature/CodeResources";

// The updater's work folders beside the installed bundle: <prefix><UUID>.app.
inline constexpr const char* stagingNamePrefix = ".brontil-trash-update-";
inline constexpr const char* backupNamePrefix = ".brontil-trash-backup-";

} // namespace velkor::bundle
