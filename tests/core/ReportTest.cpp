// The parameter report: rows, comparison, mismatch count, status line and
// the CSV export.
#include "FileTestSupport.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "files/ParameterReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

using namespace filetest;
using testsupport::TempConfigHome;
using Cmp = CParameterEnumerationInterface;

namespace {

// The model's defaults with decimal point position 3 ("00.000").
CRegisterImage ImageOf(int code)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    image.SetWord(10, 3);
    return image;
}
const CRegisterImage kDc = ImageOf(0);
const CRegisterImage kTc = ImageOf(44);

const SReportRow& Row(const CParameterReport& report, const std::string& name)
{
    const auto& rows = report.Rows();
    auto it = std::find_if(rows.begin(), rows.end(), [&](const SReportRow& r) { return r.name == name; });
    if (it == rows.end())
        throw std::runtime_error("no row " + name);
    return *it;
}

// The CSV lines; each must hold `fields` quoted fields and end with CR LF.
std::vector<std::string> Lines(const std::string& csv, int fields)
{
    const std::string field = "\"([^\"]|\"\")*\"";
    const std::regex line(field + "(," + field + "){" + std::to_string(fields - 1) + "}");
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = csv.find("\r\n", start)) != std::string::npos) {
        lines.push_back(csv.substr(start, end - start));
        EXPECT_TRUE(std::regex_match(lines.back(), line)) << lines.back();
        start = end + 2;
    }
    EXPECT_EQ(start, csv.size());
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(ReportRows, BeforeAComparisonTheModelDecidesTheStatus)
{
    const CParameterReport report(kDc);
    ASSERT_EQ(report.Rows().size(), 163u);
    EXPECT_EQ(report.StatusText(), "");
    EXPECT_EQ(report.ComparisonTitle(), "");
    const SReportRow& dp = Row(report, "Decimal point position");
    EXPECT_EQ(dp.value, "00.000");
    EXPECT_EQ(dp.status, Cmp::COMPARE_EQUAL);
    const SReportRow& unit = Row(report, "Temperature unit"); // a DC model has none
    EXPECT_EQ(unit.status, Cmp::COMPARE_NOT_APPLICABLE);
    EXPECT_EQ(unit.value, "");
    // Groups in table order: Input, Bargraph, Control, Display, Lockout, BCD
    // Output, Event Trigger Input, Analog Output, Modbus, Alarm.
    EXPECT_EQ(report.Rows().front().ItemData(), 0x00010000u);
    EXPECT_EQ(unit.ItemData(), 0x00010002u);
    EXPECT_EQ(Row(report, "Display color").ItemData(), 0x00040000u);
    EXPECT_EQ(Row(report, "Device address").ItemData(), 0x00090002u);
    EXPECT_EQ(report.Rows().back().groupOrdinal, 10);
}

TEST(ReportComparison, CountsDifferencesOnceAndReplacesEarlierComparisons)
{
    CParameterReport report(kDc);
    report.SetComparison(kDc, CStringTable::Get(2453));
    EXPECT_EQ(report.ComparisonTitle(), "Device");
    EXPECT_EQ(report.StatusText(), "All parameters matching.");
    EXPECT_FALSE(report.IsStatusAlert());
    EXPECT_EQ(report.FirstMismatch(), -1);

    CRegisterImage other = kDc;
    other.SetLong(4, other.GetLong(4) + 0x00010001); // both words of one 32-bit value
    other.SetWord(186, static_cast<std::uint16_t>(other.GetWord(186) + 1));
    report.SetComparison(other, "meter.cfg");
    EXPECT_EQ(report.ComparisonTitle(), "meter.cfg");
    EXPECT_EQ(report.MismatchCount(), 2);
    EXPECT_EQ(report.StatusText(), "2 parameter(s) not matching.");
    EXPECT_TRUE(report.IsStatusAlert());
    EXPECT_EQ(report.Rows().at(static_cast<std::size_t>(report.FirstMismatch())).name, "Input scaling value span");
}

TEST(ReportComparison, DcImageAgainstThermocoupleFile)
{
    CParameterReport report(kDc);
    report.SetComparison(kTc, "tc.cfg");
    EXPECT_EQ(Row(report, "Input type").status, Cmp::COMPARE_DIFFERENT);
    EXPECT_EQ(report.Rows().at(static_cast<std::size_t>(report.FirstMismatch())).name, "Input type");
    const SReportRow& zero = Row(report, "Input scaling value zero"); // only the DC model's
    EXPECT_EQ(zero.status, Cmp::COMPARE_NOT_APPLICABLE);
    EXPECT_EQ(zero.comparisonValue, "");
    const SReportRow& unit = Row(report, "Temperature unit"); // only the thermocouple model's
    EXPECT_EQ(unit.status, Cmp::COMPARE_NOT_APPLICABLE);
    EXPECT_NE(unit.comparisonValue, "");
    // The status line names both models before the count, which they make.
    EXPECT_EQ(report.StatusText(), "Different models: 0 V6ED-10o0 Voltage input and 44 V6AV-0i0 TC input. " +
                                       std::to_string(report.MismatchCount()) + " parameter(s) not matching.");
    EXPECT_TRUE(report.IsStatusAlert());
    report.SetComparison(kDc, "same.cfg");
    EXPECT_EQ(report.StatusText(), "All parameters matching.");
}

