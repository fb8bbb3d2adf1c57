#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Our own bundle signature. Contents/_CodeSignature/CodeResources is a JSON manifest:
//   { "format": 1, "identifier": "<signing identifier>", "publicKey": "<base64 raw Ed25519 key>",
//     "files": { "<relative path>": { "sha256": "<hex>", "executable": true|false }, ... },
//     "links": { "<relative path>": "<link target>", ... },
//     "signature": "<base64 Ed25519 signature of the manifest without this key, compact JSON>" }
// Every file and symbolic link of the bundle except the manifest itself is listed; folders are
// implied. The team identifier is the first 10 hexadecimal digits, upper case, of the SHA-256 of
// the raw public key.
namespace velkor::bundle {

struct SignatureInfo {
    std::optional<std::string> identifier;
    std::optional<std::string> teamIdentifier;

    bool operator==(const SignatureInfo&) const = default;
};

// An Ed25519 private key. Move-only; the key material never leaves OpenSSL except as PEM.
class SigningKey {
public:
    static SigningKey generate();
    // Reads a PEM private key. Throws invalidKey (unreadable, not PEM, not Ed25519).
    static SigningKey load(const std::filesystem::path& pemFile);

    SigningKey(SigningKey&&) noexcept;
    SigningKey& operator=(SigningKey&&) noexcept;
    ~SigningKey();

    // Writes the key as PKCS#8 PEM with mode 0600. Refuses (invalidKey) to replace a non-empty
    // file, so an existing key is never lost; an empty file (from mktemp) is filled.
    void save(const std::filesystem::path& pemFile) const;

    std::vector<unsigned char> publicKey() const; // 32 raw bytes
    std::string teamIdentifier() const;
    std::vector<unsigned char> sign(const std::string& message) const;

private:
    struct Impl;
    explicit SigningKey(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

std::string teamIdentifierOfPublicKey(const std::vector<unsigned char>& rawPublicKey);

// Writes (replacing) the manifest. The identifier defaults to the bundle's CFBundleIdentifier.
// Throws fileSystem, invalidMetadata (no identifier to use), signatureInvalid (the bundle holds a
// device file, socket or pipe, or a link leading out of the bundle; those can never verify).
void signBundle(const std::filesystem::path& bundle, const SigningKey& key,
                const std::optional<std::string>& identifier = std::nullopt);

// Strict validation: the manifest parses, its signature verifies with its own key, every listed
// file is present, a plain file (not a link) with the listed digest and executable flag, every
// listed link has the listed target and stays inside the bundle, and no unlisted file, link or
// special file exists. Throws signatureUnreadable or signatureInvalid with a precise reason
// naming the offending path (for people and the velkor-bundle tool).
SignatureInfo verifySignature(const std::filesystem::path& bundle);

// The same validation with the fixed wording the updater shows: signatureUnreadable
// "Could not read code signature.", signatureInvalid "Code signature validation failed.",
// signingIdentityUnreadable "Could not inspect signing identity.". Callers that need another
// wording switch on the code.
SignatureInfo signatureInfo(const std::filesystem::path& bundle);

} // namespace velkor::bundle
