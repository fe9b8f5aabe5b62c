#pragma once
// The record of the monitor's live values: a CSV file with a header row, then
// one row per poll: the time (UTC, ISO 8601 with milliseconds), the eleven
// values in the order of the monitor's value table, the status text the
// monitor shows and the result of the poll ("ok" or the error). A failed poll
// is a row with the values empty. Each row goes to the file in one write and
// reaches the disk before the next poll, so a crash or a power cut loses at
// most the poll in progress; a write that fails closes the record and leaves
// the file as it was before that row.

#include "model/Measurands.h"

#include <array>
#include <chrono>
#include <string>

namespace log_ids {
inline constexpr unsigned kColumnTime = 17305;
inline constexpr unsigned kColumnLink = 17306;
inline constexpr unsigned kColumnResult = 17307;
inline constexpr unsigned kResultOk = 17308;
inline constexpr unsigned kWriteFailed = 17309;  // %1 path, %2 system text
inline constexpr unsigned kCreateFailed = 17310; // %1 path, %2 system text
// The monitor's status texts.
inline constexpr unsigned kCommunicating = 12961;
inline constexpr unsigned kCommunicationError = 12962;
// The value table's labels, in the order of kColumnMeasurands.
inline constexpr unsigned kFirstValueLabel = 13020;
} // namespace log_ids

class CLiveValueLog
{
public:
    // Measurand numbers of the value columns: the monitor's table, top to bottom.
    static constexpr std::array<int, CMeasurands::kMeasurandCount> kColumnMeasurands = {4,  5, 6, 7, 9, 8,
                                                                                        10, 0, 3, 1, 2};
    using Clock = std::chrono::system_clock;

    CLiveValueLog() = default;
    ~CLiveValueLog();
    CLiveValueLog(const CLiveValueLog&) = delete;
    CLiveValueLog& operator=(const CLiveValueLog&) = delete;

    // Creates `path` (an older file of that name is replaced) and writes the
    // header row. Raises CPrivateException when it cannot.
    void Open(const std::string& path);
    // Adds the row of one poll: `values` when it succeeded, nullptr when it
    // failed with `error`. On a failed write raises CPrivateException and
    // closes the record; the rows written before stay whole.
    void AddPoll(Clock::time_point time, const CMeasurands* values, const std::string& error = {});
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }
    // Rows of polls written since Open (the header not counted).
    long long Rows() const { return m_rows; }

    // The lines as they are written, each ended by CR LF.
    static std::string HeaderLine();
    static std::string PollLine(Clock::time_point time, const CMeasurands* values, const std::string& error);

private:
    // Appends `line` whole or not at all.
    void Append(const std::string& line);

    std::string m_path;
    int m_fd = -1;
    long long m_rows = 0;
};
