#include "SimMeter.h"

#include "model/BlockTable.h"
#include "model/CapabilityFlags.h"
#include "model/RegisterMap.h"

#include <cmath>
#include <utility>

namespace {
namespace reg = meter_registers;
namespace words = image_words;

bool InRange(unsigned reg, unsigned first, unsigned count)
{
    return reg >= first && reg < first + count;
}
constexpr std::uint16_t kHardwareVersion = 105; // 1.05
constexpr std::uint16_t kFirmwareVersion = 212; // 2.12
} // namespace

namespace {
CRegisterImage FactorySettings(int modelCode)
{
    CRegisterImage image;
    image.ResetForModel(modelCode, true);
    return image;
}
} // namespace

CSimMeter::CSimMeter(int modelCode) : CSimMeter(FactorySettings(modelCode)) {}

CSimMeter::CSimMeter(const CRegisterImage& settings)
{
    m_image.Assign(settings);
    const std::uint32_t flags = m_image.CapabilityFlags();
    for (int row = 0; row < static_cast<int>(kBlockTable.size()); ++row) {
        const SRegisterBlock& b = kBlockTable[row];
        if (BlockApplies(b, flags))
            m_blocks[static_cast<unsigned>(b.reg)] = {row, RegisterCount(b)};
    }
    const std::string tag = "SIMULATOR";
    for (std::size_t i = 0; i < tag.size(); ++i)
        m_tag[i] = static_cast<std::uint8_t>(tag[i]);
}

CRegisterImage CSimMeter::Image() const
{
    std::lock_guard g(m_lock);
    return m_image;
}

bool CSimMeter::WordSwap() const
{
    std::lock_guard g(m_lock);
    return m_image.GetWord(words::kLongRegister) == 1;
}

std::optional<int> CSimMeter::TakeNewAddress()
{
    std::lock_guard g(m_lock);
    return std::exchange(m_newAddress, std::nullopt);
}

std::optional<std::array<std::uint16_t, 3>> CSimMeter::TakeNewLine()
{
    std::lock_guard g(m_lock);
    return std::exchange(m_newLine, std::nullopt);
}

int CSimMeter::DownloadFlag() const
{
    std::lock_guard g(m_lock);
    return m_register900;
}

int CSimMeter::ParameterWord(unsigned reg) const
{
    auto it = m_blocks.upper_bound(reg);
    if (it == m_blocks.begin())
        return -1;
    --it;
    const unsigned offset = reg - it->first;
    if (offset >= static_cast<unsigned>(it->second.second))
        return -1;
    const SRegisterBlock& b = kBlockTable[it->second.first];
    if (b.width != kW32)
        return b.firstWord + static_cast<int>(offset);
    // With word swap on, the lower register of a pair carries the high word.
    const unsigned pair = offset / 2, half = offset % 2;
    const bool swap = m_image.GetWord(words::kLongRegister) == 1;
    return b.firstWord + static_cast<int>(2 * pair + (swap ? 1 - half : half));
}

std::uint16_t CSimMeter::Word(std::int32_t value, bool high)
{
    const auto u = static_cast<std::uint32_t>(value);
    return static_cast<std::uint16_t>(high ? u >> 16 : u & 0xFFFF);
}

void CSimMeter::UpdateLiveValues()
{
    using namespace std::chrono;
    const double t = duration<double>(steady_clock::now() - m_start + m_offset).count();
    const std::uint32_t flags = m_image.CapabilityFlags();
    double low = 0, high = 10000;
    if (flags & (CAP_DC_INPUT | CAP_PTM_INPUT | CAP_AC_INPUT)) {
        low = m_image.GetLong(words::kDisplayScalingZero);
        high = m_image.GetLong(words::kDisplayScalingSpan);
    } else {
        low = 2000; // 20.00 degrees
        high = 3000;
    }
    // A slow wave over the middle half of the display range, 60 s a period.
    const double wave = std::sin(2.0 * M_PI * t / 60.0);
    m_display = static_cast<std::int32_t>(std::lround((low + high) / 2 + (high - low) / 4 * wave));
    m_analogOutput = static_cast<std::int32_t>(std::lround(12000 + 4000 * wave)); // 8..16 mA in thousandths
    if (!m_haveExtremes) {
        m_maximum = m_minimum = m_display;
        m_haveExtremes = true;
    }
    m_maximum = std::max(m_maximum, m_display);
    m_minimum = std::min(m_minimum, m_display);
}

