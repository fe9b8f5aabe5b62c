#include "files/ConfigFile.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/FileStringIds.h"
#include "files/IniFile.h"
#include "model/BlockTable.h"
#include "model/CapabilityFlags.h"
#include "model/OptionListTable.h"
#include "model/ParameterDescriptorTable.h"
#include "model/ParameterEnumeration.h"
#include "model/ScalingParameterResolver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
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
        throw CPrivateException(
            CStringTable::Get(file_ids::kInvalidFormat) + "\r" +
            LoadMessage(file_ids::kBrokenValue, {key, ini.LineOf(CConfigFile::kSection, key), *text}));
    }
    return *value;
}

constexpr std::int64_t kWordMaximum = 0xFFFF;
constexpr std::int64_t kLongMinimum = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kLongMaximum = std::numeric_limits<std::int32_t>::max();
// Listed in a message; the rest are counted.
constexpr std::size_t kListedProblems = 20;
constexpr std::size_t kShownValueLength = 32;

// Checks the text of `key` against the key's width; the problem, if any,
// goes into `problems`.
void CheckText(const CIniFile& ini, const std::string& key, int word, bool wide,
               std::vector<SConfigValueProblem>& problems)
{
    const std::string text = ini.GetString(CConfigFile::kSection, key, "");
    const std::optional<std::int64_t> value = CIniFile::PlainInteger(text);
    const std::int64_t minimum = wide ? kLongMinimum : 0, maximum = wide ? kLongMaximum : kWordMaximum;
    if (value && *value >= minimum && *value <= maximum)
        return;
    problems.push_back({key, ini.LineOf(CConfigFile::kSection, key), text, word, value.has_value(), minimum, maximum});
}

// What a message shows of a value: control bytes written out, a long text cut.
std::string ShownValue(const std::string& text)
{
    std::string out;
    for (unsigned char c : text.substr(0, kShownValueLength)) {
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > kShownValueLength)
        out += "...";
    return out;
}

} // namespace

std::optional<std::pair<std::int64_t, std::int64_t>> CConfigFile::ModelRange(const CRegisterImage& image, int word)
{
    const CParameterDescriptor& row = kParameterDescriptors.at(static_cast<std::size_t>(word));
    const std::uint32_t flags = image.CapabilityFlags();
    if ((flags & row.mask) == 0)
        return std::nullopt; // not shown, so not known either
    if (word == image_words::kDeviceAddress)
        return std::pair<std::int64_t, std::int64_t>{kFirstDeviceAddress, kLastDeviceAddress};
    const CScalingParameterResolver scaling(image);
    switch (row.kind) {
    case VK_OPTION: {
        const unsigned count = OptionCount(CParameterEnumerationInterface::OptionBase(word, flags));
        if (count == 0)
            return std::nullopt;
        return std::pair<std::int64_t, std::int64_t>{0, count - 1};
    }
    case VK_DISPLAY32:
        return std::pair<std::int64_t, std::int64_t>{scaling.DisplayValueMinimum(), scaling.DisplayValueMaximum()};
    case VK_INPUT32:
        // The input scaling lies within the measuring range of the input
        // type; the input adjust points (temperatures) within the display's.
        if ((flags & (CAP_RTD_INPUT | CAP_TC_INPUT)) != 0)
            return std::pair<std::int64_t, std::int64_t>{scaling.DisplayValueMinimum(), scaling.DisplayValueMaximum()};
        return std::pair<std::int64_t, std::int64_t>{scaling.InputRangeMinimum(), scaling.InputRangeMaximum()};
    default: return std::nullopt;
    }
}

std::set<int> CConfigFile::ProblemParameters(const std::vector<SConfigValueProblem>& problems)
{
    std::set<int> words;
    for (const SConfigValueProblem& p : problems)
        if (p.word >= 0) // the identity keys have no row
            words.insert(p.word);
    return words;
}

std::string CConfigFile::ProblemText(const SConfigValueProblem& problem)
{
    const std::string name = problem.word >= 0 ? CParameterEnumerationInterface().NameText(problem.word) : problem.key;
    const std::string reason = problem.plain ? LoadMessage(file_ids::kAllowedRange, {problem.minimum, problem.maximum})
                                             : CStringTable::Get(file_ids::kNotPlainInteger);
    return LoadMessage(file_ids::kValueProblem, {name, problem.key, problem.line, ShownValue(problem.text), reason});
}

std::string CConfigFile::ProblemsMessage(const std::string& path, const std::vector<SConfigValueProblem>& problems)
{
    std::string out = CStringTable::Get(file_ids::kInvalidFormat) + "\r" +
                      LoadMessage(file_ids::kValuesRefused, {path, problems.size()});
    for (std::size_t i = 0; i < problems.size() && i < kListedProblems; ++i)
        out += "\r" + ProblemText(problems[i]);
    if (problems.size() > kListedProblems)
        out += "\r" + LoadMessage(file_ids::kMoreProblems, {problems.size() - kListedProblems});
    return out;
}

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

