#include "bundle/FileDigest.h"

#include "bundle/BundleError.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <unistd.h>
#include <vector>

namespace velkor::bundle {
namespace {

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

DigestContext newSha256() {
    DigestContext context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throwBundleError(BundleErrorCode::fileSystem, "SHA-256 is not available.");
    }
    return context;
}

std::string finishHex(EVP_MD_CTX* context) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest.data(), &length) != 1) {
        throwBundleError(BundleErrorCode::fileSystem, "SHA-256 failed.");
    }
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(hexDigits[digest[i] >> 4]);
        hex.push_back(hexDigits[digest[i] & 0x0f]);
    }
    return hex;
}

} // namespace

std::string sha256OfFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throwBundleError(BundleErrorCode::fileSystem,
                         "Could not open " + file.string() + ": " + std::strerror(errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    auto context = newSha256();
    std::vector<unsigned char> chunk(digestChunkSize);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwBundleError(BundleErrorCode::fileSystem,
                             "Could not read " + file.string() + ": " + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        EVP_DigestUpdate(context.get(), chunk.data(), static_cast<std::size_t>(got));
    }
    return finishHex(context.get());
}

std::string sha256OfBytes(std::string_view bytes) {
    auto context = newSha256();
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    return finishHex(context.get());
}

} // namespace velkor::bundle
