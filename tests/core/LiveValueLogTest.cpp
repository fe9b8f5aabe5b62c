// The record of the monitor's live values: its columns, the rows of good and
// failed polls with their UTC times, and a disk that fills up part way.
#include "CsvParse.h"
#include "FileTestSupport.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/LiveValueLog.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace filetest;
using namespace testsupport;

namespace {

constexpr std::size_t kColumns = 14; // time, eleven values, link, result

CLiveValueLog::Clock::time_point Utc(int year, int month, int day, int hour, int minute, int second, int ms)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return CLiveValueLog::Clock::from_time_t(timegm(&tm)) + std::chrono::milliseconds(ms);
}

CsvRows ReadRows(const std::string& path)
{
    const std::optional<CsvRows> rows = ParseCsv(ReadText(path));
    EXPECT_TRUE(rows.has_value()) << ReadText(path);
    return rows.value_or(CsvRows{});
}

} // namespace

TEST(LiveValueLog, GoodAndFailedPollsUnderTheMonitorsColumnNames)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    CMeasurands values;
    link.Open();
    values.ReadAll(link);
    link.Close();

    TempDir dir;
    const std::string path = dir.Path("live.csv");
    WriteText(path, std::string(5000, 'x')); // an older file of that name
    CLiveValueLog log;
    log.Open(path);
    EXPECT_TRUE(log.IsOpen());
    log.AddPoll(Utc(2026, 12, 9, 1, 2, 3, 456), &values);
    log.AddPoll(Utc(2026, 12, 9, 1, 2, 3, 789), nullptr, "No answer.\r\nThe meter did not answer, \"twice\".");
    log.AddPoll(Utc(2026, 12, 9, 1, 2, 4, 12), &values);
    EXPECT_EQ(log.Rows(), 3);
    log.Close();
    log.AddPoll(Utc(2026, 12, 9, 1, 2, 5, 0), &values); // closed: nothing more
    EXPECT_EQ(log.Rows(), 3);

    const CsvRows rows = ReadRows(path);
    ASSERT_EQ(rows.size(), 4u);
    for (const auto& row : rows)
        EXPECT_EQ(row.size(), kColumns);
    const std::vector<std::string> header = {
        "Time (UTC)",    "Tag name", "Display value", "Max value",        "Min value",        "Status", "Error code",
        "Analog output", "Model",    "Serial number", "Hardware version", "Firmware version", "Link",   "Result"};
    EXPECT_EQ(rows[0], header);

    EXPECT_EQ(rows[1][0], "2026-12-09T01:02:03.456Z");
    EXPECT_EQ(rows[1][1], "SIMULATOR");
    EXPECT_EQ(rows[1][6], "0000");
    EXPECT_EQ(rows[1][9], "Q6KSIM01");
    EXPECT_EQ(rows[1][10], "1.05");
    EXPECT_EQ(rows[1][11], "2.12");
    EXPECT_FALSE(rows[1][2].empty()) << "the display value";
    EXPECT_EQ(rows[1][12], "Communicating");
    EXPECT_EQ(rows[1][13], "ok");

    // A failed poll: no values, the error on one line.
    EXPECT_EQ(rows[2][0], "2026-12-09T01:02:03.789Z");
    for (std::size_t c = 1; c <= 11; ++c)
        EXPECT_EQ(rows[2][c], "") << c;
    EXPECT_EQ(rows[2][12], "Communication error");
    EXPECT_EQ(rows[2][13], "No answer.  The meter did not answer, \"twice\".");
    EXPECT_EQ(rows[3][0], "2026-12-09T01:02:04.012Z");
    EXPECT_EQ(rows[3][9], "Q6KSIM01");
}

TEST(LiveValueLog, TheColumnNamesFollowTheDisplayLanguage)
{
    ASSERT_TRUE(CStringTable::LoadLanguageFile(std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt"));
    const std::optional<CsvRows> rows = ParseCsv(CLiveValueLog::HeaderLine());
    const std::string tagName = CStringTable::Get(log_ids::kFirstValueLabel);
    const std::optional<CsvRows> failed = ParseCsv(CLiveValueLog::PollLine(Utc(2026, 1, 2, 3, 4, 5, 6), nullptr, "x"));
    CStringTable::UnloadLanguage();
    ASSERT_TRUE(rows.has_value() && failed.has_value());
    ASSERT_EQ(rows->size(), 1u);
    EXPECT_EQ((*rows)[0][0], "時刻 (UTC)");
    EXPECT_EQ((*rows)[0][1], tagName);
    EXPECT_NE(tagName, "Tag name");
    EXPECT_EQ((*failed)[0][12], "通信エラー");
}

TEST(LiveValueLog, AFullDiskEndsTheRecordAndKeepsEveryRowBefore)
{
    TempDir dir;
    const std::string path = dir.Path("live.csv");
    CMeasurands values;
    CLiveValueLog log;
    log.Open(path);
    log.AddPoll(Utc(2026, 12, 9, 1, 0, 0, 0), &values);
    const std::string before = ReadText(path);

    // Room for a part of the next row only.
    FileSizeLimit limit(before.size() + 20);
    try {
        log.AddPoll(Utc(2026, 12, 9, 1, 0, 1, 0), nullptr, "No answer.");
        ADD_FAILURE() << "the write failed";
    } catch (const CPrivateException& e) {
        EXPECT_EQ(e.Text(), "The record " + path +
                                " could not be written: File too large. Recording has stopped; the rows written "
                                "before are kept.");
    }
    limit.Lift();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.Rows(), 1);
    EXPECT_EQ(ReadText(path), before) << "no part of the row that failed";
    EXPECT_EQ(ReadRows(path).size(), 2u);

    try {
        CLiveValueLog().Open(dir.Path("missing/live.csv"));
        ADD_FAILURE() << "opened";
    } catch (const CPrivateException& e) {
        EXPECT_EQ(e.Text(),
                  "The record " + dir.Path("missing/live.csv") + " could not be created: No such file or directory");
    }
}
