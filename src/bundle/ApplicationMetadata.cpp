#include "bundle/ApplicationMetadata.h"

#include "bundle/BundleError.h"
#include "bundle/BundleLayout.h"
#include "bundle/MessageText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <plist/plist.h>
#include <sstream>
#include <vector>

namespace velkor::bundle {

namespace fs = std::filesystem;

namespace {

// Info.plist files are a few kilobytes; a huge one is not a bundle we made.
constexpr std::uintmax_t maxInfoPlistBytes = 1 << 20;
constexpr const char* invalidMetadataText = "Info.plist has invalid metadata.";

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<void, PlistDeleter>;

std::string readWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not read " + file.string() + ": " + std::strerror(errno));
    }
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxInfoPlistBytes) {
            throwBundleError(BundleErrorCode::invalidPropertyList,
                             file.string() + " is too large for a property list.");
        }
    }
    if (in.bad()) {
        throwBundleError(BundleErrorCode::fileSystem, "Could not read " + file.string() + ".");
    }
    return bytes;
}

std::optional<std::string> stringValue(plist_t dictionary, const char* key) {
    plist_t node = plist_dict_get_item(dictionary, key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return std::nullopt;
    }
    char* value = nullptr;
    plist_get_string_val(node, &value);
    if (value == nullptr) {
        return std::nullopt;
    }
    std::string text(value);
    std::free(value);
    return text;
}

bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

ApplicationMetadata readApplicationMetadata(const fs::path& bundle) {
    const std::string bytes = readWholeFile(bundle / infoPlistPath);
    plist_t root = nullptr;
    if (!bytes.empty()) {
        plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    }
    if (root == nullptr) {
        throwBundleError(BundleErrorCode::invalidPropertyList,
                         "The file Info.plist could not be read as a property list.");
    }
    const Plist owner(root);
    if (plist_get_node_type(root) != PLIST_DICT) {
        throwBundleError(BundleErrorCode::invalidMetadata, invalidMetadataText);
    }
    auto identifier = stringValue(root, "CFBundleIdentifier");
    auto version = stringValue(root, "CFBundleShortVersionString");
    auto build = stringValue(root, "CFBundleVersion");
    if (!identifier || !version || !build) {
        throwBundleError(BundleErrorCode::invalidMetadata, invalidMetadataText);
    }
    return ApplicationMetadata{*identifier, *version, *build,
                               stringValue(root, "CFBundleExecutable")};
}

void writeInfoPlist(const fs::path& bundle, const ApplicationMetadata& metadata) {
    const Plist root(plist_new_dict());
    plist_dict_set_item(root.get(), "CFBundleIdentifier",
                        plist_new_string(metadata.identifier.c_str()));
    plist_dict_set_item(root.get(), "CFBundleShortVersionString",
                        plist_new_string(metadata.version.c_str()));
    plist_dict_set_item(root.get(), "CFBundleVersion", plist_new_string(metadata.build.c_str()));
    if (metadata.executable) {
        plist_dict_set_item(root.get(), "CFBundleExecutable",
                            plist_new_string(metadata.executable->c_str()));
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    const std::unique_ptr<char, decltype(&plist_to_xml_free)> xmlOwner(xml, &plist_to_xml_free);

    const fs::path file = bundle / infoPlistPath;
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(xml, static_cast<std::streamsize>(length));
    out.close();
    if (error || !out) {
        throwBundleError(BundleErrorCode::fileSystem, "Could not write " + file.string() + ".");
    }
}

fs::path mainExecutable(const fs::path& bundle) {
    const ApplicationMetadata metadata = readApplicationMetadata(bundle);
    if (!metadata.executable || !isPlainFileName(*metadata.executable)) {
        throwBundleError(BundleErrorCode::invalidMetadata, invalidMetadataText);
    }
    return bundle / executableFolder / *metadata.executable;
}

namespace {

std::optional<fs::path> searchFolder(const fs::path& folder, const std::string& identifier) {
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(*it);
    }
    if (error) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not list " + folder.string() + ": " + error.message());
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        // Links are never followed: what gets installed must be the folder itself.
        if (name.starts_with('.') || !entry.is_directory(error) || entry.is_symlink(error)) {
            continue;
        }
        if (lowerCased(entry.path().extension().string()) == ".app") {
            try {
                if (readApplicationMetadata(entry.path()).identifier == identifier) {
                    return entry.path();
                }
            } catch (const DomainError&) {
                // Not a readable bundle: look further.
            }
            continue; // never descend into a bundle
        }
        if (auto found = searchFolder(entry.path(), identifier)) {
            return found;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<fs::path> findApplication(const fs::path& volume, const std::string& identifier) {
    return searchFolder(volume, identifier);
}

} // namespace velkor::bundle
