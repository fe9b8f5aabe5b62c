#pragma once
// Power-of-ten divisors and limits of numeric fields, and the two text
// conversions every numeric field uses. The scales depend on the model and on
// the image's "Input type" (word 0) and "Decimal point position" (word 10).

#include "model/InputRangeTable.h"

#include <cstdint>
#include <string>
#include <string_view>

class CDeviceType;
class CRegisterImage;

class CScalingParameterResolver
{
public:
    // The model is taken by its capability flags, so the resolver never
    // refers to an identity that may be gone.
    CScalingParameterResolver(std::uint32_t capabilityFlags, std::uint16_t inputType, std::uint16_t decimalPoint);
    CScalingParameterResolver(const CDeviceType& identity, std::uint16_t inputType, std::uint16_t decimalPoint);
    // Identity, word 0 and word 10 of the image.
    explicit CScalingParameterResolver(const CRegisterImage& image);
    virtual ~CScalingParameterResolver() = default;

    // Divisor of values in input units (input scaling, input adjust X).
    std::int32_t InputScale() const;
    std::int32_t InputRangeMinimum() const;
    std::int32_t InputRangeMaximum() const;

    // Divisor of values in display units. A decimal point position above 4,
    // which only a hand-edited file or a meter could hold, counts as 4.
    std::int32_t DisplayScale() const;
    std::int32_t DisplayValueMinimum() const;
    std::int32_t DisplayValueMaximum() const;

    // The input range row of this model and input type.
    SInputRange InputRange() const;

    // 1 -> 0, 10 -> 1, 100 -> 2, ...; anything below 10 gives 0.
    static int DecimalsOf(std::int32_t divisor);

    // Divisor 1 (or less): the integer; otherwise value / divisor with the
    // divisor's decimals. Always uses '.' whatever the process locale.
    static std::string FormatScaled(std::int32_t value, std::int32_t divisor);

    // Reads typed text back into a stored value. Divisor 1 (or less): an
    // integer in automatic base (0x.. hexadecimal, 0.. octal); otherwise a
    // decimal number times the divisor, rounded half away from zero. Empty
    // text, text with anything left over, a number beyond 32 bits or outside
    // minimum … maximum throws CPrivateException with the range message
    // naming string `nameId` and the limits.
    static std::int32_t ParseScaled(std::string_view text, std::int32_t minimum, std::int32_t maximum,
                                    std::int32_t divisor, unsigned nameId);

    // The range message ParseScaled raises.
    static std::string RangeMessage(std::int32_t minimum, std::int32_t maximum, std::int32_t divisor, unsigned nameId);

    // The text up to its first blank, when that blank is not the first
    // character; otherwise the whole text (option texts in narrow cells).
    static std::string ShortText(std::string_view text);

private:
    std::uint32_t m_flags;
    std::uint16_t m_inputType;
    std::uint16_t m_decimalPoint;
};

// 1, 10, 100, 1000, 10000.
inline constexpr std::int32_t kPowerOfTen[] = {1, 10, 100, 1000, 10000};
