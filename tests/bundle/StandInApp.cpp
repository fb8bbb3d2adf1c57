// A stand-in for the application inside test bundles: it records that it started (its bundle's
// marker and path) in the file named by VELKOR_STAND_IN_LOG, then exits.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int, char**) {
    const char* log = std::getenv("VELKOR_STAND_IN_LOG");
    if (log == nullptr) {
        return 0;
    }
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto bundle = executable.parent_path().parent_path().parent_path();
    std::string marker;
    std::ifstream(bundle / "Contents/Resources/marker.txt") >> marker;
    std::ofstream(log, std::ios::app) << marker << ' ' << bundle.string() << '\n';
    return 0;
}
