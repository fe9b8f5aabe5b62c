#include "files/IniFile.h"

#include "app/DecimalInteger.h"
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <iterator>
#include <linux/magic.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <unordered_map>

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
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}

// Keys match as EqualNoCase compares them.
std::string LowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
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
    LoadText({});
    m_fileSize = 0;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return errno ? errno : EIO;
    // Never more than the bound and one byte: a huge file or an endless
    // device is refused without being read.
    std::string data;
    char buf[8192];
    std::size_t n;
    while (data.size() <= kMaxFileSize &&
           (n = std::fread(buf, 1, std::min(sizeof buf, kMaxFileSize + 1 - data.size()), f)) > 0)
        data.append(buf, n);
    int err = std::ferror(f) ? (errno ? errno : EIO) : 0;
    struct stat st = {};
    if (!err && data.size() > kMaxFileSize) {
        m_fileSize =
            fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : data.size();
        err = EFBIG;
    }
    std::fclose(f);
    if (!err && LooksLikeUtf16(data))
        err = EILSEQ;
    if (err)
        return err;
    LoadText(data);
    return 0;
}

bool CIniFile::LooksLikeUtf16(std::string_view data)
{
    if (data.size() >= 2 && ((data[0] == '\xFF' && data[1] == '\xFE') || (data[0] == '\xFE' && data[1] == '\xFF')))
        return true;
    // Without a mark: text in the first 256 bytes whose every other byte is
    // NUL (ASCII written as UTF-16). A file of NULs only is not.
    const std::size_t pairs = std::min<std::size_t>(data.size(), 256) / 2;
    std::size_t highZero = 0, lowZero = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool first = data[2 * i] == '\0', second = data[2 * i + 1] == '\0';
        highZero += second && !first;
        lowZero += first && !second;
    }
    return pairs >= 2 && std::max(highZero, lowZero) * 4 >= pairs * 3;
}

std::optional<std::int64_t> CIniFile::PlainInteger(std::string_view text)
{
    return ParseDecimalInteger(Trim(text));
}

void CIniFile::LoadText(std::string_view text)
{
    m_lines.clear();
    m_blanks.clear();
    m_trailingBlanks = 0;
    m_bom = text.substr(0, 3) == "\xEF\xBB\xBF";
    if (m_bom)
        text.remove_prefix(3);
    m_hasNul = text.find('\0') != std::string_view::npos;
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
        }
        if (line.empty()) {
            ++m_trailingBlanks;
        } else {
            m_lines.emplace_back(line);
            m_blanks.push_back(m_trailingBlanks);
            m_trailingBlanks = 0;
        }
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    m_lines.shrink_to_fit();
    m_blanks.shrink_to_fit();
}

void CIniFile::InsertLine(std::size_t at, std::string line)
{
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    m_blanks.insert(m_blanks.begin() + static_cast<std::ptrdiff_t>(at), 0);
}

std::size_t CIniFile::AppendSection(std::string_view section)
{
    // One blank line between sections, unless the file already ends with
    // a blank (or white-space) line.
    std::uint32_t blanks = m_trailingBlanks;
    if (blanks == 0 && !m_lines.empty() && !Trim(m_lines.back()).empty())
        blanks = 1;
    m_trailingBlanks = 0;
    m_lines.push_back("[" + std::string(section) + "]");
    m_blanks.push_back(blanks);
    return m_lines.size() - 1;
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

int CIniFile::LineOf(std::string_view section, std::string_view key) const
{
    auto s = FindSection(section);
    if (!s)
        return 0;
    auto k = FindKey(*s, key);
    if (!k)
        return 0;
    std::size_t line = 0;
    for (std::size_t i = 0; i <= *k; ++i)
        line += m_blanks[i] + 1;
    return static_cast<int>(line);
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
        AppendSection(section);
        InsertLine(m_lines.size(), std::move(line));
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
    InsertLine(insert, std::move(line));
}

void CIniFile::SetAll(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values)
{
    if (values.empty())
        return;
    auto s = FindSection(section);
    if (!s)
        s = AppendSection(section);
    // The first line of every key, and where Set would add a new one: after
    // the last non-blank line of the section.
    struct Place
    {
        bool added;
        std::size_t index; // into m_lines, or into `added` lines
    };
    std::unordered_map<std::string, Place> places;
    std::size_t insert = *s + 1;
    for (std::size_t i = *s + 1; i < m_lines.size() && !SectionName(m_lines[i]); ++i) {
        if (Trim(m_lines[i]).empty())
            continue;
        insert = i + 1;
        std::string_view k, v;
        if (SplitKey(m_lines[i], k, v))
            places.try_emplace(LowerCase(k), Place{false, i});
    }
    std::vector<std::string> added;
    for (const auto& [key, value] : values) {
        std::string line = key + "=" + Sanitize(value);
        auto [it, isNew] = places.try_emplace(LowerCase(key), Place{true, added.size()});
        if (isNew)
            added.push_back(std::move(line));
        else
            (it->second.added ? added[it->second.index] : m_lines[it->second.index]) = std::move(line);
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), std::make_move_iterator(added.begin()),
                   std::make_move_iterator(added.end()));
    m_blanks.insert(m_blanks.begin() + static_cast<std::ptrdiff_t>(insert), added.size(), 0);
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
    // The blank lines before it stay where they were.
    const std::uint32_t blanks = m_blanks[*k];
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*k));
    m_blanks.erase(m_blanks.begin() + static_cast<std::ptrdiff_t>(*k));
    (*k < m_blanks.size() ? m_blanks[*k] : m_trailingBlanks) += blanks;
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
    std::string out = m_bom ? "\xEF\xBB\xBF" : "";
    auto blanks = [&](std::uint32_t n) {
        for (std::uint32_t j = 0; j < n; ++j)
            out += eol;
    };
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        blanks(m_blanks[i]);
        out += m_lines[i];
        out += eol;
    }
    blanks(m_trailingBlanks);
    return out;
}

