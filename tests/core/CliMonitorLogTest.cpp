// The command line's record of live values (monitor --csv) against the
// simulator: the rows beside the printed output, a meter switched off and on
// again part way, a process killed outright; and the report's CSV choices.
#include "CliRun.h"
#include "CsvParse.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

using namespace testsupport;

namespace {

constexpr std::size_t kColumns = 14; // time, eleven values, link, result
constexpr int kWaitMs = 20000;       // only a bound against a hang

std::string TcpLink(unsigned short port)
{
    return "--link tcp --host 127.0.0.1 --service " + std::to_string(port) + " ";
}

// The command line running on its own while the test looks at its file.
class Background
{
public:
    explicit Background(const std::string& args)
    {
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            const std::string command = std::string("exec ") + Q6K_CLI_PATH + " " + args;
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Background()
    {
        if (m_pid > 0)
            End(SIGKILL);
    }
    // Sends `signal` and returns how the process ended: its exit status, or
    // 128 + the signal that ended it.
    int End(int signal)
    {
        kill(m_pid, signal);
        int st = 0;
        waitpid(m_pid, &st, 0);
        m_pid = -1;
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }

private:
    pid_t m_pid = -1;
};

// Rows of the file that are whole so far (a row being written may be cut).
CsvRows WholeRows(const std::string& path)
{
    std::string text = ReadFile(path);
    text.erase(text.rfind("\r\n") == std::string::npos ? 0 : text.rfind("\r\n") + 2);
    return ParseCsv(text).value_or(CsvRows{});
}

bool IsError(const std::vector<std::string>& row)
{
    return row.size() == kColumns && row[13] != "ok";
}

bool WaitForRows(const std::string& path, const std::function<bool(const CsvRows&)>& enough)
{
    for (int waited = 0; waited < kWaitMs; waited += 10) {
        if (enough(WholeRows(path)))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Every row a whole row of the record: a header, then times in order.
void ExpectWholeRecord(const CsvRows& rows)
{
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0][0], "Time (UTC)");
    const std::regex time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), kColumns) << r;
        if (r == 0)
            continue;
        EXPECT_TRUE(std::regex_match(rows[r][0], time)) << rows[r][0];
        if (r > 1) {
            EXPECT_LE(rows[r - 1][0], rows[r][0]) << r;
        }
        if (IsError(rows[r])) {
            EXPECT_TRUE(std::all_of(rows[r].begin() + 1, rows[r].begin() + 12, [](auto& f) { return f.empty(); }));
            EXPECT_EQ(rows[r][12], "Communication error");
            EXPECT_FALSE(rows[r][13].empty());
        } else {
            EXPECT_EQ(rows[r][1], "SIMULATOR");
            EXPECT_EQ(rows[r][12], "Communicating");
        }
    }
}

class CliMonitorLog : public ::testing::Test
{
protected:
    TempConfigHome home;
    std::string Path(const std::string& name) const { return home.Dir() + "/" + name; }
};

} // namespace

