// Start-up cost of the application window, beside another chess program started the same way.
//
// Each program runs on a private Xvfb server without a window manager, from a warm file cache
// (one unmeasured run first) and with its own settings folder kept across runs. The screen is
// watched with the X DAMAGE extension: the start time is the moment just before the program is
// spawned; the first painted window is the moment by which 90 % of everything the program paints
// in its first seconds has been painted once (both programs are measured by the same rule, so no
// help from inside either program is needed). Velkor's own first-paint stamp
// (VELKOR_FIRST_PAINT_STAMP) is printed beside it as a cross-check. Resident memory is VmRSS of
// the program's process at the end of the watch.
//
//   bench_startup [runs] [other program]      (defaults: 5 runs, /usr/games/chessx)
//   BENCH_STARTUP_ORDER=blocks bench_startup ...   each program's runs back to back
//   BENCH_STARTUP_TRACE=1 bench_startup ...        every damage event on standard error
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int screenWidth = 1600;
constexpr int screenHeight = 1000;
// Coverage is tracked in cells of this many pixels square.
constexpr int cell = 4;
constexpr double watchSeconds = 6.0;

double monotonicSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Damage {
    double at;
    XRectangle area;
};

struct RunResult {
    double firstPaintSeconds = -1;
    double stampSeconds = -1;
    long rssKiB = -1;
};

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& entry : env) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int status = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return status == 0 ? pid : -1;
}

void stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    for (int waited = 0; waited < 40; ++waited) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// The time by which 90 % of the cells painted during the watch had been painted once.
double firstPaint(const std::vector<Damage>& damages, double start) {
    const int columns = screenWidth / cell;
    const int rows = screenHeight / cell;
    std::vector<int> firstCovered(static_cast<std::size_t>(columns * rows), -1);
    for (std::size_t index = 0; index < damages.size(); ++index) {
        const XRectangle& area = damages[index].area;
        const int left = std::max(0, area.x / cell);
        const int top = std::max(0, area.y / cell);
        const int right = std::min(columns, (area.x + area.width + cell - 1) / cell);
        const int bottom = std::min(rows, (area.y + area.height + cell - 1) / cell);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                int& first = firstCovered[static_cast<std::size_t>(y * columns + x)];
                if (first < 0) {
                    first = static_cast<int>(index);
                }
            }
        }
    }
    std::vector<int> order;
    for (const int first : firstCovered) {
        if (first >= 0) {
            order.push_back(first);
        }
    }
    if (order.empty()) {
        return -1;
    }
    std::sort(order.begin(), order.end());
    const int decisive =
        order[static_cast<std::size_t>(static_cast<double>(order.size() - 1) * 0.9)];
    return damages[static_cast<std::size_t>(decisive)].at - start;
}

