#pragma once
#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final
// exclusive-or. Sent low byte first.
std::uint16_t Crc16Modbus(const std::uint8_t* data, std::size_t length);
