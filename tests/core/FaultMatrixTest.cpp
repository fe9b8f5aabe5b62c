// Every fault a meter or a gateway shows, on both links, in every job that
// talks to a meter: the result is exact, or the failure says what went wrong;
// never a wrong image or file, never a wait past what the time-outs allow,
// and a cancel leaves everything as it was.
#include "DistinctImage.h"
#include "FileTestSupport.h"
#include "SimProcess.h"

#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "jobs/TransferJobs.h"
#include "model/BlockTable.h"
#include "model/Measurands.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

using namespace testsupport;

namespace {

constexpr int kModel = 15;

enum class Link { Rtu, Tcp, RtuTcp };
enum class Job { Upload, Download, MonitorPoll };

CRegisterImage Distinct(unsigned base, unsigned step)
{
    CRegisterImage image = DistinctImage(kModel, base, step);
    image.SetWord(76, 0); // the word order stays as the meter has it
    return image;
}

// The words a transfer carries, which must match exactly.
void ExpectSameSettings(const CRegisterImage& got, const CRegisterImage& want)
{
    ASSERT_TRUE(got.Identity() == want.Identity());
    for (const SRegisterBlock& b : kBlockTable) {
        if (!BlockApplies(b, want.CapabilityFlags()))
            continue;
        for (int w = 0; w < RegisterCount(b); ++w)
            ASSERT_EQ(got.GetWord(b.firstWord + w), want.GetWord(b.firstWord + w)) << "word " << b.firstWord + w;
    }
}

const std::string kWrap = "Communication error. Please check device address, pc communication port setting, cable, "
                          "device power.\r\rError Information:\r";

// The failure of the first request of each job, with `reason`.
std::string FirstRequestFailure(Job job, const std::string& reason)
{
    switch (job) {
    case Job::Upload:
        return kWrap + "Modbus command failed. command=ReadHoldingRegister address=7007 size=1 reason=" + reason + ".";
    case Job::Download:
        return kWrap + "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=" + reason + ".";
    case Job::MonitorPoll: break;
    }
    return "Modbus command failed. command=ReadHoldingRegister address=7008 size=1 reason=" + reason + ".";
}

struct Fault
{
    const char* name;
    // "EVERY" and "LATE" stand for the job's numbers below.
    std::vector<std::string> args;
    bool rtu, tcp;
    const char* reason; // nullptr: the job must succeed exactly
    bool download;      // a failing write waits seconds per attempt: only where it tells something new
};

const Fault kFaults[] = {
    {"AnswerDroppedNowAndThen", {"--drop", "1", "--fault-every", "EVERY"}, true, true, nullptr, true},
    {"AnswerAlwaysDropped", {"--drop", "1"}, true, true, "timeout", false},
    {"CrcCorruptedNowAndThen", {"--corrupt-crc", "1", "--fault-every", "EVERY"}, true, false, nullptr, true},
    {"CrcAlwaysCorrupted", {"--corrupt-crc", "1"}, true, false, "crc error", false},
    {"AnswerAlwaysLaterThanTheTimeOut", {"--late", "LATE"}, true, true, "timeout", false},
    {"AnswerLateNowAndThen", {"--late", "LATE", "--fault-every", "EVERY"}, true, true, nullptr, true},
    {"AnswerInTwoSegments", {"--split-tcp"}, false, true, nullptr, true},
    {"WrongTransactionNowAndThen", {"--wrong-tid", "1", "--fault-every", "EVERY"}, false, true, nullptr, true},
    {"WrongTransactionAlways", {"--wrong-tid", "1"}, false, true, "invalid transaction", true},
    {"ForeignProtocolNowAndThen", {"--protocol-id", "1", "--fault-every", "EVERY"}, false, true, nullptr, true},
    {"ForeignProtocolAlways", {"--protocol-id", "1"}, false, true, "invalid response", false},
    {"AnswerLateNowAndThenWhileTheRetryIsAnswered",
     {"--late-first", "LATE", "--fault-every", "EVERY"},
     true,
     true,
     nullptr,
     true},
    {"ExceptionNowAndThen", {"--exception", "4", "--fault-every", "EVERY"}, true, true, nullptr, true},
    {"ExceptionAlways", {"--exception", "4"}, true, true, "receive exception 4", true},
    {"ClosedByTheMeterAfterAnAnswer", {"--close-after", "5"}, false, true, nullptr, true},
    {"ClosedByTheMeterInsteadOfAnAnswer", {"--close-after", "5", "--close-unanswered"}, false, true, nullptr, true},
};

// Through a serial device server the meter's faults are those of its RTU
// line, and the connection's those of any TCP server.
bool OnRtuTcp(const Fault& f)
{
    const std::string& first = f.args.front();
    return f.rtu || first == "--split-tcp" || first == "--close-after";
}

struct Cell
{
    const Fault* fault;
    Link link;
    Job job;
};

// A fault every EVERY requests: a few per job (an upload has about 96
// requests, a download 98, a poll 16); a download's single one hits a write.
int Every(const Cell& c)
{
    switch (c.job) {
    case Job::Upload: return c.link == Link::Tcp ? 48 : 32;
    case Job::Download: return 60;
    case Job::MonitorPoll: break;
    }
    return 6;
}

// Later than the time-out of what is asked: a read (206 ms at 38400 bit/s),
// a write (4.2 s), any TCP request (5 s).
int Lateness(const Cell& c)
{
    if (c.link == Link::Tcp)
        return 5200;
    // Through a device server the time-outs are 100 ms longer.
    const int network = c.link == Link::RtuTcp ? 100 : 0;
    return (c.job == Job::Download ? 4500 : 400) + network;
}

// The longest the job may take: a little for the work, and for each fault
// hit all attempts with their time-outs and the quiet waited for between.
std::chrono::milliseconds Bound(const Cell& c)
{
    const int requests = c.job == Job::MonitorPoll ? 16 : 98;
    const bool always = std::find(c.fault->args.begin(), c.fault->args.end(), "--fault-every") == c.fault->args.end();
    const int hits = always ? 1 : requests / Every(c) + 1;
    int timeout = c.link == Link::Tcp ? 5000 : c.job == Job::Download ? 4300 : 210;
    if (c.link == Link::RtuTcp)
        timeout += 100;
    const int perHit = 3 * timeout + 7 * timeout + Lateness(c);
    return std::chrono::milliseconds(10000 + hits * perHit);
}

std::vector<std::string> SimArgs(const Cell& c, const std::string& load, const std::string& save)
{
    std::vector<std::string> args{"--load", load, "--save", save};
    if (c.link == Link::Tcp)
        args.insert(args.end(), {"--tcp", "0"});
    else if (c.link == Link::RtuTcp)
        args.insert(args.end(), {"--rtu-tcp", "0"});
    else
        args.insert(args.end(), {"--rtu", "--parity", "none"});
    for (const std::string& a : c.fault->args)
        args.push_back(a == "EVERY" ? std::to_string(Every(c)) : a == "LATE" ? std::to_string(Lateness(c)) : a);
    return args;
}

class FaultMatrix : public ::testing::TestWithParam<Cell>
{
protected:
    TempConfigHome home;
    filetest::TempDir dir;
};

TEST_P(FaultMatrix, ExactResultOrTheRightFailure)
{
    const Cell& c = GetParam();
    const CRegisterImage meterSettings = Distinct(0x1100, 7);
    CConfigFile::Save(meterSettings, dir.Path("meter.cfg"));
    SimProcess sim(SimArgs(c, dir.Path("meter.cfg"), dir.Path("after.cfg")));
    CModbusInterface link(c.link == Link::Tcp ? SimTcp(sim) : c.link == Link::RtuTcp ? SimRtuTcp(sim) : SimRtu(sim));

    const auto start = std::chrono::steady_clock::now();
    std::string failure = "(no failure)";
    switch (c.job) {
    case Job::Upload: {
        CRegisterImage image;
        image.ResetForModel(3, true); // what the window held before
        const CRegisterImage before = image;
        failure = FailureOf([&] { ASSERT_TRUE(RunUpload(link, image, nullptr)); });
        if (c.fault->reason)
            EXPECT_TRUE(image == before);
        else
            ExpectSameSettings(image, meterSettings);
        break;
    }
    case Job::Download: {
        const CRegisterImage sent = Distinct(0x2200, 5);
        failure = FailureOf([&] { ASSERT_TRUE(RunDownload(link, sent, nullptr)); });
        sim.Stop();
        const CRegisterImage after = CConfigFile::Read(dir.Path("after.cfg"));
        ExpectSameSettings(after, c.fault->reason ? meterSettings : sent);
        break;
    }
    case Job::MonitorPoll: {
        CMeasurands values;
        failure = FailureOf([&] {
            link.Open();
            values.ReadAll(link);
        });
        link.Close();
        if (!c.fault->reason) {
            EXPECT_EQ(values.Identity().Code(), kModel);
            EXPECT_EQ(values.InputType(), meterSettings.GetWord(0));
            EXPECT_EQ(values.DecimalPoint(), meterSettings.GetWord(10));
            EXPECT_EQ(values.AnalogOutputType(), meterSettings.GetWord(60));
            EXPECT_EQ(values.HardwareVersion(), 105);
            EXPECT_EQ(values.FirmwareVersion(), 212);
        }
        break;
    }
    }
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(failure, c.fault->reason ? FirstRequestFailure(c.job, c.fault->reason) : "(no failure)");
    EXPECT_LE(took, Bound(c)) << "waited past every time-out";
}

std::vector<Cell> AllCells()
{
    std::vector<Cell> cells;
    for (const Fault& f : kFaults)
        for (Link link : {Link::Rtu, Link::Tcp, Link::RtuTcp})
            for (Job job : {Job::Upload, Job::Download, Job::MonitorPoll})
                if ((link == Link::Rtu   ? f.rtu
                     : link == Link::Tcp ? f.tcp
                                         : OnRtuTcp(f)) &&
                    (job != Job::Download || f.download))
                    cells.push_back({&f, link, job});
    return cells;
}

std::string CellName(const ::testing::TestParamInfo<Cell>& info)
{
    const Cell& c = info.param;
    static const char* const kJobs[] = {"Upload", "Download", "MonitorPoll"};
    static const char* const kLinks[] = {"_Rtu_", "_Tcp_", "_RtuTcp_"};
    return std::string(c.fault->name) + kLinks[static_cast<int>(c.link)] + kJobs[static_cast<int>(c.job)];
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(AllCells()), CellName);

// A socket bound to 127.0.0.1 on a free port; the port in `port`.
int BoundLoopback(std::string& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    port = std::to_string(ntohs(a.sin_port));
    return fd;
}

// A device server that refuses, closes each connection instead of
// answering, or takes no connection (as one that is not there, where the
// connect ends at its time-out, or at once on Abort): the upload fails with
// the server named and why, and leaves the image as it was.
TEST(DeviceServer, EveryConnectionFailureNamesTheServerAndWhy)
{
    TempConfigHome home;
    std::string refusing, hanging;
    close(BoundLoopback(refusing)); // nobody listens there
    // A full queue of connections: the system drops further connects'
    // requests, so they hang.
    const int listening = BoundLoopback(hanging);
    ASSERT_EQ(listen(listening, 0), 0);
    const int queued = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(std::stoi(hanging)));
    ASSERT_EQ(connect(queued, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    SimProcess closing({"--rtu-tcp", "0", "--close-after", "1", "--close-unanswered"});
    const std::string closingPort = std::to_string(closing.RtuTcpPort());

    const std::string named = "The serial device server 127.0.0.1:";
    struct Case
    {
        std::string port;
        bool abort;
        std::string failure;
    };
    // Failures of the connect come as they are; one at a request, wrapped.
    for (const Case& c : {Case{refusing, false, named + refusing + " can not be reached.\rConnection refused"},
                          Case{closingPort, false, kWrap + named + closingPort + " closed the connection."},
                          Case{hanging, false, named + hanging + " can not be reached.\rConnection timed out"},
                          Case{hanging, true, named + hanging + " can not be reached.\rOperation canceled"}}) {
        ComSettings s = SimRtuTcp(closing);
        s.RtuTcpServicePort = c.port;
        CModbusInterface link(s);
        CRegisterImage image;
        image.ResetForModel(3, true);
        const CRegisterImage before = image;
        std::thread aborter([&] {
            if (!c.abort)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            link.Abort(); // as the Cancel button does
        });
        EXPECT_EQ(FailureOf([&] { ASSERT_TRUE(RunUpload(link, image, nullptr)); }), c.failure);
        aborter.join();
        EXPECT_TRUE(image == before);
    }
    close(queued);
    close(listening);
}

// Cancel at a moment of the upload, with lost answers on the way so that it
// also meets the job in its waits: the caller's image, and the file the
// command line was told to write, stay as they were unless the job had ended.
class CancelAnyMoment : public ::testing::TestWithParam<std::tuple<Link, int>>
{
protected:
    TempConfigHome home;
    filetest::TempDir dir;
};

TEST_P(CancelAnyMoment, LeavesTheImageAndTheFileUnchanged)
{
    const auto [linkKind, moment] = GetParam();
    const CRegisterImage meterSettings = Distinct(0x1100, 7);
    CConfigFile::Save(meterSettings, dir.Path("meter.cfg"));
    std::vector<std::string> args{"--load", dir.Path("meter.cfg"), "--drop", "1", "--fault-every", "20"};
    if (linkKind == Link::Tcp)
        args.insert(args.end(), {"--tcp", "0", "--delay", "2"});
    else
        args.insert(args.end(), {"--rtu", "--parity", "none"});
    SimProcess sim(args);
    const ComSettings settings = linkKind == Link::Tcp ? SimTcp(sim) : SimRtu(sim);

    {
        CModbusInterface link(settings);
        CRegisterImage image;
        image.ResetForModel(3, true);
        const CRegisterImage before = image;
        std::atomic<bool> cancel{false};
        std::atomic<int> outcome{-1};
        std::thread worker([&] {
            try {
                outcome = RunUpload(link, image, nullptr, &cancel) ? 1 : 0;
            } catch (const CPrivateException&) {
                outcome = 2;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(moment));
        cancel = true;
        link.Abort(); // as the Cancel button does
        worker.join();
        if (outcome == 1)
            ExpectSameSettings(image, meterSettings);
        else
            EXPECT_TRUE(image == before) << "outcome " << outcome;
    }

    // The command line, stopped by Ctrl-C: the file it would write keeps its
    // old content.
    const std::string out = dir.Path("out.cfg");
    filetest::WriteText(out, "[Q6K]\nModel=2001\n");
    std::vector<std::string> cli;
    if (linkKind == Link::Tcp)
        cli.insert(cli.end(), {"--link", "tcp", "--host", "127.0.0.1", "--service", std::to_string(sim.Port())});
    else
        cli.insert(cli.end(), {"--link", "rtu", "--port", sim.RtuPath(), "--parity", "none"});
    cli.insert(cli.end(), {"upload", out});
    pid_t pid = fork();
    if (pid == 0) {
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(Q6K_CLI_PATH)};
        for (auto& a : cli)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(Q6K_CLI_PATH, argv.data());
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(moment));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    // Stopped before it took the signal over, it ends by the signal itself.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        ExpectSameSettings(CConfigFile::Read(out), meterSettings);
    else
        EXPECT_EQ(filetest::ReadText(out), "[Q6K]\nModel=2001\n") << "status " << status;
}

INSTANTIATE_TEST_SUITE_P(Moments, CancelAnyMoment,
                         ::testing::Combine(::testing::Values(Link::Rtu, Link::Tcp),
                                            ::testing::Values(0, 30, 120, 400, 900, 2500)),
                         [](const ::testing::TestParamInfo<std::tuple<Link, int>>& info) {
                             return std::string(std::get<0>(info.param) == Link::Tcp ? "Tcp" : "Rtu") + "_" +
                                    std::to_string(std::get<1>(info.param)) + "ms";
                         });

} // namespace
