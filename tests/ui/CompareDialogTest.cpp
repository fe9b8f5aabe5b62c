// The Parameter Report window driven as a technician would: the report on
// its own, a comparison with the meter simulator and with files, the
// colours and the count, the CSV export, the filters, and comparisons that
// fail or are cancelled.
#include "ui/files/CompareDialog.h"
#include "ui/files/CompareList.h"

#include "ModalDriver.h"
#include "PdfText.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "files/CommissioningRecord.h"
#include "files/ConfigFile.h"
#include "files/MeterHistory.h"
#include "model/ParameterDescriptorTable.h"
#include "report/CommissioningReport.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using testsupport::TempConfigHome;
using Kind = CCompareDialog::EFileDialog;

namespace {

constexpr int kDcVoltageModel = 15;
constexpr int kThermocoupleModel = 59;
constexpr int kParameterCount = 163;

// The status line of a DC voltage image compared with a thermocouple file:
// the models named first, then the count.
QString AcrossModels(const char* count)
{
    auto model = [](int code) {
        return QString::number(code) + " " + QString::fromStdString(CDeviceType::FromCode(code).ModelDescription());
    };
    return "Different models: " + model(kDcVoltageModel) + " and " + model(kThermocoupleModel) + ". " + count;
}

CRegisterImage Model(int code)
{
    CRegisterImage image;
    image.ResetForModel(code, true);
    return image;
}

// The fields of one CSV line; quotes enclose each field.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            fields.push_back(std::exchange(field, {}));
        else
            field += c;
    }
    fields.push_back(field);
    return fields;
}

// The first word of the parameter named `name`.
int ParameterNamed(const CRegisterImage& image, const std::string& name)
{
    const CParameterReport report(image);
    for (const SReportRow& row : report.Rows())
        if (row.name == name)
            return row.parameter;
    ADD_FAILURE() << "no parameter " << name;
    return 0;
}

