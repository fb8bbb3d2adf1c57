#include "DisplayCheck.h"

#include <cstdlib>
#include <string_view>
#include <xcb/xcb.h>

namespace velkor {

struct DisplayCheck::Connection {
    xcb_connection_t* handle;
    explicit Connection(const char* display) : handle(xcb_connect(display, nullptr)) {}
    ~Connection() { xcb_disconnect(handle); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
};

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

} // namespace

DisplayCheck::DisplayCheck(int argc, char** argv) {
    if (platformChosen(argc, argv) || nonEmpty("WAYLAND_DISPLAY") != nullptr) {
        return;
    }
    const char* display = nonEmpty("DISPLAY");
    if (display == nullptr) {
        m_problem = "velkor: no display found: set DISPLAY or WAYLAND_DISPLAY (or run it under "
                    "xvfb-run)";
        return;
    }
    m_connection = std::make_unique<Connection>(display);
    if (xcb_connection_has_error(m_connection->handle) != 0) {
        m_connection.reset();
        m_problem = "velkor: cannot open display " + std::string(display) +
                    ": is the X server running? (or run it under xvfb-run)";
    }
}

DisplayCheck::~DisplayCheck() = default;

void DisplayCheck::release() {
    m_connection.reset();
}

} // namespace velkor
