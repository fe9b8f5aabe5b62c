#pragma once
// One snapshot of a meter's live data and identity, read by the monitor's
// worker on every poll and shown by its window as eleven texts.

#include "model/DeviceType.h"
#include "model/Observer.h"
#include "model/RegisterMap.h"

#include <array>
#include <cstdint>
#include <string>

class CModbusInterface;

// A version register (version x 100) as "%.2lf" would show it, without the
// locale's decimal comma: 212 is "2.12".
std::string VersionText(std::uint16_t version);

class CMeasurands : public CObservable
{
public:
    // Measurand numbers of MeasurandText.
    enum EMeasurand {
        kModel = 0,
        kHardwareVersion = 1,
        kFirmwareVersion = 2,
        kSerialNumber = 3,
        kTag = 4,
        kDisplayValue = 5,
        kMaximumValue = 6,
        kMinimumValue = 7,
        kErrorCode = 8,
        kStatus = 9,
        kAnalogOutput = 10,
    };
    static constexpr int kMeasurandCount = 11;

    // Status word bits.
    static constexpr std::uint16_t kStatusLoopTest = 0x1000;       // values not shown
    static constexpr std::uint16_t kStatusAnalogOutValid = 0x2000; // shown inverted as "Disable AO"

    CMeasurands() = default;
    ~CMeasurands() override = default;

    // Reads every field from the open link: 7007 (word order), identity,
    // versions, model text, serial number, tag, 0-1, 2-7, 22-23, 1050, 1060,
    // and 3000 on a model with the analog output (a meter that refuses it
    // with exception 2 reads as type 0). Failures raise CPrivateException;
    // fields read before the failure
    // keep their new values, later fields their old ones.
    void ReadAll(CModbusInterface& modbus);

    // Text of measurand 0 ... 10; empty for any other number.
    std::string MeasurandText(int number) const;

    // False while the display, maximum and minimum are not shown: in loop
    // test, and on the infrared link.
    bool ValuesShown() const;
    // Divisor of the display, maximum and minimum values (the polled model's
    // display scale at its live input type and decimal point).
    std::int32_t DisplayScale() const;

    // The shown status texts, lowest bit first, joined by ", ".
    static std::string StatusText(std::uint16_t status);

    const CDeviceType& Identity() const { return m_identity; }
    std::uint16_t HardwareVersion() const { return m_hardwareVersion; }
    std::uint16_t FirmwareVersion() const { return m_firmwareVersion; }
    std::uint16_t ErrorCode() const { return m_errorCode; }
    std::uint16_t Status() const { return m_status; }
    std::int32_t DisplayValue() const { return m_displayValue; }
    std::int32_t MaximumValue() const { return m_maximumValue; }
    std::int32_t MinimumValue() const { return m_minimumValue; }
    std::int32_t AnalogOutput() const { return m_analogOutput; }
    std::uint16_t InputType() const { return m_inputType; }
    std::uint16_t DecimalPoint() const { return m_decimalPoint; }
    std::uint16_t AnalogOutputType() const { return m_analogOutputType; }
    bool IsInfrared() const { return m_infrared; }

private:
    std::string ScaledValueText(std::int32_t value) const;

    CDeviceType m_identity;
    std::uint16_t m_hardwareVersion = 0;
    std::uint16_t m_firmwareVersion = 0;
    std::array<std::uint16_t, meter_registers::kTagLength> m_tag{};
    std::array<std::uint16_t, meter_registers::kSerialNumberLength> m_serialNumber{};
    std::array<std::uint16_t, meter_registers::kModelTextLength> m_modelText{};
    std::uint16_t m_errorCode = 0;
    std::uint16_t m_status = 0;
    std::int32_t m_displayValue = 0;
    std::int32_t m_maximumValue = 0;
    std::int32_t m_minimumValue = 0;
    std::int32_t m_analogOutput = 0;
    std::uint16_t m_inputType = 0;
    std::uint16_t m_decimalPoint = 0;
    std::uint16_t m_analogOutputType = 0;
    bool m_infrared = false;
};