class CompareDialogTest : public ::testing::Test
{
protected:
    void Open(const CRegisterImage& working)
    {
        m_dialog = std::make_unique<CCompareDialog>(working);
        m_dialog->SetFileNameAsker([this](QWidget*, Kind kind) {
            m_asked.push_back(kind);
            if (m_answers.empty())
                return QString();
            const QString answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    std::string Path(const std::string& name) const { return m_home.Dir() + "/" + name; }
    std::string SaveFile(const CRegisterImage& image, const std::string& name)
    {
        CConfigFile::Save(image, Path(name));
        return Path(name);
    }
    void Click(unsigned captionId) { QTest::mouseClick(m_dialog->Button(captionId), Qt::LeftButton); }
    void CompareWithFile(const std::string& path)
    {
        m_answers.push_back(QString::fromStdString(path));
        Click(reporttext::kFile);
    }
    CCompareList* List() const { return m_dialog->List(); }
    // The report row of the parameter named `name`.
    int Row(const std::string& name) const
    {
        const auto& rows = m_dialog->Report().Rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == name)
                return static_cast<int>(i);
        ADD_FAILURE() << "no parameter " << name;
        return 0;
    }
    QTableWidgetItem* Cell(int index, int column) const { return List()->item(List()->TableRow(index), column); }
    int Status(int index) const { return static_cast<int>(List()->ItemData(index) & 0xFFFF); }
    int RedRows() const
    {
        int red = 0;
        for (int i = 0; i < List()->ParameterCount(); ++i)
            red += Cell(i, CCompareList::kNameColumn)->background().color() == CCompareList::DifferenceColor();
        return red;
    }
    QColor Text() const { return List()->palette().color(QPalette::Text); }
    QColor Grey() const { return List()->palette().color(QPalette::Disabled, QPalette::Text); }
    QColor StatusColour() const { return m_dialog->StatusLine()->palette().color(QPalette::WindowText); }
    std::vector<std::string> ExportCsv(const std::string& name)
    {
        m_answers.push_back(QString::fromStdString(Path(name)));
        Click(reporttext::kExportCsv);
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(text, line)) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r') << "CR LF line ends";
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    TempConfigHome m_home;
    CMessageCapture m_messages;
    std::unique_ptr<CCompareDialog> m_dialog;
    std::deque<QString> m_answers;
    std::vector<Kind> m_asked;
};

} // namespace

TEST_F(CompareDialogTest, TheReportAloneHasNoComparisonAndGreysWhatTheModelLacks)
{
    Open(Model(kDcVoltageModel));
    EXPECT_EQ(m_dialog->windowTitle(), "Parameter Report");
    EXPECT_FALSE(m_dialog->Button(reporttext::kCopy)->isVisible());
    ASSERT_EQ(List()->columnCount(), 3);
    EXPECT_EQ(List()->horizontalHeaderItem(0)->text(), "Name");
    EXPECT_EQ(List()->horizontalHeaderItem(1)->text(), "PC");
    EXPECT_EQ(List()->ComparisonTitle(), "");
    EXPECT_EQ(m_dialog->StatusLine()->text(), "");
    EXPECT_FALSE(m_dialog->DifferencesOnly()->isEnabled());

    // A header row per group, in the order the groups come.
    ASSERT_EQ(List()->ParameterCount(), kParameterCount);
    EXPECT_TRUE(List()->IsGroupHeader(0));
    EXPECT_EQ(List()->item(0, 0)->text(), "Input");
    int headers = 0;
    for (int r = 0; r < List()->rowCount(); ++r)
        headers += List()->IsGroupHeader(r);
    EXPECT_EQ(headers, static_cast<int>(m_dialog->Report().Rows().back().groupOrdinal));
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(Cell(i, CCompareList::kComparisonColumn)->text(), "") << i;

    const int inputType = Row("Input type");
    const int temperatureUnit = Row("Temperature unit");
    EXPECT_EQ(Cell(inputType, CCompareList::kWorkingColumn)->text(), "1.0000 to 5.0000 Vdc");
    EXPECT_EQ(Status(temperatureUnit), 2);
    EXPECT_EQ(Cell(temperatureUnit, CCompareList::kNameColumn)->foreground().color(), Grey());
    EXPECT_NE(Grey(), Text());
    EXPECT_EQ(Cell(inputType, CCompareList::kNameColumn)->foreground().color(), Text());
    // Alternate shading: names 0.05 / 0.1, values plain / 0.05.
    const QColor base = List()->palette().color(QPalette::Base);
    EXPECT_EQ(Cell(0, 0)->background().color(), CCompareList::Shade(base, 0.05));
    EXPECT_EQ(Cell(1, 0)->background().color(), CCompareList::Shade(base, 0.1));
    EXPECT_EQ(Cell(0, 1)->background().color(), base);
    EXPECT_EQ(Cell(1, 2)->background().color(), CCompareList::Shade(base, 0.05));
    EXPECT_EQ(CCompareList::Shade(QColor(255, 255, 255), 0.1), QColor(229, 229, 229));
    EXPECT_EQ(CCompareList::Shade(QColor(20, 100, 240), 0.5), QColor(30, 150, 255)) << "a dark colour lightens";

    // The tooltip gives a narrow cell's whole text.
    List()->setColumnWidth(CCompareList::kNameColumn, 30);
    const QModelIndex cell = List()->model()->index(List()->TableRow(inputType), CCompareList::kWorkingColumn);
    EXPECT_EQ(List()->ToolTipAt(List()->visualRect(cell).center()), "1.0000 to 5.0000 Vdc");

    // Three fields a line before any comparison.
    const auto csv = ExportCsv("plain.csv");
    ASSERT_EQ(csv.size(), static_cast<std::size_t>(kParameterCount));
    for (const std::string& line : csv)
        EXPECT_EQ(Fields(line).size(), 3u) << line;
    EXPECT_EQ(csv[static_cast<std::size_t>(inputType)], R"("Input","Input type","1.0000 to 5.0000 Vdc")");
    EXPECT_EQ(m_asked, std::vector<Kind>{Kind::SaveCsv});
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(CompareDialogTest, CtrlFNarrowsTheListByName)
{
    Open(Model(kDcVoltageModel));
    QTest::keyClick(m_dialog.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(m_dialog->NameFilter()->hasFocus());
    EXPECT_EQ(m_dialog->NameFilter()->accessibleName(), "Find name");
    QTest::keyClicks(m_dialog->NameFilter(), "SCALING value");
    int expected = 0;
    for (const SReportRow& row : m_dialog->Report().Rows())
        expected += QString::fromStdString(row.name).contains("scaling value", Qt::CaseInsensitive);
    EXPECT_EQ(expected, 4);
    EXPECT_EQ(List()->ShownParameterCount(), expected);
    for (int r = 0; r < List()->rowCount(); ++r) {
        if (List()->isRowHidden(r) || List()->IsGroupHeader(r))
            continue;
        EXPECT_TRUE(List()->item(r, 0)->text().contains("scaling value", Qt::CaseInsensitive));
    }
    EXPECT_FALSE(List()->isRowHidden(0)) << "the Input group's header";
    EXPECT_TRUE(List()->isRowHidden(List()->TableRow(Row("Bargraph type")) - 1)) << "the Bargraph group's header";
    m_dialog->NameFilter()->clear();
    EXPECT_EQ(List()->ShownParameterCount(), kParameterCount);
}

TEST_F(CompareDialogTest, TheSameMeterMatchesAndAFileComparisonReplacesIt)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    SimTcp(sim).Save(); // what the Connect dialog offers
    Open(Model(kDcVoltageModel));
    WhenModal<CCommDialog> connect(
        [](CCommDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton); });
    Click(reporttext::kDevice);
    ASSERT_TRUE(connect.Done());
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(List()->ComparisonTitle(), "Device");
    EXPECT_EQ(m_dialog->StatusLine()->text(), "All parameters matching.");
    EXPECT_EQ(StatusColour(), m_dialog->palette().color(QPalette::WindowText));
    EXPECT_EQ(RedRows(), 0);
    EXPECT_EQ(Cell(Row("Input type"), CCompareList::kComparisonColumn)->text(), "1.0000 to 5.0000 Vdc");
    EXPECT_FALSE(m_dialog->Button(reporttext::kCopy)->isVisible());
    EXPECT_TRUE(m_dialog->DifferencesOnly()->isEnabled());

    // A second comparison replaces the first: image, title, colours, count.
    CompareWithFile(SaveFile(Model(kThermocoupleModel), "tc.cfg"));
    EXPECT_EQ(m_asked, std::vector<Kind>{Kind::OpenConfiguration});
    EXPECT_EQ(List()->ComparisonTitle(), "tc.cfg") << "the name without its folder";
    EXPECT_EQ(m_dialog->StatusLine()->text(), AcrossModels("5 parameter(s) not matching."));
    EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
    EXPECT_EQ(RedRows(), 5);
}

TEST_F(CompareDialogTest, ADcVoltageImageAgainstAThermocoupleFile)
{
    Open(Model(kDcVoltageModel));
    CompareWithFile(SaveFile(Model(kThermocoupleModel), "tc.cfg"));
    ASSERT_TRUE(m_messages.Messages().empty());

    const int inputType = Row("Input type");
    EXPECT_EQ(Status(inputType), 1);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(Cell(inputType, c)->background().color(), CCompareList::DifferenceColor()) << c;
        EXPECT_EQ(Cell(inputType, c)->foreground().color(), Text()) << c;
    }
    // What only one of the two models has does not apply, on either side.
    const int temperatureUnit = Row("Temperature unit");
    EXPECT_EQ(Status(temperatureUnit), 2);
    EXPECT_EQ(Cell(temperatureUnit, CCompareList::kWorkingColumn)->text(), "");
    EXPECT_EQ(Cell(temperatureUnit, CCompareList::kComparisonColumn)->text(), "degC");
    const int scalingZero = Row("Input scaling value zero");
    EXPECT_EQ(Status(scalingZero), 2);
    EXPECT_EQ(Cell(scalingZero, CCompareList::kWorkingColumn)->text(), "1.0000");
    EXPECT_EQ(Cell(scalingZero, CCompareList::kComparisonColumn)->text(), "") << "the thermocouple model lacks it";
    EXPECT_EQ(Cell(scalingZero, CCompareList::kComparisonColumn)->foreground().color(), Grey());
    EXPECT_EQ(List()->MismatchCount(), 5);
    EXPECT_EQ(RedRows(), 5);
    EXPECT_EQ(m_dialog->StatusLine()->text(), AcrossModels("5 parameter(s) not matching."));

