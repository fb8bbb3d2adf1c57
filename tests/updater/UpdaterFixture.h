#pragma once

#include "BundleTestSupport.h"
#include "Updater.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleLayout.h"
#include "bundle/FileDigest.h"
#include "bundle/FileTree.h"

#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace velkor::updater::testing {

namespace fs = std::filesystem;
using bundle::testing::readFile;
using bundle::testing::writeFile;
using namespace std::chrono_literals;

// Time that only moves when the updater sleeps.
class ManualClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() override { return m_now; }
    void sleepFor(std::chrono::milliseconds duration) override { m_now += duration; }
    std::chrono::steady_clock::duration elapsed() const { return m_now - m_start; }

private:
    std::chrono::steady_clock::time_point m_start{};
    std::chrono::steady_clock::time_point m_now{};
};

// An installed Velkor 1.0 (build 1) in <root>/Applications, a plan for 2.1 (build 57), and the
// image each case supplies.
class UpdaterFixture : public bundle::testing::BundleFixture {
public:
    void SetUp() override {
        BundleFixture::SetUp();
        target = root / "Applications/Velkor.app";
        makeBundle(target, {.version = "1.0", .build = "1"}, &signer);
        downloads = root / "cache/Updates/2.1-57";
        fs::create_directories(downloads);
        planPath = downloads / "install-plan.json";
        statusPath = root / "support/Updates/last-install.json";
    }

    fs::path newImage(const BundleSpec& spec = {}, const bundle::SigningKey* key = nullptr,
                      const std::function<void(const fs::path&)>& alter = {}) {
        bundle::removeTree(root / "new");
        const fs::path bundle = makeBundle(root / "new" / "Velkor.app", spec, key ? key : &signer);
        if (alter) {
            alter(bundle);
        }
        return useImage(makeImage(bundle, "packed"));
    }

    fs::path useImage(const fs::path& image) {
        const fs::path dmg = downloads / "Velkor-2.1-57.dmg";
        fs::copy_file(image, dmg, fs::copy_options::overwrite_existing);
        return dmg;
    }

    InstallPlan planFor(const fs::path& dmg) const {
        return InstallPlan{dmg.string(),
                           target.string(),
                           "com.tamsel.brontil",
                           signer.teamIdentifier(),
                           "2.1",
                           "57",
                           bundle::sha256OfFile(dmg),
                           statusPath.string()};
    }

    void writePlan(const InstallPlan& plan) const {
        writeFile(planPath, bundle::encodeInstallPlan(plan));
    }

    std::vector<std::string> arguments(pid_t parent = 999'999) const {
        return {"--plan", planPath.string(), "--parent-pid", std::to_string(parent)};
    }

    std::string installedMarker() const {
        return readFile(target / "Contents/Resources/marker.txt");
    }

    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(target.parent_path())) {
            if (entry.path() != target) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    // Lines the stand-in application wrote when it started; waits a little for detached starts.
    std::vector<std::string> waitForStarts(std::size_t count) const {
        std::vector<std::string> lines;
        for (int attempt = 0; attempt < 500; ++attempt) {
            lines.clear();
            std::istringstream in(readFile(standInLog));
            for (std::string line; std::getline(in, line);) {
                lines.push_back(line);
            }
            if (lines.size() >= count) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        return lines;
    }

    fs::path target;
    fs::path downloads;
    fs::path planPath;
    fs::path statusPath;
};

} // namespace velkor::updater::testing
