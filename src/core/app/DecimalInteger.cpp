#include "app/DecimalInteger.h"

namespace {
// 18 digits always fit in 63 bits, so no check for overflow is needed.
constexpr std::size_t kMostDigits = 18;
} // namespace

std::optional<std::int64_t> ParseDecimalInteger(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty() || text.size() > kMostDigits)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}
