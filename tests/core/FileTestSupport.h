#pragma once
// A private folder for the file tests, with helpers to put and take text.

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace filetest {

class TempDir
{
public:
    TempDir()
    {
        char tmpl[] = "/tmp/q6k-files-XXXXXX";
        m_dir = mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    // Files in the folder (to see that no temporary is left).
    std::size_t FileCount() const
    {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(m_dir))
            ++n;
        return n;
    }

private:
    std::string m_dir;
};

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Lets no file grow past `bytes` while it lives, so a write fails half-way
// as on a full disk (root ignores permissions, but not this).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { Lift(); }
    void Lift()
    {
        if (m_lifted)
            return;
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
        m_lifted = true;
    }

private:
    rlimit m_saved{};
    void (*m_previous)(int) = nullptr;
    bool m_lifted = false;
};

} // namespace filetest
