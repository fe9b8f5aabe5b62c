#include "files/ParameterReport.h"

#include "app/AppSettings.h"
#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/FileStringIds.h"
#include "files/IniFile.h"
#include "model/ParameterDescriptorTable.h"

CParameterReport::CParameterReport(const CRegisterImage& working) : m_working(working)
{
    Fill();
}

void CParameterReport::SetComparison(const CRegisterImage& comparison, std::string title)
{
    m_comparison = comparison;
    m_title = std::move(title);
    m_compared = true;
    Fill();
}

void CParameterReport::SetFlagged(std::set<int> parameters)
{
    m_flagged = std::move(parameters);
    Fill();
}

void CParameterReport::Fill()
{
    const CParameterEnumerationInterface params;
    const std::uint32_t workingFlags = m_working.CapabilityFlags();
    m_rows.clear();
    m_mismatchCount = 0;
    m_firstMismatch = -1;
    int ordinal = 0;
    std::string previousGroup;
    for (int n = CParameterEnumerationInterface::kFirstParameter; CParameterEnumerationInterface::IsParameter(n);
         n = params.NextParameter(n)) {
        SReportRow row;
        row.parameter = n;
        row.group = params.GroupText(n);
        if (ordinal == 0 || row.group != previousGroup)
            ++ordinal;
        previousGroup = row.group;
        row.groupOrdinal = ordinal;
        row.name = params.NameText(n);
        row.value = params.ValueText(m_working, n);
        row.flagged = m_flagged.count(n) != 0;
        if (m_compared) {
            row.comparisonValue = params.ValueText(m_comparison, n);
            row.status = params.Compare(n, m_comparison, m_working);
        } else {
            const bool present = (workingFlags & kParameterDescriptors.at(static_cast<std::size_t>(n)).mask) != 0;
            row.status = present ? CParameterEnumerationInterface::COMPARE_EQUAL
                                 : CParameterEnumerationInterface::COMPARE_NOT_APPLICABLE;
        }
        if (row.status == CParameterEnumerationInterface::COMPARE_DIFFERENT) {
            if (m_mismatchCount++ == 0)
                m_firstMismatch = static_cast<int>(m_rows.size());
        }
        m_rows.push_back(std::move(row));
    }
}

std::string CParameterReport::StatusText() const
{
    const std::string marked =
        m_flagged.empty() ? std::string() : LoadMessage(file_ids::kReportMarked, {FlaggedCount()});
    if (!m_compared)
        return marked;
    if (!marked.empty())
        return marked + " " + StatusTextOfComparison();
    return StatusTextOfComparison();
}

std::string CParameterReport::StatusTextOfComparison() const
{
    std::string count = m_mismatchCount != 0 ? LoadMessage(file_ids::kNotMatching, {m_mismatchCount})
                                             : CStringTable::Get(file_ids::kAllMatching);
    // Across models the count alone would mislead: most differences are then
    // the models', not the settings'.
    const CDeviceType& a = m_working.Identity();
    const CDeviceType& b = m_comparison.Identity();
    if (!(a == b))
        return LoadMessage(file_ids::kDifferentModels,
                           {a.Code(), a.ModelDescription(), b.Code(), b.ModelDescription()}) +
               " " + count;
    return count;
}

std::string CParameterReport::CsvField(const std::string& text)
{
    // Doubling keeps every line valid CSV whatever a translated text holds.
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

namespace {
constexpr const char* kSettingsSection = "Report";
}

void SCsvOptions::Load()
{
    const CIniFile store = CSettingsStore::Snapshot();
    auto flag = [&store](const char* key) {
        return CSettingsStore::ValidInt(store, kSettingsSection, key, 0,
                                        [](long long v) { return v == 0 || v == 1; }) == 1;
    };
    header = flag("CsvHeader");
    byteOrderMark = flag("CsvBom");
}

void SCsvOptions::Save() const
{
    CSettingsStore::Write(kSettingsSection, {{"CsvHeader", header ? "1" : "0"}, {"CsvBom", byteOrderMark ? "1" : "0"}});
}

std::string CParameterReport::CsvText(const SCsvOptions& options) const
{
    std::string out;
    if (options.byteOrderMark)
        out += "\xEF\xBB\xBF";
    if (options.header) {
        out += CsvField(CStringTable::Get(file_ids::kColumnGroup));
        out += ',';
        out += CsvField(CStringTable::Get(file_ids::kCsvColumnParameter));
        out += ',';
        out += CsvField(CStringTable::Get(file_ids::kColumnPc));
        if (m_compared) {
            out += ',';
            out += CsvField(m_title);
        }
        out += "\r\n";
    }
    for (const SReportRow& row : m_rows) {
        out += CsvField(row.group);
        out += ',';
        out += CsvField(row.name);
        out += ',';
        out += CsvField(row.value);
        if (m_compared) {
            out += ',';
            out += CsvField(row.comparisonValue);
        }
        out += "\r\n";
    }
    return out;
}

void CParameterReport::ExportCsv(const std::string& path, const SCsvOptions& options) const
{
    if (int err = WriteFileAtomically(path, CsvText(options)))
        throw CPrivateException(file_ids::kCsvWriteError, err);
}
