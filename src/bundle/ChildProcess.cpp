#include "bundle/ChildProcess.h"

#include "bundle/BundleError.h"
#include "bundle/MessageText.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velkor::bundle {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            throwBundleError(BundleErrorCode::processFailed,
                             std::string("Could not create a pipe: ") + std::strerror(errno));
        }
        read = ends[0];
        write = ends[1];
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0) {
            ::close(read);
            read = -1;
        }
    }
    void closeWrite() {
        if (write >= 0) {
            ::close(write);
            write = -1;
        }
    }
};

std::vector<char*> argumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const auto& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

int exitStatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    if (WIFSIGNALED(waitStatus)) {
        return 128 + WTERMSIG(waitStatus);
    }
    return -1;
}

[[noreturn]] void startFailed(const std::string& program, int error) {
    throwBundleError(BundleErrorCode::processFailed,
                     "Could not start " + program + ": " + std::strerror(error));
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        throwBundleError(BundleErrorCode::processFailed, "No program to start.");
    }
    Pipe output;
    Pipe error;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error.write, STDERR_FILENO);
    auto pointers = argumentPointers(argv);
    pid_t pid = 0;
    const int spawnError =
        ::posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) {
        startFailed(argv[0], spawnError);
    }
    output.closeWrite();
    error.closeWrite();

    // Read whichever output has data until both are closed: a child that fills one pipe while
    // we wait on the other would otherwise block forever.
    ProcessResult result;
    std::array<pollfd, 2> watched{pollfd{output.read, POLLIN, 0}, pollfd{error.read, POLLIN, 0}};
    std::array<std::string*, 2> sinks{&result.standardOutput, &result.standardError};
    std::array<char, 65536> buffer{};
    int open = 2;
    while (open > 0) {
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (std::size_t i = 0; i < watched.size(); ++i) {
            if (watched[i].fd < 0 || watched[i].revents == 0) {
                continue;
            }
            const ssize_t got = ::read(watched[i].fd, buffer.data(), buffer.size());
            if (got > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                watched[i].fd = -1; // closed; poll ignores negative descriptors
                --open;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = exitStatusOf(status);
    return result;
}

void startDetached(const std::filesystem::path& executable,
                   const std::vector<std::string>& arguments) {
    // Everything the children need is prepared before fork: only async-signal-safe calls follow.
    std::vector<std::string> argv{executable.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto pointers = argumentPointers(argv);
    // Started the way a desktop starts an application: from the home folder, not from wherever
    // we happen to be (the updater runs in a download folder that is about to go).
    const char* home = std::getenv("HOME");
    const std::string workingFolder = home != nullptr && home[0] == '/' ? home : "/";
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) {
        startFailed(executable.string(), errno);
    }
    Pipe report; // the grandchild writes errno here when exec fails; exec closes it otherwise

    const pid_t middle = ::fork();
    if (middle < 0) {
        const int forkError = errno;
        ::close(devNull);
        startFailed(executable.string(), forkError);
    }
    if (middle == 0) {
        // A short-lived middle process: its child is adopted by init, so nobody has to reap it
        // and it keeps running after we exit.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            // Ignored signals stay ignored across exec; the application gets the defaults.
            for (const int sig : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
                ::signal(sig, SIG_DFL);
            }
            if (::chdir(workingFolder.c_str()) != 0) {
                [[maybe_unused]] auto ignored = ::chdir("/");
            }
            ::execv(pointers[0], pointers.data());
            const int execError = errno;
            [[maybe_unused]] auto written = ::write(report.write, &execError, sizeof execError);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const int forkError = errno;
            [[maybe_unused]] auto written = ::write(report.write, &forkError, sizeof forkError);
        }
        ::_exit(0);
    }
    ::close(devNull);
    report.closeWrite();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int childError = 0;
    ssize_t got = 0;
    while ((got = ::read(report.read, &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof childError)) {
        startFailed(executable.string(), childError);
    }
}

std::string outputText(const std::string& bytes, const std::string& fallback) {
    if (!isValidUtf8(bytes)) {
        return fallback;
    }
    const std::size_t n = bytes.size();
    const auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    };
    std::size_t begin = 0;
    std::size_t end = n;
    while (begin < end && isBlank(bytes[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(bytes[end - 1])) {
        --end;
    }
    return begin == end ? fallback : bytes.substr(begin, end - begin);
}

} // namespace velkor::bundle
