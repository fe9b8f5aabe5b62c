// The line of meters against a simulated RS-485 line of five meters, one of
// them of another model, driven through the window's own buttons and
// selection: the scan lists exactly those, a download to four keeps each at
// its own address with every other word the window's and refuses the other
// model, an address is moved and found at its new place, and a Stop in the
// middle of a download leaves the meters not reached as they were.
#include "DialogTestSupport.h"
#include "FileTestSupport.h"
#include "ModalDriver.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "comm/ModbusInterface.h"
#include "jobs/SafeDownload.h"
#include "jobs/TransferJobs.h"
#include "model/RegisterMap.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/jobs/DownloadPreviewDialog.h"
#include "ui/jobs/LineWindow.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

constexpr int kDeadbandWord = 202;
const std::vector<int> kMeters = {2, 3, 5, 7, 9};
constexpr int kOtherModelMeter = 7;

class LineWindowTest : public ::testing::Test
{
protected:
    testsupport::TempConfigHome home;
    CMessageCapture messages;
    std::unique_ptr<SimProcess> sim;
    CRegisterImage settings;
    std::unique_ptr<CLineWindow> w;

    void Start(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"--units", "2,3,5,7,9", "--model", "15", "--rtu", "--parity", "none"};
        args.insert(args.end(), extra.begin(), extra.end());
        for (int a : kMeters)
            args.insert(args.end(), {"--unit", std::to_string(a), "--serial", "S" + std::to_string(a)});
        args.insert(args.end(), {"--unit", std::to_string(kOtherModelMeter), "--model", "44"});
        sim = std::make_unique<SimProcess>(args);
        // The window's settings: meter 2's, an alarm deadband changed, and an
        // address of their own that no download may carry to the line.
        settings = Holds(2);
        settings.SetWord(kDeadbandWord, static_cast<std::uint16_t>(settings.GetWord(kDeadbandWord) + 7));
        settings.SetWord(image_words::kDeviceAddress, 99);
        w = std::make_unique<CLineWindow>(settings, SimRtu(*sim));
        w->show();
    }
    CRegisterImage Holds(int address) const
    {
        ComSettings s = SimRtu(*sim);
        s.Address = address;
        CModbusInterface link(s);
        CRegisterImage image;
        EXPECT_TRUE(RunUpload(link, image, {}));
        return image;
    }
    // Clicks the button and waits until the work it started has ended.
    void RunAndWait(unsigned captionId)
    {
        QSignalSpy finished(w.get(), &CLineWindow::workFinished);
        QTest::mouseClick(w->Button(captionId), Qt::LeftButton);
        ASSERT_TRUE(finished.count() > 0 || finished.wait(60000));
    }
    void Scan(int from, int to)
    {
        w->FromBox()->setText(QString::number(from));
        w->ToBox()->setText(QString::number(to));
        RunAndWait(linetext::kScan);
    }
    std::vector<int> Listed() const
    {
        std::vector<int> addresses;
        for (int r = 0; r < w->Model()->rowCount(); ++r)
            addresses.push_back(w->Model()->index(r, CLineWindow::kAddress).data().toInt());
        return addresses;
    }
    void Select(const std::vector<int>& addresses)
    {
        QItemSelectionModel* selection = w->List()->selectionModel();
        selection->clearSelection();
        for (int a : addresses)
            selection->select(w->Model()->index(w->RowOf(a), 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QString Cell(int address, int column) const
    {
        return w->Model()->index(w->RowOf(address), column).data().toString();
    }
    // The meter holds the window's settings but for its own link words.
    void ExpectSettingsAt(int address)
    {
        const CRegisterImage held = Holds(address);
        EXPECT_EQ(held.GetWord(image_words::kDeviceAddress), address);
        CRegisterImage wanted(settings);
        CopyLinkSettings(held, wanted);
        EXPECT_TRUE(SameSettings(wanted, held)) << "address " << address;
    }
};

TEST_F(LineWindowTest, ScanListsTheMetersWithWhatTheySayOfThemselves)
{
    Start();
    // A range that cannot be scanned is said, and nothing is listed.
    w->FromBox()->setText("30");
    w->ToBox()->setText("4");
    QTest::mouseClick(w->Button(linetext::kScan), Qt::LeftButton);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(messages.Messages()[0].text.contains("247"));
    EXPECT_FALSE(w->Busy());

    Scan(1, 12);
    EXPECT_EQ(Listed(), kMeters);
    EXPECT_EQ(Cell(3, CLineWindow::kModel), "15");
    EXPECT_EQ(Cell(kOtherModelMeter, CLineWindow::kModel), "44");
    EXPECT_EQ(Cell(5, CLineWindow::kSerial), "S5");
    EXPECT_FALSE(Cell(5, CLineWindow::kFirmware).isEmpty());
    EXPECT_FALSE(Cell(5, CLineWindow::kDescription).isEmpty());

    // The CSV holds the list as shown.
    const std::string csv = w->CsvText();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + static_cast<long>(kMeters.size()));
    EXPECT_NE(csv.find("\"S9\""), std::string::npos);
}

TEST_F(LineWindowTest, DownloadKeepsEachMetersAddressAndRefusesTheOtherModel)
{
    Start();
    Scan(1, 9);
    const std::vector<int> chosen = {2, 3, kOtherModelMeter, 9};
    Select(chosen);
    int previewRows = -1;
    WhenModal<CDownloadPreviewDialog> preview([&](CDownloadPreviewDialog* d) {
        previewRows = d->LineList()->topLevelItemCount();
        // The deadband changes on the three meters of the window's model.
        for (int i = 0; i < previewRows; ++i)
            if (d->LineList()->topLevelItem(i)->text(3) != "3")
                previewRows = -100;
        QTest::mouseClick(d->AcceptButton(), Qt::LeftButton);
    });
    // One wait: the writes follow the preview without a pause.
    RunAndWait(linetext::kDownload);
    EXPECT_FALSE(w->Busy());
    EXPECT_EQ(previewRows, 1);
    for (int a : {2, 3, 9}) {
        ExpectSettingsAt(a);
        EXPECT_TRUE(Cell(a, CLineWindow::kResult).contains("verified")) << Cell(a, CLineWindow::kResult).toStdString();
    }
    EXPECT_TRUE(Cell(kOtherModelMeter, CLineWindow::kResult).contains("44"));
    EXPECT_NE(Holds(kOtherModelMeter).GetWord(kDeadbandWord), settings.GetWord(kDeadbandWord));
    // Meter 5 was not chosen.
    EXPECT_TRUE(Cell(5, CLineWindow::kResult).isEmpty());
    EXPECT_NE(Holds(5).GetWord(kDeadbandWord), settings.GetWord(kDeadbandWord));

    // Compare: none differ now, but the one not downloaded.
    Select({3, 5});
    RunAndWait(linetext::kCompare);
    EXPECT_TRUE(Cell(3, CLineWindow::kResult).startsWith("0 "));
    EXPECT_TRUE(Cell(5, CLineWindow::kResult).startsWith("1 "));
}

TEST_F(LineWindowTest, SetAddressRefusesOneInUseAndMovesTheMeter)
{
    Start();
    Scan(1, 9);
    Select({3});
    for (const char* typed : {"5", "248", "x"}) {
        messages.Clear();
        w->NewAddressBox()->setText(typed);
        QTest::mouseClick(w->Button(linetext::kSetAddress), Qt::LeftButton);
        EXPECT_EQ(messages.Messages().size(), 1u) << typed;
        EXPECT_FALSE(w->Busy());
    }
    w->NewAddressBox()->setText("40");
    RunAndWait(linetext::kSetAddress);
    EXPECT_EQ(w->RowOf(3), -1);
    ASSERT_GE(w->RowOf(40), 0);
    EXPECT_TRUE(Cell(40, CLineWindow::kResult).contains("40"));
    EXPECT_EQ(Holds(40).GetWord(image_words::kDeviceAddress), 40);
    // A new scan finds it there.
    Scan(1, 45);
    EXPECT_EQ(Listed(), (std::vector<int>{2, 5, 7, 9, 40}));
}

TEST_F(LineWindowTest, StopDuringADownloadLeavesTheMetersNotReachedUntouched)
{
    // Slow answers, so that Stop falls inside the second meter's write.
    Start({"--delay", "15"});
    Scan(1, 9);
    std::map<int, CRegisterImage> before;
    for (int a : {5, 9})
        before[a] = Holds(a);
    Select({2, 3, 5, 9});
    WhenModal<CDownloadPreviewDialog> preview(
        [](CDownloadPreviewDialog* d) { QTest::mouseClick(d->AcceptButton(), Qt::LeftButton); });
    QSignalSpy finished(w.get(), &CLineWindow::workFinished);
    QTest::mouseClick(w->Button(linetext::kDownload), Qt::LeftButton);
    // Once the first meter is written, Stop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(2, CLineWindow::kResult).contains("verified"); }, 60000));
    QTest::mouseClick(w->Button(linetext::kStop), Qt::LeftButton);
    ASSERT_TRUE(finished.count() > 0 || finished.wait(60000));
    EXPECT_FALSE(w->Busy());
    ExpectSettingsAt(2);
    for (int a : {5, 9}) {
        EXPECT_EQ(Cell(a, CLineWindow::kResult), UiText(17132));
        EXPECT_TRUE(SameSettings(before[a], Holds(a))) << a;
    }
    EXPECT_FALSE(Cell(3, CLineWindow::kResult).contains("verified"));
}

TEST_F(LineWindowTest, OpenUploadsTheMeterIntoTheMainWindow)
{
    // Through a Modbus TCP gateway this time, chosen in the Connect dialog.
    Start({"--tcp", "0"});
    SimTcp(*sim).Save();
    CAppSettings app;
    app.m_deviceId = 15;
    CMyQ6KDlg main(app);
    main.Build();
    main.show();
    QTimer connectPresser;
    QObject::connect(&connectPresser, &QTimer::timeout, [] {
        if (auto* d = qobject_cast<CCommDialog*>(QApplication::activeModalWidget()))
            QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton);
    });
    connectPresser.start(10);
    bool opened = false;
    WhenModal<CLineWindow> line([&](CLineWindow* l) {
        l->FromBox()->setText("1");
        l->ToBox()->setText("9");
        QSignalSpy finished(l, &CLineWindow::workFinished);
        QTest::mouseClick(l->Button(linetext::kScan), Qt::LeftButton);
        if (finished.wait(60000)) {
            l->List()->selectionModel()->select(l->Model()->index(l->RowOf(kOtherModelMeter), 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QTest::mouseClick(l->Button(linetext::kOpen), Qt::LeftButton);
            opened = true;
        }
        l->reject();
    });
    QTest::mouseClick(main.Button(linetext::kLine), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.Done() && !QApplication::activeModalWidget(); }, 60000));
    EXPECT_TRUE(opened);
    for (const ShownMessage& m : messages.Messages())
        ADD_FAILURE() << m.text.toStdString();
    // Only the meter chosen is of that model.
    EXPECT_EQ(main.Image().Identity().Code(), 44);
}

} // namespace