    // Differences only: the five, under their groups' headers.
    m_dialog->DifferencesOnly()->click();
    EXPECT_EQ(List()->ShownParameterCount(), 5);
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(List()->isRowHidden(List()->TableRow(i)), Status(i) != 1) << i;
    EXPECT_FALSE(List()->isRowHidden(0));

    // Four fields a line, empty values too; the CSV holds every row.
    const auto csv = ExportCsv("compared.csv");
    ASSERT_EQ(csv.size(), static_cast<std::size_t>(kParameterCount));
    for (const std::string& line : csv)
        EXPECT_EQ(Fields(line).size(), 4u) << line;
    EXPECT_EQ(csv[static_cast<std::size_t>(temperatureUnit)], R"("Input","Temperature unit","","degC")");
    m_dialog->DifferencesOnly()->click();
    EXPECT_EQ(List()->ShownParameterCount(), kParameterCount);
}

TEST_F(CompareDialogTest, AThirtyTwoBitParameterCountsOnceAndIsScrolledIntoView)
{
    // The last 32-bit parameter of the model, far down the list.
    const CRegisterImage factory = Model(kDcVoltageModel);
    const CParameterEnumerationInterface params;
    int wide = -1;
    for (int n = 0; CParameterEnumerationInterface::IsParameter(n); n = params.NextParameter(n))
        if (IsWideKind(kParameterDescriptors[static_cast<std::size_t>(n)].kind) &&
            (kParameterDescriptors[static_cast<std::size_t>(n)].mask & factory.CapabilityFlags()))
            wide = n;
    ASSERT_GT(wide, 100);
    CRegisterImage working = factory;
    working.SetLong(wide, factory.GetLong(wide) + 70000); // both words differ
    ASSERT_NE(working.GetWord(wide), factory.GetWord(wide));
    ASSERT_NE(working.GetWord(wide + 1), factory.GetWord(wide + 1));

    Open(working);
    CompareWithFile(SaveFile(factory, "factory.cfg"));
    EXPECT_EQ(m_dialog->StatusLine()->text(), "1 parameter(s) not matching.");
    EXPECT_EQ(RedRows(), 1);
    const int index = m_dialog->Report().FirstMismatch();
    ASSERT_GE(index, 0);
    EXPECT_EQ(m_dialog->Report().Rows()[static_cast<std::size_t>(index)].parameter, wide);
    EXPECT_GT(List()->verticalScrollBar()->value(), 0);
    const QRect shown = List()->viewport()->rect();
    EXPECT_TRUE(shown.contains(List()->visualItemRect(Cell(index, 0)))) << "the difference is in view";
}

