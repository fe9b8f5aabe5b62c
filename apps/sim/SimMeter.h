#pragma once
// The simulated meter: a register image of one model behind the meter's
// register map, the special and identity registers, and live data.

#include "model/RegisterImage.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CSimMeter
{
public:
    explicit CSimMeter(int modelCode);
    // A meter of the image's model holding the image's settings.
    explicit CSimMeter(const CRegisterImage& settings);

    // Answers one request (unit byte first, no framing) with the answer
    // (unit byte first): registers, or exception 1 (function) or 2 (address).
    std::vector<std::uint8_t> Handle(const std::vector<std::uint8_t>& request);

    // Live values are computed from this clock; tests may move it.
    void SetTimeOffset(std::chrono::milliseconds offset) { m_offset = offset; }

    // Registers 9600 and 9601 answer this pair instead of the model's (a
    // meter of a model this program does not know).
    void SetReportedIdentity(std::uint16_t deviceId, std::uint16_t extensionId)
    {
        m_reportedIdentity = {deviceId, extensionId};
    }

    // Registers 9605-9612 (two characters a register); "Q6KSIM01" by default.
    void SetSerial(std::string serial) { m_serial = std::move(serial); }
    // A write that covers `reg` is answered as done, but `reg` keeps its value
    // (a meter that does not take a setting).
    void IgnoreWrite(unsigned reg) { m_ignoredWrites.insert(reg); }
    // A read or write that covers `reg` is answered with exception 2.
    void Refuse(unsigned reg) { m_refused.insert(reg); }
    // Once a download that changed the device address (word 70) ends
    // (register 900 written 0), the new address, once; as a meter takes new
    // link settings.
    std::optional<int> TakeNewAddress();
    // Likewise the line words after the address (baud rate index, parity,
    // stop bit) once such a download changed any of them.
    std::optional<std::array<std::uint16_t, 3>> TakeNewLine();

    CRegisterImage Image() const;
    bool WordSwap() const;
    int DownloadFlag() const;

private:
    struct Slot
    {
        int word;      // image word holding the value
        bool writable; // a parameter register
    };
    std::vector<std::uint8_t> Exception(const std::vector<std::uint8_t>& request, std::uint8_t code) const;
    bool Read(unsigned reg, std::uint16_t& value);
    bool CanWrite(unsigned reg) const;
    void Write(unsigned reg, std::uint16_t value);
    int ParameterWord(unsigned reg) const;
    void UpdateLiveValues();
    static std::uint16_t Word(std::int32_t value, bool high);

    mutable std::mutex m_lock; // TCP and RTU clients may meet
    CRegisterImage m_image;
    std::map<unsigned, std::pair<int, int>> m_blocks; // first register -> (row, registers)
    std::uint16_t m_register900 = 0;
    std::string m_serial = "Q6KSIM01";
    std::set<unsigned> m_ignoredWrites, m_refused;
    bool m_addressChanged = false;
    std::optional<int> m_newAddress;
    bool m_lineChanged = false;
    std::optional<std::array<std::uint16_t, 3>> m_newLine;
    std::uint16_t m_tag[meter_registers::kTagLength] = {};
    std::int32_t m_display = 0, m_maximum = 0, m_minimum = 0, m_analogOutput = 0;
    bool m_haveExtremes = false;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> m_reportedIdentity;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::milliseconds m_offset{0};
};
