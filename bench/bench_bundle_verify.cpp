// Time and peak memory of verifying an update image as the updater does: the image's SHA-256,
// attaching (unpacking) it, finding the application and validating its signature, detaching.
//
//   bench_bundle_verify [MB ...]     default: 10 100 (MB of incompressible bundle content)
//
// Each size is verified in a fresh process (this program with --verify), so the peak resident
// memory reported is that of verification alone, not of building the test image.
#include "bundle/ApplicationMetadata.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleSignature.h"
#include "bundle/ChildProcess.h"
#include "bundle/FileDigest.h"
#include "bundle/FileTree.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace velkor::bundle;

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

long peakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A signed bundle with `megabytes` of random payload in 8 MB files, packed into an image.
fs::path makeImage(const fs::path& folder, int megabytes) {
    const fs::path bundle = folder / "Velkor.app";
    writeInfoPlist(bundle, ApplicationMetadata{"com.tamsel.brontil", "2.1", "57", "velkor"});
    fs::create_directories(bundle / "Contents/MacOS");
    fs::create_directories(bundle / "Contents/Resources");
    fs::copy_file("/proc/self/exe", bundle / "Contents/MacOS/velkor");
    std::mt19937_64 random(42);
    std::vector<std::uint64_t> block(1 << 17); // 1 MiB
    constexpr int megabytesPerFile = 8;
    for (int done = 0, file = 0; done < megabytes; ++file) {
        std::ofstream out(bundle / "Contents/Resources" / ("payload-" + std::to_string(file)),
                          std::ios::binary);
        for (int i = 0; i < megabytesPerFile && done < megabytes; ++i, ++done) {
            for (auto& word : block) {
                word = random();
            }
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size() * sizeof block[0]));
        }
    }
    signBundle(bundle, SigningKey::generate());
    const fs::path image = folder / "Velkor-2.1-57.dmg";
    packImage(bundle, image);
    removeTree(bundle);
    return image;
}

int verify(const fs::path& image) {
    const auto start = std::chrono::steady_clock::now();
    const std::string digest = sha256OfFile(image);
    const double digestMs = millisecondsSince(start);

    auto step = std::chrono::steady_clock::now();
    auto attached = std::make_unique<AttachedImage>(image);
    const double attachMs = millisecondsSince(step);

    step = std::chrono::steady_clock::now();
    const auto app = findApplication(attached->mountPoint(), "com.tamsel.brontil");
    if (!app) {
        std::cerr << "no application in the image\n";
        return 1;
    }
    const ApplicationMetadata metadata = readApplicationMetadata(*app);
    const SignatureInfo signature = signatureInfo(*app);
    const double signatureMs = millisecondsSince(step);

    step = std::chrono::steady_clock::now();
    attached.reset();
    const double detachMs = millisecondsSince(step);

    std::printf("  digest %.0f ms, attach %.0f ms, signature %.0f ms, detach %.0f ms; "
                "total %.0f ms; peak RSS %ld KiB (team %s, build %s)\n",
                digestMs, attachMs, signatureMs, detachMs, millisecondsSince(start),
                peakResidentKilobytes(), signature.teamIdentifier.value_or("?").c_str(),
                metadata.build.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::string(argv[1]) == "--verify") {
            return verify(argv[2]);
        }
        std::vector<int> sizes;
        for (int i = 1; i < argc; ++i) {
            sizes.push_back(std::stoi(argv[i]));
        }
        if (sizes.empty()) {
            sizes = {10, 100};
        }
        const fs::path work =
            fs::temp_directory_path() / ("velkor-bench-verify-" + std::to_string(::getpid()));
        for (const int megabytes : sizes) {
            removeTree(work);
            fs::create_directories(work);
            const fs::path image = makeImage(work, megabytes);
            std::printf("%d MB of content, image %.1f MB:\n", megabytes,
                        static_cast<double>(fs::file_size(image)) / 1e6);
            for (int run = 0; run < 3; ++run) {
                const ProcessResult result =
                    runProcess({"/proc/self/exe", "--verify", image.string()});
                std::fputs(result.standardOutput.c_str(), stdout);
                std::fputs(result.standardError.c_str(), stderr);
            }
        }
        removeTree(work);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "bench_bundle_verify: " << error.what() << '\n';
        return 1;
    }
}
