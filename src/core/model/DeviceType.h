#pragma once
// The identity of a meter model (registers 9600 and 9601). Every model
// question is answered by looking the identity up in the device table; an
// identity that names no model answers code 0, flags 0, kind 0, empty texts.

#include <cstdint>
#include <string>

class CModbusInterface;
struct SDeviceRow;

class CDeviceType
{
public:
    // Names no model until set.
    CDeviceType() = default;
    CDeviceType(std::int16_t deviceId, std::int16_t extensionId) : m_deviceId(deviceId), m_extensionId(extensionId) {}
    CDeviceType(const CDeviceType&) = default;
    CDeviceType& operator=(const CDeviceType&) = default;
    virtual ~CDeviceType() = default;

    // The identity of `code`; one that names no model when the code is not in the table.
    static CDeviceType FromCode(int code);

    std::int16_t DeviceId() const { return m_deviceId; }
    std::int16_t ExtensionId() const { return m_extensionId; }
    void Set(std::int16_t deviceId, std::int16_t extensionId)
    {
        m_deviceId = deviceId;
        m_extensionId = extensionId;
    }

    // Takes the ids of row `code`; a code not in the table leaves the identity as it is.
    void SetByCode(int code);

    bool IsKnown() const { return Row() != nullptr; }
    int Code() const;
    std::uint32_t CapabilityFlags() const;
    // True when `mask` AND the flags is not 0.
    bool Has(std::uint32_t mask) const { return (CapabilityFlags() & mask) != 0; }

    unsigned ModelNameTextId() const;
    unsigned InputKindTextId() const;
    unsigned OutputTextId() const;
    unsigned OptionTextId() const;
    // 0 ... 10 (shown as hex digit 0 ... A); 0 when the identity names no model.
    int OptionCode() const;

    std::string ModelName() const;
    // Name, option digit, blank, input kind text, then ", output" and
    // ", option" unless those texts are a single blank.
    std::string ModelDescription() const;

    // Reads registers 9600 and 9601 (one register each) from the open link
    // and takes them as the identity; an unknown pair raises
    // CPrivateException 11023. Communication failures pass through.
    void Identify(CModbusInterface& modbus);
    // The checking half of Identify: stores the pair as read, then refuses
    // it with message 11023 when it names no model.
    void IdentifyFrom(std::uint16_t deviceId, std::uint16_t extensionId);

    friend bool operator==(const CDeviceType& a, const CDeviceType& b)
    {
        return a.m_deviceId == b.m_deviceId && a.m_extensionId == b.m_extensionId;
    }

private:
    const SDeviceRow* Row() const;

    std::int16_t m_deviceId = 0;
    std::int16_t m_extensionId = 0;
};
