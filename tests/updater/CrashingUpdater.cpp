// The updater as tests need it to see what a kill leaves behind: "--crash-at STEP" kills it with
// SIGKILL when the run reaches STEP, and "--no-exchange" makes it act as on a file system that
// cannot swap two names in one step. Every other argument goes to the updater unchanged.
#include "Updater.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> arguments;
    std::string crashAt;
    bool exchange = true;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--crash-at" && i + 1 < argc) {
            crashAt = argv[++i];
        } else if (argument == "--no-exchange") {
            exchange = false;
        } else {
            arguments.push_back(argument);
        }
    }
    velkor::updater::SystemClock clock;
    velkor::updater::UpdaterEnvironment environment(clock);
    environment.reachedStep = [&crashAt](std::string_view step) {
        if (step == crashAt) {
            std::raise(SIGKILL);
        }
    };
    if (!exchange) {
        environment.exchangeNames = [](const auto&, const auto&) { return EINVAL; };
    }
    return velkor::updater::runUpdater(arguments, environment, std::cerr);
}
