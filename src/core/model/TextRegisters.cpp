#include "model/TextRegisters.h"

namespace {

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// cp1252 0x80 ... 0x9F; the five unassigned bytes map to the C1 control of
// the same number, as the system's own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t FromCp1252(std::uint8_t b)
{
    return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
}

// Decodes one UTF-8 sequence at `i`; nothing when it is malformed.
std::optional<char32_t> NextUtf8(std::string_view s, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    int length;
    char32_t c;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        c = b0 & 0x07;
    } else {
        return std::nullopt;
    }
    if (i + static_cast<std::size_t>(length) > s.size())
        return std::nullopt;
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return std::nullopt;
        c = c << 6 | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    i += static_cast<std::size_t>(length);
    return c;
}

} // namespace

std::string TextFromUtf16Registers(std::span<const std::uint16_t> registers)
{
    std::string out;
    for (std::size_t i = 0; i < registers.size() && registers[i] != 0; ++i) {
        const char16_t u = registers[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < registers.size() && registers[i + 1] >= 0xDC00 &&
            registers[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (registers[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::string TextFromByteRegisters(std::span<const std::uint16_t> registers)
{
    std::string out;
    for (std::uint16_t r : registers) {
        for (std::uint8_t b : {static_cast<std::uint8_t>(r & 0xFF), static_cast<std::uint8_t>(r >> 8)}) {
            if (b == 0)
                return out;
            AppendUtf8(out, FromCp1252(b));
        }
    }
    return out;
}

std::optional<std::vector<std::uint16_t>> Utf16RegistersFromText(std::string_view text, std::size_t registerCount)
{
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < text.size();) {
        std::optional<char32_t> c = NextUtf8(text, i);
        if (!c)
            return std::nullopt;
        if (*c >= 0x10000) {
            units.push_back(static_cast<std::uint16_t>(0xD800 + ((*c - 0x10000) >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + ((*c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(*c));
        }
        if (units.size() > registerCount)
            return std::nullopt;
    }
    units.resize(registerCount, 0);
    return units;
}
