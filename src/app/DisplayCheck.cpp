#include "DisplayCheck.h"

#include <cstdlib>
#include <string_view>
#include <xcb/xcb.h>

namespace velkor {

namespace {

const char* nonEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

bool platformChosen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "-platform" || std::string_view(argv[i]) == "--platform") {
            return true;
        }
    }
    return nonEmpty("QT_QPA_PLATFORM") != nullptr;
}

bool xDisplayAnswers(const char* display) {
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

} // namespace

std::optional<std::string> displayProblem(int argc, char** argv) {
    if (platformChosen(argc, argv) || nonEmpty("WAYLAND_DISPLAY") != nullptr) {
        return std::nullopt;
    }
    const char* display = nonEmpty("DISPLAY");
    if (display == nullptr) {
        return "velkor: no display found: set DISPLAY or WAYLAND_DISPLAY (or run it under "
               "xvfb-run)";
    }
    if (!xDisplayAnswers(display)) {
        return "velkor: cannot open display " + std::string(display) +
               ": is the X server running? (or run it under xvfb-run)";
    }
    return std::nullopt;
}

} // namespace velkor
