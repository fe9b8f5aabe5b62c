#pragma once
// A private-profile (INI) file held in memory: sections and keys match
// case-insensitively, every other line is kept as it was, CRLF and LF both
// read. Saving goes through WriteFileAtomically.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
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
    // Sets the keys as Set would one after the other, in one pass over the
    // section rather than one per key (a configuration file has hundreds).
    void SetAll(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values);
    bool DeleteKey(std::string_view section, std::string_view key);

    std::vector<std::string> Keys(std::string_view section) const;
    bool HasSection(std::string_view section) const { return FindSection(section).has_value(); }
    // The line of the key within the text, counted from 1; 0 when it is not there.
    int LineOf(std::string_view section, std::string_view key) const;

    std::string Text() const;
    // Writes through WriteFileAtomically; returns 0, or the errno of the
    // failure.
    int Save(const std::string& path) const;

private:
    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(std::size_t sectionLine, std::string_view key) const;

    std::vector<std::string> m_lines;
    bool m_crlf = false;
};

// Saves `data` at `path` as the user's shell would write it, atomically where
// that changes nothing else. Returns 0 or the errno of the failure.
//  - A regular file, or none, in a folder the user may write: a temporary file
//    in the same folder, synced and renamed over it, with the old file's mode,
//    owner and group; a failure leaves the old file whole.
//  - A symbolic link is followed to its target (a dangling one creates it).
//  - A file the user may not write is refused (EACCES), the old file whole.
//  - A device or FIFO is written as it stands (a FIFO without a reader gives
//    ENXIO at once); a writable file in a folder the user may not write, one
//    whose owner a new file could not keep, one with hard links, and one
//    named through /proc (/dev/stdout) are written over in place.
int WriteFileAtomically(const std::string& path, std::string_view data);
