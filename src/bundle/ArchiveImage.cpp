#include "bundle/ArchiveImage.h"

#include "bundle/BundleError.h"
#include "bundle/FileLock.h"
#include "bundle/FileTree.h"
#include "bundle/MessageText.h"
#include "bundle/MountBase.h"
#include "bundle/PathSafety.h"

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velkor::bundle {

namespace fs = std::filesystem;

namespace {

struct ReadArchiveDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteArchiveDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// Reasons name entries, and an entry's name is whatever the image says: written out so that it
// stays one line in every message that carries it.
[[noreturn]] void refuse(const std::string& reason) {
    throwBundleError(BundleErrorCode::invalidImage, escapeControlCharacters(reason));
}

// Attached images are locked by the process that attached them, so that a later start can tell
// the folder of a killed process (removed) from one in use (kept). Held until detached.
std::mutex heldImagesMutex;
std::map<fs::path, ExclusiveLock> heldImages;

void holdImage(const fs::path& root) {
    try {
        if (auto lock = ExclusiveLock::tryLockFolder(root)) {
            const std::lock_guard guard(heldImagesMutex);
            heldImages.insert_or_assign(root.lexically_normal(), std::move(*lock));
        }
    } catch (const DomainError&) {
        // Unlocked, the folder is only at risk of being taken for a leftover by a later start.
    }
}

void releaseImage(const fs::path& root) {
    const std::lock_guard guard(heldImagesMutex);
    heldImages.erase(root.lexically_normal());
}

// libarchive translates names between the archive and the locale's character set, and the C
// locale (where programs start, and what LC_ALL=C asks for) has none beyond ASCII: its pax writer
// then fails, or crashes, on any other name. While libarchive works, this thread uses a UTF-8
// locale instead, so names pass through unchanged; the rest of the program is not affected.
class Utf8LocaleScope {
public:
    Utf8LocaleScope() {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            m_locale = ::newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
            if (m_locale != static_cast<locale_t>(nullptr)) {
                m_previous = ::uselocale(m_locale);
                return;
            }
        }
    }
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;
    ~Utf8LocaleScope() {
        if (m_locale != static_cast<locale_t>(nullptr)) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }

private:
    locale_t m_locale = static_cast<locale_t>(nullptr);
    locale_t m_previous = static_cast<locale_t>(nullptr);
};

// Entry names are stored and read as UTF-8 whatever the locale: a bundle's file names are UTF-8
// on every machine that made or reads it, and the C locale cannot translate anything else.
const char* entryName(archive_entry* entry) {
    const char* name = archive_entry_pathname_utf8(entry);
    return name != nullptr ? name : archive_entry_pathname(entry);
}

const char* entryLinkTarget(archive_entry* entry) {
    const char* target = archive_entry_symlink_utf8(entry);
    return target != nullptr ? target : archive_entry_symlink(entry);
}

bool isHardLink(archive_entry* entry) {
    return archive_entry_hardlink_utf8(entry) != nullptr ||
           archive_entry_hardlink(entry) != nullptr;
}

void requireUtf8Name(const fs::path& file, const std::string& name) {
    if (!isValidUtf8(name)) {
        throwBundleError(BundleErrorCode::fileSystem,
                         escapeControlCharacters(file.string()) + " has a name that is not UTF-8.");
    }
}

std::string archiveMessage(archive* a, const std::string& fallback) {
    const char* text = archive_error_string(a);
    return text != nullptr && text[0] != '\0' ? std::string(text) : fallback;
}

// ---- Packing ---------------------------------------------------------------------------------

void writeEntry(archive* out, const fs::path& file, const std::string& name) {
    struct stat status {};
    if (::lstat(file.c_str(), &status) != 0) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not inspect " + file.string() + ": " + std::strerror(errno));
    }
    requireUtf8Name(file, name);
    std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_perm(entry.get(), status.st_mode & 0777);
    archive_entry_set_mtime(entry.get(), status.st_mtim.tv_sec, 0);
    if (S_ISDIR(status.st_mode)) {
        archive_entry_set_filetype(entry.get(), AE_IFDIR);
    } else if (S_ISLNK(status.st_mode)) {
        archive_entry_set_filetype(entry.get(), AE_IFLNK);
        const std::string target = fs::read_symlink(file).string();
        requireUtf8Name(file, target);
        archive_entry_set_symlink(entry.get(), target.c_str());
    } else if (S_ISREG(status.st_mode)) {
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_size(entry.get(), status.st_size);
    } else {
        refuse(file.string() + " is not a file, folder or link.");
    }
    if (archive_write_header(out, entry.get()) != ARCHIVE_OK) {
        refuse(archiveMessage(out, "Could not write the image."));
    }
    if (S_ISREG(status.st_mode)) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            throwBundleError(BundleErrorCode::fileSystem,
                             "Could not open " + file.string() + ": " + std::strerror(errno));
        }
        std::vector<char> buffer(1 << 20);
        ssize_t got = 0;
        while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
            if (archive_write_data(out, buffer.data(), static_cast<std::size_t>(got)) != got) {
                ::close(fd);
                refuse(archiveMessage(out, "Could not write the image."));
            }
        }
        ::close(fd);
        if (got < 0) {
            throwBundleError(BundleErrorCode::fileSystem, "Could not read " + file.string() + ".");
        }
    }
    if (S_ISDIR(status.st_mode)) {
        std::vector<fs::path> children;
        for (const auto& child : fs::directory_iterator(file)) {
            children.push_back(child.path());
        }
        std::sort(children.begin(), children.end());
        for (const auto& child : children) {
            writeEntry(out, child, name + "/" + child.filename().string());
        }
    }
}

