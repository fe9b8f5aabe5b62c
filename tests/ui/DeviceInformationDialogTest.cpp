// The Device Information window polling the meter simulator and a scripted
// meter: what it shows, the blinking error state when the meter goes away
// and its end when it comes back, the infrared link, the Tag and Max/Min
// actions, the address of the next poll, recording the polls to a file and
// saving the trend, and a close while a poll waits.
#include "ui/jobs/DeviceInformationDialog.h"

#include "CsvParse.h"
#include "ModalDriver.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/StringTable.h"
#include "comm/ModbusInterface.h"
#include "model/DeviceType.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/LedIndicator.h"
#include "ui/files/CompareDialog.h"
#include "ui/files/CompareList.h"
#include "ui/jobs/TagDialog.h"
#include "ui/jobs/TrendView.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <set>

using namespace testsupport;
using Writes = std::vector<std::pair<unsigned, std::vector<std::uint16_t>>>;

namespace {

constexpr int kWaitMs = 20000; // only a bound against a hang

enum Row {
    kTagRow,
    kDisplayRow,
    kMaxRow,
    kMinRow,
    kStatusRow,
    kErrorRow,
    kAnalogRow,
    kModelRow,
    kSerialRow,
    kHardwareRow,
    kFirmwareRow
};

class DeviceInformationTest : public ::testing::Test
{
protected:
    // The fixture owns the link, so that it outlives the window's poller.
    void Show(const ComSettings& settings)
    {
        m_link = std::make_unique<CModbusInterface>(settings);
        m_dialog = std::make_unique<CDeviceInformationDialog>(*m_link);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    bool WaitForPolls(int n)
    {
        const int target = m_dialog->PollsShown() + n;
        return QTest::qWaitFor([&] { return m_dialog->PollsShown() >= target; }, kWaitMs);
    }
    QString Value(int row) const { return m_dialog->ValueTable()->CellText(1, row); }
    QColor StatusText() const { return m_dialog->StatusLabel()->palette().color(QPalette::WindowText); }
    QColor StatusBack() const { return m_dialog->StatusLabel()->palette().color(QPalette::Window); }
    void Click(unsigned captionId) { QTest::mouseClick(m_dialog->Button(captionId), Qt::LeftButton); }

    TempConfigHome m_home;
    CMessageCapture m_messages;
    std::unique_ptr<CModbusInterface> m_link;
    std::unique_ptr<CDeviceInformationDialog> m_dialog;
};

// The write requests a scripted meter received: address and values.
Writes WritesTo(FakeMeter& meter)
{
    Writes writes;
    for (const Bytes& r : meter.Requests()) {
        if (r[1] != 0x10)
            continue;
        std::vector<std::uint16_t> values;
        for (unsigned i = 0; i < r[5]; ++i)
            values.push_back(static_cast<std::uint16_t>(r[7 + 2 * i] << 8 | r[8 + 2 * i]));
        writes.emplace_back(r[2] << 8 | r[3], values);
    }
    return writes;
}

// A known model whose tag reads "OLD".
void AnswerWithTagOld(FakeMeter& meter)
{
    meter.Register(9600) = 2001;
    meter.Register(9601) = 3;
    meter.Register(9631) = 'O';
    meter.Register(9632) = 'L';
    meter.Register(9633) = 'D';
}

std::string ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::vector<std::uint16_t> TagRegisters(const std::string& text)
{
    std::vector<std::uint16_t> registers(text.begin(), text.end());
    registers.resize(16, 0);
    return registers;
}

} // namespace

TEST_F(DeviceInformationTest, ShowsWhatTheMeterSaysAndBlinksTheLampWhileCommunicating)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    Show(SimTcp(sim));
    EXPECT_EQ(m_dialog->windowTitle(), "Device Information");
    ASSERT_TRUE(WaitForPolls(3));
    EXPECT_FALSE(m_dialog->ErrorState());
    EXPECT_EQ(m_dialog->StatusLabel()->text(), "Communicating");
    EXPECT_EQ(StatusText(), QColor(0, 0, 255));

