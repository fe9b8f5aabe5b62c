#include "files/ConfigFile.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/FileStringIds.h"
#include "files/IniFile.h"
#include "model/BlockTable.h"

#include <cerrno>
#include <limits>
#include <sys/stat.h>

namespace {

[[noreturn]] void FailLoad(const std::string& reason)
{
    throw CPrivateException(LoadMessage(file_ids::kLoadError, {reason}));
}

std::int32_t ReadNumber(const CIniFile& ini, const std::string& key, std::optional<std::string_view> def)
{
    std::optional<std::string> text = ini.Get(CConfigFile::kSection, key);
    if (!text) {
        if (!def)
            FailLoad(LoadMessage(file_ids::kMissingKey, {key}));
        text = std::string(*def);
    }
    std::optional<std::int32_t> value = CConfigFile::LeadingInteger(*text);
    if (!value) {
        // The first line as it always was; the second says where to look.
        throw CPrivateException(CStringTable::Get(file_ids::kInvalidFormat) + "\r" +
                                LoadMessage(file_ids::kBrokenValue, {key, ini.LineOf(CConfigFile::kSection, key), *text}));
    }
    return *value;
}

} // namespace

std::optional<std::int32_t> CConfigFile::LeadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t digits = i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        // Past 32 bits the number means nothing the meter could hold.
        if (value > static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1)
            return std::nullopt;
    }
    if (i == digits)
        return std::nullopt;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string CConfigFile::KeyName(const SRegisterBlock& block, int index)
{
    return "L" + std::to_string(block.reg + index);
}

void CConfigFile::Store(const CRegisterImage& image, CIniFile& ini)
{
    const CDeviceType& identity = image.Identity();
    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back("Model", std::to_string(static_cast<std::uint16_t>(identity.DeviceId())));
    values.emplace_back("DeviceExtension", std::to_string(static_cast<std::uint16_t>(identity.ExtensionId()) & 0xFF));

    const std::uint32_t flags = image.CapabilityFlags();
    for (const SRegisterBlock& block : kBlockTable) {
        if (!BlockApplies(block, flags))
            continue;
        for (int j = 0; j < block.count; ++j) {
            std::string value = block.width == kW32 ? std::to_string(image.GetLong(block.firstWord + 2 * j))
                                                    : std::to_string(image.GetWord(block.firstWord + j));
            values.emplace_back(KeyName(block, j), std::move(value));
        }
    }
    ini.SetAll(kSection, values);
}

CRegisterImage CConfigFile::Parse(const CIniFile& ini, const std::string& path)
{
    // An empty or binary file, or another program's .cfg: none of its keys
    // would be missing, it is simply not ours.
    if (!ini.HasSection(kSection))
        FailLoad(LoadMessage(file_ids::kNotConfigFile, {path}));
    CRegisterImage image;
    const std::int32_t model = ReadNumber(ini, "Model", "2001");
    const std::int32_t extension = ReadNumber(ini, "DeviceExtension", "0");
    const CDeviceType identity(static_cast<std::int16_t>(model), static_cast<std::int16_t>(extension));
    // An image of a model we do not know could be neither shown nor edited,
    // and taking it would throw the user's settings away for nothing.
    if (!identity.IsKnown())
        FailLoad(LoadMessage(file_ids::kUnknownModel, {static_cast<std::uint16_t>(identity.DeviceId()),
                                                       static_cast<std::uint16_t>(identity.ExtensionId())}));
    image.SetIdentity(identity);

    const std::uint32_t flags = identity.CapabilityFlags();
    for (const SRegisterBlock& block : kBlockTable) {
        if (!BlockApplies(block, flags))
            continue;
        for (int j = 0; j < block.count; ++j) {
            const std::int32_t value = ReadNumber(ini, KeyName(block, j), std::nullopt);
            if (block.width == kW32)
                image.SetLong(block.firstWord + 2 * j, value);
            else
                image.SetWord(block.firstWord + j, static_cast<std::uint16_t>(value));
        }
    }
    return image;
}

CRegisterImage CConfigFile::Read(const std::string& path)
{
    CIniFile ini;
    if (int err = ini.Load(path))
        throw CPrivateException(file_ids::kLoadError, err);
    return Parse(ini, path);
}

bool CConfigFile::Load(CRegisterImage& image, const std::string& path)
{
    image = Read(path);
    return true;
}

bool CConfigFile::Save(const CRegisterImage& image, const std::string& path)
{
    // Start from what the file holds so that other keys and lines survive.
    // A device or FIFO holds no such lines, and reading one could wait for
    // ever.
    CIniFile ini;
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            throw CPrivateException(file_ids::kSaveError, errno);
    } else if (S_ISREG(st.st_mode)) {
        if (int err = ini.Load(path); err != 0 && err != ENOENT)
            throw CPrivateException(file_ids::kSaveError, err);
    }
    Store(image, ini);
    if (int saveErr = ini.Save(path))
        throw CPrivateException(file_ids::kSaveError, saveErr);
    return true;
}
