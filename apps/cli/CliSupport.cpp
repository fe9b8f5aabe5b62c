#include "CliSupport.h"

#include <charconv>

namespace cli {

namespace {
constexpr unsigned kUsageInvalidRegister = 13006;
constexpr unsigned kUsageInvalidValue = 13007;
} // namespace

std::optional<long long> ParseInteger(const std::string& text)
{
    std::string_view s(text);
    bool negative = !s.empty() && s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    long long value = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || ec != std::errc() || ptr != s.data() + s.size())
        return std::nullopt;
    return negative ? -value : value;
}

unsigned ParseRegister(const std::string& text)
{
    auto v = ParseInteger(text);
    if (!v || *v < 0 || *v > 0xFFFF)
        Usage(kUsageInvalidRegister, {text});
    return static_cast<unsigned>(*v);
}

std::uint16_t ParseValue(const std::string& text)
{
    auto v = ParseInteger(text);
    if (!v || *v < -32768 || *v > 0xFFFF)
        Usage(kUsageInvalidValue, {text});
    return static_cast<std::uint16_t>(*v);
}

} // namespace cli