    const CDataGridView* table = m_dialog->ValueTable();
    EXPECT_EQ(table->Rows(), 11);
    EXPECT_EQ(table->Columns(), 2);
    EXPECT_EQ(Value(kTagRow), "SIMULATOR");
    EXPECT_EQ(Value(kModelRow), QString::fromStdString(CDeviceType::FromCode(15).ModelName()));
    EXPECT_EQ(Value(kSerialRow), "Q6KSIM01");
    EXPECT_EQ(Value(kHardwareRow), "1.05");
    EXPECT_EQ(Value(kFirmwareRow), "2.12");
    EXPECT_EQ(Value(kErrorRow), "0000");
    EXPECT_FALSE(Value(kDisplayRow).isEmpty());
    EXPECT_FALSE(Value(kAnalogRow).isEmpty()) << "the model has an analog output";
    EXPECT_EQ(table->Index(1, kSerialRow).data(Qt::ToolTipRole).toString(), "Q6KSIM01");

    EXPECT_TRUE(m_dialog->AddressList()->isVisible());
    EXPECT_EQ(m_dialog->AddressList()->count(), 247);
    EXPECT_EQ(m_dialog->AddressList()->currentText(), "1");
    EXPECT_EQ(m_dialog->AddressList()->accessibleName(), "Device address");
    EXPECT_FALSE(m_dialog->Trend().Empty());
    EXPECT_FALSE(m_dialog->Trend().Paused());

    // The lamp flashes blue with every other poll.
    std::set<QRgb> lamp;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            lamp.insert(m_dialog->Lamp()->Color().rgb());
            return lamp.size() >= 2;
        },
        kWaitMs));
    EXPECT_EQ(lamp, (std::set<QRgb>{QColor(100, 100, 255).rgb(), QColor(Qt::black).rgb()}));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(DeviceInformationTest, AMeterThatGoesAwayBlinksAnErrorWithoutAMessageUntilItComesBack)
{
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--model", "15", "--tcp", "0"});
    const std::string port = std::to_string(sim->Port());
    Show(SimTcp(*sim));
    ASSERT_TRUE(WaitForPolls(2));
    ASSERT_FALSE(m_dialog->ErrorState());
    const QString lastSerial = Value(kSerialRow);

    sim.reset(); // the meter is switched off
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->ErrorState(); }, kWaitMs));
    EXPECT_EQ(m_dialog->StatusLabel()->text(), "    Communication error    ");
    EXPECT_FALSE(m_dialog->StatusLabel()->toolTip().isEmpty()) << "why, for who wants to know";
    EXPECT_TRUE(m_dialog->Trend().Paused());
    EXPECT_EQ(Value(kSerialRow), lastSerial) << "the last values stay";
    // Red text, then white on red, and the lamp red and black, by turns.
    std::set<std::pair<QRgb, QRgb>> looks;
    std::set<QRgb> lamp;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            looks.insert({StatusText().rgb(), StatusBack().rgb()});
            lamp.insert(m_dialog->Lamp()->Color().rgb());
            return looks.size() >= 2 && lamp.size() >= 2;
        },
        kWaitMs));
    const QRgb normalBack = m_dialog->palette().color(QPalette::Window).rgb();
    EXPECT_EQ(looks, (std::set<std::pair<QRgb, QRgb>>{{QColor(255, 0, 0).rgb(), normalBack},
                                                      {QColor(Qt::white).rgb(), QColor(255, 0, 0).rgb()}}));
    EXPECT_EQ(lamp, (std::set<QRgb>{QColor(255, 0, 0).rgb(), QColor(Qt::black).rgb()}));
    EXPECT_TRUE(m_messages.Messages().empty()) << "a failed poll shows no message box";

    // The meter comes back on the same port.
    const std::size_t samplesBefore = m_dialog->Trend().Samples().size();
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--model", "15", "--tcp", port});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialog->ErrorState(); }, kWaitMs));
    EXPECT_EQ(m_dialog->StatusLabel()->text(), "Communicating");
    EXPECT_EQ(StatusText(), QColor(0, 0, 255));
    EXPECT_FALSE(m_dialog->Trend().Paused());
    ASSERT_GT(m_dialog->Trend().Samples().size(), samplesBefore);
    EXPECT_TRUE(m_dialog->Trend().Samples()[samplesBefore].startsStretch) << "no line across the gap";
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(DeviceInformationTest, TheInfraredLinkHidesTheAddressAndLeavesTheLiveValuesEmpty)
{
    SimProcess sim({"--model", "15", "--rtu", "--infrared"});
    Show(InfraredSettings(sim.RtuPath()));
    ASSERT_TRUE(WaitForPolls(1));
    ASSERT_FALSE(m_dialog->ErrorState());
    EXPECT_FALSE(m_dialog->AddressList()->isVisible());
    EXPECT_FALSE(m_dialog->AddressLabel()->isVisible());
    for (int row : {kDisplayRow, kMaxRow, kMinRow, kAnalogRow})
        EXPECT_EQ(Value(row), "") << row;
    for (int row : {kTagRow, kErrorRow, kModelRow, kSerialRow, kHardwareRow, kFirmwareRow})
        EXPECT_FALSE(Value(row).isEmpty()) << row;
    EXPECT_TRUE(m_dialog->Trend().Empty());
}

