#include "SignedBundles.h"

#include "bundle/ApplicationMetadata.h"
#include "bundle/ArchiveImage.h"

#include <archive.h>
#include <archive_entry.h>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace velkor::testing {
namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& text, fs::perms perms) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    fs::permissions(path, perms);
}

void addEntry(archive* writer, const std::string& path, mode_t type, const std::string& data,
              const std::string& link = {}) {
    const std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(archive_entry_new(),
                                                                         archive_entry_free);
    archive_entry_set_pathname(entry.get(), path.c_str());
    archive_entry_set_filetype(entry.get(), type);
    archive_entry_set_perm(entry.get(), type == AE_IFDIR ? 0755 : 0644);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(data.size()));
    if (!link.empty()) {
        archive_entry_set_symlink(entry.get(), link.c_str());
    }
    if (archive_write_header(writer, entry.get()) != ARCHIVE_OK ||
        (!data.empty() && archive_write_data(writer, data.data(), data.size()) < 0)) {
        throw std::runtime_error(archive_error_string(writer));
    }
}

} // namespace

SignedBundles::SignedBundles(QString folder, QString updaterProgram)
    : m_folder(std::move(folder)), m_updaterProgram(std::move(updaterProgram)),
      m_key(bundle::SigningKey::generate()), m_otherKey(bundle::SigningKey::generate()) {}

fs::path SignedBundles::make(const QString& place, const QString& version, const QString& build,
                             const bundle::SigningKey& key, const Edit& beforeSigning,
                             const Edit& afterSigning) const {
    const fs::path bundle = fs::path((m_folder + "/" + place).toStdString()) / "Velkor.app";
    fs::create_directories(bundle);
    bundle::writeInfoPlist(bundle, {"com.tamsel.brontil", version.toStdString(),
                                    build.toStdString(), std::string("velkor")});
    writeFile(bundle / "Contents/MacOS/velkor",
              "#!/bin/sh\necho " + version.toStdString() + " >> '" + startRecord().toStdString() +
                  "'\n",
              fs::perms(0755));
    fs::create_directories(bundle / "Contents/Helpers");
    fs::copy_file(m_updaterProgram.toStdString(), bundle / "Contents/Helpers/BrontilTrashUpdater",
                  fs::copy_options::overwrite_existing);
    fs::permissions(bundle / "Contents/Helpers/BrontilTrashUpdater", fs::perms(0755));
    writeFile(bundle / "Contents/Resources/notes.txt", "Version " + version.toStdString() + "\n",
              fs::perms(0644));
    if (beforeSigning) {
        beforeSigning(bundle);
    }
    bundle::signBundle(bundle, key);
    if (afterSigning) {
        afterSigning(bundle);
    }
    return bundle;
}

QString SignedBundles::pack(const fs::path& bundle, const QString& name) const {
    const QString image = m_folder + "/" + name;
    bundle::packImage(bundle, image.toStdString());
    return image;
}

QString SignedBundles::hostileImage(Hostile kind, const QString& name) const {
    const QString image = m_folder + "/" + name;
    const std::unique_ptr<archive, int (*)(archive*)> writer(archive_write_new(),
                                                             archive_write_free);
    archive_write_add_filter_gzip(writer.get());
    archive_write_set_format_pax_restricted(writer.get());
    if (archive_write_open_filename(writer.get(), image.toStdString().c_str()) != ARCHIVE_OK) {
        throw std::runtime_error(archive_error_string(writer.get()));
    }
    addEntry(writer.get(), "Velkor.app/", AE_IFDIR, {});
    addEntry(writer.get(), "Velkor.app/Contents/", AE_IFDIR, {});
    addEntry(writer.get(), "Velkor.app/Contents/Resources/", AE_IFDIR, {});
    if (kind == Hostile::pathEscape) {
        addEntry(writer.get(), "Velkor.app/../../escaped.txt", AE_IFREG, "outside\n");
    } else {
        addEntry(writer.get(), "Velkor.app/Contents/Resources/escape", AE_IFLNK, {},
                 "../../../../../../../../tmp");
    }
    archive_write_close(writer.get());
    return image;
}

} // namespace velkor::testing