int CIniFile::Save(const std::string& path) const
{
    return WriteFileAtomically(path, Text());
}

namespace {

// Marks a file that can be written but not replaced (a folder the user may
// not write in, a file whose owner the user cannot give a new file).
constexpr int kNotReplaceable = -1;
// Symbolic links followed before ELOOP, as the kernel does.
constexpr int kMaxLinks = 40;

std::string DirName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// What a save of a path reaches, found as open() would follow the path.
struct SaveTarget
{
    std::string path; // its last part is no symbolic link
    bool exists = false;
    struct stat st = {};
    // Named by a link of /proc (/dev/stdout, /dev/fd/N): an open file, not a
    // name that a new file could be renamed to.
    bool viaProc = false;
};

int FindTarget(const std::string& path, SaveTarget& target)
{
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat st = {};
        if (lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return errno;
            target.path = current; // a dangling link creates its target
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            target.path = current;
            target.exists = true;
            target.st = st;
            return 0;
        }
        if (links == kMaxLinks)
            return ELOOP;
        struct statfs fs = {};
        if (statfs(DirName(current).c_str(), &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC) {
            // Its text ("pipe:[123]", or the name of a file that may be gone)
            // is no path; only the kernel follows it.
            if (stat(current.c_str(), &st) != 0)
                return errno;
            target.path = current;
            target.exists = true;
            target.st = st;
            target.viaProc = true;
            return 0;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(current.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        if (static_cast<std::size_t>(n) >= link.size())
            return ENAMETOOLONG;
        link.resize(static_cast<std::size_t>(n));
        current = !link.empty() && link.front() == '/' ? link : DirName(current) + "/" + link;
    }
}

int WriteAll(int fd, std::string_view data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t w = write(fd, data.data() + done, data.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        done += static_cast<std::size_t>(w);
    }
    return 0;
}

// Writes into the file as it stands, as the shell's "echo > file" does. No
// O_CREAT or O_TRUNC, which mean nothing good to a device; non-blocking, so
// that a FIFO without a reader gives ENXIO instead of waiting for ever.
int WriteInPlace(const std::string& path, std::string_view data)
{
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = 0;
    struct stat st = {};
    const int flags = fcntl(fd, F_GETFL);
    // Once open, a slow reader of a FIFO is waited for like the shell waits.
    if (fstat(fd, &st) != 0 || flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        err = errno;
    if (!err)
        err = WriteAll(fd, data);
    // A regular file is cut to length after it is written over: its blocks
    // are reused, so a nearly full disk still takes the save.
    if (!err && S_ISREG(st.st_mode) && (ftruncate(fd, static_cast<off_t>(data.size())) != 0 || fsync(fd) != 0))
        err = errno;
    if (close(fd) != 0 && !err)
        err = errno;
    return err;
}

// A new file beside `path`, with the permissions `mode` (under the umask).
int CreateTemporary(const std::string& path, mode_t mode, std::string& name)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            return -1;
        name = path + ".";
        for (unsigned char r : random)
            name += kLetters[r % (sizeof kLetters - 1)];
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes a temporary file and renames it over the target, so that a failed
// save leaves the old file whole. The new file keeps the old one's owner,
// group and mode; where it could not, nothing is replaced (kNotReplaceable).
int ReplaceAtomically(const SaveTarget& target, std::string_view data)
{
    std::string tmp;
    // A new file gets the usual permissions under the user's umask.
    const int fd = CreateTemporary(target.path, target.exists ? 0600 : 0666, tmp);
    if (fd < 0) {
        const int err = errno;
        return target.exists && (err == EACCES || err == EPERM) ? kNotReplaceable : err;
    }
    int err = 0;
    if (target.exists) {
        struct stat mine = {};
        if (fstat(fd, &mine) != 0)
            err = errno;
        else if ((mine.st_uid != target.st.st_uid || mine.st_gid != target.st.st_gid) &&
                 fchown(fd, target.st.st_uid, target.st.st_gid) != 0)
            err = errno == EPERM ? kNotReplaceable : errno;
        // After the owner, which clears the set-id bits.
        if (!err && fchmod(fd, target.st.st_mode & 07777) != 0)
            err = errno;
    }
    if (!err)
        err = WriteAll(fd, data);
    if (!err && fsync(fd) != 0)
        err = errno;
    if (close(fd) != 0 && !err)
        err = errno;
    if (!err && rename(tmp.c_str(), target.path.c_str()) != 0)
        err = errno;
    if (err)
        unlink(tmp.c_str());
    return err;
}

} // namespace

int WriteFileAtomically(const std::string& path, std::string_view data)
{
    SaveTarget target;
    if (int err = FindTarget(path, target))
        return err;
    if (!target.exists)
        return ReplaceAtomically(target, data);
    if (S_ISDIR(target.st.st_mode))
        return EISDIR;
    // Refused as the shell refuses "echo > file": a write-protected file is
    // not replaced behind the user's back (root writes as root would).
    if (faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
    // A device or FIFO, a file known only to /proc, and a file with other
    // names (hard links) that a rename would part from it: written in place.
    if (!S_ISREG(target.st.st_mode) || target.viaProc || target.st.st_nlink > 1)
        return WriteInPlace(target.path, data);
    const int err = ReplaceAtomically(target, data);
    return err == kNotReplaceable ? WriteInPlace(target.path, data) : err;
}
