#include "InstallPlan.h"

#include "chess/DomainError.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace velkor::updater {

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr const char* planDomain = "BrontilTrashUpdater.Plan";
constexpr std::uintmax_t maxPlanBytes = 1 << 20;

[[noreturn]] void planError(const std::string& message) {
    throw DomainError(planDomain, 1, message);
}

std::string requiredText(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) {
        planError(std::string("The install plan has no text \"") + key + "\".");
    }
    return it->get<std::string>();
}

} // namespace

InstallPlan decodeInstallPlan(const std::string& text) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        planError("The install plan is not a JSON object.");
    }
    return InstallPlan{
        requiredText(document, "dmgPath"),
        requiredText(document, "targetAppPath"),
        requiredText(document, "expectedBundleIdentifier"),
        requiredText(document, "expectedTeamIdentifier"),
        requiredText(document, "expectedVersion"),
        requiredText(document, "expectedBuild"),
        requiredText(document, "expectedSHA256"),
        requiredText(document, "statusPath"),
    };
}

InstallPlan readInstallPlan(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        planError("The install plan " + file.string() +
                  " could not be read: " + std::strerror(errno));
    }
    std::string text;
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > maxPlanBytes) {
            planError("The install plan " + file.string() + " is too large.");
        }
    }
    if (in.bad()) {
        planError("The install plan " + file.string() + " could not be read.");
    }
    return decodeInstallPlan(text);
}

std::string encodeInstallPlan(const InstallPlan& plan) {
    const ordered_json document{
        {"dmgPath", plan.dmgPath},
        {"targetAppPath", plan.targetAppPath},
        {"expectedBundleIdentifier", plan.expectedBundleIdentifier},
        {"expectedTeamIdentifier", plan.expectedTeamIdentifier},
        {"expectedVersion", plan.expectedVersion},
        {"expectedBuild", plan.expectedBuild},
        {"expectedSHA256", plan.expectedSHA256},
        {"statusPath", plan.statusPath},
    };
    return document.dump(2);
}

InstallStatus decodeInstallStatus(const std::string& text) {
    const auto status = bundle::readInstallStatus(text);
    if (!status) {
        planError("The install status is not valid.");
    }
    return *status;
}

} // namespace velkor::updater
