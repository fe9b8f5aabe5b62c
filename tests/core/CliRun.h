#pragma once
// Runs the command line as a user would, with its output caught, and Ctrl-C
// at a chosen moment.

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

struct CliRun
{
    int status = -1;
    std::string out, err;
};

struct CliOptions
{
    int interruptAfterMs = -1;  // >= 0: SIGINT then
    std::string interruptOnErr; // not empty: SIGINT once standard error holds it
    std::string interruptOnOut; // not empty: SIGINT once standard output holds it
    std::string dir;            // not empty: the working folder
};

// Runs a shell command, its output caught.
inline CliRun Shell(const std::string& command, const CliOptions& options = {})
{
    char outPath[] = "/tmp/q6k-cli-out-XXXXXX", errPath[] = "/tmp/q6k-cli-err-XXXXXX";
    close(mkstemp(outPath));
    close(mkstemp(errPath));
    pid_t pid = fork();
    if (pid == 0) {
        if (!options.dir.empty() && chdir(options.dir.c_str()) != 0)
            _exit(127);
        std::string cmd = "{ " + command + "\n} >" + std::string(outPath) + " 2>" + errPath + " </dev/null";
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    auto slurp = [](const char* p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    int st = 0;
    bool ended = false;
    if (options.interruptAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(options.interruptAfterMs));
        kill(pid, SIGINT);
    } else if (!options.interruptOnErr.empty() || !options.interruptOnOut.empty()) {
        // Polled: the text marks the moment the command waits on the meter.
        const bool onErr = !options.interruptOnErr.empty();
        while (!(ended = waitpid(pid, &st, WNOHANG) == pid)) {
            if (slurp(onErr ? errPath : outPath).find(onErr ? options.interruptOnErr : options.interruptOnOut) !=
                std::string::npos) {
                kill(pid, SIGINT);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (!ended)
        waitpid(pid, &st, 0);
    CliRun r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    unlink(outPath);
    unlink(errPath);
    return r;
}

// Runs the command line.
inline CliRun Cli(const std::string& args, const CliOptions& options)
{
    return Shell(std::string("exec ") + Q6K_CLI_PATH + " " + args, options);
}

inline CliRun Cli(const std::string& args, int interruptAfterMs = -1)
{
    CliOptions options;
    options.interruptAfterMs = interruptAfterMs;
    return Cli(args, options);
}

// The lines of a command's output, without their ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testsupport
