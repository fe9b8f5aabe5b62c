#pragma once
// The program's one exception type: it carries the finished message text that
// the edge of a user action shows.

#include <cstddef>
#include <exception>
#include <string>

class CPrivateException : public std::exception
{
public:
    // Where a system error code comes from.
    enum class ErrorSource { Errno, Resolver };

    explicit CPrivateException(std::string text) : m_text(std::move(text)) {}
    explicit CPrivateException(const char* text) : m_text(text ? text : "") {}
    // The text of string `id` (empty when the table has none).
    explicit CPrivateException(unsigned id);
    // String `id` with the system's text for `code` as its first insert.
    CPrivateException(unsigned id, int code, ErrorSource source = ErrorSource::Errno);

    const char* what() const noexcept override { return m_text.c_str(); }
    const std::string& Text() const { return m_text; }

    // Copies the text into buf, cut to size - 1 bytes (never inside a UTF-8
    // character) and always terminated. Always reports that a text exists.
    bool GetErrorMessage(char* buf, std::size_t size) const;

    static std::string SystemErrorText(int code, ErrorSource source = ErrorSource::Errno);

private:
    std::string m_text;
};

// The user gave up the action: nothing went wrong, so there is nothing to
// report (its text is empty, for code that only shows texts).
class CCancelled : public CPrivateException
{
public:
    CCancelled() : CPrivateException(std::string()) {}
};

// True when `e` stands for a cancel rather than a failure.
inline bool IsCancellation(const CPrivateException& e)
{
    return dynamic_cast<const CCancelled*>(&e) != nullptr;
}
