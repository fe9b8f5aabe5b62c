#include "files/IniFile.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y)
            return false;
    }
    return true;
}

// The section name of a header line, or nothing.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

bool SplitKey(std::string_view line, std::string_view& key, std::string_view& value)
{
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

std::string Sanitize(std::string_view v)
{
    // A line break inside a value would split it into two lines.
    std::string s(v);
    for (char& c : s)
        if (c == '\r' || c == '\n')
            c = ' ';
    return s;
}

} // namespace

int CIniFile::Load(const std::string& path)
{
    m_lines.clear();
    m_crlf = false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno ? errno : EIO;
    std::string data;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    int err = std::ferror(f) ? (errno ? errno : EIO) : 0;
    std::fclose(f);
    if (err)
        return err;
    LoadText(data);
    return 0;
}

void CIniFile::LoadText(std::string_view text)
{
    m_lines.clear();
    m_crlf = text.find("\r\n") != std::string_view::npos;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (end == std::string_view::npos) {
            // A last line without its LF keeps no CR at its end: written back
            // with an LF it would read as a CRLF line.
            while (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            m_lines.emplace_back(line);
            break;
        }
        m_lines.emplace_back(line);
        text.remove_prefix(end + 1);
    }
}

std::optional<std::size_t> CIniFile::FindSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        auto name = SectionName(m_lines[i]);
        if (name && EqualNoCase(*name, section))
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> CIniFile::FindKey(std::size_t sectionLine, std::string_view key) const
{
    for (std::size_t i = sectionLine + 1; i < m_lines.size(); ++i) {
        if (SectionName(m_lines[i]))
            break;
        std::string_view k, v;
        if (SplitKey(m_lines[i], k, v) && EqualNoCase(k, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> CIniFile::Get(std::string_view section, std::string_view key) const
{
    auto s = FindSection(section);
    if (!s)
        return std::nullopt;
    auto k = FindKey(*s, key);
    if (!k)
        return std::nullopt;
    std::string_view name, value;
    SplitKey(m_lines[*k], name, value);
    // A lone CR may sit inside a line; Set could not write it back, so the
    // value read is the one a save of it writes.
    return std::string(Trim(Sanitize(value)));
}

std::string CIniFile::GetString(std::string_view section, std::string_view key, std::string_view def) const
{
    auto v = Get(section, key);
    return v ? *v : std::string(def);
}

int CIniFile::GetInt(std::string_view section, std::string_view key, int def) const
{
    auto v = Get(section, key);
    if (!v || v->empty())
        return def;
    long long n = 0;
    const char* first = v->data();
    const char* last = v->data() + v->size();
    auto [ptr, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || ptr != last || n < INT_MIN || n > UINT_MAX)
        return def;
    // Values written as unsigned 32-bit numbers read back as their bit pattern.
    return static_cast<int>(static_cast<unsigned>(n));
}

void CIniFile::Set(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line = std::string(key) + "=" + Sanitize(value);
    auto s = FindSection(section);
    if (!s) {
        if (!m_lines.empty() && !Trim(m_lines.back()).empty())
            m_lines.emplace_back();
        m_lines.push_back("[" + std::string(section) + "]");
        m_lines.push_back(line);
        return;
    }
    if (auto k = FindKey(*s, key)) {
        m_lines[*k] = line;
        return;
    }
    // After the last non-blank line of the section.
    std::size_t insert = *s + 1;
    for (std::size_t i = *s + 1; i < m_lines.size() && !SectionName(m_lines[i]); ++i)
        if (!Trim(m_lines[i]).empty())
            insert = i + 1;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), line);
}

void CIniFile::SetInt(std::string_view section, std::string_view key, int value)
{
    Set(section, key, std::to_string(value));
}

bool CIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    auto s = FindSection(section);
    if (!s)
        return false;
    auto k = FindKey(*s, key);
    if (!k)
        return false;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*k));
    return true;
}

std::vector<std::string> CIniFile::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    auto s = FindSection(section);
    if (!s)
        return keys;
    for (std::size_t i = *s + 1; i < m_lines.size() && !SectionName(m_lines[i]); ++i) {
        std::string_view k, v;
        if (SplitKey(m_lines[i], k, v))
            keys.emplace_back(k);
    }
    return keys;
}

std::string CIniFile::Text() const
{
    const char* eol = m_crlf ? "\r\n" : "\n";
    std::string out;
    for (const auto& l : m_lines) {
        out += l;
        out += eol;
    }
    return out;
}

int CIniFile::Save(const std::string& path) const
{
    return WriteFileAtomically(path, Text());
}

int WriteFileAtomically(const std::string& path, std::string_view data)
{
    std::string tmp = path + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return errno;
    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones under the user's umask.
    struct stat st{};
    mode_t mode;
    if (stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    int err = 0;
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t w = write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    if (!err && fsync(fd) != 0)
        err = errno;
    if (close(fd) != 0 && !err)
        err = errno;
    if (!err && rename(tmp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err)
        unlink(tmp.c_str());
    return err;
}
