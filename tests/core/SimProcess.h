#pragma once
// Runs q6k-sim as a child process for a test and stops it afterwards.

#include "TestSupport.h"

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class SimProcess
{
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            // A test that dies (a sanitizer's abort) takes its meter along:
            // a simulator left running would hold the test's output open and
            // keep ctest waiting for it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() == 1)
                _exit(127);
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(Q6K_SIM_PATH)};
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(Q6K_SIM_PATH, argv.data());
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[512];
        while (std::fgets(line, sizeof line, f)) {
            std::string l(line);
            if (!l.empty() && l.back() == '\n')
                l.pop_back();
            if (l.rfind("TCP 127.0.0.1:", 0) == 0)
                m_port = static_cast<unsigned short>(std::stoi(l.substr(14)));
            else if (l.rfind("RTU-TCP 127.0.0.1:", 0) == 0)
                m_rtuTcpPort = static_cast<unsigned short>(std::stoi(l.substr(18)));
            else if (l.rfind("RTU ", 0) == 0)
                m_rtuPath = l.substr(4);
            else if (l == "ready")
                break;
        }
        std::fclose(f);
    }
    ~SimProcess() { Stop(); }

    // Returns the exit status of a clean stop, or -1.
    int Stop()
    {
        if (m_pid <= 0)
            return m_status;
        kill(m_pid, SIGTERM);
        int st = 0;
        // A simulator that does not stop fails the test that stops it, at
        // once, instead of holding the whole run until its time-out.
        for (int waited = 0; waitpid(m_pid, &st, WNOHANG) == 0; waited += 10) {
            if (waited >= kStopWaitMs) {
                std::fprintf(stderr, "q6k-sim %d did not stop on SIGTERM\n", static_cast<int>(m_pid));
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &st, 0);
                break;
            }
            usleep(10000);
        }
        m_pid = -1;
        m_status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return m_status;
    }
    unsigned short Port() const { return m_port; }
    unsigned short RtuTcpPort() const { return m_rtuTcpPort; }
    const std::string& RtuPath() const { return m_rtuPath; }

private:
    static constexpr int kStopWaitMs = 20000; // ample under the sanitizers
    pid_t m_pid = -1;
    int m_status = -1;
    unsigned short m_port = 0;
    unsigned short m_rtuTcpPort = 0;
    std::string m_rtuPath;
};

// Links to a running simulator (the RTU line runs 8N1: a pseudo-terminal
// keeps no parity).
inline ComSettings SimTcp(const SimProcess& sim)
{
    return testsupport::TcpSettings("127.0.0.1", sim.Port());
}

// The simulator's RTU over TCP port, as a serial device server whose line
// runs at 38400 bit/s.
inline ComSettings SimRtuTcp(const SimProcess& sim)
{
    ComSettings s{ComSettings::NoLoad{}};
    s.Mode = kModeRtuTcp;
    s.ServerAddress = "127.0.0.1";
    s.RtuTcpServicePort = std::to_string(sim.RtuTcpPort());
    return s;
}

inline ComSettings SimRtu(const SimProcess& sim)
{
    ComSettings s = testsupport::Rs485Settings(sim.RtuPath());
    s.Parity = 0;
    return s;
}
