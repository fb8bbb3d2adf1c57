#pragma once

#include "bundle/BundleSignature.h"

#include <QString>
#include <filesystem>
#include <functional>

namespace velkor::testing {

// Makes stand-in Velkor.app bundles and images of them: an Info.plist, a main executable that
// appends its bundle's version to a record file when started, the updater program, a resource,
// and our signature by a chosen key.
class SignedBundles {
public:
    using Edit = std::function<void(const std::filesystem::path& bundle)>;

    // `updaterProgram` is copied into each bundle's Contents/Helpers.
    SignedBundles(QString folder, QString updaterProgram);

    const bundle::SigningKey& key() const { return m_key; }
    const bundle::SigningKey& otherKey() const { return m_otherKey; }
    // Where started main executables append their bundle's version, one line per start.
    QString startRecord() const { return m_folder + "/starts.txt"; }

    // <folder>/<place>/Velkor.app; `beforeSigning` and `afterSigning` change it around the
    // signature (an extra file after signing, a tampered one, ...).
    std::filesystem::path make(const QString& place, const QString& version, const QString& build,
                               const bundle::SigningKey& key, const Edit& beforeSigning = {},
                               const Edit& afterSigning = {}) const;

    // Packs `bundle` into <folder>/<name> and returns the image's path.
    QString pack(const std::filesystem::path& bundle, const QString& name) const;

    // An image holding a small bundle plus one hostile entry: a file whose path leaves the image,
    // or a symbolic link that points out of it.
    enum class Hostile { pathEscape, linkEscape };
    QString hostileImage(Hostile kind, const QString& name) const;

private:
    QString m_folder;
    QString m_updaterProgram;
    bundle::SigningKey m_key;
    bundle::SigningKey m_otherKey;
};

} // namespace velkor::testing