TEST_F(DeviceInformationTest, MaxMinAsksFirstTheTagIsWrittenWholeAndTheAddressServesTheNextPoll)
{
    PtyPair pty;
    FakeMeter meter(pty.Master());
    AnswerWithTagOld(meter);
    Show(Rs485Settings(pty.SlavePath()));
    ASSERT_TRUE(WaitForPolls(1));
    EXPECT_EQ(Value(kTagRow), "OLD");

    // "Max/Min" answered with No sends nothing; Yes sends 801 := 1.
    Click(monitortext::kMaxMin);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, "Are you sure?");
    EXPECT_EQ(m_messages.Messages()[0].icon, MessageIcon::Question);
    EXPECT_TRUE(WritesTo(meter).empty());
    m_messages.SetAnswer(true);
    Click(monitortext::kMaxMin);
    EXPECT_EQ(WritesTo(meter), (Writes{{801, {1}}}));
    m_messages.Clear();

    // Sixteen characters, more cannot be typed: written without an end mark,
    // between 900 := 1 and 900 := 0.
    QString shown;
    WhenModal<CTagDialog> full([&](CTagDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Tag Setting");
        shown = d->TagEdit()->text();
        d->TagEdit()->selectAll();
        QTest::keyClicks(d->TagEdit(), "ABCDEFGHIJKLMNOPQ");
        EXPECT_EQ(d->TagEdit()->text(), "ABCDEFGHIJKLMNOP");
        QTest::mouseClick(d->OkButton(), Qt::LeftButton);
    });
    Click(monitortext::kTag);
    ASSERT_TRUE(full.Done());
    EXPECT_EQ(shown, "OLD") << "the tag as the meter has it";
    Writes expected{{801, {1}}, {900, {1}}, {9631, TagRegisters("ABCDEFGHIJKLMNOP")}, {900, {0}}};
    EXPECT_EQ(WritesTo(meter), expected);

    // A shorter one is padded with zero registers.
    WhenModal<CTagDialog> shorter([&](CTagDialog* d) {
        shown = d->TagEdit()->text();
        d->TagEdit()->selectAll();
        QTest::keyClicks(d->TagEdit(), "PUMP 7");
        QTest::keyClick(d->TagEdit(), Qt::Key_Return);
    });
    Click(monitortext::kTag);
    EXPECT_EQ(shown, "ABCDEFGHIJKLMNOP");
    expected.insert(expected.end(), {{900, {1}}, {9631, TagRegisters("PUMP 7")}, {900, {0}}});
    EXPECT_EQ(WritesTo(meter), expected);
    WhenModal<CTagDialog> cancel([](CTagDialog* d) { d->reject(); });
    Click(monitortext::kTag);
    EXPECT_EQ(WritesTo(meter), expected) << "Cancel writes nothing";
    EXPECT_TRUE(m_messages.Messages().empty());
    ASSERT_TRUE(WaitForPolls(1));
    EXPECT_EQ(Value(kTagRow), "PUMP 7");

    // Address 5 from the list: the next poll asks unit 5; nothing is stored.
    // Typed as one key: stepping down through 2, 3 and 4 would let a poll
    // for one of those still be on its way when the check below begins.
    QComboBox* address = m_dialog->AddressList();
    address->setFocus();
    QTest::keyClicks(address, "5");
    ASSERT_EQ(address->currentText(), "5");
    const std::size_t before = meter.Requests().size();
    ASSERT_TRUE(WaitForPolls(2));
    const auto requests = meter.Requests();
    EXPECT_EQ(requests.back()[0], 5);
    EXPECT_EQ(requests[before][0] == 1 || requests[before][0] == 5, true);
    EXPECT_EQ(ComSettings().Address, 1) << "the stored settings stay";
}