CRegisterImage CConfigFile::Parse(const CIniFile& ini, const std::string& path,
                                  std::vector<SConfigValueProblem>* problems)
{
    // An empty or binary file, or another program's .cfg: none of its keys
    // would be missing, it is simply not ours.
    if (!ini.HasSection(kSection))
        FailLoad(LoadMessage(file_ids::kNotConfigFile, {path}));
    std::vector<SConfigValueProblem> found;
    CRegisterImage image;
    const std::int32_t model = ReadNumber(ini, "Model", "2001");
    const std::int32_t extension = ReadNumber(ini, "DeviceExtension", "0");
    for (const char* key : {"Model", "DeviceExtension"})
        if (ini.Get(kSection, key))
            CheckText(ini, key, -1, false, found);
    const CDeviceType identity(static_cast<std::int16_t>(model), static_cast<std::int16_t>(extension));
    // An image of a model we do not know could be neither shown nor edited,
    // and taking it would throw the user's settings away for nothing.
    if (!identity.IsKnown())
        FailLoad(LoadMessage(file_ids::kUnknownModel, {static_cast<std::uint16_t>(identity.DeviceId()),
                                                       static_cast<std::uint16_t>(identity.ExtensionId())}));
    image.SetIdentity(identity);

    // Keys whose text is already wrong are not checked again for their model
    // range: one line per key.
    struct Checked
    {
        std::string key;
        int word;
    };
    std::vector<Checked> checked;
    const std::uint32_t flags = identity.CapabilityFlags();
    for (const SRegisterBlock& block : kBlockTable) {
        if (!BlockApplies(block, flags))
            continue;
        for (int j = 0; j < block.count; ++j) {
            const std::string key = KeyName(block, j);
            const bool wide = block.width == kW32;
            const int word = block.firstWord + (wide ? 2 * j : j);
            const std::size_t before = found.size();
            CheckText(ini, key, word, wide, found);
            std::int32_t value = 0;
            if (found.size() == before || problems) {
                // A lenient read takes the leading integer, as ever; a text
                // without one is refused with its own message.
                value = ReadNumber(ini, key, std::nullopt);
            } else if (!ini.Get(kSection, key)) {
                FailLoad(LoadMessage(file_ids::kMissingKey, {key}));
            }
            if (found.size() == before)
                checked.push_back({key, word});
            if (wide)
                image.SetLong(word, value);
            else
                image.SetWord(word, static_cast<std::uint16_t>(value));
        }
    }
    // The model's ranges depend on other words (input type, decimal point):
    // checked once the whole image is read.
    for (const Checked& c : checked) {
        const auto range = ModelRange(image, c.word);
        if (!range)
            continue;
        const bool wide = IsWideKind(kParameterDescriptors.at(static_cast<std::size_t>(c.word)).kind);
        const std::int64_t value = wide ? image.GetLong(c.word) : image.GetWord(c.word);
        if (value < range->first || value > range->second)
            found.push_back({c.key, ini.LineOf(kSection, c.key), ini.GetString(kSection, c.key, ""), c.word, true,
                             range->first, range->second});
    }
    // In the order the user finds them in the file.
    std::stable_sort(found.begin(), found.end(),
                     [](const SConfigValueProblem& a, const SConfigValueProblem& b) { return a.line < b.line; });
    if (!problems) {
        if (!found.empty())
            throw CPrivateException(ProblemsMessage(path, found));
        return image;
    }
    problems->insert(problems->end(), found.begin(), found.end());
    return image;
}

namespace {

CIniFile LoadConfigText(const std::string& path)
{
    CIniFile ini;
    const int err = ini.Load(path);
    if (err == EFBIG)
        FailLoad(LoadMessage(file_ids::kFileTooLarge,
                             {path, std::to_string(ini.FileSize()), std::to_string(CIniFile::kMaxFileSize)}));
    if (err == EILSEQ)
        FailLoad(LoadMessage(file_ids::kSavedAsUtf16, {path}));
    if (err)
        throw CPrivateException(file_ids::kLoadError, err);
    return ini;
}

} // namespace

CRegisterImage CConfigFile::ReadChecked(const std::string& path)
{
    return Parse(LoadConfigText(path), path);
}

bool CConfigFile::LoadChecked(CRegisterImage& image, const std::string& path)
{
    image = ReadChecked(path);
    return true;
}

CRegisterImage CConfigFile::Read(const std::string& path)
{
    std::vector<SConfigValueProblem> problems;
    return ReadLenient(path, problems);
}

CRegisterImage CConfigFile::ReadLenient(const std::string& path, std::vector<SConfigValueProblem>& problems)
{
    return Parse(LoadConfigText(path), path, &problems);
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
    struct stat st = {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            throw CPrivateException(file_ids::kSaveError, errno);
    } else if (S_ISREG(st.st_mode)) {
        // A file too large or in UTF-16 holds no lines worth keeping: the
        // save replaces it, as the user asked.
        if (int err = ini.Load(path); err != 0 && err != ENOENT && err != EFBIG && err != EILSEQ)
            throw CPrivateException(file_ids::kSaveError, err);
    }
    Store(image, ini);
    if (int saveErr = ini.Save(path))
        throw CPrivateException(file_ids::kSaveError, saveErr);
    return true;
}
