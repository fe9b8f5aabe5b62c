#include "model/ScalingParameterResolver.h"

#include "app/DecimalInteger.h"
#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceType.h"
#include "model/ParameterStringIds.h"
#include "model/RegisterImage.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int kLastPowerIndex = static_cast<int>(std::size(kPowerOfTen)) - 1;

// Rows past the end of a family's table mean its last row.
template <std::size_t N>
SInputRange Row(const std::array<SInputRange, N>& table, std::uint16_t inputType)
{
    return table[inputType < N ? inputType : N - 1];
}

// printf formats would follow the process locale (a decimal comma under some
// desktop settings); the conversions here always write and read '.'.
std::string DoubleText(double value, std::chars_format format, int precision)
{
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, format, precision);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A typed integer: blanks, then a decimal integer. Nothing may follow.
std::optional<long long> ParseInteger(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return ParseDecimalInteger(s.substr(i));
}

// Decimal number: blanks, sign, digits with an optional point, optional
// exponent. No hexadecimal, "inf" or "nan". Nothing may follow.
std::optional<double> ParseDecimal(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j == s.size() || !IsDigit(s[j]))
            return std::nullopt; // a dangling exponent is left-over text
        while (j < s.size() && IsDigit(s[j]))
            ++j;
        i = j;
    }
    if (i != s.size())
        return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(s.data() + start, s.data() + i, v);
    if (ec != std::errc() || end != s.data() + i)
        return std::nullopt; // beyond double range
    return negative ? -v : v;
}

} // namespace

CScalingParameterResolver::CScalingParameterResolver(std::uint32_t capabilityFlags, std::uint16_t inputType,
                                                     std::uint16_t decimalPoint)
    : m_flags(capabilityFlags), m_inputType(inputType), m_decimalPoint(decimalPoint)
{}

CScalingParameterResolver::CScalingParameterResolver(const CDeviceType& identity, std::uint16_t inputType,
                                                     std::uint16_t decimalPoint)
    : CScalingParameterResolver(identity.CapabilityFlags(), inputType, decimalPoint)
{}

CScalingParameterResolver::CScalingParameterResolver(const CRegisterImage& image)
    : CScalingParameterResolver(image.Identity(), image.GetWord(image_words::kInputType),
                                image.GetWord(image_words::kDecimalPoint))
{}

SInputRange CScalingParameterResolver::InputRange() const
{
    const bool current = (m_flags & CAP_CURRENT_INPUT) != 0;
    if (m_flags & CAP_TC_INPUT)
        return Row(kTcRanges, m_inputType);
    if (m_flags & CAP_RTD_INPUT)
        return Row(kRtdRanges, m_inputType);
    if (m_flags & CAP_PTM_INPUT)
        return {kPtmInputMinimum, kPtmInputMaximum, 1};
    if (m_flags & CAP_DC_INPUT)
        return current ? Row(kDcCurrentRanges, m_inputType) : Row(kDcVoltageRanges, m_inputType);
    // AC, and any model without an input kind bit
    return Row(kAcRanges, m_inputType);
}

std::int32_t CScalingParameterResolver::InputScale() const
{
    if (m_flags & CAP_PTM_INPUT)
        return 10;
    if (m_flags & (CAP_RTD_INPUT | CAP_TC_INPUT))
        return 100;
    return kPowerOfTen[InputRange().decimals];
}

std::int32_t CScalingParameterResolver::InputRangeMinimum() const
{
    return InputRange().minimum;
}

std::int32_t CScalingParameterResolver::InputRangeMaximum() const
{
    return InputRange().maximum;
}

std::int32_t CScalingParameterResolver::DisplayScale() const
{
    if (m_flags & (CAP_RTD_INPUT | CAP_TC_INPUT))
        return 100;
    return kPowerOfTen[m_decimalPoint < kLastPowerIndex ? m_decimalPoint : kLastPowerIndex];
}

std::int32_t CScalingParameterResolver::DisplayValueMinimum() const
{
    return (m_flags & (CAP_RTD_INPUT | CAP_TC_INPUT)) ? -99999 : -20000;
}

std::int32_t CScalingParameterResolver::DisplayValueMaximum() const
{
    return (m_flags & (CAP_RTD_INPUT | CAP_TC_INPUT)) ? 999999 : 100000;
}

int CScalingParameterResolver::DecimalsOf(std::int32_t divisor)
{
    int decimals = 0;
    while (divisor > 9) {
        divisor /= 10;
        ++decimals;
    }
    return decimals;
}

std::string CScalingParameterResolver::FormatScaled(std::int32_t value, std::int32_t divisor)
{
    // A divisor below 1 has no meaning as a scale; show the plain value
    // rather than an infinite or negated quotient.
    if (divisor <= 1)
        return std::to_string(value);
    return DoubleText(static_cast<double>(value) / divisor, std::chars_format::fixed, DecimalsOf(divisor));
}

std::string CScalingParameterResolver::RangeMessage(std::int32_t minimum, std::int32_t maximum, std::int32_t divisor,
                                                    unsigned nameId)
{
    std::string low, high;
    if (divisor <= 1) {
        low = std::to_string(minimum);
        high = std::to_string(maximum);
    } else {
        // "%g": six significant digits, no trailing zeros
        low = DoubleText(static_cast<double>(minimum) / divisor, std::chars_format::general, 6);
        high = DoubleText(static_cast<double>(maximum) / divisor, std::chars_format::general, 6);
    }
    return LoadMessage(ids::kRangeMessage, {CStringTable::Get(nameId), low, high});
}

std::int32_t CScalingParameterResolver::ParseScaled(std::string_view text, std::int32_t minimum, std::int32_t maximum,
                                                    std::int32_t divisor, unsigned nameId)
{
    std::optional<long long> result;
    if (divisor <= 1) {
        result = ParseInteger(text);
    } else if (std::optional<double> v = ParseDecimal(text)) {
        const double product = *v * divisor;
        const double rounded = std::trunc(product >= 0 ? product + 0.5 : product - 0.5);
        // Only a product inside 32 bits is converted; larger ones are refused.
        if (rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())
            result = static_cast<long long>(rounded);
    }
    if (!result || *result < minimum || *result > maximum)
        throw CPrivateException(RangeMessage(minimum, maximum, divisor, nameId));
    return static_cast<std::int32_t>(*result);
}

std::string CScalingParameterResolver::ShortText(std::string_view text)
{
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos || blank == 0)
        return std::string(text);
    return std::string(text.substr(0, blank));
}
