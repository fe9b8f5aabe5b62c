#pragma once
// Texts of the string table as Qt strings. Message texts keep the meter-era
// "\r" line breaks; a window shows them as "\n".

#include "app/StringTable.h"

#include <QString>
#include <string>

inline QString UiText(unsigned id)
{
    return QString::fromStdString(CStringTable::Get(id));
}

inline QString UiMessage(const std::string& text)
{
    QString s = QString::fromStdString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// Numbers of window captions that have no number of their own elsewhere.
namespace uitext {
inline constexpr unsigned kAppCaption = 12400;
inline constexpr unsigned kProcessing = 12401;
inline constexpr unsigned kUploadingNow = 12402;
inline constexpr unsigned kDownloadingNow = 12403;
inline constexpr unsigned kOk = 12404;
inline constexpr unsigned kCancel = 12405;
inline constexpr unsigned kTransferDidNotStop = 12720; // %1!d!: seconds
} // namespace uitext
