#pragma once
// The progress bar of the commands that talk to meters.

#include <cstdio>
#include <string>
#include <unistd.h>

namespace cli {

// A bar on standard error when it is a terminal; nothing otherwise. A label
// after it says which meter or address it is about.
class ProgressBar
{
public:
    ProgressBar() : m_show(isatty(STDERR_FILENO) != 0) {}
    ~ProgressBar()
    {
        if (m_show && m_drawn)
            std::fputs("\n", stderr);
    }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void SetLabel(std::string label) { m_label = std::move(label); }

    bool operator()(double percent)
    {
        if (!m_show)
            return true;
        const int width = 40, filled = static_cast<int>(percent / 100.0 * width);
        std::string line = "\r[" + std::string(filled, '#') + std::string(width - filled, '.') + "] ";
        char number[8];
        std::snprintf(number, sizeof number, "%3d%%", static_cast<int>(percent));
        line += number;
        if (!m_label.empty())
            line += "  " + m_label;
        // Whatever a longer label left behind is blanked.
        const std::size_t length = line.size();
        if (length < m_length)
            line += std::string(m_length - length, ' ');
        m_length = length;
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        m_drawn = true;
        return true;
    }

    // Blanks the bar, so that a line of results can take its place on the
    // terminal; the next call draws it again.
    void Clear()
    {
        if (!m_show || !m_drawn)
            return;
        std::fprintf(stderr, "\r%s\r", std::string(m_length, ' ').c_str());
        std::fflush(stderr);
        m_drawn = false;
        m_length = 0;
    }

private:
    bool m_show;
    bool m_drawn = false;
    std::size_t m_length = 0;
    std::string m_label;
};

} // namespace cli