TEST_F(CompareDialogTest, FailedAndCancelledComparisonsLeaveTheReportAsItWas)
{
    Open(Model(kDcVoltageModel));
    CompareWithFile(SaveFile(Model(kThermocoupleModel), "tc.cfg"));
    ASSERT_EQ(List()->MismatchCount(), 5);
    auto unchanged = [&](const char* step) {
        EXPECT_EQ(List()->ComparisonTitle(), "tc.cfg") << step;
        EXPECT_EQ(m_dialog->StatusLine()->text(), AcrossModels("5 parameter(s) not matching.")) << step;
        EXPECT_EQ(RedRows(), 5) << step;
        EXPECT_EQ(Cell(Row("Temperature unit"), CCompareList::kComparisonColumn)->text(), "degC") << step;
    };

    Click(reporttext::kFile); // the file dialog cancelled
    unchanged("file dialog cancelled");
    EXPECT_TRUE(m_messages.Messages().empty());

    std::ofstream(Path("broken.cfg")) << "this is no configuration file\n";
    CompareWithFile(Path("broken.cfg"));
    unchanged("broken file");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_TRUE(m_messages.Messages()[0].text.startsWith("Load error.")) << m_messages.Messages()[0].text.toStdString();
    m_messages.Clear();

    // A meter that is not there: the Connect step goes through, the upload fails.
    unsigned short port;
    {
        SimProcess sim({"--tcp", "0"});
        port = sim.Port();
    }
    testsupport::TcpSettings("127.0.0.1", port).Save();
    WhenModal<CCommDialog> connect(
        [](CCommDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton); });
    Click(reporttext::kDevice);
    unchanged("no meter");
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_TRUE(m_messages.Messages()[0].text.startsWith("Modbus-TCP Error."))
        << m_messages.Messages()[0].text.toStdString();
    EXPECT_EQ(m_messages.Messages()[0].icon, MessageIcon::Stop);
    m_messages.Clear();

    WhenModal<CCommDialog> cancel(
        [](CCommDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>("cancelButton"), Qt::LeftButton); });
    Click(reporttext::kDevice);
    unchanged("Connect cancelled");
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(CompareDialogTest, AFileWithValuesAMeterWouldNotTakeIsComparedWithThemMarked)
{
    const CRegisterImage factory = Model(kDcVoltageModel);
    CRegisterImage odd = factory;
    odd.SetWord(31, 9); // Bargraph type: a list of five
    Open(factory);
    CompareWithFile(SaveFile(odd, "odd.cfg"));
    EXPECT_EQ(m_dialog->StatusLine()->text(),
              "1 value(s) of the file are not what a meter takes (marked \"!\"). 1 parameter(s) not matching.");
    EXPECT_EQ(StatusColour(), QColor(255, 0, 0));
    const int row = Row("Bargraph type");
    EXPECT_TRUE(Cell(row, CCompareList::kComparisonColumn)->text().endsWith(" !"));
    // The meter's own values carry no mark.
    CompareWithFile(SaveFile(factory, "factory.cfg"));
    EXPECT_EQ(m_dialog->StatusLine()->text(), "All parameters matching.");
    EXPECT_FALSE(Cell(row, CCompareList::kComparisonColumn)->text().endsWith(" !"));
}