bool CSimMeter::Read(unsigned reg, std::uint16_t& value)
{
    const bool swap = m_image.GetWord(words::kLongRegister) == 1;
    auto pairWord = [&](std::int32_t v, unsigned offset) { return Word(v, (offset % 2 == 1) != swap); };
    const std::uint32_t flags = m_image.CapabilityFlags();
    if (int word = ParameterWord(reg); word >= 0) {
        value = m_image.GetWord(word);
        return true;
    }
    if (reg <= 7) {
        std::uint16_t status = (flags & CAP_ANALOG_OUTPUT) ? 0x2000 : 0; // analog output valid
        const std::int32_t pairs[3] = {m_display, m_maximum, m_minimum};
        value = reg == 0 ? 0 : reg == 1 ? status : pairWord(pairs[(reg - 2) / 2], reg - 2);
        return true;
    }
    if (reg == reg::kAnalogOutputValue || reg == reg::kAnalogOutputValue + 1) {
        value = (flags & CAP_ANALOG_OUTPUT) ? pairWord(m_analogOutput, reg - reg::kAnalogOutputValue) : 0;
        return true;
    }
    // The live settings the monitor reads answer on every model, as their
    // image words hold them (the factory value where the model lacks one).
    if (reg == reg::kInputType || reg == reg::kDecimalPoint || reg == reg::kAnalogOutputType) {
        value = m_image.GetWord(reg == reg::kInputType      ? words::kInputType
                                : reg == reg::kDecimalPoint ? words::kDecimalPoint
                                                            : words::kAnalogOutputType);
        return true;
    }
    if (reg == reg::kLongRegister || reg == reg::kLongRegisterLive) {
        value = m_image.GetWord(words::kLongRegister);
        return true;
    }
    if (reg == reg::kWriteEnable) {
        value = m_register900;
        return true;
    }
    if ((reg == reg::kDeviceId || reg == reg::kExtensionId) && m_reportedIdentity) {
        value = reg == reg::kDeviceId ? m_reportedIdentity->first : m_reportedIdentity->second;
        return true;
    }
    if (reg == reg::kDeviceId || reg == reg::kExtensionId) {
        value = static_cast<std::uint16_t>(reg == reg::kDeviceId ? m_image.Identity().DeviceId()
                                                                 : m_image.Identity().ExtensionId());
        return true;
    }
    if (reg == reg::kHardwareVersion || reg == reg::kFirmwareVersion) {
        value = reg == reg::kHardwareVersion ? kHardwareVersion : kFirmwareVersion;
        return true;
    }
    // Texts: two 8-bit characters a register, the first in the low byte.
    auto text = [&](const std::string& s, unsigned index) {
        auto at = [&](std::size_t i) -> std::uint16_t { return i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0; };
        return static_cast<std::uint16_t>(at(2 * index) | at(2 * index + 1) << 8);
    };
    if (InRange(reg, reg::kSerialNumber, reg::kSerialNumberLength)) {
        value = text(m_serial, reg - reg::kSerialNumber);
        return true;
    }
    if (InRange(reg, reg::kModelText, reg::kModelTextLength)) {
        value = text(m_image.Identity().ModelName(), reg - reg::kModelText);
        return true;
    }
    if (InRange(reg, reg::kTag, reg::kTagLength)) {
        value = m_tag[reg - reg::kTag];
        return true;
    }
    return false;
}

