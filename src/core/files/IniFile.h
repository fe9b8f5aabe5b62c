#pragma once
// A private-profile (INI) file held in memory: sections and keys match
// case-insensitively, every other line is kept as it was, CRLF and LF both
// read. Saving writes a complete new file and renames it over the old one, so
// a failed save never leaves a half-written file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CIniFile
{
public:
    // Reads the file. Returns 0, or the errno of the failure (the content is
    // then empty). A missing file is ENOENT.
    int Load(const std::string& path);
    void LoadText(std::string_view text);

    // The value without its outer blanks; a CR inside it reads as a blank,
    // as Set writes it.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def) const;
    // A missing value, or one that is not a whole 32-bit number, gives def.
    int GetInt(std::string_view section, std::string_view key, int def) const;

    // Replaces the value in place, or adds the key at the end of its section,
    // or adds the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);
    bool DeleteKey(std::string_view section, std::string_view key);

    std::vector<std::string> Keys(std::string_view section) const;

    std::string Text() const;
    // Writes atomically; returns 0, or the errno of the failure (the old file
    // is then untouched).
    int Save(const std::string& path) const;

private:
    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(std::size_t sectionLine, std::string_view key) const;

    std::vector<std::string> m_lines;
    bool m_crlf = false;
};

// Writes `data` to `path` through a temporary file in the same folder and a
// rename. Returns 0 or the errno of the failure.
int WriteFileAtomically(const std::string& path, std::string_view data);
