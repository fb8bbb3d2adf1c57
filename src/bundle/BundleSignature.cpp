#include "bundle/BundleSignature.h"

#include "bundle/ApplicationMetadata.h"
#include "bundle/BundleError.h"
#include "bundle/BundleLayout.h"
#include "bundle/FileDigest.h"
#include "bundle/PathSafety.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor::bundle {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int manifestFormat = 1;
constexpr std::size_t publicKeyBytes = 32;
constexpr std::size_t signatureBytes = 64;
// A manifest lists a few hundred files; this leaves room for far more, not for a memory bomb.
constexpr std::uintmax_t maxManifestBytes = 16u << 20;

struct PkeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
struct MdContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextDeleter>;
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioDeleter>;

[[noreturn]] void keyError(const std::string& message) {
    throwBundleError(BundleErrorCode::invalidKey, message);
}
[[noreturn]] void unreadable(const std::string& message) {
    throwBundleError(BundleErrorCode::signatureUnreadable, message);
}
[[noreturn]] void invalid(const std::string& message) {
    throwBundleError(BundleErrorCode::signatureInvalid, message);
}

std::string base64(const std::vector<unsigned char>& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Decodes exactly `expected` bytes, or nothing.
std::optional<std::vector<unsigned char>> fromBase64(const std::string& text,
                                                     std::size_t expected) {
    if (text.empty() || text.size() % 4 != 0 || text.size() > 4 * (expected / 3 + 2)) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes(text.size() / 4 * 3);
    const int length =
        EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
    if (length < 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    for (auto it = text.rbegin(); it != text.rend() && *it == '='; ++it) {
        ++padding;
    }
    if (padding > 2 || static_cast<std::size_t>(length) < padding) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(length) - padding);
    if (bytes.size() != expected || base64(bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

std::string readSmallFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes;
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxManifestBytes) {
            unreadable("The signature manifest is too large.");
        }
    }
    if (in.bad()) {
        unreadable("The signature manifest could not be read.");
    }
    return bytes;
}

// What is on disk, seen the way the manifest records it.
struct BundleContents {
    std::map<std::string, std::pair<std::string, bool>> files; // path -> digest, executable
    std::map<std::string, std::string> links;                  // path -> target
};

void collect(const fs::path& root, const fs::path& relative, BundleContents& contents) {
    std::error_code error;
    const fs::path folder = root / relative;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path childRelative = relative / it->path().filename();
        const std::string name = childRelative.generic_string();
        if (name == signatureManifestPath) {
            continue;
        }
        struct stat status {};
        if (::lstat(it->path().c_str(), &status) != 0) {
            throwBundleError(BundleErrorCode::fileSystem,
                             "Could not inspect " + name + ": " + std::strerror(errno));
        }
        if (S_ISDIR(status.st_mode)) {
            collect(root, childRelative, contents);
        } else if (S_ISREG(status.st_mode)) {
            contents.files[name] = {sha256OfFile(it->path()), (status.st_mode & S_IXUSR) != 0};
        } else if (S_ISLNK(status.st_mode)) {
            const fs::path target = fs::read_symlink(it->path(), error);
            if (error) {
                break;
            }
            if (!detail::linkStaysInside(root, childRelative, target)) {
                invalid("The link " + name + " leads out of the bundle.");
            }
            contents.links[name] = target.string();
        } else {
            invalid(name + " is a device file, pipe or socket.");
        }
    }
    if (error) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not list " + folder.string() + ": " + error.message());
    }
}

BundleContents collectBundle(const fs::path& bundle) {
    std::error_code error;
    if (!fs::is_directory(bundle, error) || fs::is_symlink(bundle, error)) {
        unreadable(bundle.string() + " is not a bundle folder.");
    }
    BundleContents contents;
    collect(bundle, fs::path(), contents);
    return contents;
}

std::string signedText(json manifest) {
    manifest.erase("signature");
    return manifest.dump(-1, ' ', false, json::error_handler_t::strict);
}