bool CSimMeter::CanWrite(unsigned reg) const
{
    return ParameterWord(reg) >= 0 || reg == reg::kWriteEnable || reg == reg::kMaxMinReset ||
           InRange(reg, reg::kTag, reg::kTagLength) ||
           (reg == reg::kLongRegister && (m_image.CapabilityFlags() & CAP_MODBUS));
}

void CSimMeter::Write(unsigned reg, std::uint16_t value)
{
    if (int word = ParameterWord(reg); word >= 0)
        m_image.SetWord(word, value);
    else if (reg == reg::kWriteEnable) {
        m_register900 = value;
        if (value == 0 && m_addressChanged) {
            m_newAddress = m_image.GetWord(words::kDeviceAddress);
            m_addressChanged = false;
        }
        if (value == 0 && m_lineChanged) {
            const int first = words::kDeviceAddress + 1;
            m_newLine = {m_image.GetWord(first), m_image.GetWord(first + 1), m_image.GetWord(first + 2)};
            m_lineChanged = false;
        }
    } else if (reg == reg::kMaxMinReset && value == 1)
        m_haveExtremes = false;
    else if (InRange(reg, reg::kTag, reg::kTagLength))
        m_tag[reg - reg::kTag] = value;
}

std::vector<std::uint8_t> CSimMeter::Exception(const std::vector<std::uint8_t>& request, std::uint8_t code) const
{
    return {request[0], static_cast<std::uint8_t>(request[1] | 0x80), code};
}

std::vector<std::uint8_t> CSimMeter::Handle(const std::vector<std::uint8_t>& request)
{
    if (request.size() < 2)
        return {};
    std::lock_guard g(m_lock);
    const std::uint8_t function = request[1];
    if (function != 0x04 && function != 0x10)
        return Exception(request, 1);
    if (request.size() < 6)
        return Exception(request, 3);
    const unsigned address = request[2] << 8 | request[3];
    const unsigned count = request[4] << 8 | request[5];

    if (function == 0x04) {
        if (count < 1 || count > 125)
            return Exception(request, 3);
        // One reading per request, as a meter answers: the two words of a
        // pair, and present, maximum and minimum, belong together.
        UpdateLiveValues();
        std::vector<std::uint8_t> out{request[0], 0x04, static_cast<std::uint8_t>(2 * count)};
        for (unsigned i = 0; i < count; ++i) {
            std::uint16_t v;
            if (m_refused.count(address + i) || !Read(address + i, v))
                return Exception(request, 2);
            out.push_back(static_cast<std::uint8_t>(v >> 8));
            out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        }
        return out;
    }

    if (count < 1 || count > 123 || request.size() < 7 || request[6] != 2 * count || request.size() < 7 + 2 * count)
        return Exception(request, 3);
    for (unsigned i = 0; i < count; ++i)
        if (m_refused.count(address + i) || !CanWrite(address + i))
            return Exception(request, 2);
    // The word order applies as it was when the request came: the pairs of
    // one request are all written in the same order.
    std::vector<std::pair<int, std::uint16_t>> words;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned reg = address + i;
        const auto value = static_cast<std::uint16_t>(request[7 + 2 * i] << 8 | request[8 + 2 * i]);
        if (m_ignoredWrites.count(reg))
            continue;
        if (int word = ParameterWord(reg); word >= 0)
            words.emplace_back(word, value);
        else
            Write(reg, value);
    }
    for (auto [word, value] : words) {
        if (word == words::kDeviceAddress && m_image.GetWord(word) != value)
            m_addressChanged = true;
        if (word > words::kDeviceAddress && word <= words::kDeviceAddress + 3 && m_image.GetWord(word) != value)
            m_lineChanged = true;
        m_image.SetWord(word, value);
    }
    return {request[0], 0x10, request[2], request[3], request[4], request[5]};
}
