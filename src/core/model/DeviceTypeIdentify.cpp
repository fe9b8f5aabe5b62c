// Kept apart from DeviceType.cpp so that only programs that identify a meter
// link the Modbus client.
#include "model/DeviceType.h"

#include "comm/ModbusInterface.h"

void CDeviceType::Identify(CModbusInterface& modbus)
{
    // Failures arrive as CPrivateException; zeros stand for a read that
    // reported failure without one, and are refused as an unknown pair.
    std::uint16_t deviceId = 0;
    std::uint16_t extensionId = 0;
    if (!modbus.ReadHoldingRegisters(9600, 1, &deviceId))
        deviceId = 0;
    if (!modbus.ReadHoldingRegisters(9601, 1, &extensionId))
        extensionId = 0;
    IdentifyFrom(deviceId, extensionId);
}
