// Kept apart from Measurands.cpp so that only programs that poll a meter link
// the Modbus client.
#include "model/Measurands.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "model/CapabilityFlags.h"

#include <array>

namespace {

// Reads into a buffer first, so a failed read leaves the field as it was.
template <std::size_t N>
std::array<std::uint16_t, N> Read(CModbusInterface& modbus, unsigned address)
{
    std::array<std::uint16_t, N> values{};
    modbus.ReadHoldingRegisters(address, static_cast<unsigned>(N), values.data());
    return values;
}

std::uint16_t ReadOne(CModbusInterface& modbus, unsigned address)
{
    return Read<1>(modbus, address)[0];
}

std::int32_t Pair(std::uint16_t first, std::uint16_t second, bool wordSwap)
{
    const std::uint32_t low = wordSwap ? second : first;
    const std::uint32_t high = wordSwap ? first : second;
    return static_cast<std::int32_t>(high << 16 | low);
}

} // namespace

void CMeasurands::ReadAll(CModbusInterface& modbus)
{
    // The live registers follow register 7007, not the 7006 of the parameter
    // transfers.
    const bool wordSwap = ReadOne(modbus, meter_registers::kLongRegisterLive) == 1;
    m_identity.Identify(modbus);

    m_hardwareVersion = ReadOne(modbus, meter_registers::kHardwareVersion);
    m_firmwareVersion = ReadOne(modbus, meter_registers::kFirmwareVersion);
    m_modelText = Read<meter_registers::kModelTextLength>(modbus, meter_registers::kModelText);
    m_serialNumber = Read<meter_registers::kSerialNumberLength>(modbus, meter_registers::kSerialNumber);
    m_tag = Read<meter_registers::kTagLength>(modbus, meter_registers::kTag);

    const auto state = Read<2>(modbus, meter_registers::kErrorCode);
    m_errorCode = state[0];
    m_status = state[1];

    const auto values = Read<6>(modbus, meter_registers::kDisplayValue);
    m_displayValue = Pair(values[0], values[1], wordSwap);
    m_maximumValue = Pair(values[2], values[3], wordSwap);
    m_minimumValue = Pair(values[4], values[5], wordSwap);

    const auto analog = Read<2>(modbus, meter_registers::kAnalogOutputValue);
    m_analogOutput = Pair(analog[0], analog[1], wordSwap);

    m_inputType = ReadOne(modbus, meter_registers::kInputType);
    m_decimalPoint = ReadOne(modbus, meter_registers::kDecimalPoint);
    // A meter without the analog output has no register 3000 and may refuse
    // it (exception 2), which says "absent" rather than a failed poll.
    std::uint16_t analogOutputType = 0;
    if (m_identity.Has(CAP_ANALOG_OUTPUT)) {
        try {
            analogOutputType = ReadOne(modbus, meter_registers::kAnalogOutputType);
        } catch (const CLinkFailure& e) {
            if (e.End() != ELinkAttemptEnd::ExceptionAnswer || e.ExceptionCode() != 2)
                throw;
        }
    }
    m_analogOutputType = analogOutputType;

    m_infrared = modbus.Settings().Mode == kModeInfrared;
}
