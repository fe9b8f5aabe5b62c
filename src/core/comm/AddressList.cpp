#include "comm/AddressList.h"

#include <charconv>
#include <utility>

namespace {

std::optional<int> Address(std::string_view text)
{
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    // from_chars takes a minus sign; an address never has one.
    if (text.empty() || text.front() == '-' || ec != std::errc() || ptr != text.data() + text.size() ||
        value < kFirstDeviceAddress || value > kLastDeviceAddress)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::vector<int>> ParseAddressList(std::string_view text)
{
    std::vector<int> out;
    bool seen[kLastDeviceAddress + 1] = {};
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto first = Address(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : Address(item.substr(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        for (int a = *first; a <= *last; ++a)
            if (!std::exchange(seen[a], true))
                out.push_back(a);
        if (comma == std::string_view::npos)
            return out;
        text.remove_prefix(comma + 1);
    }
}