TEST(ReportCsv, ThreeFieldsBeforeAndFourAfterAComparison)
{
    CParameterReport report(kDc);
    std::vector<std::string> lines = Lines(report.CsvText(), 3);
    EXPECT_EQ(lines.size(), 163u);
    EXPECT_TRUE(Contains(lines, R"("Input","Decimal point position","00.000")"));

    CRegisterImage meter = kDc;
    meter.SetWord(10, 4);
    report.SetComparison(meter, "Device");
    lines = Lines(report.CsvText(), 4);
    EXPECT_EQ(lines.size(), 163u);
    EXPECT_TRUE(Contains(lines, R"("Input","Decimal point position","00.000","0.0000")"));
    EXPECT_TRUE(Contains(lines, R"("Input","Temperature unit","","")"));
}

TEST(ReportCsv, AQuoteInsideATextIsDoubled)
{
    // A translation whose texts hold quotes and commas.
    TempDir dir;
    WriteText(dir.Path("lang.txt"), "17000\tEin\"gang\n15006\t\"Dezimal\", Punkt\n");
    ASSERT_TRUE(CStringTable::LoadLanguageFile(dir.Path("lang.txt")));
    const CParameterReport report(kDc);
    const std::string csv = report.CsvText();
    CStringTable::UnloadLanguage();
    EXPECT_TRUE(Contains(Lines(csv, 3), R"("Ein""gang","""Dezimal"", Punkt","00.000")"));
}

TEST(ReportCsv, ExportWritesTheWholeTextOrNothing)
{
    TempDir dir;
    const std::string path = dir.Path("report.csv");
    CParameterReport report(kDc);
    report.SetComparison(kTc, "tc.cfg");
    WriteText(path, std::string(20000, 'x')); // an older, longer file
    report.ExportCsv(path);
    EXPECT_EQ(ReadText(path), report.CsvText());

    auto failure = [&](const std::string& p) {
        try {
            CParameterReport(kTc).ExportCsv(p);
        } catch (const CPrivateException& e) {
            return e.Text();
        }
        return std::string();
    };
    EXPECT_EQ(failure(dir.Path("missing/report.csv")), "The CSV file could not be written. No such file or directory");
    FileSizeLimit limit(1000);
    EXPECT_EQ(failure(path), "The CSV file could not be written. File too large");
    limit.Lift();
    EXPECT_EQ(ReadText(path), report.CsvText()); // the previous export, whole
    EXPECT_EQ(dir.FileCount(), 1u);
}

// The header row and the byte-order mark are added around the lines of the
// default form, which stays as scripts read it.
TEST(ReportCsv, AHeaderRowAndAByteOrderMarkOnlyWhenAsked)
{
    CParameterReport report(kDc);
    const std::string plain = report.CsvText();
    EXPECT_EQ(report.CsvText(SCsvOptions{}), plain);
    EXPECT_EQ(plain.rfind("\"", 0), 0u) << "no mark, no header";

    SCsvOptions header;
    header.header = true;
    EXPECT_EQ(report.CsvText(header), "\"Group\",\"Parameter\",\"PC\"\r\n" + plain);

    SCsvOptions bom;
    bom.byteOrderMark = true;
    EXPECT_EQ(report.CsvText(bom), "\xEF\xBB\xBF" + plain);

    // After a comparison the fourth column is named as the window names it;
    // a title with a quote and a comma stays one field.
    CRegisterImage meter = kDc;
    meter.SetWord(10, 4);
    report.SetComparison(meter, "golden \"A\", line 2.cfg");
    SCsvOptions both;
    both.header = both.byteOrderMark = true;
    const std::string text = report.CsvText(both);
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
    const std::vector<std::string> lines = Lines(text.substr(3), 4);
    ASSERT_EQ(lines.size(), 164u);
    EXPECT_EQ(lines[0], R"("Group","Parameter","PC","golden ""A"", line 2.cfg")");
    EXPECT_EQ(text.substr(3 + lines[0].size() + 2), report.CsvText());

    TempDir dir;
    report.ExportCsv(dir.Path("r.csv"), both);
    EXPECT_EQ(ReadText(dir.Path("r.csv")), text);
}

TEST(ReportCsv, TheHeaderIsInTheDisplayLanguage)
{
    ASSERT_TRUE(CStringTable::LoadLanguageFile(std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt"));
    SCsvOptions header;
    header.header = true;
    const std::string text = CParameterReport(kDc).CsvText(header);
    CStringTable::UnloadLanguage();
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "\"グループ\",\"パラメータ\",\"PC\"");
}

TEST(ReportCsv, TheWindowsChoicesAreKeptAndAWrongValueGivesTheDefault)
{
    TempConfigHome home;
    SCsvOptions options;
    options.Load();
    EXPECT_FALSE(options.header);
    EXPECT_FALSE(options.byteOrderMark);
    options.byteOrderMark = true;
    options.Save();
    SCsvOptions loaded;
    loaded.Load();
    EXPECT_FALSE(loaded.header);
    EXPECT_TRUE(loaded.byteOrderMark);

    CSettingsStore::Write("Report", {{"CsvHeader", "yes"}, {"CsvBom", "1"}});
    CSettingsStore::TakeWarnings();
    loaded.Load();
    EXPECT_FALSE(loaded.header);
    EXPECT_TRUE(loaded.byteOrderMark);
    const std::vector<std::string> warnings = CSettingsStore::TakeWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("CsvHeader"), std::string::npos) << warnings[0];
}