// ---- Unpacking -------------------------------------------------------------------------------

class Unpacker {
public:
    Unpacker(fs::path root, const ImageLimits& limits)
        : m_root(std::move(root)), m_limits(limits) {}

    void unpack(const fs::path& image) {
        const Utf8LocaleScope utf8;
        std::unique_ptr<archive, ReadArchiveDeleter> in(archive_read_new());
        archive_read_support_filter_gzip(in.get());
        archive_read_support_filter_none(in.get());
        archive_read_support_format_tar(in.get());
        if (archive_read_open_filename(in.get(), image.c_str(), 1 << 20) != ARCHIVE_OK) {
            refuse(archiveMessage(in.get(), "Could not open the image."));
        }
        archive_entry* entry = nullptr;
        for (;;) {
            const int status = archive_read_next_header(in.get(), &entry);
            if (status == ARCHIVE_EOF) {
                break;
            }
            if (status < ARCHIVE_WARN) {
                refuse(archiveMessage(in.get(), "The image is damaged."));
            }
            if (++m_entries > m_limits.maxEntries) {
                refuse("The image holds more than " + std::to_string(m_limits.maxEntries) +
                       " entries.");
            }
            unpackEntry(in.get(), entry);
        }
        for (const auto& link : m_links) {
            if (!detail::linkStaysInside(m_root, link.first, link.second)) {
                refuse("The link " + link.first.string() + " leads out of the image.");
            }
        }
        makeReadOnly();
    }

private:
    void unpackEntry(archive* in, archive_entry* entry) {
        const char* rawName = entryName(entry);
        if (rawName == nullptr || rawName[0] == '\0') {
            refuse("The image holds an entry without a name.");
        }
        std::string name(rawName);
        if (name.starts_with('/')) {
            refuse("The entry " + name + " has an absolute path.");
        }
        while (name.starts_with("./")) {
            name.erase(0, 2);
        }
        while (name.size() > 1 && name.ends_with('/')) {
            name.pop_back();
        }
        if (name.empty() || name == ".") {
            return; // the archive's own top folder
        }
        const fs::path relative(name);
        for (const auto& part : relative) {
            if (part == "..") {
                refuse("The entry " + name + " leads out of the image with \"..\".");
            }
        }
        if (!detail::isPlainRelativePath(relative)) {
            refuse("The entry " + name + " has an invalid path.");
        }
        if (isHardLink(entry)) {
            refuse("The entry " + name + " is a hard link.");
        }
        const fs::path target = m_root / relative;
        makeParents(relative);
        const mode_t perm = archive_entry_perm(entry) & 0777;
        switch (archive_entry_filetype(entry)) {
        case AE_IFDIR:
            makeFolder(relative, perm);
            break;
        case AE_IFREG:
            writeFile(in, relative, perm);
            break;
        case AE_IFLNK: {
            const char* linkTarget = entryLinkTarget(entry);
            if (linkTarget == nullptr || linkTarget[0] == '\0') {
                refuse("The link " + name + " has no target.");
            }
            const fs::path linkPath(linkTarget);
            const fs::path lexical = (relative.parent_path() / linkPath).lexically_normal();
            if (linkPath.is_absolute() || (!lexical.empty() && *lexical.begin() == "..")) {
                refuse("The link " + name + " leads out of the image.");
            }
            if (::symlink(linkTarget, target.c_str()) != 0) {
                refuse(errno == EEXIST ? "The entry " + name + " appears twice."
                                       : "Could not unpack " + name + ": " + std::strerror(errno));
            }
            m_links.emplace_back(relative, linkPath);
            break;
        }
        default:
            refuse("The entry " + name + " is a device file, pipe or socket.");
        }
    }

