// A scriptable stand-in for a UCI engine, so tests can make an engine misbehave on purpose.
//
// Usage: fake_uci_engine SCRIPT. The script has one directive per line ("#" starts a comment):
//   pidfile PATH      write our process id to PATH at start
//   record PATH       append every command we receive to PATH
//   stamp PATH        the same, each line preceded by the CLOCK_MONOTONIC time of its arrival
//                     in nanoseconds and a blank (benchmarks measure delays across processes)
//   ignore-term       ignore SIGTERM
//   ignore-quit       neither "quit" nor the end of input ends us
//   at-start          the actions that follow run at once
//   on PREFIX         the actions that follow answer every command that is PREFIX or starts
//                     with PREFIX and a blank
//   once PREFIX       the same, for the first such command only
// Actions:
//   say TEXT          write TEXT and a line feed to standard output
//   err TEXT          the same on standard error
//   raw TEXT          write TEXT without a line feed; \n \r \\ and \xNN are escapes
//   sleep MS          pause
//   flood N TEXT      write N lines of TEXT in large writes
//   trickle N MS TEXT write N lines of TEXT spread evenly over MS milliseconds
//   bigline N         write "info string " and N letters x as one line
//   exit CODE         end with this status
//   die               end by SIGKILL
//   hang              stop reading and wait until killed
//   close-input       close standard input (later writes to us fail) and wait until killed
// The first rule that matches a command answers it; without one, "quit" ends us with status 0
// and anything else is ignored.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

struct Rule {
    std::string prefix;
    bool once = false;
    bool used = false;
    std::vector<std::string> actions;
};

struct Script {
    std::string pidFile;
    std::string recordFile;
    std::string stampFile;
    bool ignoreTerm = false;
    bool ignoreQuit = false;
    std::vector<std::string> startActions;
    std::vector<Rule> rules;
};

void writeAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            std::_Exit(3);
        }
        written += static_cast<std::size_t>(n);
    }
}

std::string unescape(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 'n') {
            result += '\n';
        } else if (kind == 'r') {
            result += '\r';
        } else if (kind == 'x' && i + 2 < text.size()) {
            result += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            result += kind;
        }
    }
    return result;
}

[[noreturn]] void hang() {
    while (true) {
        ::pause();
    }
}

void run(const std::string& action) {
    const std::size_t blank = action.find(' ');
    const std::string verb = action.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : action.substr(blank + 1);
    if (verb == "say") {
        writeAll(1, rest + "\n");
    } else if (verb == "err") {
        writeAll(2, rest + "\n");
    } else if (verb == "raw") {
        writeAll(1, unescape(rest));
    } else if (verb == "sleep") {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoll(rest)));
    } else if (verb == "flood") {
        const std::size_t textStart = rest.find(' ');
        const long long count = std::stoll(rest.substr(0, textStart));
        const std::string line = rest.substr(textStart + 1) + "\n";
        std::string block;
        for (long long i = 0; i < count; ++i) {
            block += line;
            if (block.size() >= 64 * 1024) {
                writeAll(1, block);
                block.clear();
            }
        }
        writeAll(1, block);
    } else if (verb == "trickle") {
        const std::size_t msStart = rest.find(' ');
        const std::size_t textStart = rest.find(' ', msStart + 1);
        const long long count = std::stoll(rest.substr(0, msStart));
        const long long milliseconds =
            std::stoll(rest.substr(msStart + 1, textStart - msStart - 1));
        const std::string line = rest.substr(textStart + 1) + "\n";
        const auto start = std::chrono::steady_clock::now();
        long long written = 0;
        for (long long step = 1; step <= milliseconds; ++step) {
            std::string block;
            for (; written < count * step / milliseconds; ++written) {
                block += line;
            }
            writeAll(1, block);
            std::this_thread::sleep_until(start + std::chrono::milliseconds(step));
        }
    } else if (verb == "bigline") {
        writeAll(1, "info string " + std::string(std::stoull(rest), 'x') + "\n");
    } else if (verb == "exit") {
        std::exit(std::stoi(rest));
    } else if (verb == "die") {
        ::kill(::getpid(), SIGKILL);
    } else if (verb == "hang") {
        hang();
    } else if (verb == "close-input") {
        ::close(0);
        hang();
    }
}

Script readScript(const char* path) {
    Script script;
    std::ifstream in(path);
    std::string line;
    // Where actions go: the start actions, a rule (by index, as the vector grows), or nowhere.
    enum { nowhere = -2, atStart = -1 };
    long target = nowhere;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        line = line.substr(start);
        const std::size_t blank = line.find(' ');
        const std::string word = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (word == "pidfile") {
            script.pidFile = rest;
        } else if (word == "record") {
            script.recordFile = rest;
        } else if (word == "stamp") {
            script.stampFile = rest;
        } else if (word == "ignore-term") {
            script.ignoreTerm = true;
        } else if (word == "ignore-quit") {
            script.ignoreQuit = true;
        } else if (word == "at-start") {
            target = atStart;
        } else if (word == "on" || word == "once") {
            script.rules.push_back(Rule{rest, word == "once", false, {}});
            target = static_cast<long>(script.rules.size()) - 1;
        } else if (target == atStart) {
            script.startActions.push_back(line);
        } else if (target >= 0) {
            script.rules[static_cast<std::size_t>(target)].actions.push_back(line);
        }
    }
    return script;
}

bool matches(const std::string& command, const std::string& prefix) {
    return command == prefix ||
           (command.size() > prefix.size() && command.compare(0, prefix.size(), prefix) == 0 &&
            command[prefix.size()] == ' ');
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SCRIPT\n", argv[0]);
        return 2;
    }
    Script script = readScript(argv[1]);
    if (script.ignoreTerm) {
        std::signal(SIGTERM, SIG_IGN);
    }
    if (!script.pidFile.empty()) {
        std::ofstream(script.pidFile) << ::getpid() << "\n";
    }
    std::ofstream record;
    if (!script.recordFile.empty()) {
        record.open(script.recordFile, std::ios::app);
    }
    std::ofstream stamps;
    if (!script.stampFile.empty()) {
        stamps.open(script.stampFile, std::ios::app);
    }
    for (const auto& action : script.startActions) {
        run(action);
    }

    std::string command;
    while (std::getline(std::cin, command)) {
        if (!command.empty() && command.back() == '\r') {
            command.pop_back();
        }
        if (record.is_open()) {
            record << command << std::endl;
        }
        if (stamps.is_open()) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            stamps << (static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec) << ' '
                   << command << std::endl;
        }
        Rule* answering = nullptr;
        for (auto& rule : script.rules) {
            if (!(rule.once && rule.used) && matches(command, rule.prefix)) {
                answering = &rule;
                break;
            }
        }
        if (answering) {
            answering->used = true;
            for (const auto& action : answering->actions) {
                run(action);
            }
        } else if (command == "quit" && !script.ignoreQuit) {
            return 0;
        }
    }
    if (script.ignoreQuit) {
        hang();
    }
    return 0;
}