TEST_F(CompareDialogTest, TheCsvChoicesBesideTheExportAreKeptForTheNextReport)
{
    Open(Model(kDcVoltageModel));
    EXPECT_FALSE(m_dialog->CsvHeader()->isChecked());
    EXPECT_FALSE(m_dialog->CsvBom()->isChecked());
    EXPECT_EQ(AccessKeyOf(m_dialog->CsvHeader()->text()), QChar('H'));
    EXPECT_EQ(AccessKeyOf(m_dialog->CsvBom()->text()), QChar('B'));
    CompareWithFile(SaveFile(Model(kThermocoupleModel), "tc.cfg"));
    const std::string plain = m_dialog->Report().CsvText();
    EXPECT_EQ(ExportCsv("plain.csv").size(), static_cast<std::size_t>(kParameterCount)) << "no header";

    QTest::mouseClick(m_dialog->CsvHeader(), Qt::LeftButton);
    QTest::mouseClick(m_dialog->CsvBom(), Qt::LeftButton);
    ExportCsv("marked.csv");
    std::ifstream in(Path("marked.csv"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "\xEF\xBB\xBF\"Group\",\"Parameter\",\"PC\",\"tc.cfg\"\r\n" + plain);

    // The next report offers the same, until changed.
    Open(Model(kDcVoltageModel));
    EXPECT_TRUE(m_dialog->CsvHeader()->isChecked());
    EXPECT_TRUE(m_dialog->CsvBom()->isChecked());
    m_dialog->CsvHeader()->click();
    Open(Model(kDcVoltageModel));
    EXPECT_FALSE(m_dialog->CsvHeader()->isChecked());
    EXPECT_TRUE(m_dialog->CsvBom()->isChecked());
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(CompareDialogTest, TheCommissioningReportAsPdfAndPrintedNamesTheMeterAsRead)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--serial", "SN-4711"});
    SimTcp(sim).Save();
    CRegisterImage working = Model(kDcVoltageModel);
    const int lockout = ParameterNamed(working, "Scaling/Initial setting lockout");
    working.SetWord(lockout, 1);
    // A download of this meter verified earlier, as the history keeps it.
    CMeterHistory::SLogEntry download;
    download.modelCode = kDcVoltageModel;
    download.serial = "SN-4711";
    download.action = "download";
    download.verified = true;
    download.backup = "/kept/before.cfg";
    CMeterHistory().Append(download);

    Open(working);
    m_dialog->Technician()->clear();
    QTest::keyClicks(m_dialog->Technician(), "A. Tech");
    WhenModal<CCommDialog> connect(
        [](CCommDialog* d) { QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton); });
    Click(reporttext::kDevice);
    ASSERT_TRUE(connect.Done());
    m_answers.push_back(QString::fromStdString(Path("report.pdf")));
    Click(reporttext::kExportPdf);
    EXPECT_EQ(m_asked.back(), Kind::SavePdf);
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(StoredTechnician(), "A. Tech") << "kept for the next report";

    // The printer gets the same pages: here one that writes a PDF.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(Path("printed.pdf")));
    printer.setPageLayout(CCommissioningReport::PaperLayout(QLocale::system()));
    const int pages = m_dialog->PrintTo(printer);
    EXPECT_GT(pages, 1);
    EXPECT_EQ(testsupport::PdfPages(Path("printed.pdf")), pages);
    EXPECT_EQ(testsupport::PdfPages(Path("report.pdf")), pages);
    for (const char* name : {"report.pdf", "printed.pdf"}) {
        const std::string text = testsupport::PdfText(Path(name));
        for (const char* expected : {"SN-4711", "Z6OR-11u4", "SIMULATOR", "A. Tech", "1 parameter(s) not matching.",
                                     "/kept/before.cfg", "≠ Scaling/Initial setting lockout", "Page 1 of"})
            EXPECT_NE(text.find(expected), std::string::npos) << name << ": " << expected << " in\n" << text;
    }

    // Print opens Qt's preview of those pages.
    int previewPages = 0;
    WhenModal<QPrintPreviewDialog> preview([&](QPrintPreviewDialog* d) {
        previewPages = d->findChild<QPrintPreviewWidget*>()->pageCount();
        d->reject();
    });
    Click(reporttext::kPrint);
    ASSERT_TRUE(preview.Done());
    EXPECT_EQ(previewPages, pages);

    // After a file comparison no meter was read: the file's model only.
    CompareWithFile(SaveFile(Model(kDcVoltageModel), "plan.cfg"));
    m_answers.push_back(QString::fromStdString(Path("planned.pdf")));
    Click(reporttext::kExportPdf);
    const std::string planned = testsupport::PdfText(Path("planned.pdf"));
    EXPECT_NE(planned.find("From the settings (model only)"), std::string::npos) << planned;
    EXPECT_EQ(planned.find("SN-4711"), std::string::npos);
    EXPECT_NE(planned.find("Compared with plan.cfg"), std::string::npos);

    // A folder that is not there: said, and no file.
    const std::string nowhere = Path("no/such/folder/x.pdf");
    m_answers.push_back(QString::fromStdString(nowhere));
    Click(reporttext::kExportPdf);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text.toStdString(), "The PDF " + nowhere + " cannot be written.");
}
