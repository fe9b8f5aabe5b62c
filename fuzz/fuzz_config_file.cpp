// The .cfg loader on any file text. The text is either refused with the
// loader's own message, or it gives an image of a known model that a save and
// a load give back unchanged, whether saved into the same file (as a save over
// an existing file does) or into a new one, and whose report can be drawn.
// The range check runs in both reads: a text the strict read takes has no
// value a lenient read lists, a refused one has one (unless the lenient read
// refuses it too), and what a lenient read takes saves and reads back
// unchanged with the same parameters marked.

#include "FuzzCheck.h"

#include "app/PrivateException.h"
#include "files/ConfigFile.h"
#include "files/IniFile.h"
#include "files/ParameterReport.h"
#include "model/ParameterEnumeration.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>
#include <vector>

namespace {

// What a load of `text` gives, as CConfigFile::Read gives it for a file
// holding these bytes.
CRegisterImage Reload(const std::string& text)
{
    CIniFile ini;
    ini.LoadText(text);
    return CConfigFile::Parse(ini);
}

// The lenient read of `file`: every problem names its key and line and holds
// the value as written, and the image saves and reads back as it was read.
// Returns whether it was taken.
bool CheckLenient(const CIniFile& file, std::vector<SConfigValueProblem>& problems)
{
    CRegisterImage image;
    try {
        image = CConfigFile::Parse(file, "fuzz.cfg", &problems);
    } catch (const CPrivateException&) {
        return false;
    }
    FUZZ_CHECK(image.Identity().IsKnown());
    for (const SConfigValueProblem& p : problems) {
        FUZZ_CHECK(p.line >= 1 && file.LineOf(CConfigFile::kSection, p.key) == p.line);
        FUZZ_CHECK(file.Get(CConfigFile::kSection, p.key) == p.text);
        FUZZ_CHECK(p.minimum <= p.maximum);
        FUZZ_CHECK(!CConfigFile::ProblemText(p).empty());
    }
    if (!problems.empty())
        FUZZ_CHECK(!CConfigFile::ProblemsMessage("fuzz.cfg", problems).empty());
    CIniFile fresh;
    CConfigFile::Store(image, fresh);
    std::vector<SConfigValueProblem> again;
    FUZZ_CHECK(CConfigFile::Parse(fresh, "fuzz.cfg", &again) == image);
    // Wrapped into their keys, the values may now fit them; a model range
    // the value misses stays missed.
    for (int word : CConfigFile::ProblemParameters(again))
        FUZZ_CHECK(CConfigFile::ProblemParameters(problems).count(word) != 0);
    CParameterReport report(image);
    report.SetFlagged(CConfigFile::ProblemParameters(problems));
    int flagged = 0;
    for (const SReportRow& row : report.Rows())
        flagged += row.flagged;
    FUZZ_CHECK(flagged == static_cast<int>(CConfigFile::ProblemParameters(problems).size()));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CIniFile file;
    file.LoadText(std::string_view(reinterpret_cast<const char*>(data), size));
    std::vector<SConfigValueProblem> problems;
    const bool lenientTook = CheckLenient(file, problems);
    CRegisterImage image;
    try {
        image = CConfigFile::Parse(file);
    } catch (const CPrivateException&) {
        // Refused: for its values, which the lenient read lists, or for what
        // the lenient read refuses as well (or a value without a number).
        FUZZ_CHECK(!lenientTook || !problems.empty());
        return 0;
    }
    FUZZ_CHECK(lenientTook && problems.empty());
    FUZZ_CHECK(image.Identity().IsKnown());

    CIniFile fresh;
    CConfigFile::Store(image, fresh);
    FUZZ_CHECK(Reload(fresh.Text()) == image);
    CConfigFile::Store(image, file);
    FUZZ_CHECK(Reload(file.Text()) == image);

    // The report of the loaded image, and compared with itself and with the
    // model's factory settings.
    CParameterReport report(image);
    report.SetComparison(image, "same");
    FUZZ_CHECK(report.MismatchCount() == 0 && report.FirstMismatch() == -1);
    CRegisterImage factory;
    factory.ResetForModel(image.Identity().Code(), true);
    report.SetComparison(factory, "factory");
    const auto& rows = report.Rows();
    FUZZ_CHECK(report.MismatchCount() <= static_cast<int>(rows.size()));
    FUZZ_CHECK(report.MismatchCount() == 0
                   ? report.FirstMismatch() == -1
                   : report.FirstMismatch() >= 0 && rows[static_cast<std::size_t>(report.FirstMismatch())].status ==
                                                        CParameterEnumerationInterface::COMPARE_DIFFERENT);
    for (const SReportRow& row : rows)
        FUZZ_CHECK(CParameterEnumerationInterface::IsParameter(row.parameter));
    FUZZ_CHECK(!report.CsvText().empty());
    FUZZ_CHECK(!ParameterListing(image).empty());
    return 0;
}
