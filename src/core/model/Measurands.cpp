#include "model/Measurands.h"

#include "app/StringTable.h"
#include "model/CapabilityFlags.h"
#include "model/MeasurandStringIds.h"
#include "model/ScalingParameterResolver.h"
#include "model/TextRegisters.h"

#include <cstdio>

namespace {

// Status bits with a text, in the order of their texts 1280 ... 1289.
constexpr int kStatusBits[] = {0, 1, 2, 3, 4, 8, 9, 10, 12, 13};
static_assert(std::size(kStatusBits) == measurand_ids::kStatusTextLast - measurand_ids::kStatusTextFirst + 1);
constexpr int kInvertedBit = 13; // "Disable AO" is shown while the bit is clear

} // namespace

std::string VersionText(std::uint16_t version)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u.%02u", version / 100u, version % 100u);
    return buf;
}

std::string CMeasurands::StatusText(std::uint16_t status)
{
    std::string out;
    for (std::size_t i = 0; i < std::size(kStatusBits); ++i) {
        const int bit = kStatusBits[i];
        const bool set = (status >> bit & 1) != 0;
        if (set == (bit == kInvertedBit))
            continue;
        if (!out.empty())
            out += ", ";
        out += CStringTable::Get(measurand_ids::kStatusTextFirst + static_cast<unsigned>(i));
    }
    return out;
}

bool CMeasurands::ValuesShown() const
{
    // The infrared port gives no live values worth showing, and in loop test
    // the meter's values are not measurements.
    return (m_status & kStatusLoopTest) == 0 && !m_infrared;
}

std::int32_t CMeasurands::DisplayScale() const
{
    return CScalingParameterResolver(m_identity, m_inputType, m_decimalPoint).DisplayScale();
}

std::string CMeasurands::ScaledValueText(std::int32_t value) const
{
    if (!ValuesShown())
        return std::string();
    return CScalingParameterResolver::FormatScaled(value, DisplayScale());
}

std::string CMeasurands::MeasurandText(int number) const
{
    switch (number) {
    case kModel: return TextFromByteRegisters(m_modelText);
    case kHardwareVersion: return VersionText(m_hardwareVersion);
    case kFirmwareVersion: return VersionText(m_firmwareVersion);
    case kSerialNumber: return TextFromByteRegisters(m_serialNumber);
    case kTag: return TextFromUtf16Registers(m_tag);
    case kDisplayValue: return ScaledValueText(m_displayValue);
    case kMaximumValue: return ScaledValueText(m_maximumValue);
    case kMinimumValue: return ScaledValueText(m_minimumValue);
    case kErrorCode: {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04x", static_cast<unsigned>(m_errorCode));
        return buf;
    }
    case kStatus: return StatusText(m_status);
    case kAnalogOutput:
        if (m_identity.Has(CAP_ANALOG_OUTPUT) && !m_infrared && (m_status & kStatusAnalogOutValid) != 0)
            return CScalingParameterResolver::FormatScaled(m_analogOutput, 1000);
        return std::string();
    default: return std::string();
    }
}
