// velkor-bundle: keys, signatures and images for Velkor.app bundles. Release scripts and outside
// checks rely on the commands and their output exactly:
//   velkor-bundle keygen KEYFILE             -> "team <TEAM>"
//   velkor-bundle sign BUNDLE --key KEYFILE  -> writes Contents/_CodeSignature/CodeResources
//   velkor-bundle verify BUNDLE              -> "identifier <ID>" and "team <TEAM>", or the reason
//                                               on standard error and exit status 1
//   velkor-bundle pack BUNDLE IMAGE          -> the compressed tar image with the bundle on top
// Exit status: 0 success, 1 failure (reason on standard error), 2 wrong arguments.
#include "bundle/ArchiveImage.h"
#include "bundle/BundleSignature.h"
#include "bundle/MessageText.h"

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* usage = "usage: velkor-bundle keygen KEYFILE\n"
                              "       velkor-bundle sign BUNDLE --key KEYFILE\n"
                              "       velkor-bundle verify BUNDLE\n"
                              "       velkor-bundle pack BUNDLE IMAGE\n";

int run(const std::vector<std::string>& args) {
    using namespace velkor::bundle;
    const std::string command = args.empty() ? "" : args[0];
    if (command == "keygen" && args.size() == 2) {
        const SigningKey key = SigningKey::generate();
        key.save(args[1]);
        std::cout << "team " << key.teamIdentifier() << '\n';
        return 0;
    }
    if (command == "sign" && args.size() == 4 && args[2] == "--key") {
        signBundle(args[1], SigningKey::load(args[3]));
        return 0;
    }
    if (command == "verify" && args.size() == 2) {
        const SignatureInfo info = verifySignature(args[1]);
        std::cout << "identifier " << info.identifier.value_or("") << '\n'
                  << "team " << info.teamIdentifier.value_or("") << '\n';
        return 0;
    }
    if (command == "pack" && args.size() == 3) {
        packImage(args[1], args[2]);
        return 0;
    }
    std::cerr << usage;
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit then fails the write with its reason instead of killing the tool.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    } catch (const std::exception& error) {
        std::cerr << "velkor-bundle: " << velkor::bundle::escapeControlCharacters(error.what())
                  << '\n';
        return 1;
    }
}
