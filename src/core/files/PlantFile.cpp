#include "files/PlantFile.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/AddressList.h"
#include "files/ConfigFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <yaml-cpp/yaml.h>

namespace {

namespace text {
inline constexpr unsigned kTopField = 17400;   // %1 file, %2 field, %3 problem
inline constexpr unsigned kNamedLine = 17401;  // %1 file, %2 line name, %3 field, %4 problem
inline constexpr unsigned kLineNumber = 17402; // %1 file, %2 line number, %3 field, %4 problem
inline constexpr unsigned kWholeFile = 17404;  // %1 file, %2 problem
inline constexpr unsigned kNotAddress = 17410;
inline constexpr unsigned kUnknownField = 17411;
inline constexpr unsigned kMissing = 17412;
inline constexpr unsigned kNotOneOf = 17413;
inline constexpr unsigned kNotList = 17414;
inline constexpr unsigned kNotMapping = 17415;
inline constexpr unsigned kNotBool = 17416;
inline constexpr unsigned kNotService = 17417;
inline constexpr unsigned kAddressTwice = 17418;
inline constexpr unsigned kBadSettingsFile = 17419;
inline constexpr unsigned kNotYaml = 17420;
inline constexpr unsigned kCannotRead = 17421;
inline constexpr unsigned kNotForLink = 17422;
inline constexpr unsigned kEmpty = 17423;
inline constexpr unsigned kNameTwice = 17424;
inline constexpr unsigned kNotText = 17425;
inline constexpr unsigned kDefaultName = 17426;
} // namespace text

const char* const kLinkWords[] = {"rtu", "tcp", "ir", "rtu-tcp"}; // in ComMode order

// Reads one plant file; each error names where it was found.
class CPlantReader
{
public:
    explicit CPlantReader(std::string path) : m_path(std::move(path)) {}

    SPlant Read();

private:
    [[noreturn]] void Fail(const std::string& field, const std::string& problem) const
    {
        if (!m_inLine)
            throw CPrivateException(LoadMessage(text::kTopField, {m_path, field, problem}));
        if (!m_lineName.empty())
            throw CPrivateException(LoadMessage(text::kNamedLine, {m_path, m_lineName, field, problem}));
        throw CPrivateException(LoadMessage(text::kLineNumber, {m_path, m_lineNumber, field, problem}));
    }
    void OnlyFields(const YAML::Node& map, const std::string& prefix, const std::set<std::string>& known) const;
    // A list of at least one entry.
    void NeedList(const YAML::Node& node, const std::string& field) const;
    std::string Text(const YAML::Node& node, const std::string& field) const;
    bool Bool(const YAML::Node& node, const std::string& field) const;
    int Choice(const YAML::Node& node, const std::string& field, const std::vector<std::string>& choices) const;
    SPlantLine ReadLine(const YAML::Node& node, std::size_t index, SPlant& plant);
    void ReadLink(const YAML::Node& node, ComSettings& s) const;
    void ReadMeters(const YAML::Node& node, bool keepLink, SPlantLine& line, SPlant& plant) const;
    void LoadFile(const std::string& field, SPlantMeter& meter, SPlant& plant) const;

