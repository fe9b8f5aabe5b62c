// The .cfg loader on any file text. The text is either refused with the
// loader's own message, or it gives an image of a known model that a save and
// a load give back unchanged, whether saved into the same file (as a save over
// an existing file does) or into a new one, and whose report can be drawn.

#include "FuzzCheck.h"

#include "app/PrivateException.h"
#include "files/ConfigFile.h"
#include "files/IniFile.h"
#include "files/ParameterReport.h"
#include "model/ParameterEnumeration.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// What a load of `text` gives, as CConfigFile::Read gives it for a file
// holding these bytes.
CRegisterImage Reload(const std::string& text)
{
    CIniFile ini;
    ini.LoadText(text);
    return CConfigFile::Parse(ini);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CIniFile file;
    file.LoadText(std::string_view(reinterpret_cast<const char*>(data), size));
    CRegisterImage image;
    try {
        image = CConfigFile::Parse(file);
    } catch (const CPrivateException&) {
        return 0; // refused, with a message for the user
    }
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
    FUZZ_CHECK(report.MismatchCount() == 0 ? report.FirstMismatch() == -1
                                           : report.FirstMismatch() >= 0 &&
                                                 rows[static_cast<std::size_t>(report.FirstMismatch())].status ==
                                                     CParameterEnumerationInterface::COMPARE_DIFFERENT);
    for (const SReportRow& row : rows)
        FUZZ_CHECK(CParameterEnumerationInterface::IsParameter(row.parameter));
    FUZZ_CHECK(!report.CsvText().empty());
    FUZZ_CHECK(!ParameterListing(image).empty());
    return 0;
}
