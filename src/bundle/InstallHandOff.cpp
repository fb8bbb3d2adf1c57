#include "bundle/InstallHandOff.h"

#include "base/DomainError.h"
#include "bundle/FileTree.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

namespace velkor::bundle {

namespace {

[[noreturn]] void planError(const std::string& message) {
    throw DomainError(installPlanErrorDomain, 1, message);
}

std::string requiredText(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) {
        planError(std::string("The install plan has no text \"") + key + "\".");
    }
    return it->get<std::string>();
}

// `text` with every raw control character inside a string written as \u00XX. Strict JSON forbids
// them there, but a status with a raw line break in its message has always been read: such files
// exist, and the message is shown escaped anyway.
std::string withControlsInStringsEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!inString) {
            inString = c == '"';
            out += c;
        } else if (c == '\\' && i + 1 < text.size()) {
            out += c;
            out += text[++i];
        } else if (c == '"') {
            inString = false;
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hexDigits[] = "0123456789abcdef";
            out += "\\u00";
            out += hexDigits[(c >> 4) & 0x0f];
            out += hexDigits[c & 0x0f];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string encodeInstallPlan(const InstallPlan& plan) {
    // nlohmann::json keeps its keys sorted, which gives the order the file has always had.
    const nlohmann::json document{
        {"dmgPath", plan.dmgPath},
        {"targetAppPath", plan.targetAppPath},
        {"expectedBundleIdentifier", plan.expectedBundleIdentifier},
        {"expectedTeamIdentifier", plan.expectedTeamIdentifier},
        {"expectedVersion", plan.expectedVersion},
        {"expectedBuild", plan.expectedBuild},
        {"expectedSHA256", plan.expectedSHA256},
        {"statusPath", plan.statusPath},
    };
    return document.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

InstallPlan decodeInstallPlan(std::string_view text) {
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
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

InstallPlan readInstallPlan(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        planError("The install plan " + file.string() +
                  " could not be read: " + std::strerror(errno));
    }
    std::string text;
    std::vector<char> chunk(1 << 16);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > maxInstallPlanBytes) {
            planError("The install plan " + file.string() + " is too large.");
        }
    }
    if (in.bad()) {
        planError("The install plan " + file.string() + " could not be read.");
    }
    return decodeInstallPlan(text);
}

std::string encodeInstallStatus(const InstallStatus& status) {
    const nlohmann::ordered_json document{
        {"succeeded", status.succeeded},
        {"message", status.message},
        {"version", status.version},
    };
    return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<InstallStatus> readInstallStatus(std::string_view text) {
    const auto document = nlohmann::json::parse(withControlsInStringsEscaped(text), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    const auto succeeded = document.find("succeeded");
    const auto message = document.find("message");
    const auto version = document.find("version");
    if (succeeded == document.end() || !succeeded->is_boolean() || message == document.end() ||
        !message->is_string() || version == document.end() || !version->is_string()) {
        return std::nullopt;
    }
    return InstallStatus{succeeded->get<bool>(), message->get<std::string>(),
                         version->get<std::string>()};
}

void writeInstallStatus(const std::filesystem::path& file, const InstallStatus& status) {
    writeFileAtomically(file, encodeInstallStatus(status));
}

} // namespace velkor::bundle
