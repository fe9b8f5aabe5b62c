#include "files/MeterHistory.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/UserFolders.h"
#include "comm/ComSettings.h"
#include "files/ConfigFile.h"
#include "files/FileStringIds.h"
#include "files/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kMeterFile = "meter.ini";
constexpr std::string_view kMeterSection = "Meter";
constexpr std::string_view kLogFile = "changes.jsonl";

[[noreturn]] void Fail(unsigned id, const std::string& where, int err)
{
    throw CPrivateException(LoadMessage(id, {where, CPrivateException::SystemErrorText(err)}));
}

int MakeDirs(const std::string& dir)
{
    return MakeFolders(dir, 0755);
}

// The name of a backup made now: 2026-12-08T11-43-05Z.
std::string BackupTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H-%M-%SZ", &tm);
    return text;
}

// The time and the sequence number of a backup's file name
// ("2026-12-08T11-43-05Z.cfg" is 1, "...Z-2.cfg" is 2); nothing for any
// other name.
std::optional<std::pair<std::string, int>> BackupName(std::string_view name)
{
    constexpr std::string_view kPattern = "0000-00-00T00-00-00Z";
    if (name.size() < kPattern.size() + 4 || !name.ends_with(".cfg"))
        return std::nullopt;
    for (std::size_t i = 0; i < kPattern.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (kPattern[i] == '0' ? !digit : name[i] != kPattern[i])
            return std::nullopt;
    }
    std::string_view rest = name.substr(kPattern.size(), name.size() - kPattern.size() - 4);
    int sequence = 1;
    if (!rest.empty()) {
        if (rest.size() < 2 || rest.size() > 6 || rest[0] != '-')
            return std::nullopt;
        sequence = 0;
        for (char c : rest.substr(1)) {
            if (c < '0' || c > '9')
                return std::nullopt;
            sequence = sequence * 10 + (c - '0');
        }
    }
    return std::make_pair(std::string(name.substr(0, kPattern.size())), sequence);
}

std::string UserName()
{
    char buffer[1024];
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return found->pw_name;
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    return std::to_string(geteuid());
}

std::string HostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::string();
    return name;
}

std::string_view ParityLetter(int parity)
{
    return parity == 1 ? "O" : parity == 2 ? "E" : "N";
}

