#pragma once
// The two insert styles of the message texts: positional ("%1!s!", "%2!d!")
// and printf-style ("%s", "%d"). Both are interpreted here rather than by the
// C library, so a text from a language file can never read past its arguments.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class CMsgArg
{
public:
    CMsgArg(std::string text) : m_text(std::move(text)) {}
    CMsgArg(std::string_view text) : m_text(text) {}
    CMsgArg(const char* text) : m_text(text ? text : "") {}
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
    CMsgArg(T value) : m_text(std::to_string(value)), m_isNumber(true), m_value(static_cast<long long>(value))
    {}

    const std::string& Text() const { return m_text; }
    bool IsNumber() const { return m_isNumber; }
    long long Value() const { return m_value; }

private:
    std::string m_text;
    bool m_isNumber = false;
    long long m_value = 0;
};

// "%N!fmt!" and "%N" take argument N (1-based); "%%" gives "%".
std::string FormatInserts(std::string_view format, std::initializer_list<CMsgArg> args);
std::string FormatInserts(std::string_view format, const std::vector<CMsgArg>& args);

// printf-style fields (%s %d %i %u %x %X %c %%, with flags, width and
// precision) take the arguments in order; a missing argument gives nothing.
std::string FormatPrintf(std::string_view format, std::initializer_list<CMsgArg> args);

// The string table text `id` with its inserts filled in.
std::string LoadMessage(unsigned id, std::initializer_list<CMsgArg> positional);
std::string LoadPrintfMessage(unsigned id, std::initializer_list<CMsgArg> args);
