#pragma once
// A plant of simulated gateways for the tests: one q6k-sim per line, its
// units all of one model, and the plant file that reaches them.

#include "SimProcess.h"

#include "files/ConfigFile.h"

#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>

namespace testsupport {

// A golden file of model 15 that a factory meter differs from in two lockouts
// (902 and 904).
inline CRegisterImage PlantGolden()
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    image.SetWord(46, 1); // both 0 in the factory settings
    image.SetWord(48, 1);
    return image;
}

// A TCP port on 127.0.0.1 that nothing listens on: a gateway that is down.
inline unsigned short ClosedPort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

class SimPlant
{
public:
    // The plant file and golden.cfg go into `dir`; each gateway's units are
    // saved in dir/LINE/ when it stops.
    explicit SimPlant(std::string dir) : m_dir(std::move(dir))
    {
        CConfigFile::Save(PlantGolden(), m_dir + "/golden.cfg");
    }

    // A gateway serving `units` (model 15, factory settings); `holding`: the
    // units that already hold the golden file; `extra`: more of the
    // simulator's options (per-unit sections).
    SimProcess& AddLine(const std::string& name, const std::string& units, const std::vector<int>& holding,
                        bool rtuTcp = false, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {
            rtuTcp ? "--rtu-tcp" : "--tcp", "0", "--units", units, "--model", "15", "--save-dir", m_dir + "/" + name};
        for (int unit : holding)
            args.insert(args.end(), {"--unit", std::to_string(unit), "--load", m_dir + "/golden.cfg"});
        args.insert(args.end(), extra.begin(), extra.end());
        m_sims.push_back(std::make_unique<SimProcess>(args));
        const SimProcess& sim = *m_sims.back();
        m_yaml += "  - name: " + name + "\n    link: " + (rtuTcp ? "rtu-tcp" : "tcp") +
                  "\n    host: 127.0.0.1\n    service: " + std::to_string(rtuTcp ? sim.RtuTcpPort() : sim.Port()) +
                  "\n    meters:\n      - {address: \"" + units + "\", file: golden.cfg}\n";
        return *m_sims.back();
    }
    // A line whose gateway is down.
    void AddDeadLine(const std::string& name, const std::string& units)
    {
        m_yaml += "  - name: " + name +
                  "\n    link: tcp\n    host: 127.0.0.1\n    service: " + std::to_string(ClosedPort()) +
                  "\n    meters:\n      - {address: \"" + units + "\", file: golden.cfg}\n";
    }
    std::string Write() const
    {
        const std::string path = m_dir + "/plant.yaml";
        std::ofstream(path) << "lines:\n" << m_yaml;
        return path;
    }
    // Stops every gateway, so that each unit's settings are saved.
    void Stop()
    {
        for (auto& sim : m_sims)
            sim->Stop();
    }
    // What a unit held when its gateway stopped.
    CRegisterImage Unit(const std::string& line, int address) const
    {
        char name[32];
        std::snprintf(name, sizeof name, "/addr-%03d.cfg", address);
        return CConfigFile::Read(m_dir + "/" + line + name);
    }

private:
    std::string m_dir;
    std::string m_yaml;
    std::vector<std::unique_ptr<SimProcess>> m_sims;
};

} // namespace testsupport
