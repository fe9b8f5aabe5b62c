// The command-line tool as a user runs it, against a scripted meter on a
// pseudo-terminal.
#include "TestSupport.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace testsupport;

namespace {

struct CliResult
{
    int status = -1;
    std::string out, err;
};

// `program` may run the tool through another, such as setpriv.
CliResult RunCli(const std::string& args, const std::string& program = Q6K_CLI_PATH)
{
    char errPath[] = "/tmp/q6k-cli-err-XXXXXX";
    int fd = mkstemp(errPath);
    close(fd);
    std::string cmd = program + " " + args + " 2>" + errPath + " </dev/null";
    CliResult r;
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream in(errPath);
    std::ostringstream s;
    s << in.rdbuf();
    r.err = s.str();
    unlink(errPath);
    return r;
}

} // namespace

TEST(Cli, ReadsAndWritesRegistersOverRtu)
{
    TempConfigHome home;
    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.Register(9600) = 2001;
    meter.Register(9601) = 0x0102;
    const std::string link = "--link rtu --port " + pty.SlavePath() + " --baud 19200 --parity even --address 12 ";

    CliResult r = RunCli(link + "read 9600 2");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "9600 2001\n9601 258\n");
    EXPECT_EQ(meter.Requests().at(0), WithCrc({12, 0x04, 0x25, 0x80, 0x00, 0x02}));

    r = RunCli(link + "write 900 1 255 -1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(meter.Register(900), 1);
    EXPECT_EQ(meter.Register(901), 0x00FF);
    EXPECT_EQ(meter.Register(902), 0xFFFF);
    // Numbers are decimal only: a hexadecimal value is refused before the link opens.
    const std::size_t sent = meter.Requests().size();
    r = RunCli(link + "write 900 0x10");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(meter.Requests().size(), sent);
    EXPECT_EQ(meter.Register(900), 1);

    // Long reads are split into requests a meter accepts.
    r = RunCli(link + "read 0 300");
    EXPECT_EQ(r.status, 0) << r.err;
    auto req = meter.Requests();
    ASSERT_EQ(req.size(), 5u);
    EXPECT_EQ(req[2][5], 125);
    EXPECT_EQ(req[4][5], 50);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 300);
}

TEST(Cli, StoredSettingsApplyWhereNoOptionIsGiven)
{
    TempConfigHome home;
    PtyPair pty;
    FakeMeter meter(pty.Master());
    ComSettings s = InfraredSettings(pty.SlavePath());
    s.Save();
    meter.Register(7006) = 1;
    CliResult r = RunCli("--trace read 7006");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "7006 1\n");
    EXPECT_EQ(meter.Requests().at(0)[0], 1); // the infrared unit
    EXPECT_NE(r.err.find("ReadHoldingRegisters: adrs=7007 size=1"), std::string::npos);
}

TEST(Cli, FailuresAndBadInputGiveAMessageAndNonZeroStatus)
{
    TempConfigHome home;
    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.SetResponder([](const Bytes& req, int) { return WithCrc({req[0], 0x84, 0x02}); });
    const std::string link = "--link rtu --port " + pty.SlavePath() + " ";

    CliResult r = RunCli(link + "read 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Modbus command failed. command=ReadHoldingRegister address=1 size=1 reason=receive exception 2.\n");

    r = RunCli("--port /dev/nonexistent-q6k read 0");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Communication port /dev/nonexistent-q6k can not be opened.\nNo such file or directory\n");

    for (const char* bad :
         {"read 65536", "read 1 0", "read x", "write 5", "write 5 70000", "frobnicate", "--baud 1234 read 0",
          "--address 248 read 0", "--link tcpx read 0", "--bogus read 0", "read 1 2 3"}) {
        r = RunCli(link + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("Try 'v6uvuv-cli --help'."), std::string::npos) << bad;
    }
    EXPECT_EQ(meter.Requests().size(), 3u); // only the first, failing read reached the meter

    r = RunCli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: v6uvuv-cli [OPTIONS] COMMAND [ARGS]", 0), 0u);
}

TEST(Cli, ModelTablesAndIdentify)
{
    TempConfigHome home;
    CliResult r = RunCli("models");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 154);
    EXPECT_EQ(r.out.rfind("0\t2001\t0\t0x85000001\tV6ED-10o0 Voltage input\n", 0), 0u);

    r = RunCli("params 15");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Input\tInput type\t1.0000 to 5.0000 Vdc\n"), std::string::npos);
    EXPECT_NE(r.out.find("Input\tTemperature unit\t\n"), std::string::npos); // a DC model has none
    EXPECT_EQ(RunCli("params 154").status, 2);
    EXPECT_EQ(RunCli("params -1").status, 2);

    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.Register(9600) = 2001;
    meter.Register(9601) = 0;
    const std::string link = "--link rtu --port " + pty.SlavePath() + " ";
    r = RunCli(link + "identify");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0\tV6ED-10o0 Voltage input\n");
    meter.Register(9601) = 99;
    r = RunCli(link + "identify");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "This device is not supported. (device id=2001, extension id=99)\n");
}

TEST(Cli, APortTheUserMayNotOpenSaysWhichGroupMayAndMembershipIsEnough)
{
    // A serial port as Debian sets one up: root's, open to group dialout.
    TempConfigHome home;
    chmod(home.Dir().c_str(), 0755);
    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.Register(9600) = 2001;
    const group* entry = getgrnam("dialout");
    ASSERT_NE(entry, nullptr);
    const gid_t dialout = entry->gr_gid;
    ASSERT_EQ(chown(pty.SlavePath().c_str(), 0, dialout), 0);
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0660), 0);
    const std::string args = "--link rtu --port " + pty.SlavePath() + " --parity none read 9600";
    // The build tree may sit where that user cannot go (a home folder): run a
    // copy from a folder open to everyone.
    const std::string copy = home.Dir() + "/v6uvuv-cli";
    std::filesystem::copy_file(Q6K_CLI_PATH, copy);
    chmod(copy.c_str(), 0755);
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 ";

    CliResult r = RunCli(args, asNobody + "--clear-groups " + copy);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Communication port " + pty.SlavePath() +
                         " can not be opened.\nPermission denied\n"
                         "The port belongs to the group \"dialout\"; your user must be a member of it "
                         "(sudo usermod -aG dialout $USER, then log in again).\n");

    r = RunCli(args, asNobody + "--groups=" + std::to_string(dialout) + " " + copy);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "9600 2001\n");
}
