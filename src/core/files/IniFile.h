#pragma once
// A private-profile (INI) file held in memory: sections and keys match
// case-insensitively, every other line is kept as it was, CRLF and LF both
// read. Saving goes through WriteFileAtomically. Empty lines are held as a
// count before the next line, so that a file of blank lines costs no memory
// per line. A UTF-8 byte-order mark is taken and written back on a save.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CIniFile
{
public:
    // Larger files are refused unread: a real one is a few kilobytes.
    static constexpr std::size_t kMaxFileSize = 1024 * 1024;

    // Reads the file. Returns 0, or the errno of the failure (the content is
    // then empty). A missing file is ENOENT; one larger than kMaxFileSize is
    // EFBIG (FileSize() then says how large), one saved as UTF-16 EILSEQ.
    int Load(const std::string& path);
    void LoadText(std::string_view text);
    // The size of the file the last Load refused as too large.
    std::uint64_t FileSize() const { return m_fileSize; }
    // True when the text read held a NUL byte: no text file at all.
    bool HasNul() const { return m_hasNul; }
    bool HasByteOrderMark() const { return m_bom; }
    // UTF-16 in either byte order, with or without its byte-order mark.
    static bool LooksLikeUtf16(std::string_view data);
    // A plain decimal integer (ParseDecimalInteger) with blanks around it, as
    // this program writes numbers.
    static std::optional<std::int64_t> PlainInteger(std::string_view text);

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

    // Insert `line` at index `at` of m_lines with no blank line before it.
    void InsertLine(std::size_t at, std::string line);
    // Appends a section header, after one blank line unless the file ends
    // with one.
    std::size_t AppendSection(std::string_view section);

    // The lines that are not empty; m_blanks[i] empty lines come before
    // m_lines[i], m_trailingBlanks after the last.
    std::vector<std::string> m_lines;
    std::vector<std::uint32_t> m_blanks;
    std::uint32_t m_trailingBlanks = 0;
    bool m_crlf = false;
    bool m_bom = false;
    bool m_hasNul = false;
    std::uint64_t m_fileSize = 0;
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