    // Parents are created as real folders; an existing parent must be a real folder too, so
    // nothing is ever written through a link that an earlier entry planted.
    void makeParents(const fs::path& relative) {
        fs::path current = m_root;
        fs::path currentRelative;
        for (const auto& part : relative.parent_path()) {
            current /= part;
            currentRelative /= part;
            struct stat status {};
            if (::lstat(current.c_str(), &status) == 0) {
                if (!S_ISDIR(status.st_mode)) {
                    refuse("The entry " + relative.string() + " lies below " +
                           currentRelative.string() + ", which is not a folder.");
                }
            } else if (::mkdir(current.c_str(), 0700) == 0) {
                m_folders.emplace_back(current, 0755);
            } else {
                refuse("Could not unpack " + currentRelative.string() + ": " +
                       std::strerror(errno));
            }
        }
    }

    void makeFolder(const fs::path& relative, mode_t perm) {
        const fs::path folder = m_root / relative;
        struct stat status {};
        if (::lstat(folder.c_str(), &status) == 0) {
            if (!S_ISDIR(status.st_mode)) {
                refuse("The entry " + relative.string() + " appears twice.");
            }
            for (auto& known : m_folders) {
                if (known.first == folder) {
                    known.second = perm;
                }
            }
            return;
        }
        if (::mkdir(folder.c_str(), 0700) != 0) {
            refuse("Could not unpack " + relative.string() + ": " + std::strerror(errno));
        }
        m_folders.emplace_back(folder, perm);
    }

