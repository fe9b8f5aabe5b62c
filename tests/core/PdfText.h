#pragma once
// A PDF read back with poppler's tools: its text with every run of white
// space made one blank (a table cell may wrap anywhere), its fonts, its
// page count.

#include <cstdio>
#include <string>

namespace testsupport {

inline std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

inline std::string OneBlank(const std::string& text)
{
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f';
        if (!blank)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    return out;
}

inline std::string PdfText(const std::string& path)
{
    return OneBlank(CommandOutput("pdftotext -enc UTF-8 '" + path + "' - 2>/dev/null"));
}

// One page's text alone (from 1).
inline std::string PdfPageText(const std::string& path, int page)
{
    const std::string n = std::to_string(page);
    return OneBlank(CommandOutput("pdftotext -enc UTF-8 -f " + n + " -l " + n + " '" + path + "' - 2>/dev/null"));
}

// pdffonts' table: one line per font after two heading lines.
inline std::string PdfFonts(const std::string& path)
{
    return CommandOutput("pdffonts '" + path + "' 2>&1");
}

// The font lines whose "emb" column is not "yes"; the column's place is
// read from the heading line.
inline int FontsNotEmbedded(const std::string& fonts, int* count = nullptr)
{
    const std::size_t column = fonts.find(" emb ");
    int bad = 0, lines = 0;
    std::size_t start = fonts.find('\n', fonts.find('\n') + 1); // after the heading and the rule
    while (column != std::string::npos && start != std::string::npos && start + 1 < fonts.size()) {
        const std::size_t end = fonts.find('\n', start + 1);
        const std::string line = fonts.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        if (!line.empty()) {
            ++lines;
            bad += line.size() < column + 4 || line.substr(column + 1, 3) != "yes";
        }
        start = end;
    }
    if (count)
        *count = lines;
    return bad;
}

inline int PdfPages(const std::string& path)
{
    const std::string info = CommandOutput("pdfinfo '" + path + "' 2>/dev/null");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? 0 : std::stoi(info.substr(at + 6));
}

} // namespace testsupport
