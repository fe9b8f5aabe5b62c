#include "files/LiveValueLog.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/MeterHistory.h"
#include "files/ParameterReport.h"

#include <cerrno>
#include <cstring>
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
    std::vector<std::string> fields{UtcTimeText(time)};
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
    m_rows = 0;
    Append(HeaderLine());
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
    // The sync puts each row on the disk before the next poll (a poll takes
    // over 100 ms, the sync a few), so a power cut loses no finished poll.
    if (const int err = AppendWholeLine(m_fd, line)) {
        Close();
        throw CPrivateException(LoadMessage(log_ids::kWriteFailed, {m_path, std::strerror(err)}));
    }
}

void CLiveValueLog::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
