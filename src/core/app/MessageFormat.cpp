#include "app/MessageFormat.h"

#include "app/StringTable.h"

#include <cctype>
#include <cstdio>

namespace {

std::string Pad(std::string body, std::size_t width, bool left, char fill)
{
    if (body.size() >= width)
        return body;
    std::size_t n = width - body.size();
    if (left)
        return body + std::string(n, ' ');
    if (fill == '0' && !body.empty() && (body[0] == '-' || body[0] == '+'))
        return body.substr(0, 1) + std::string(n, '0') + body.substr(1);
    return std::string(n, fill) + body;
}

std::string FormatField(char conv, const CMsgArg* arg, bool left, bool zero, bool plus, std::size_t width,
                        int precision)
{
    std::string body;
    if (conv == 's' || (arg && !arg->IsNumber())) {
        body = arg ? arg->Text() : std::string();
        if (conv == 's' && precision >= 0 && body.size() > static_cast<std::size_t>(precision))
            body.resize(precision);
        return Pad(body, width, left, ' ');
    }
    long long v = arg ? arg->Value() : 0;
    char buf[32];
    switch (conv) {
    case 'd':
    case 'i': std::snprintf(buf, sizeof buf, plus ? "%+lld" : "%lld", v); break;
    case 'u': std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(static_cast<unsigned>(v))); break;
    case 'x': std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(static_cast<unsigned>(v))); break;
    case 'X': std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(static_cast<unsigned>(v))); break;
    case 'c':
        buf[0] = static_cast<char>(v);
        buf[1] = 0;
        break;
    default: buf[0] = 0;
    }
    body = buf;
    if (precision >= 0 && conv != 'c' && body.size() < static_cast<std::size_t>(precision))
        body = std::string(precision - body.size(), '0') + body;
    return Pad(body, width, left, zero && precision < 0 ? '0' : ' ');
}

template <typename Args>
std::string Inserts(std::string_view f, const Args& args)
{
    std::string out;
    out.reserve(f.size() + 32);
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%' || i + 1 == f.size()) {
            out += f[i];
            continue;
        }
        char c = f[i + 1];
        if (c == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c)) || c == '0') {
            out += '%';
            continue;
        }
        std::size_t j = i + 1;
        unsigned n = 0;
        while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])) && n < 100)
            n = n * 10 + (f[j++] - '0');
        // An optional "!fmt!" after the number says how the insert is typed.
        if (j < f.size() && f[j] == '!') {
            std::size_t close = f.find('!', j + 1);
            if (close != std::string_view::npos)
                j = close + 1;
        }
        if (n >= 1 && n <= args.size())
            out += (args.begin() + (n - 1))->Text();
        i = j - 1;
    }
    return out;
}

} // namespace

std::string FormatInserts(std::string_view format, std::initializer_list<CMsgArg> args)
{
    return Inserts(format, args);
}

std::string FormatInserts(std::string_view format, const std::vector<CMsgArg>& args)
{
    return Inserts(format, args);
}

std::string FormatPrintf(std::string_view f, std::initializer_list<CMsgArg> args)
{
    std::string out;
    out.reserve(f.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            out += f[i];
            continue;
        }
        std::size_t j = i + 1;
        bool left = false, zero = false, plus = false;
        for (; j < f.size() && (f[j] == '-' || f[j] == '0' || f[j] == '+' || f[j] == ' ' || f[j] == '#'); ++j) {
            left |= f[j] == '-';
            zero |= f[j] == '0';
            plus |= f[j] == '+';
        }
        std::size_t width = 0;
        for (; j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])) && width < 1000; ++j)
            width = width * 10 + (f[j] - '0');
        int precision = -1;
        if (j < f.size() && f[j] == '.') {
            precision = 0;
            for (++j; j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])) && precision < 1000; ++j)
                precision = precision * 10 + (f[j] - '0');
        }
        while (j < f.size() && (f[j] == 'l' || f[j] == 'h' || f[j] == 'z'))
            ++j;
        if (j >= f.size()) {
            out.append(f.substr(i));
            break;
        }
        char conv = f[j];
        if (conv == '%') {
            out += '%';
        } else if (conv == 's' || conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X' ||
                   conv == 'c') {
            const CMsgArg* arg = next != args.end() ? &*next++ : nullptr;
            out += FormatField(conv, arg, left, zero, plus, width, precision);
        } else {
            out.append(f.substr(i, j - i + 1));
        }
        i = j;
    }
    return out;
}

std::string LoadMessage(unsigned id, std::initializer_list<CMsgArg> positional)
{
    return FormatInserts(CStringTable::Get(id), positional);
}

std::string LoadPrintfMessage(unsigned id, std::initializer_list<CMsgArg> args)
{
    return FormatPrintf(CStringTable::Get(id), args);
}