bool verifyEd25519(const std::vector<unsigned char>& publicKey,
                   const std::vector<unsigned char>& signature, const std::string& message) {
    const Pkey key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, publicKey.data(), publicKey.size()));
    const MdContext context(EVP_MD_CTX_new());
    if (!key || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(context.get(), signature.data(), signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

bool isLowerHex64(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

struct ParsedManifest {
    json document;
    std::string identifier;
    std::vector<unsigned char> publicKey;
    std::vector<unsigned char> signature;
};

ParsedManifest parseManifest(const fs::path& bundle) {
    const fs::path file = bundle / signatureManifestPath;
    struct stat status {};
    if (::lstat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        unreadable("The bundle is not signed: " + std::string(signatureManifestPath) +
                   " is missing.");
    }
    ParsedManifest parsed;
    parsed.document = json::parse(readSmallFile(file), nullptr, false);
    const json& m = parsed.document;
    const auto badFormat = [] { unreadable("The signature manifest has an unknown format."); };
    if (m.is_discarded() || !m.is_object()) {
        unreadable("The signature manifest is not valid JSON.");
    }
    if (!m.contains("format") || m["format"] != manifestFormat || !m.contains("identifier") ||
        !m["identifier"].is_string() || !m.contains("publicKey") || !m["publicKey"].is_string() ||
        !m.contains("signature") || !m["signature"].is_string() || !m.contains("files") ||
        !m["files"].is_object() || !m.contains("links") || !m["links"].is_object()) {
        badFormat();
    }
    for (const auto& [path, entry] : m["files"].items()) {
        if (!entry.is_object() || !entry.contains("sha256") || !entry["sha256"].is_string() ||
            !isLowerHex64(entry["sha256"].get<std::string>()) || !entry.contains("executable") ||
            !entry["executable"].is_boolean()) {
            badFormat();
        }
    }
    for (const auto& [path, target] : m["links"].items()) {
        if (!target.is_string()) {
            badFormat();
        }
    }
    parsed.identifier = m["identifier"].get<std::string>();
    auto key = fromBase64(m["publicKey"].get<std::string>(), publicKeyBytes);
    auto signature = fromBase64(m["signature"].get<std::string>(), signatureBytes);
    if (!key || !signature) {
        badFormat();
    }
    parsed.publicKey = std::move(*key);
    parsed.signature = std::move(*signature);
    return parsed;
}

} // namespace

// ---- SigningKey ------------------------------------------------------------------------------

struct SigningKey::Impl {
    Pkey key;
};

SigningKey::SigningKey(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
SigningKey::SigningKey(SigningKey&&) noexcept = default;
SigningKey& SigningKey::operator=(SigningKey&&) noexcept = default;
SigningKey::~SigningKey() = default;

SigningKey SigningKey::generate() {
    Pkey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    if (!key) {
        keyError("Could not generate an Ed25519 key.");
    }
    return SigningKey(std::make_unique<Impl>(Impl{std::move(key)}));
}

SigningKey SigningKey::load(const fs::path& pemFile) {
    const Bio bio(BIO_new_file(pemFile.c_str(), "r"));
    if (!bio) {
        keyError("Could not read the key " + pemFile.string() + ".");
    }
    Pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key) {
        keyError(pemFile.string() + " does not hold a PEM private key.");
    }
    if (EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
        keyError(pemFile.string() + " is not an Ed25519 key.");
    }
    return SigningKey(std::make_unique<Impl>(Impl{std::move(key)}));
}

void SigningKey::save(const fs::path& pemFile) const {
    const Bio memory(BIO_new(BIO_s_mem()));
    if (!memory || PEM_write_bio_PrivateKey(memory.get(), m_impl->key.get(), nullptr, nullptr, 0,
                                            nullptr, nullptr) != 1) {
        keyError("Could not encode the key.");
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(memory.get(), &data);

    const int fd = ::open(pemFile.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        keyError("Could not create " + pemFile.string() + ": " + std::strerror(errno));
    }
    struct stat status {};
    bool written = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0;
    if (!written) {
        ::close(fd);
        keyError(pemFile.string() + " already exists and is not empty; it is left as it is.");
    }
    written = ::fchmod(fd, 0600) == 0 &&
              ::write(fd, data, static_cast<std::size_t>(length)) == static_cast<ssize_t>(length);
    written = (::close(fd) == 0) && written;
    if (!written) {
        keyError("Could not write " + pemFile.string() + ".");
    }
}

std::vector<unsigned char> SigningKey::publicKey() const {
    std::vector<unsigned char> raw(publicKeyBytes);
    std::size_t length = raw.size();
    if (EVP_PKEY_get_raw_public_key(m_impl->key.get(), raw.data(), &length) != 1 ||
        length != publicKeyBytes) {
        keyError("Could not read the public key.");
    }
    return raw;
}

std::string SigningKey::teamIdentifier() const {
    return teamIdentifierOfPublicKey(publicKey());
}

std::vector<unsigned char> SigningKey::sign(const std::string& message) const {
    const MdContext context(EVP_MD_CTX_new());
    std::vector<unsigned char> signature(signatureBytes);
    std::size_t length = signature.size();
    if (!context ||
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, m_impl->key.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &length,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1) {
        keyError("Could not sign with the key.");
    }
    signature.resize(length);
    return signature;
}

std::string teamIdentifierOfPublicKey(const std::vector<unsigned char>& rawPublicKey) {
    const std::string hex = sha256OfBytes(
        std::string_view(reinterpret_cast<const char*>(rawPublicKey.data()), rawPublicKey.size()));
    std::string team = hex.substr(0, 10);
    for (char& c : team) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return team;
}

// ---- Signing and validation ------------------------------------------------------------------

void signBundle(const fs::path& bundle, const SigningKey& key,
                const std::optional<std::string>& identifier) {
    const std::string signingIdentifier =
        identifier ? *identifier : readApplicationMetadata(bundle).identifier;
    const BundleContents contents = collectBundle(bundle);

    json manifest = json::object();
    manifest["format"] = manifestFormat;
    manifest["identifier"] = signingIdentifier;
    manifest["publicKey"] = base64(key.publicKey());
    manifest["files"] = json::object();
    for (const auto& [path, file] : contents.files) {
        manifest["files"][path] = {{"sha256", file.first}, {"executable", file.second}};
    }
    manifest["links"] = json::object();
    for (const auto& [path, target] : contents.links) {
        manifest["links"][path] = target;
    }
    std::string text;
    try {
        manifest["signature"] = base64(key.sign(signedText(manifest)));
        text = manifest.dump(2);
    } catch (const json::exception&) {
        invalid("The bundle holds a name that is not valid UTF-8.");
    }

    const fs::path file = bundle / signatureManifestPath;
    const fs::path temporary = file.parent_path() / ".CodeResources.tmp";
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text << '\n';
        out.close();
        if (error || !out) {
            throwBundleError(BundleErrorCode::fileSystem, "Could not write " + file.string() + ".");
        }
    }
    fs::rename(temporary, file, error);
    if (error) {
        fs::remove(temporary, error);
        throwBundleError(BundleErrorCode::fileSystem, "Could not write " + file.string() + ".");
    }
}

SignatureInfo verifySignature(const fs::path& bundle) {
    const ParsedManifest manifest = parseManifest(bundle);
    if (!verifyEd25519(manifest.publicKey, manifest.signature, signedText(manifest.document))) {
        invalid("The signature does not match the manifest: the manifest was changed or signed "
                "with another key.");
    }
    const BundleContents contents = collectBundle(bundle);
    const json& files = manifest.document["files"];
    const json& links = manifest.document["links"];
    for (const auto& [path, file] : contents.files) {
        if (!files.contains(path)) {
            invalid(path + " is not covered by the signature.");
        }
        if (files[path]["sha256"].get<std::string>() != file.first) {
            invalid(path + " was modified after signing.");
        }
        if (files[path]["executable"].get<bool>() != file.second) {
            invalid("The permissions of " + path + " were changed after signing.");
        }
    }
    for (const auto& [path, target] : contents.links) {
        if (!links.contains(path)) {
            invalid("The link " + path + " is not covered by the signature.");
        }
        if (links[path].get<std::string>() != target) {
            invalid("The link " + path + " was changed after signing.");
        }
    }
    for (const auto& [path, entry] : files.items()) {
        if (!contents.files.contains(path)) {
            invalid(path + " is missing.");
        }
    }
    for (const auto& [path, entry] : links.items()) {
        if (!contents.links.contains(path)) {
            invalid("The link " + path + " is missing.");
        }
    }
    return SignatureInfo{manifest.identifier, teamIdentifierOfPublicKey(manifest.publicKey)};
}

SignatureInfo signatureInfo(const fs::path& bundle) {
    try {
        return verifySignature(bundle);
    } catch (const DomainError& error) {
        if (isBundleError(error, BundleErrorCode::signatureUnreadable)) {
            throwBundleError(BundleErrorCode::signatureUnreadable,
                             "Could not read code signature.");
        }
        throwBundleError(BundleErrorCode::signatureInvalid, "Code signature validation failed.");
    }
}

} // namespace velkor::bundle