TEST_F(DeviceInformationTest, RecordsThePollsUntilStoppedOrClosedAndSavesTheTrendAsAPicture)
{
    PtyPair pty;
    FakeMeter meter(pty.Master());
    AnswerWithTagOld(meter);
    Show(Rs485Settings(pty.SlavePath()));
    const std::string dir = m_home.Dir();
    QString next;
    m_dialog->SetFileNameAsker([&](QWidget*, CDeviceInformationDialog::EFileDialog) { return next; });
    QLabel* label = m_dialog->RecordLabel();
    QPushButton* record = m_dialog->Button(monitortext::kRecord);
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(record->text(), CommandCaption(monitortext::kRecord));
    EXPECT_EQ(AccessKeyOf(record->text()), QChar('R'));

    next = QString::fromStdString(dir + "/live.csv");
    Click(monitortext::kRecord);
    ASSERT_TRUE(m_dialog->Recording());
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(record->text(), CommandCaption(monitortext::kStopRecording));
    ASSERT_TRUE(WaitForPolls(3));
    const long long rows = m_dialog->Log().Rows();
    EXPECT_GE(rows, 3);
    EXPECT_EQ(label->text(), QString("Recording: %1 row(s)").arg(rows));
    EXPECT_EQ(label->accessibleName(), label->text()) << "for a screen reader";

    Click(monitortext::kStopRecording);
    EXPECT_FALSE(m_dialog->Recording());
    EXPECT_EQ(record->text(), CommandCaption(monitortext::kRecord));
    const long long written = m_dialog->Log().Rows();
    EXPECT_EQ(label->text(), QString("Recording stopped: %1 row(s) in %2").arg(written).arg(next));
    ASSERT_TRUE(WaitForPolls(2));
    const std::string text = ReadFile(dir + "/live.csv");
    const std::optional<CsvRows> csv = ParseCsv(text);
    ASSERT_TRUE(csv.has_value()) << text;
    ASSERT_EQ(csv->size(), static_cast<std::size_t>(written) + 1) << "no row after Stop";
    EXPECT_EQ((*csv)[0][1], "Tag name");
    for (std::size_t r = 1; r < csv->size(); ++r) {
        ASSERT_EQ((*csv)[r].size(), 14u);
        EXPECT_EQ((*csv)[r][1], "OLD");
        EXPECT_EQ((*csv)[r][12], "Communicating");
        EXPECT_EQ((*csv)[r][13], "ok");
    }

    // The trend as a picture; a folder that is not there is said.
    next = QString::fromStdString(dir + "/trend.png");
    Click(monitortext::kSaveTrend);
    const QImage picture(next);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), m_dialog->TrendView()->size());
    EXPECT_TRUE(m_messages.Messages().empty());
    next = QString::fromStdString(dir + "/missing/trend.png");
    Click(monitortext::kSaveTrend);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, "The trend picture could not be saved as " + next + ".");
    m_messages.Clear();
    next = QString::fromStdString(dir + "/missing/live.csv");
    Click(monitortext::kRecord);
    EXPECT_FALSE(m_dialog->Recording());
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_EQ(m_messages.Messages()[0].text, "The record " + next + " could not be created: No such file or directory");
    m_messages.Clear();

    // Closing the window ends a record with its last row whole.
    next = QString::fromStdString(dir + "/closed.csv");
    Click(monitortext::kRecord);
    ASSERT_TRUE(WaitForPolls(2));
    m_dialog->close();
    EXPECT_FALSE(m_dialog->Recording());
    const std::optional<CsvRows> closed = ParseCsv(ReadFile(dir + "/closed.csv"));
    ASSERT_TRUE(closed.has_value());
    EXPECT_EQ(closed->size(), static_cast<std::size_t>(m_dialog->Log().Rows()) + 1);
    EXPECT_GE(closed->size(), 3u);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(DeviceInformationTest, ClosingWhileAPollWaitsForItsAnswerEndsAtOnce)
{
    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.SetResponder([](const Bytes&, int) { return Bytes{}; }); // never answers
    CModbusInterface link(Rs485Settings(pty.SlavePath(), 0));      // 1200 bit/s: a long time-out
    WhenModal<CDeviceInformationDialog> close([&](CDeviceInformationDialog* d) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !meter.Requests().empty(); }, kWaitMs));
        QTest::mouseClick(d->Button(monitortext::kClose), Qt::LeftButton);
    });
    CDeviceInformationDialog::Run(nullptr, link);
    ASSERT_TRUE(close.Done());
    // The first request was given up, not retried after its time-out.
    EXPECT_EQ(meter.Requests().size(), 1u);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(m_messages.Messages().empty());
}

