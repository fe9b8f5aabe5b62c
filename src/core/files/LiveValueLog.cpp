#include "files/LiveValueLog.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/ParameterReport.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A message as one field of one line: line breaks become spaces, and the
// padding some status texts carry for the window goes.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Join(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line += ',';
        line += CParameterReport::CsvField(fields[i]);
    }
    return line + "\r\n";
}

} // namespace

CLiveValueLog::~CLiveValueLog()
{
    Close();
}

std::string CLiveValueLog::TimeText(Clock::time_point time)
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0));
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>((ms % 1000 + 1000) % 1000));
    return text;
}

std::string CLiveValueLog::HeaderLine()
{
    std::vector<std::string> fields{CStringTable::Get(log_ids::kColumnTime)};
    for (int i = 0; i < CMeasurands::kMeasurandCount; ++i)
        fields.push_back(OneLine(CStringTable::Get(log_ids::kFirstValueLabel + static_cast<unsigned>(i))));
    fields.push_back(CStringTable::Get(log_ids::kColumnLink));
    fields.push_back(CStringTable::Get(log_ids::kColumnResult));
    return Join(fields);
}

std::string CLiveValueLog::PollLine(Clock::time_point time, const CMeasurands* values, const std::string& error)
{
    std::vector<std::string> fields{TimeText(time)};
    for (int number : kColumnMeasurands)
        fields.push_back(values ? OneLine(values->MeasurandText(number)) : std::string());
    fields.push_back(OneLine(CStringTable::Get(values ? log_ids::kCommunicating : log_ids::kCommunicationError)));
    fields.push_back(values ? CStringTable::Get(log_ids::kResultOk) : OneLine(error));
    return Join(fields);
}

void CLiveValueLog::Open(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        throw CPrivateException(LoadMessage(log_ids::kCreateFailed, {path, std::strerror(errno)}));
    m_fd = fd;
    m_path = path;
    m_size = 0;
    m_rows = 0;
    try {
        Append(HeaderLine());
    } catch (const CPrivateException&) {
        ::unlink(path.c_str()); // not even the header: no file
        throw;
    }
}

void CLiveValueLog::AddPoll(Clock::time_point time, const CMeasurands* values, const std::string& error)
{
    if (m_fd < 0)
        return;
    Append(PollLine(time, values, error));
    ++m_rows;
}

void CLiveValueLog::Append(const std::string& line)
{
    if (m_fd < 0)
        return;
    // One write per line, so the file only ever ends inside a line while
    // this write runs; fdatasync then puts the line on the disk before the
    // next poll (a poll takes over 100 ms, the sync a few), so a power cut
    // loses no finished poll.
    std::size_t done = 0;
    int err = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(m_fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!err && ::fdatasync(m_fd) != 0 && errno != EINVAL)
        err = errno;
    if (!err) {
        m_size += static_cast<long long>(line.size());
        return;
    }
    // A part of the line (a full disk) is taken back: the file ends with the
    // last whole row.
    if (done != 0 && ::ftruncate(m_fd, static_cast<off_t>(m_size)) == 0)
        ::fdatasync(m_fd);
    const std::string path = m_path;
    Close();
    throw CPrivateException(LoadMessage(log_ids::kWriteFailed, {path, std::strerror(err)}));
}

void CLiveValueLog::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
