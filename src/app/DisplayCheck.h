#pragma once

#include <memory>
#include <string>

namespace velkor {

// Whether the program can show a window, asked before QApplication exists (which would otherwise
// abort with a long plugin message): no display named at all, or an X display that does not
// answer, gives one line for the terminal. A display is taken as there when a Qt platform is
// chosen explicitly (QT_QPA_PLATFORM, -platform) or WAYLAND_DISPLAY is set.
class DisplayCheck {
public:
    DisplayCheck(int argc, char** argv);
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    // Empty when the display is there.
    const std::string& problem() const { return m_problem; }
    // Lets go of the X connection the check opened. Keep the check alive until Qt has connected:
    // an X server that resets when its last client leaves (Xvfb, xvfb-run) would otherwise be
    // resetting just as Qt connects, and refuse it.
    void release();

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
    std::string m_problem;
};

} // namespace velkor
