#pragma once
// The parameter report without its window: every parameter of the working
// image with group, name and value text, optionally compared with a second
// image (from the meter or a file), the mismatch count, the status line and
// the CSV export. The report window only shows what this computes.

#include "model/ParameterEnumeration.h"
#include "model/RegisterImage.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

struct SReportRow
{
    int parameter = 0;    // first image word of the parameter
    int groupOrdinal = 0; // 1 for the first group, +1 whenever the group text changes
    std::string group;
    std::string name;
    std::string value;           // of the working image
    std::string comparisonValue; // of the comparison image; empty when not compared
    CParameterEnumerationInterface::ECompare status = CParameterEnumerationInterface::COMPARE_EQUAL;
    // A value of a file that a meter would not take (read for the report all
    // the same), in either image.
    bool flagged = false;

    // Group ordinal in the high 16 bits, status in the low 16 bits.
    std::uint32_t ItemData() const
    {
        return static_cast<std::uint32_t>(groupOrdinal) << 16 | static_cast<std::uint32_t>(status);
    }
};

// How the CSV export is laid out beyond its fields. The defaults give the
// form scripts have always read.
struct SCsvOptions
{
    // A first row naming the columns as the report window's captions do, in
    // the display language.
    bool header = false;
    // UTF-8's byte-order mark first: spreadsheet programs need it to read
    // Japanese text as UTF-8.
    bool byteOrderMark = false;

    // The report window's choices, in section "Report" of the settings.
    void Load();
    // Raises CPrivateException when the settings cannot be written.
    void Save() const;
};

class CParameterReport
{
public:
    // Reports `working`, not compared yet.
    explicit CParameterReport(const CRegisterImage& working = CRegisterImage());

    // Replaces the comparison image and title and recomputes the rows.
    void SetComparison(const CRegisterImage& comparison, std::string title);
    // Marks the parameters (first words) whose values a meter would not
    // take; replaces the marks given before.
    void SetFlagged(std::set<int> parameters);
    int FlaggedCount() const { return static_cast<int>(m_flagged.size()); }

    const CRegisterImage& Working() const { return m_working; }
    const CRegisterImage& Comparison() const { return m_comparison; }
    bool IsCompared() const { return m_compared; }
    // Header of the comparison column: empty until compared, then "Device"
    // or the file's name.
    const std::string& ComparisonTitle() const { return m_title; }

    // One row per parameter, in enumeration order.
    const std::vector<SReportRow>& Rows() const { return m_rows; }
    // Parameters whose values differ (a 32-bit value counts once).
    int MismatchCount() const { return m_mismatchCount; }
    // Index of the first differing row; -1 when none differs.
    int FirstMismatch() const { return m_firstMismatch; }

    // Empty before a comparison; then "All parameters matching." or
    // "<n> parameter(s) not matching.", after a comparison across models
    // with "Different models: <code> <description> and <code>
    // <description>." before it; with marked values, "<n> value(s) of the
    // file are not what a meter takes (marked "!")." first.
    std::string StatusText() const;
    // True while the status line is to be drawn as an alert.
    bool IsStatusAlert() const { return m_mismatchCount != 0 || !m_flagged.empty(); }

    // One line per parameter, "group","name","value"[,"comparison value"],
    // each ended by CR LF; a quote inside a text is doubled. `options` may
    // put a byte-order mark and a header row before them.
    std::string CsvText(const SCsvOptions& options = {}) const;
    // Writes CsvText() to `path` as a whole new file, so a failure never
    // leaves a partial file. Raises CPrivateException (12302) on failure.
    void ExportCsv(const std::string& path, const SCsvOptions& options = {}) const;

    // `text` as one quoted CSV field.
    static std::string CsvField(const std::string& text);

private:
    void Fill();
    std::string StatusTextOfComparison() const;

    CRegisterImage m_working;
    CRegisterImage m_comparison;
    bool m_compared = false;
    std::string m_title;
    std::vector<SReportRow> m_rows;
    int m_mismatchCount = 0;
    int m_firstMismatch = -1;
    std::set<int> m_flagged;
};
