// BrontilTrashUpdater: replaces the installed application with the one from a downloaded image
// once the application has quit, keeping a backup until the new one has started.
#include "Updater.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    // Once started, the swap runs to its end even if the terminal the application was started
    // from goes away with it.
    std::signal(SIGHUP, SIG_IGN);
    // A file-size limit then fails the write with its reason instead of killing us mid-way.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    velkor::updater::SystemClock clock;
    velkor::updater::UpdaterEnvironment environment(clock);
    return velkor::updater::runUpdater(arguments, environment, std::cerr);
}
