// report --pdf against the simulator: the commissioning report read back
// with poppler's pdftotext and pdffonts, in English and in Japanese, for one
// meter and for a list.
#include "CliRun.h"
#include "PdfText.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::string TcpLink(const SimProcess& sim)
{
    return "--link tcp --host 127.0.0.1 --service " + std::to_string(sim.Port()) + " ";
}

class CliReportPdf : public ::testing::Test
{
protected:
    TempConfigHome home;
    std::string Path(const std::string& name) const { return home.Dir() + "/" + name; }

    // A model 15 file that differs from a fresh meter in one parameter.
    std::string OneDifference()
    {
        const std::string fresh = Path("fresh.cfg"), file = Path("site.cfg");
        EXPECT_EQ(Cli("new 15 " + fresh).status, 0);
        std::ifstream in(fresh);
        std::ofstream out(file);
        std::string line;
        while (std::getline(in, line))
            out << (line == "L902=0" ? "L902=1" : line) << "\n";
        return file;
    }
};

// The names of the rows the report table prints for the model (not "-").
std::vector<std::string> ModelParameterNames(const std::string& table)
{
    std::vector<std::string> names;
    for (const std::string& line : Lines(table)) {
        std::vector<std::string> fields;
        std::size_t start = 0, tab;
        while ((tab = line.find('\t', start)) != std::string::npos) {
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        if (fields.size() == 5 && fields[4] != "-")
            names.push_back(fields[1]);
    }
    return names;
}

} // namespace

TEST_F(CliReportPdf, AMeterComparedWithTheDeviceInEnglish)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--serial", "SN-4711"});
    const std::string file = OneDifference(), pdf = Path("commissioning.pdf");
    CliRun r = Cli(TcpLink(sim) + "report " + file + " --compare-device --pdf " + pdf + " --technician 'A. Tech'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Commissioning report written: " + pdf + "\n"), std::string::npos) << r.out;

    const std::string text = PdfText(pdf);
    for (const char* expected :
         {"Commissioning Report", "SN-4711", "Z6OR-11u4", "2.12", "1.05", "SIMULATOR", "A. Tech", "site.cfg",
          "Compared with Device", "1 parameter(s) not matching.", "Read from the meter", "127.0.0.1"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    // The one difference, marked so that a black-and-white page shows it.
    EXPECT_NE(text.find("≠ Scaling/Initial setting lockout"), std::string::npos);

    const std::vector<std::string> names = ModelParameterNames(Cli("report " + file + " --compare " + file).out);
    ASSERT_GT(names.size(), 100u);
    for (const std::string& name : names)
        EXPECT_NE(text.find(OneBlank(name)), std::string::npos) << name;

    const int pages = PdfPages(pdf);
    ASSERT_GT(pages, 1);
    for (int page = 1; page <= pages; ++page) {
        const std::string own = PdfPageText(pdf, page);
        EXPECT_NE(own.find("Page " + std::to_string(page) + " of " + std::to_string(pages)), std::string::npos) << own;
        EXPECT_NE(own.find("Serial number SN-4711"), std::string::npos) << "page " << page;
    }

    int fonts = 0;
    const std::string table = PdfFonts(pdf);
    EXPECT_EQ(FontsNotEmbedded(table, &fonts), 0) << table;
    EXPECT_GT(fonts, 0) << table;
}

TEST_F(CliReportPdf, InJapaneseWithTheTechnicianKeptAndTheFontEmbedded)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--serial", "SN-4711"});
    const std::string file = OneDifference(), pdf = Path("ja.pdf");
    ASSERT_EQ(Cli("report " + file + " --pdf " + Path("first.pdf") + " --technician '山田 太郎'").status, 0);
    CliRun r = Cli(TcpLink(sim) + "report " + file + " --compare-device --language ja --pdf " + pdf);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = PdfText(pdf);
    for (const char* expected : {"試運転レポート", "シリアル番号", "SN-4711", "山田 太郎", "メーターから読み取り"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    const std::string table = PdfFonts(pdf);
    EXPECT_EQ(FontsNotEmbedded(table), 0) << table;
}

TEST_F(CliReportPdf, AFileAloneNamesTheModelOnlyAndAListGivesAFilePerMeter)
{
    const std::string file = OneDifference();
    ASSERT_EQ(Cli("report " + file + " --pdf " + Path("file.pdf")).status, 0);
    const std::string text = PdfText(Path("file.pdf"));
    EXPECT_NE(text.find("Not compared."), std::string::npos) << text;
    EXPECT_NE(text.find("From the settings (model only)"), std::string::npos);
    EXPECT_NE(text.find("None (no meter was asked)"), std::string::npos);
    EXPECT_NE(text.find("None in the history of this program."), std::string::npos);

    SimProcess gateway({"--units", "3,17", "--tcp", "0", "--model", "15"});
    CliRun r = Cli(TcpLink(gateway) + "--address 3,17 report " + file + " --compare-device --pdf " + Path("line.pdf"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\t" + Path("line-017.pdf")), std::string::npos) << r.out;
    for (const char* name : {"line-003.pdf", "line-017.pdf"})
        EXPECT_NE(PdfText(Path(name)).find("1 parameter(s) not matching."), std::string::npos) << name;
    EXPECT_FALSE(std::filesystem::exists(Path("line.pdf")));
}

TEST_F(CliReportPdf, UsageErrorsAndAnUnwritablePathLeaveNothing)
{
    const std::string file = OneDifference();
    EXPECT_EQ(Cli("report " + file + " --technician X").status, 2) << "--technician needs --pdf";
    EXPECT_EQ(Cli("report " + file + " --language ja").status, 2);
    CliRun r = Cli("report " + file + " --language de --pdf " + Path("x.pdf"));
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(std::filesystem::exists(Path("x.pdf")));
    r = Cli("report " + file + " --pdf " + Path("no/such/folder/x.pdf"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("The PDF " + Path("no/such/folder/x.pdf") + " cannot be written."), std::string::npos)
        << r.err;
}
