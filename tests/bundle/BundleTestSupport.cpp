#include "BundleTestSupport.h"

#include "bundle/ArchiveImage.h"
#include "bundle/FileTree.h"
#include "bundle/MountBase.h"

#include <archive.h>
#include <archive_entry.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace velkor::bundle::testing {

namespace fs = std::filesystem;

void writeArchive(const fs::path& image, const std::vector<ArchiveEntry>& entries) {
    archive* out = archive_write_new();
    archive_write_add_filter_gzip(out);
    archive_write_set_format_pax_restricted(out);
    ASSERT_EQ(archive_write_open_filename(out, image.c_str()), ARCHIVE_OK);
    for (const auto& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.path.c_str());
        archive_entry_set_perm(entry, e.mode);
        switch (e.kind) {
        case ArchiveEntry::Kind::file:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, static_cast<la_int64_t>(e.content.size()));
            break;
        case ArchiveEntry::Kind::sparseFile: {
            const la_int64_t size = la_int64_t{1} << 30;
            const auto length = static_cast<la_int64_t>(e.content.size());
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, size);
            archive_entry_sparse_add_entry(entry, size - length, length);
            break;
        }
        case ArchiveEntry::Kind::folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            break;
        case ArchiveEntry::Kind::link:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.linkTarget.c_str());
            break;
        case ArchiveEntry::Kind::hardLink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink(entry, e.linkTarget.c_str());
            break;
        case ArchiveEntry::Kind::characterDevice:
            archive_entry_set_filetype(entry, AE_IFCHR);
            archive_entry_set_rdev(entry, makedev(1, 3));
            break;
        case ArchiveEntry::Kind::fifo:
            archive_entry_set_filetype(entry, AE_IFIFO);
            break;
        }
        EXPECT_EQ(archive_write_header(out, entry), ARCHIVE_OK) << archive_error_string(out);
        if ((e.kind == ArchiveEntry::Kind::file || e.kind == ArchiveEntry::Kind::sparseFile) &&
            !e.content.empty()) {
            archive_write_data(out, e.content.data(), e.content.size());
        }
        archive_entry_free(entry);
    }
    archive_write_close(out);
    archive_write_free(out);
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

void BundleFixture::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    root = fs::temp_directory_path() /
           ("velkor-bundle-test-" + std::to_string(::getpid()) + "-" + name);
    removeTree(root);
    fs::create_directories(root / "runtime");
    fs::permissions(root / "runtime", fs::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    standInLog = root / "started.log";
    ::setenv("VELKOR_STAND_IN_LOG", standInLog.c_str(), 1);
}

void BundleFixture::TearDown() {
    removeTree(root);
}

fs::path BundleFixture::makeBundle(const fs::path& bundle, const BundleSpec& spec,
                                   const SigningKey* key) {
    writeInfoPlist(bundle,
                   ApplicationMetadata{spec.identifier, spec.version, spec.build, "velkor"});
    const fs::path executable = bundle / "Contents/MacOS/velkor";
    fs::create_directories(executable.parent_path());
    fs::copy_file(VELKOR_STAND_IN_APP, executable, fs::copy_options::overwrite_existing);
    fs::permissions(executable, spec.executable ? fs::perms(0755) : fs::perms(0644));
    writeFile(bundle / "Contents/Resources/marker.txt", spec.version + "-" + spec.build);
    fs::create_symlink("marker.txt", bundle / "Contents/Resources/Current");
    writeFile(bundle / "Contents/Helpers/BrontilTrashUpdater", "");
    if (key != nullptr) {
        signBundle(bundle, *key);
    }
    return bundle;
}

fs::path BundleFixture::makeImage(const fs::path& bundle, const std::string& name) {
    fs::create_directories(root / "images");
    const fs::path image = root / "images" / (name + ".dmg");
    packImage(bundle, image);
    return image;
}

std::vector<fs::path> BundleFixture::attachedFolders() const {
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::directory_iterator it(mountBase(), error), end; !error && it != end;
         it.increment(error)) {
        folders.push_back(it->path());
    }
    return folders;
}

} // namespace velkor::bundle::testing