RunResult runOnce(Display* display, int damageEvent, const std::vector<std::string>& argv,
                  const std::string& home, bool stamp) {
    const Window root = DefaultRootWindow(display);
    // What the previous program left behind (its window going away) is drained first.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent stale;
        XNextEvent(display, &stale);
    }
    const ::Damage damage = XDamageCreate(display, root, XDamageReportRawRectangles);
    // A new damage object reports the whole screen once; that report is not the program's.
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent initial;
        XNextEvent(display, &initial);
    }
    const std::string stampPath = home + "/first-paint-stamp";
    std::filesystem::remove(stampPath);
    std::vector<std::string> env{"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                                 "XDG_DATA_HOME=" + home + "/data",
                                 "XDG_CACHE_HOME=" + home + "/cache"};
    if (stamp) {
        env.push_back("VELKOR_FIRST_PAINT_STAMP=" + stampPath);
    }

    const double start = monotonicSeconds();
    const pid_t pid = spawn(argv, env);
    RunResult result;
    if (pid < 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0].c_str());
        XDamageDestroy(display, damage);
        return result;
    }
    std::vector<Damage> damages;
    const int fd = ConnectionNumber(display);
    while (monotonicSeconds() - start < watchSeconds) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == damageEvent + XDamageNotify) {
                const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
                if (notify.damage == damage) {
                    damages.push_back({monotonicSeconds(), notify.area});
                }
            }
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval timeout{0, 20'000};
        ::select(fd + 1, &readable, nullptr, nullptr, &timeout);
    }
    result.rssKiB = residentKiB(pid);
    stop(pid);
    XDamageDestroy(display, damage);
    XSync(display, False);
    result.firstPaintSeconds = firstPaint(damages, start);
    if (std::getenv("BENCH_STARTUP_TRACE") != nullptr) {
        for (const auto& entry : damages) {
            std::fprintf(stderr, "%8.1f ms  %dx%d+%d+%d\n", (entry.at - start) * 1000,
                         entry.area.width, entry.area.height, entry.area.x, entry.area.y);
        }
    }
    if (stamp) {
        std::ifstream file(stampPath);
        long long nanoseconds = 0;
        if (file >> nanoseconds) {
            result.stampSeconds = static_cast<double>(nanoseconds) * 1e-9 - start;
        }
    }
    return result;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::optional<std::pair<pid_t, std::string>> startServer() {
    for (int number = 90; number < 100; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (std::filesystem::exists(socket) ||
            std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
            continue;
        }
        const std::string name = std::string(":").append(std::to_string(number));
        const pid_t pid =
            spawn({"/usr/bin/Xvfb", name, "-screen", "0",
                   std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                   "-nolisten", "tcp"},
                  {});
        for (int waited = 0; waited < 100 && pid > 0; ++waited) {
            if (std::filesystem::exists(socket)) {
                return std::make_pair(pid, name);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (pid > 0) {
            stop(pid);
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string other = argc > 2 ? argv[2] : "/usr/games/chessx";
    const auto server = startServer();
    if (!server) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    ::setenv("DISPLAY", server->second.c_str(), 1);
    Display* display = XOpenDisplay(server->second.c_str());
    int damageEvent = 0;
    int damageError = 0;
    if (display == nullptr || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "no X display with the DAMAGE extension\n");
        stop(server->first);
        return 1;
    }

    struct Program {
        std::string label;
        std::vector<std::string> argv;
        bool stamp;
        std::string home;
        std::vector<RunResult> results;
    };
    std::vector<Program> programs{{"velkor", {VELKOR_APP}, true, {}, {}}};
    if (std::filesystem::exists(other)) {
        programs.push_back(
            {std::filesystem::path(other).filename().string(), {other}, false, {}, {}});
    } else {
        std::fprintf(stderr, "%s is missing: measuring Velkor alone\n", other.c_str());
    }
    char homeTemplate[] = "/tmp/velkor-startup-XXXXXX";
    const std::string base = ::mkdtemp(homeTemplate);
    for (auto& program : programs) {
        program.home = base + "/" + program.label;
        std::filesystem::create_directories(program.home);
        // Warm-up: caches filled, first-run settings written; not counted.
        runOnce(display, damageEvent, program.argv, program.home, program.stamp);
    }
    // Runs alternate between the programs by default. BENCH_STARTUP_ORDER=blocks runs each
    // program's runs back to back instead, so neither starts right after the other.
    const char* order = std::getenv("BENCH_STARTUP_ORDER");
    const bool blocks = order != nullptr && std::string(order) == "blocks";
    const std::size_t count = programs.size();
    const auto perProgram = static_cast<std::size_t>(runs);
    for (std::size_t step = 0; step < count * perProgram; ++step) {
        Program& program = programs[blocks ? step / perProgram : step % count];
        program.results.push_back(
            runOnce(display, damageEvent, program.argv, program.home, program.stamp));
    }

    std::printf("%-10s %28s %26s %18s\n", "program", "start to first paint (ms)",
                "in-app paint stamp (ms)", "RSS after start");
    for (const auto& program : programs) {
        std::vector<double> paints;
        std::vector<double> stamps;
        std::vector<double> rss;
        for (const auto& result : program.results) {
            paints.push_back(result.firstPaintSeconds * 1000);
            if (result.stampSeconds >= 0) {
                stamps.push_back(result.stampSeconds * 1000);
            }
            rss.push_back(static_cast<double>(result.rssKiB) / 1024.0);
        }
        std::string each;
        for (const double paint : paints) {
            each.append(" ").append(std::to_string(static_cast<int>(paint)));
        }
        std::printf("%-10s %16.0f (runs:%s) %18s %14.1f MiB\n", program.label.c_str(),
                    median(paints), each.c_str(),
                    stamps.empty() ? "-" : std::to_string(static_cast<int>(median(stamps))).c_str(),
                    median(rss));
    }
    std::printf("(median of %d runs each, %s, %d x %d Xvfb without a window manager)\n", runs,
                "warm cache", screenWidth, screenHeight);
    XCloseDisplay(display);
    stop(server->first);
    std::filesystem::remove_all(base);
    return 0;
}