    std::string m_path;
    bool m_inLine = false;
    std::string m_lineName;
    int m_lineNumber = 0;
};

void CPlantReader::OnlyFields(const YAML::Node& map, const std::string& prefix,
                              const std::set<std::string>& known) const
{
    if (!map.IsMap())
        Fail(prefix, CStringTable::Get(text::kNotMapping));
    for (const auto& field : map) {
        const std::string name = field.first.Scalar();
        if (!known.count(name))
            Fail(prefix.empty() ? name : prefix + "." + name, CStringTable::Get(text::kUnknownField));
    }
}

void CPlantReader::NeedList(const YAML::Node& node, const std::string& field) const
{
    if (!node)
        Fail(field, CStringTable::Get(text::kMissing));
    if (!node.IsSequence())
        Fail(field, CStringTable::Get(text::kNotList));
    if (node.size() == 0)
        Fail(field, CStringTable::Get(text::kEmpty));
}

std::string CPlantReader::Text(const YAML::Node& node, const std::string& field) const
{
    if (!node.IsScalar())
        Fail(field, CStringTable::Get(text::kNotText));
    return node.Scalar();
}

bool CPlantReader::Bool(const YAML::Node& node, const std::string& field) const
{
    bool value = false;
    if (!node.IsScalar() || !YAML::convert<bool>::decode(node, value))
        Fail(field, CStringTable::Get(text::kNotBool));
    return value;
}

int CPlantReader::Choice(const YAML::Node& node, const std::string& field,
                         const std::vector<std::string>& choices) const
{
    const std::string value = Text(node, field);
    const auto it = std::find(choices.begin(), choices.end(), value);
    if (it == choices.end()) {
        std::string list;
        for (const std::string& c : choices)
            list += (list.empty() ? "" : ", ") + c;
        Fail(field, LoadMessage(text::kNotOneOf, {value, list}));
    }
    return static_cast<int>(it - choices.begin());
}

void CPlantReader::ReadLink(const YAML::Node& node, ComSettings& s) const
{
    if (!node["link"])
        Fail("link", CStringTable::Get(text::kMissing));
    s.Mode = Choice(node["link"], "link", {kLinkWords[0], kLinkWords[1], kLinkWords[2], kLinkWords[3]});
    // The fields each kind of link takes; rtu-tcp's baud sets its time-outs.
    const std::set<std::string> network = {"host", "service"};
    const std::set<std::string> serial = {"port"};
    std::set<std::string> takes = s.IsNetworkLink() ? network : serial;
    if (s.Mode == kModeRs485 || s.Mode == kModeRtuTcp)
        takes.insert("baud");
    if (s.Mode == kModeRs485)
        takes.insert({"parity", "stop"});
    for (const char* field : {"host", "service", "port", "baud", "parity", "stop"})
        if (node[field] && !takes.count(field))
            Fail(field, LoadMessage(text::kNotForLink, {kLinkWords[s.Mode]}));
    for (const char* field : {"host", "port"})
        if (takes.count(field) && !node[field])
            Fail(field, CStringTable::Get(text::kMissing));
    if (s.IsNetworkLink()) {
        s.ServerAddress = Text(node["host"], "host");
        if (node["service"]) {
            const std::string service = Text(node["service"], "service");
            if (!ComSettings::IsValidServicePort(service))
                Fail("service", LoadMessage(text::kNotService, {service}));
            (s.Mode == kModeRtuTcp ? s.RtuTcpServicePort : s.ServicePort) = service;
        }
    } else {
        (s.Mode == kModeInfrared ? s.IRCOMPortName : s.COMPortName) = Text(node["port"], "port");
        (s.Mode == kModeInfrared ? s.IRCOMPortDisplayName : s.COMPortDisplayName) = Text(node["port"], "port");
    }
    if (node["baud"]) {
        std::vector<std::string> rates;
        for (unsigned rate : kBaudRates)
            rates.push_back(std::to_string(rate));
        s.Baudrate = Choice(node["baud"], "baud", rates);
    }
    if (node["parity"])
        s.Parity = Choice(node["parity"], "parity", {"none", "odd", "even"});
    if (node["stop"])
        s.Stop = Choice(node["stop"], "stop", {"1", "2"});
}

void CPlantReader::LoadFile(const std::string& field, SPlantMeter& meter, SPlant& plant) const
{
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    meter.path = (folder / meter.file).lexically_normal().string();
    if (plant.files.count(meter.path))
        return;
    try {
        plant.files.emplace(meter.path, CConfigFile::ReadChecked(meter.path));
    } catch (const CPrivateException& e) {
        std::string reason = e.Text();
        std::replace(reason.begin(), reason.end(), '\r', ' ');
        Fail(field, LoadMessage(text::kBadSettingsFile, {meter.path, reason}));
    }
}

void CPlantReader::ReadMeters(const YAML::Node& node, bool keepLink, SPlantLine& line, SPlant& plant) const
{
    NeedList(node, "meters");
    std::map<int, std::size_t> claimed; // address -> entry
    for (std::size_t i = 0; i < node.size(); ++i) {
        const std::string at = "meters[" + std::to_string(i) + "]";
        const YAML::Node entry = node[i];
        OnlyFields(entry, at, {"address", "file", "keep_link"});
        for (const char* field : {"address", "file"})
            if (!entry[field])
                Fail(at + "." + field, CStringTable::Get(text::kMissing));
        const std::string addresses = Text(entry["address"], at + ".address");
        const auto list = ParseAddressList(addresses);
        if (!list)
            Fail(at + ".address", LoadMessage(text::kNotAddress, {addresses}));
        SPlantMeter meter;
        meter.file = Text(entry["file"], at + ".file");
        meter.keepLink = entry["keep_link"] ? Bool(entry["keep_link"], at + ".keep_link") : keepLink;
        LoadFile(at + ".file", meter, plant);
        for (int address : *list) {
            if (auto other = claimed.find(address); other != claimed.end())
                Fail(at + ".address", LoadMessage(text::kAddressTwice, {address, static_cast<int>(other->second)}));
            claimed[address] = i;
            meter.address = address;
            line.meters.push_back(meter);
        }
    }
}

SPlantLine CPlantReader::ReadLine(const YAML::Node& node, std::size_t index, SPlant& plant)
{
    m_inLine = true;
    m_lineNumber = static_cast<int>(index + 1);
    m_lineName.clear();
    SPlantLine line;
    if (!node.IsMap()) {
        m_inLine = false;
        Fail("lines[" + std::to_string(index) + "]", CStringTable::Get(text::kNotMapping));
    }
    if (node["name"]) {
        line.name = Text(node["name"], "name");
        m_lineName = line.name;
        for (const SPlantLine& other : plant.lines)
            if (other.name == line.name)
                Fail("name", LoadMessage(text::kNameTwice, {static_cast<int>(&other - plant.lines.data() + 1)}));
    }
    OnlyFields(node, std::string(),
               {"name", "link", "port", "host", "service", "baud", "parity", "stop", "keep_link", "meters"});
    if (line.name.empty())
        line.name = LoadMessage(text::kDefaultName, {m_lineNumber});
    ReadLink(node, line.settings);
    const bool keepLink = node["keep_link"] ? Bool(node["keep_link"], "keep_link") : true;
    ReadMeters(node["meters"], keepLink, line, plant);
    return line;
}

SPlant CPlantReader::Read()
{
    std::ifstream in(m_path);
    if (!in) {
        const int err = errno;
        throw CPrivateException(
            LoadMessage(text::kWholeFile, {m_path, LoadMessage(text::kCannotRead, {std::strerror(err ? err : EIO)})}));
    }
    YAML::Node root;
    try {
        root = YAML::Load(in);
    } catch (const YAML::ParserException& e) {
        throw CPrivateException(LoadMessage(
            text::kWholeFile, {m_path, LoadMessage(text::kNotYaml, {e.msg, e.mark.line + 1, e.mark.column + 1})}));
    }
    SPlant plant;
    plant.path = m_path;
    if (!root.IsMap())
        throw CPrivateException(LoadMessage(text::kWholeFile, {m_path, CStringTable::Get(text::kNotMapping)}));
    OnlyFields(root, std::string(), {"lines"});
    const YAML::Node lines = root["lines"];
    NeedList(lines, "lines");
    for (std::size_t i = 0; i < lines.size(); ++i)
        plant.lines.push_back(ReadLine(lines[i], i, plant));
    return plant;
}

} // namespace

SPlant ReadPlantFile(const std::string& path)
{
    return CPlantReader(path).Read();
}

std::string PlantConnection(const SPlantLine& line)
{
    const ComSettings& s = line.settings;
    if (s.IsNetworkLink())
        return "tcp " + s.ServerText();
    // The infrared port and an RS-485 line on one serial port are one.
    return "port " + (s.Mode == kModeInfrared ? s.IRCOMPortName : s.COMPortName);
}