    void writeFile(archive* in, const fs::path& relative, mode_t perm) {
        const fs::path file = m_root / relative;
        const int fd =
            ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            refuse(errno == EEXIST
                       ? "The entry " + relative.string() + " appears twice."
                       : "Could not unpack " + relative.string() + ": " + std::strerror(errno));
        }
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        std::uint64_t fileEnd = 0;
        for (;;) {
            const int status = archive_read_data_block(in, &block, &size, &offset);
            if (status == ARCHIVE_EOF) {
                break;
            }
            if (status < ARCHIVE_WARN) {
                refuse(archiveMessage(in, "The image is damaged."));
            }
            // What counts against the cap is where the data really ends, not the size a header
            // claims: a sparse entry with a far offset would otherwise make a file that every
            // later digest and copy has to read in full.
            if (offset < 0) {
                refuse("The entry " + relative.string() + " is damaged.");
            }
            fileEnd = std::max(fileEnd, static_cast<std::uint64_t>(offset) + size);
            if (fileEnd >
                m_limits.maxUnpackedBytes - std::min(m_unpackedBytes, m_limits.maxUnpackedBytes)) {
                refuse("The image unpacks to more than " +
                       std::to_string(m_limits.maxUnpackedBytes) + " bytes.");
            }
            writeBlock(fd, relative, static_cast<const char*>(block), size, offset);
        }
        m_unpackedBytes += fileEnd;
        if (::fchmod(fd, (perm & 0555) | S_IRUSR) != 0) {
            refuse("Could not unpack " + relative.string() + ": " + std::strerror(errno));
        }
    }

    // A full disk or a file-size limit first shows as a short write without an error; only the
    // next write says why. Keep writing until the block is out or the system gives its reason.
    static void writeBlock(int fd, const fs::path& relative, const char* data, std::size_t size,
                           la_int64_t offset) {
        for (std::size_t done = 0; done < size;) {
            const ssize_t put = ::pwrite(fd, data + done, size - done,
                                         static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                refuse("Could not unpack " + relative.string() + ": " +
                       std::strerror(put < 0 ? errno : ENOSPC));
            }
            done += static_cast<std::size_t>(put);
        }
    }

    void makeReadOnly() {
        // Deepest folders first, so that a parent still lets us in while its children change.
        std::sort(m_folders.begin(), m_folders.end(), [](const auto& a, const auto& b) {
            return a.first.native().size() > b.first.native().size();
        });
        for (const auto& [folder, perm] : m_folders) {
            ::chmod(folder.c_str(), (perm & 0555) | S_IRUSR | S_IXUSR);
        }
        ::chmod(m_root.c_str(), S_IRUSR | S_IXUSR);
    }

    fs::path m_root;
    ImageLimits m_limits;
    std::uint64_t m_entries = 0;
    std::uint64_t m_unpackedBytes = 0;
    std::vector<std::pair<fs::path, mode_t>> m_folders;
    std::vector<std::pair<fs::path, fs::path>> m_links;
};

} // namespace

void packImage(const fs::path& bundle, const fs::path& image) {
    std::error_code error;
    if (!fs::is_directory(bundle, error)) {
        throwBundleError(BundleErrorCode::fileSystem, bundle.string() + " is not a folder.");
    }
    const fs::path folder = fs::absolute(bundle).lexically_normal();
    const std::string top = folder.has_filename() ? folder.filename().string()
                                                  : folder.parent_path().filename().string();
    const Utf8LocaleScope utf8;
    std::unique_ptr<archive, WriteArchiveDeleter> out(archive_write_new());
    archive_write_add_filter_gzip(out.get());
    archive_write_set_format_pax_restricted(out.get());
    if (archive_write_open_filename(out.get(), image.c_str()) != ARCHIVE_OK) {
        throwBundleError(BundleErrorCode::fileSystem,
                         archiveMessage(out.get(), "Could not create " + image.string() + "."));
    }
    try {
        writeEntry(out.get(), bundle, top);
        if (archive_write_close(out.get()) != ARCHIVE_OK) {
            refuse(archiveMessage(out.get(), "Could not finish the image."));
        }
    } catch (...) {
        out.reset();
        fs::remove(image, error);
        throw;
    }
}

MountedImage attachImage(const fs::path& image, const ImageLimits& limits) {
    const fs::path base = ensureMountBase();
    std::string pattern = (base / "image-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throwBundleError(BundleErrorCode::fileSystem, "Could not create a folder in " +
                                                          base.string() + ": " +
                                                          std::strerror(errno));
    }
    const fs::path root(pattern);
    holdImage(root);
    try {
        Unpacker(root, limits).unpack(image);
    } catch (...) {
        try {
            removeTree(root);
        } catch (const DomainError&) {
        }
        releaseImage(root);
        throw;
    }
    return MountedImage{root, std::nullopt};
}

void detachImage(const MountedImage& image) {
    const fs::path folder = image.mountPoint.lexically_normal();
    if (folder.parent_path() != mountBase().lexically_normal() ||
        !folder.filename().string().starts_with("image-")) {
        refuse("Could not detach image.");
    }
    try {
        removeTree(folder);
    } catch (const DomainError&) {
        refuse("Could not detach image.");
    }
    releaseImage(folder);
}

AttachedImage::~AttachedImage() {
    try {
        detachImage(m_image);
    } catch (const DomainError&) {
    }
}

} // namespace velkor::bundle
