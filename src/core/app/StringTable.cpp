#include "app/StringTable.h"

#include <charconv>
#include <fstream>
#include <mutex>
#include <shared_mutex>
#include <sstream>

extern const unsigned char kEnglishStringTable[];
extern const std::size_t kEnglishStringTableSize;

namespace {

struct Tables
{
    std::shared_mutex lock;
    std::map<unsigned, std::string> english;
    std::map<unsigned, std::string> overlay;
};

Tables& TheTables()
{
    static Tables* tables = [] {
        auto* t = new Tables;
        CStringTable::Parse(
            std::string_view(reinterpret_cast<const char*>(kEnglishStringTable), kEnglishStringTableSize), t->english);
        return t;
    }();
    return *tables;
}

std::string Unescape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += s[i];
            break;
        }
    }
    return out;
}

} // namespace

bool CStringTable::Parse(std::string_view text, std::map<unsigned, std::string>& out)
{
    bool ok = true;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        std::size_t tab = line.find('\t');
        unsigned id = 0;
        auto [ptr, ec] =
            std::from_chars(line.data(), line.data() + (tab == std::string_view::npos ? line.size() : tab), id);
        if (tab == std::string_view::npos || ec != std::errc() || ptr != line.data() + tab) {
            ok = false;
            continue;
        }
        out[id] = Unescape(line.substr(tab + 1));
    }
    return ok;
}

std::string CStringTable::Get(unsigned id)
{
    Tables& t = TheTables();
    std::shared_lock guard(t.lock);
    if (auto it = t.overlay.find(id); it != t.overlay.end())
        return it->second;
    if (auto it = t.english.find(id); it != t.english.end())
        return it->second;
    return {};
}

bool CStringTable::LoadLanguageFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::map<unsigned, std::string> texts;
    Parse(buffer.str(), texts);
    if (texts.empty())
        return false;
    Tables& t = TheTables();
    std::unique_lock guard(t.lock);
    t.overlay = std::move(texts);
    return true;
}

void CStringTable::UnloadLanguage()
{
    Tables& t = TheTables();
    std::unique_lock guard(t.lock);
    t.overlay.clear();
}
