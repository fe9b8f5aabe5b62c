// Kept apart from DeviceType.cpp so that only programs that identify a meter
// link the Modbus client.
#include "model/DeviceType.h"

#include "comm/ModbusInterface.h"
#include "model/RegisterMap.h"

void CDeviceType::Identify(CModbusInterface& modbus)
{
    // Failures arrive as CPrivateException.
    std::uint16_t deviceId = 0;
    std::uint16_t extensionId = 0;
    modbus.ReadHoldingRegisters(meter_registers::kDeviceId, 1, &deviceId);
    modbus.ReadHoldingRegisters(meter_registers::kExtensionId, 1, &extensionId);
    IdentifyFrom(deviceId, extensionId);
}