// Every window of the report and the monitor fits a 1366 x 768 screen in
// English and in Japanese, and every caption names its control.
TEST(ReportAndMonitorWindows, FitTheScreenAndNameTheirControlsInBothLanguages)
{
    TempConfigHome home;
    CModbusInterface link(TcpSettings("127.0.0.1", 1));
    for (bool japanese : {false, true}) {
        if (japanese) {
            ASSERT_TRUE(CStringTable::LoadLanguageFile(std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt"));
        }
        CRegisterImage working, thermocouple;
        working.ResetForModel(15, true);
        thermocouple.ResetForModel(59, true);
        CCompareDialog report(working);
        report.CompareWith(thermocouple, QStringLiteral("a-rather-long-golden-file-name.cfg"));
        CDeviceInformationDialog monitor(link);
        CTagDialog tag(QStringLiteral("TAG"));
        EXPECT_EQ(monitor.windowTitle(), japanese ? QString::fromUtf8("機器情報") : QString("Device Information"));
        for (QWidget* w : std::initializer_list<QWidget*>{&report, &monitor, &tag}) {
            const QSize size = w->testAttribute(Qt::WA_Resized) ? w->size() : w->sizeHint();
            EXPECT_LE(size.width(), 1366) << w->windowTitle().toStdString();
            EXPECT_LE(size.height(), 768 - 40) << w->windowTitle().toStdString() << ": room for the title bar";
            EXPECT_GE(size.width(), w->minimumSizeHint().width()) << w->windowTitle().toStdString();
            for (const QLabel* label : w->findChildren<QLabel*>()) {
                if (!label->buddy())
                    continue;
                EXPECT_EQ(label->buddy()->accessibleName(), label->text());
            }
            // Qt's own inner buttons (a line edit's clear button, a table's corner) have no caption.
            for (const QPushButton* button : w->findChildren<QPushButton*>())
                EXPECT_FALSE(button->text().isEmpty()) << w->windowTitle().toStdString();
        }
        EXPECT_FALSE(report.List()->accessibleName().isEmpty());
        EXPECT_FALSE(monitor.ValueTable()->accessibleName().isEmpty());
        EXPECT_FALSE(monitor.Lamp()->accessibleName().isEmpty());
        EXPECT_FALSE(monitor.TrendView()->accessibleName().isEmpty());
        CStringTable::UnloadLanguage();
    }
}