TEST_F(CliMonitorLog, EachPollIsARowWithTheValuesPrinted)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    const std::string csv = Path("live.csv");
    CliRun r = Cli(TcpLink(sim.Port()) + "monitor --count 4 --interval 5 --csv " + csv);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::optional<CsvRows> rows = ParseCsv(ReadFile(csv));
    ASSERT_TRUE(rows.has_value()) << ReadFile(csv);
    ASSERT_EQ(rows->size(), 5u);
    ExpectWholeRecord(*rows);
    const std::vector<std::string> printed = Lines(r.out);
    ASSERT_EQ(printed.size(), 5u);
    for (std::size_t i = 1; i < rows->size(); ++i) {
        const auto& row = (*rows)[i];
        if (i > 1) {
            EXPECT_LT((*rows)[i - 1][0], row[0]) << "polls " << i - 1 << " and " << i;
        }
        EXPECT_EQ(row[9], "Q6KSIM01");
        EXPECT_EQ(row[11], "2.12");
        EXPECT_EQ(row[13], "ok");
        // The same eleven texts as the line printed for the poll.
        std::string line;
        for (std::size_t c = 1; c <= 11; ++c)
            line += (c > 1 ? "\t" : "") + row[c];
        EXPECT_EQ(line, printed[i]);
    }
    // The header's value columns are the printed header's.
    std::string header;
    for (std::size_t c = 1; c <= 11; ++c)
        header += (c > 1 ? "\t" : "") + (*rows)[0][c];
    EXPECT_EQ(header, printed[0]);

    EXPECT_EQ(Cli(TcpLink(sim.Port()) + "monitor --count 1 --interval -1").status, 2);
    EXPECT_EQ(Cli(TcpLink(sim.Port()) + "monitor --count 1 --csv-header").status, 2);
    r = Cli(TcpLink(sim.Port()) + "monitor --count 1 --csv " + Path("missing/live.csv"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The record " + Path("missing/live.csv") + " could not be created: No such file or directory\n");
    // A full disk: said, and the end of the command.
    r = Cli(TcpLink(sim.Port()) + "monitor --count 3 --csv /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The record /dev/full could not be written: No space left on device. Recording has stopped; the "
                     "rows written before are kept.\n");
}

TEST_F(CliMonitorLog, AMeterSwitchedOffAndOnGivesErrorRowsThenValuesAgain)
{
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--model", "15", "--tcp", "0"});
    const std::string port = std::to_string(sim->Port());
    const std::string csv = Path("live.csv");
    Background monitor(TcpLink(sim->Port()) + "monitor --csv " + csv);
    ASSERT_TRUE(WaitForRows(csv, [](const CsvRows& rows) { return rows.size() >= 3; }));

    sim.reset();
    ASSERT_TRUE(WaitForRows(csv, [](const CsvRows& rows) { return rows.size() > 1 && IsError(rows.back()); }));
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--model", "15", "--tcp", port});
    ASSERT_TRUE(WaitForRows(csv, [](const CsvRows& rows) { return rows.size() > 1 && !IsError(rows.back()); }));
    EXPECT_EQ(monitor.End(SIGINT), 130);

    const std::optional<CsvRows> rows = ParseCsv(ReadFile(csv));
    ASSERT_TRUE(rows.has_value()) << "whole up to the last poll after Ctrl-C";
    ExpectWholeRecord(*rows);
    // Good rows, then error rows, then good rows again: the record went on.
    std::string runs;
    for (std::size_t r = 1; r < rows->size(); ++r) {
        const char kind = IsError((*rows)[r]) ? 'E' : 'V';
        if (runs.empty() || runs.back() != kind)
            runs += kind;
    }
    EXPECT_EQ(runs, "VEV");
}

TEST_F(CliMonitorLog, AMonitorKilledOutrightLeavesOnlyWholeRows)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    const std::string csv = Path("live.csv");
    Background monitor(TcpLink(sim.Port()) + "monitor --csv " + csv);
    ASSERT_TRUE(WaitForRows(csv, [](const CsvRows& rows) { return rows.size() >= 6; }));
    EXPECT_EQ(monitor.End(SIGKILL), 128 + SIGKILL);
    const std::string text = ReadFile(csv);
    const std::optional<CsvRows> rows = ParseCsv(text);
    ASSERT_TRUE(rows.has_value()) << "a row cut short";
    EXPECT_GE(rows->size(), 6u);
    ExpectWholeRecord(*rows);
}

TEST_F(CliMonitorLog, TheReportsCsvTakesAHeaderAndAByteOrderMarkWhenAsked)
{
    const std::string file = Path("a.cfg"), other = Path("b, \"golden\".cfg");
    ASSERT_EQ(Cli("new 15 " + file).status, 0);
    ASSERT_EQ(Cli("new 15 '" + other + "'").status, 0);
    const std::string plain = Path("plain.csv"), marked = Path("marked.csv");
    ASSERT_EQ(Cli("report " + file + " --compare '" + other + "' --csv " + plain).status, 0);
    CliRun r = Cli("report " + file + " --compare '" + other + "' --csv " + marked + " --csv-header --csv-bom");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(marked),
              "\xEF\xBB\xBF\"Group\",\"Parameter\",\"PC\",\"b, \"\"golden\"\".cfg\"\r\n" + ReadFile(plain));
    EXPECT_EQ(ReadFile(plain).rfind("\"", 0), 0u);
    EXPECT_EQ(Cli("report " + file + " --csv-bom").status, 2) << "nothing to mark";
}
