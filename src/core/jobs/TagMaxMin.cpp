#include "jobs/TagMaxMin.h"

#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "files/MeterHistory.h"
#include "jobs/TagStringIds.h"
#include "jobs/TransferJobs.h"
#include "model/TextRegisters.h"

#include <algorithm>
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

constexpr unsigned kTagGroup = 12960; // "Device Information"
constexpr unsigned kTagName = 12964;  // "Tag"

// The log entry of an action on the open link, the meter named as it answers
// (a pair this program does not know still names a meter).
CMeterHistory::SLogEntry LogEntry(CModbusInterface& modbus, const char* action)
{
    std::array<std::uint16_t, 2> pair{};
    modbus.ReadHoldingRegisters(meter_registers::kDeviceId, 1, &pair[0]);
    modbus.ReadHoldingRegisters(meter_registers::kExtensionId, 1, &pair[1]);
    const CDeviceType meter(static_cast<std::int16_t>(pair[0]), static_cast<std::int16_t>(pair[1]));
    CMeterHistory::SLogEntry entry;
    entry.link = CMeterHistory::LinkText(modbus.Settings());
    entry.address = modbus.Settings().Mode == kModeInfrared ? 1 : modbus.Settings().Address;
    entry.modelCode = meter.Code();
    entry.modelDescription = meter.ModelDescription();
    entry.serial = ReadSerialNumber(modbus);
    entry.action = action;
    return entry;
}

std::string AppendEntry(CMeterHistory& history, const CMeterHistory::SLogEntry& entry)
{
    try {
        history.Append(entry);
        return std::string();
    } catch (const CPrivateException& e) {
        return e.Text();
    }
}

std::array<std::uint16_t, meter_registers::kTagLength> TagRegisters(std::string_view tag)
{
    const auto registers = Utf16RegistersFromText(tag, meter_registers::kTagLength);
    if (!registers)
        throw CPrivateException(tag_ids::kTagInvalid);
    std::array<std::uint16_t, meter_registers::kTagLength> out{};
    std::copy(registers->begin(), registers->end(), out.begin());
    return out;
}

void SendTag(CModbusInterface& modbus, const std::array<std::uint16_t, meter_registers::kTagLength>& registers)
{
    WriteOne(modbus, meter_registers::kWriteEnable, 1);
    modbus.WriteMultipleRegisters(meter_registers::kTag, meter_registers::kTagLength, registers.data());
    WriteOne(modbus, meter_registers::kWriteEnable, 0);
}

} // namespace

std::string ReadTag(CModbusInterface& modbus)
{
    std::array<std::uint16_t, meter_registers::kTagLength> registers{};
    {
        CCloseLink closer(modbus);
        modbus.Open();
        modbus.ReadHoldingRegisters(meter_registers::kTag, meter_registers::kTagLength, registers.data());
    }
    return TextFromUtf16Registers(registers);
}

void WriteTag(CModbusInterface& modbus, std::string_view tag)
{
    const auto registers = TagRegisters(tag);
    CCloseLink closer(modbus);
    modbus.Open();
    SendTag(modbus, registers);
}

std::string WriteTag(CModbusInterface& modbus, std::string_view tag, CMeterHistory& history)
{
    const auto registers = TagRegisters(tag);
    CMeterHistory::SLogEntry entry;
    {
        CCloseLink closer(modbus);
        modbus.Open();
        entry = LogEntry(modbus, "tag");
        std::array<std::uint16_t, meter_registers::kTagLength> before{};
        modbus.ReadHoldingRegisters(meter_registers::kTag, meter_registers::kTagLength, before.data());
        SendTag(modbus, registers);
        entry.changes.push_back({CStringTable::Get(kTagGroup), CStringTable::Get(kTagName),
                                 TextFromUtf16Registers(before), TextFromUtf16Registers(registers)});
    }
    return AppendEntry(history, entry);
}

void ResetMaxMin(CModbusInterface& modbus)
{
    CCloseLink closer(modbus);
    modbus.Open();
    WriteOne(modbus, meter_registers::kMaxMinReset, 1);
}

std::string ResetMaxMin(CModbusInterface& modbus, CMeterHistory& history)
{
    CMeterHistory::SLogEntry entry;
    {
        CCloseLink closer(modbus);
        modbus.Open();
        entry = LogEntry(modbus, "maxmin-reset");
        WriteOne(modbus, meter_registers::kMaxMinReset, 1);
    }
    return AppendEntry(history, entry);
}
