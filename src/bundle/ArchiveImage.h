#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The update "disk image": a gzip-compressed tar archive holding the application bundle at its
// top level. Attaching unpacks it into a fresh private folder under the mount base and makes that
// folder read-only; detaching removes the folder again.
namespace velkor::bundle {

struct ImageLimits {
    std::uint64_t maxUnpackedBytes = std::uint64_t{4} << 30; // sum of file contents
    std::uint64_t maxEntries = 200'000;
};

struct MountedImage {
    std::filesystem::path mountPoint;  // absolute, inside mountBase()
    std::optional<std::string> device; // always absent: there is no device behind our images
};

// Writes `image` (replacing it) holding `bundle`'s folder, named as it is, with its files,
// folders and symbolic links, modes kept. Throws fileSystem, invalidImage.
void packImage(const std::filesystem::path& bundle, const std::filesystem::path& image);

// Unpacks into <mountBase()>/image-XXXXXX (mode 0700 while unpacking, then read-only: folders
// 0555 with the top folder 0500, files readable by us and without write permission). Refuses with
// invalidImage and a reason naming the entry: absolute paths, ".." components, device files, pipes,
// sockets, hard links, symbolic links that are absolute or lead out of the image, duplicate
// entries, more than the limits allow, and archives libarchive cannot read. Set-user-id and similar
// bits are dropped. On any failure nothing is left behind.
MountedImage attachImage(const std::filesystem::path& image, const ImageLimits& limits = {});

// Removes the unpacked folder. Only folders directly inside the mount base are touched;
// anything else throws invalidImage "Could not detach image.", as does a failed removal.
void detachImage(const MountedImage& image);

// Detaches on destruction, ignoring errors, so every path out of a check detaches.
class AttachedImage {
public:
    explicit AttachedImage(const std::filesystem::path& image, const ImageLimits& limits = {})
        : m_image(attachImage(image, limits)) {}
    AttachedImage(const AttachedImage&) = delete;
    AttachedImage& operator=(const AttachedImage&) = delete;
    ~AttachedImage();

    const MountedImage& mounted() const { return m_image; }
    const std::filesystem::path& mountPoint() const { return m_image.mountPoint; }

private:
    MountedImage m_image;
};

} // namespace velkor::bundle
