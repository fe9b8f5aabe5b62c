#include "jobs/TagMaxMin.h"

#include "app/PrivateException.h"
#include "comm/ModbusInterface.h"
#include "jobs/TagStringIds.h"
#include "model/TextRegisters.h"

#include <array>

namespace {

// Closes the link on every way out of an action; made before Open, because a
// failed Open can leave half a link behind.
class CCloseLink
{
public:
    explicit CCloseLink(CModbusInterface& modbus) : m_modbus(modbus) {}
    ~CCloseLink() { m_modbus.Close(); }
    CCloseLink(const CCloseLink&) = delete;
    CCloseLink& operator=(const CCloseLink&) = delete;

private:
    CModbusInterface& m_modbus;
};

void WriteOne(CModbusInterface& modbus, unsigned address, std::uint16_t value)
{
    modbus.WriteMultipleRegisters(address, 1, &value);
}

} // namespace

std::string ReadTag(CModbusInterface& modbus)
{
    std::array<std::uint16_t, tag_registers::kTagLength> registers{};
    {
        CCloseLink closer(modbus);
        modbus.Open();
        modbus.ReadHoldingRegisters(tag_registers::kTag, tag_registers::kTagLength, registers.data());
    }
    return TextFromUtf16Registers(registers);
}

void WriteTag(CModbusInterface& modbus, std::string_view tag)
{
    const auto registers = Utf16RegistersFromText(tag, tag_registers::kTagLength);
    if (!registers)
        throw CPrivateException(tag_ids::kTagInvalid);
    CCloseLink closer(modbus);
    modbus.Open();
    WriteOne(modbus, tag_registers::kWriteEnable, 1);
    modbus.WriteMultipleRegisters(tag_registers::kTag, tag_registers::kTagLength, registers->data());
    WriteOne(modbus, tag_registers::kWriteEnable, 0);
}

void ResetMaxMin(CModbusInterface& modbus)
{
    CCloseLink closer(modbus);
    modbus.Open();
    WriteOne(modbus, tag_registers::kMaxMinReset, 1);
}