// The length of the UTF-8 character at the front of `s`; 0 when it is none.
std::size_t Utf8Length(std::string_view s)
{
    const auto b = static_cast<unsigned char>(s[0]);
    std::size_t n = 0;
    std::uint32_t min = 0;
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < n)
        return 0;
    std::uint32_t code = b & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (c & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode are not UTF-8.
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

std::string JsonQuoted(std::string_view text)
{
    std::string out = "\"";
    while (!text.empty()) {
        const char c = text[0];
        const std::size_t n = Utf8Length(text);
        if (n == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD
            text.remove_prefix(1);
            continue;
        }
        if (n > 1) {
            out.append(text.substr(0, n));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += escaped;
        } else {
            out += c;
        }
        text.remove_prefix(n);
    }
    out += '"';
    return out;
}

int AppendWholeLine(int fd, std::string_view line)
{
    const off_t before = lseek(fd, 0, SEEK_END);
    std::size_t done = 0;
    int err = 0;
    // One write, unless it falls short; the rest only to learn why.
    while (done < line.size()) {
        const ssize_t w = write(fd, line.data() + done, line.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            err = w < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    // EINVAL: a file that cannot be synced (a terminal, a pipe) has nothing to sync.
    if (err == 0 && fsync(fd) != 0 && errno != EINVAL)
        err = errno;
    if (err != 0 && done > 0 && before >= 0)
        (void)ftruncate(fd, before); // no partial line stays
    return err;
}

std::string LoginName()
{
    return UserName();
}

std::string UtcTimeText()
{
    return UtcTimeText(std::chrono::system_clock::now());
}

std::string UtcTimeText(std::chrono::system_clock::time_point now)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return text;
}

std::string CMeterHistory::DefaultRoot()
{
    return XdgFolder("XDG_DATA_HOME", ".local/share") + "/v6uvuv";
}

CMeterHistory::CMeterHistory(std::string root) : m_root(std::move(root)) {}

std::string CMeterHistory::LogPath() const
{
    return m_root + "/" + std::string(kLogFile);
}

std::string CMeterHistory::LinkText(const ComSettings& s)
{
    switch (s.Mode) {
    case kModeTcp: return "tcp " + s.ServerAddress + ":" + s.ServicePort;
    case kModeRtuTcp: return "rtu-tcp " + s.ServerText() + " " + std::to_string(ComSettings::BaudRateOf(s.Baudrate));
    case kModeInfrared: return "ir " + s.IRCOMPortName;
    default:
        return "rtu " + s.COMPortName + " " + std::to_string(ComSettings::BaudRateOf(s.Baudrate)) + " " +
               std::to_string(ComSettings::DataBitsOf(s.Character)) + std::string(ParityLetter(s.Parity)) +
               std::to_string(ComSettings::StopBitsOf(s.Stop));
    }
}

std::string CMeterHistory::FolderName(const CDeviceType& model, const std::string& serial)
{
    // The first word of the description: the model's name and its option.
    std::string name = model.ModelDescription();
    name = name.substr(0, name.find(' '));
    if (name.empty())
        name = "model-" + std::to_string(static_cast<std::uint16_t>(model.DeviceId())) + "-" +
               std::to_string(static_cast<std::uint16_t>(model.ExtensionId()));
    name += "_" + (serial.empty() ? std::string("no-serial") : serial);
    for (char& c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain)
            c = '_';
    }
    return name;
}

std::string CMeterHistory::MeterFolder(const CDeviceType& model, const std::string& serial)
{
    // Meters written in parallel: one folder is looked for and made at a time.
    static std::mutex folderLock;
    const std::lock_guard<std::mutex> lock(folderLock);
    CIniFile meter;
    meter.Set(kMeterSection, "ModelCode", std::to_string(model.Code()));
    meter.Set(kMeterSection, "DeviceId", std::to_string(static_cast<std::uint16_t>(model.DeviceId())));
    meter.Set(kMeterSection, "ExtensionId", std::to_string(static_cast<std::uint16_t>(model.ExtensionId())));
    meter.Set(kMeterSection, "Description", model.ModelDescription());
    meter.Set(kMeterSection, "Serial", serial);
    const std::string base = m_root + "/" + FolderName(model, serial);
    // Two meters whose names differ only in characters a folder name cannot
    // hold each get a folder of their own.
    for (int n = 1;; ++n) {
        const std::string folder = n == 1 ? base : base + "-" + std::to_string(n);
        if (int err = MakeDirs(folder))
            Fail(file_ids::kBackupFailed, folder, err);
        const std::string file = folder + "/" + std::string(kMeterFile);
        CIniFile held;
        const int err = held.Load(file);
        if (err == ENOENT) {
            if (int saveErr = WriteFileAtomically(file, meter.Text()))
                Fail(file_ids::kBackupFailed, folder, saveErr);
            return folder;
        }
        if (err != 0)
            Fail(file_ids::kBackupFailed, folder, err);
        if (held.GetString(kMeterSection, "DeviceId", "") == meter.GetString(kMeterSection, "DeviceId", "-") &&
            held.GetString(kMeterSection, "ExtensionId", "") == meter.GetString(kMeterSection, "ExtensionId", "-") &&
            held.GetString(kMeterSection, "Serial", "") == serial)
            return folder;
    }
}

std::string CMeterHistory::KeepBackup(const CRegisterImage& image, const std::string& serial)
{
    const std::string folder = MeterFolder(image.Identity(), serial);
    CIniFile settings;
    CConfigFile::Store(image, settings);
    const std::string time = BackupTimeNow();
    for (int n = 1;; ++n) {
        const std::string path = folder + "/" + time + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".cfg";
        // The name is claimed first: two downloads to the meter in the same
        // second (two programs, or two threads of one) never share a file.
        const int claim = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (claim < 0 && errno == EEXIST)
            continue;
        if (claim < 0)
            Fail(file_ids::kBackupFailed, folder, errno);
        close(claim);
        if (int err = WriteFileAtomically(path, settings.Text())) {
            unlink(path.c_str());
            Fail(file_ids::kBackupFailed, folder, err);
        }
        return path;
    }
}

std::string CMeterHistory::EntryJson(const SLogEntry& e)
{
    auto textOrNull = [](const std::string& s) { return s.empty() ? std::string("null") : JsonQuoted(s); };
    std::string out = "{";
    out += "\"time\":" + JsonQuoted(e.time.empty() ? UtcTimeText() : e.time);
    out += ",\"user\":" + JsonQuoted(e.user.empty() ? UserName() : e.user);
    out += ",\"host\":" + JsonQuoted(e.host.empty() ? HostName() : e.host);
    out += ",\"link\":" + JsonQuoted(e.link);
    out += ",\"address\":" + std::to_string(e.address);
    out += ",\"model\":" + std::to_string(e.modelCode);
    out += ",\"description\":" + JsonQuoted(e.modelDescription);
    out += ",\"serial\":" + JsonQuoted(e.serial);
    out += ",\"action\":" + JsonQuoted(e.action);
    out += ",\"file\":" + textOrNull(e.file);
    out += ",\"changes\":[";
    for (std::size_t i = 0; i < e.changes.size(); ++i) {
        const SChange& c = e.changes[i];
        out += i ? ",{" : "{";
        out += "\"group\":" + JsonQuoted(c.group) + ",\"name\":" + JsonQuoted(c.name) +
               ",\"old\":" + JsonQuoted(c.oldValue) + ",\"new\":" + JsonQuoted(c.newValue) + "}";
    }
    out += "]";
    out += ",\"verified\":" + std::string(!e.verified ? "null" : *e.verified ? "true" : "false");
    out += ",\"backup\":" + textOrNull(e.backup);
    out += ",\"message\":" + textOrNull(e.message);
    out += "}";
    return out;
}

void CMeterHistory::Append(const SLogEntry& entry)
{
    const std::string line = EntryJson(entry) + "\n";
    const std::string path = LogPath();
    if (int err = MakeDirs(m_root))
        Fail(file_ids::kLogFailed, path, err);
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail(file_ids::kLogFailed, path, errno);
    // One writer at a time, so that a line taken back is this one's.
    flock(fd, LOCK_EX);
    const int err = AppendWholeLine(fd, line);
    close(fd);
    if (err != 0)
        Fail(file_ids::kLogFailed, path, err);
}

std::vector<CMeterHistory::SMeter> CMeterHistory::Meters() const
{
    std::vector<SMeter> meters;
    DIR* root = opendir(m_root.c_str());
    if (!root)
        return meters;
    while (const dirent* d = readdir(root)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string folder = m_root + "/" + name;
        CIniFile ini;
        if (ini.Load(folder + "/" + std::string(kMeterFile)) != 0)
            continue; // not a meter's folder
        SMeter m;
        m.folder = folder;
        m.modelCode = ini.GetInt(kMeterSection, "ModelCode", 0);
        m.description = ini.GetString(kMeterSection, "Description", "");
        m.serial = ini.GetString(kMeterSection, "Serial", "");
        std::vector<std::pair<std::pair<std::string, int>, std::string>> found;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* f = readdir(dir))
                if (auto key = BackupName(f->d_name))
                    found.emplace_back(*key, f->d_name);
            closedir(dir);
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        for (const auto& [key, file] : found)
            m.backups.push_back({folder + "/" + file, key.first});
        meters.push_back(std::move(m));
    }
    closedir(root);
    std::sort(meters.begin(), meters.end(), [](const SMeter& a, const SMeter& b) { return a.folder < b.folder; });
    return meters;
}
