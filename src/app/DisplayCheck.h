#pragma once

#include <optional>
#include <string>

namespace velkor {

// Why the program cannot show a window, as one line for the terminal: no display named at all,
// or an X display that does not answer. None when a display is there or a Qt platform is chosen
// explicitly (QT_QPA_PLATFORM, -platform). Runs before QApplication exists, which would otherwise
// abort with a long plugin message.
std::optional<std::string> displayProblem(int argc, char** argv);

} // namespace velkor
