// The main window's Download against a simulated meter, as a technician
// meets it: a value typed into the alarm table counts however the cell is
// left, the preview lists exactly what changes and its Cancel writes
// nothing, a meter that keeps a value it was sent is named, a meter that
// already holds the settings gets no write, and a stopped download offers
// the previous settings back.
#include "DialogTestSupport.h"
#include "FileTestSupport.h"
#include "ModalDriver.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "app/MessageFormat.h"
#include "comm/ComSettings.h"
#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/MeterHistory.h"
#include "jobs/TransferJobs.h"
#include "model/AlarmSettings.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/AlarmTable.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/ParEdit.h"
#include "ui/files/CompareDialog.h"
#include "ui/files/CompareList.h"
#include "ui/jobs/DownloadPreviewDialog.h"
#include "ui/jobs/HistoryDialog.h"
#include "ui/jobs/ProgressDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace text = mainwindowtext;

namespace {

constexpr int kModel = 15;
constexpr int kSetpointColumn = 2;
constexpr int kDeadbandColumn = 4;
constexpr int kHHRow = 1;
constexpr int kHHDeadbandWord = 202;

std::int32_t HHSetpoint(CRegisterImage image)
{
    return CAlarmSettingsInterface(image).GetSetpoint(CRegisterImage::TripHH);
}

// What the simulated meter holds now, read as an upload reads it.
CRegisterImage MeterHolds(const SimProcess& sim)
{
    CModbusInterface link(SimTcp(sim));
    CRegisterImage image;
    EXPECT_TRUE(RunUpload(link, image, {}));
    return image;
}

// The names of the parameters a preview lists.
QStringList ListedNames(CDownloadPreviewDialog* dialog, const CParameterReport& report)
{
    QStringList names;
    CCompareList* list = dialog->List();
    for (int i = 0; i < list->ParameterCount(); ++i)
        if (!list->isRowHidden(list->TableRow(i)))
            names << QString::fromStdString(report.Rows()[static_cast<std::size_t>(i)].name);
    return names;
}

class MainWindowDownload : public ::testing::Test
{
protected:
    testsupport::TempConfigHome home;
    CMessageCapture messages;
    CAppSettings settings;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CMyQ6KDlg> w;
    QTimer connectPresser;

    // `rtu`: the meter on a pseudo-terminal, whose short time-outs end a
    // silent meter's attempts quickly.
    void Start(std::vector<std::string> simArgs = {}, bool rtu = false)
    {
        simArgs.insert(simArgs.end(), {"--model", std::to_string(kModel), "--tcp", "0", "--rtu"});
        sim = std::make_unique<SimProcess>(simArgs);
        (rtu ? SimRtu(*sim) : SimTcp(*sim)).Save();
        settings.m_deviceId = kModel;
        w = std::make_unique<CMyQ6KDlg>(settings);
        w->Build();
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        // The user presses Connect whenever the Connect dialog comes up.
        QObject::connect(&connectPresser, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<CCommDialog*>(QApplication::activeModalWidget()))
                QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton);
        });
        connectPresser.start(10);
    }
    // The alarm table's cell, its editor opened by typing `first`.
    CEditText* TypeIntoCell(int column, int row, const QString& typed)
    {
        CDataGridView* grid = w->AlarmTable()->Grid();
        EXPECT_TRUE(grid->SetCurrentCell(column, row));
        grid->setFocus();
        QTest::keyClicks(grid, typed.left(1));
        CEditText* box = w->AlarmTable()->Editing().Box();
        QTest::keyClicks(box, typed.mid(1));
        EXPECT_TRUE(box->isVisible());
        return box;
    }
    std::int32_t Stored(double value) const
    {
        return static_cast<std::int32_t>(value * CScalingParameterResolver(w->Image()).DisplayScale());
    }
    // Clicks Download and answers the preview with `accept`; the preview's
    // listed names, empty when none came up.
    // `list`: read the meter to name the rows (requests of their own).
    QStringList DownloadAnswering(bool accept, bool list = true)
    {
        QStringList listed;
        WhenModal<CDownloadPreviewDialog> preview([&](CDownloadPreviewDialog* d) {
            if (list) {
                CParameterReport report(w->Image());
                report.SetComparison(MeterHolds(*sim), "");
                listed = ListedNames(d, report);
            }
            if (accept)
                QTest::mouseClick(d->AcceptButton(), Qt::LeftButton);
            else
                d->reject();
        });
        QTest::mouseClick(w->Button(text::kDownload), Qt::LeftButton);
        return listed;
    }
    std::size_t BackupCount() const
    {
        std::size_t n = 0;
        for (const auto& meter : CMeterHistory().Meters())
            n += meter.backups.size();
        return n;
    }
};

} // namespace

TEST_F(MainWindowDownload, ATypedCellValueReachesTheMeterWhenDownloadIsClicked)
{
    Start();
    const CRegisterImage before = MeterHolds(*sim);
    TypeIntoCell(kSetpointColumn, kHHRow, "7.5");
    // The click itself leaves the cell: no Enter.
    const QStringList listed = DownloadAnswering(true);
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    EXPECT_EQ(listed, QStringList{"Bank1 HH setpoint"});
    const CRegisterImage after = MeterHolds(*sim);
    EXPECT_EQ(HHSetpoint(after), Stored(7.5));
    EXPECT_EQ(w->StatusText(), "Downloaded and verified: 1 parameter(s) changed.");
    EXPECT_FALSE(w->isWindowModified()) << "the meter holds the window's settings";

    // The meter's settings before it are kept, and Open File takes them.
    const auto meters = CMeterHistory().Meters();
    ASSERT_EQ(meters.size(), 1u);
    ASSERT_EQ(meters[0].backups.size(), 1u);
    EXPECT_TRUE(CConfigFile::Read(meters[0].backups[0].path) == before);

    // A second Download finds nothing to write: no preview, no write.
    const QStringList again = DownloadAnswering(true);
    EXPECT_TRUE(again.isEmpty());
    EXPECT_EQ(w->StatusText(), "The meter already holds these settings.");
    EXPECT_EQ(BackupCount(), 1u);

    // The History window lists the meter and its backup and opens it into
    // the window, as Open File would.
    WhenModal<CHistoryDialog> history([&](CHistoryDialog* d) {
        dialogtest::ExpectEveryControlNamed(d);
        QTreeWidget* tree = d->Tree();
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        EXPECT_TRUE(tree->topLevelItem(0)->text(0).contains("serial Q6KSIM01"));
        EXPECT_FALSE(d->OpenButton()->isEnabled()) << "a meter's row is no file";
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        ASSERT_TRUE(d->OpenButton()->isEnabled());
        QTest::mouseClick(d->OpenButton(), Qt::LeftButton);
    });
    QTest::mouseClick(w->Button(text::kHistory), Qt::LeftButton);
    EXPECT_TRUE(history.Done());
    EXPECT_TRUE(w->Image() == before);
    EXPECT_TRUE(w->StatusText().startsWith("Opened " + QString::fromStdString(meters[0].backups[0].path)));
}

TEST_F(MainWindowDownload, TabAndAClickOnReportCommitATypedValueToo)
{
    Start();
    // Tab commits and opens the next cell (ON delay); Download then leaves it.
    CEditText* box = TypeIntoCell(kDeadbandColumn, kHHRow, ".5");
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(w->Image().GetWord(kHHDeadbandWord), Stored(0.5));
    EXPECT_EQ(w->AlarmTable()->Grid()->CurrentColumn(), kDeadbandColumn + 1);
    EXPECT_TRUE(box->isVisible()) << "the next cell's editor";
    EXPECT_EQ(w->UndoStack()->undoText(), "Deadband HH");

    // Report with a value still in its cell: the report shows it.
    TypeIntoCell(kSetpointColumn, kHHRow, "6");
    QString shown;
    WhenModal<CCompareDialog> report([&](CCompareDialog* d) {
        for (const SReportRow& row : d->Report().Rows())
            if (row.name == "Bank1 HH setpoint")
                shown = QString::fromStdString(row.value);
        d->reject();
    });
    QTest::mouseClick(w->Button(text::kReport), Qt::LeftButton);
    EXPECT_TRUE(report.Done());
    EXPECT_EQ(shown, "6.0000");

    const QStringList listed = DownloadAnswering(true);
    EXPECT_EQ(listed, (QStringList{"Bank1 HH setpoint", "HH deadband"}));
    const CRegisterImage after = MeterHolds(*sim);
    EXPECT_EQ(after.GetWord(kHHDeadbandWord), Stored(0.5));
    EXPECT_EQ(HHSetpoint(after), Stored(6));
}

TEST_F(MainWindowDownload, CancelInThePreviewWritesNothingAndARejectedCellValueStopsDownload)
{
    Start();
    const CRegisterImage before = MeterHolds(*sim);
    // A value out of range in a cell: the click on Download does not act.
    CEditText* box = TypeIntoCell(kSetpointColumn, kHHRow, "99");
    {
        WhenModal<CDownloadPreviewDialog> unexpected([](CDownloadPreviewDialog* d) {
            ADD_FAILURE() << "a preview";
            d->reject();
        });
        QTest::mouseClick(w->Button(text::kDownload), Qt::LeftButton);
        QApplication::processEvents();
    }
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(messages.Messages()[0].text.startsWith("You should input Setpoint within the range of"));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->selectedText(), "99");
    messages.Clear();

    // Corrected, with a field changed too: the preview lists both; Cancel.
    box->setText("5");
    QTest::keyClick(box, Qt::Key_Return);
    w->BargraphLower()->setText("2");
    const QStringList listed = DownloadAnswering(false);
    EXPECT_EQ(listed, (QStringList{"Bargraph lower limit", "Bank1 HH setpoint"}));
    EXPECT_TRUE(MeterHolds(*sim) == before);
    EXPECT_EQ(BackupCount(), 0u) << "nothing written, nothing to keep";
    EXPECT_EQ(w->StatusText(), UiText(text::kPreviewCancelled));
    EXPECT_TRUE(w->isWindowModified());
}

TEST_F(MainWindowDownload, AValueTheMeterDoesNotKeepIsNamedAndTheWindowStaysUnsaved)
{
    Start({"--ignore-write", "2001"}); // the bar graph's lower limit
    w->BargraphLower()->setText("2");
    QStringList notHeld;
    QString heading;
    // The preview is accepted; the window that follows lists what the meter
    // does not hold.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<CDownloadPreviewDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        if (d->AcceptButton()) {
            QTest::mouseClick(d->AcceptButton(), Qt::LeftButton);
            return;
        }
        heading = d->Heading()->text();
        CParameterReport report(w->Image());
        report.SetComparison(MeterHolds(*sim), "");
        notHeld = ListedNames(d, report);
        d->reject();
    });
    answer.start(5);
    QTest::mouseClick(w->Button(text::kDownload), Qt::LeftButton);
    EXPECT_EQ(notHeld, QStringList{"Bargraph lower limit"});
    EXPECT_TRUE(heading.startsWith("The meter does not hold 1 parameter(s)"));
    EXPECT_EQ(w->StatusText(), UiMessage(LoadMessage(text::kNotHeld, {1})));
    EXPECT_TRUE(w->isWindowModified());
}

TEST_F(MainWindowDownload, ADownloadThatMovesTheMeterSaysSoAndTheConnectionFollowsIt)
{
    Start();
    w->Image().SetWord(70, 5); // device address
    QString warning;
    WhenModal<CDownloadPreviewDialog> preview([&](CDownloadPreviewDialog* d) {
        warning = d->Warning()->isVisibleTo(d) ? d->Warning()->text() : QString();
        QTest::mouseClick(d->AcceptButton(), Qt::LeftButton);
    });
    QTest::mouseClick(w->Button(text::kDownload), Qt::LeftButton);
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    EXPECT_TRUE(warning.startsWith("After this download the meter answers at address 5")) << warning.toStdString();
    EXPECT_EQ(ComSettings().Address, 5);
    EXPECT_TRUE(w->StatusText().startsWith("Downloaded and verified: 1 parameter(s) changed. The meter answers at "
                                           "address 5 now"))
        << w->StatusText().toStdString();
    // The next command reaches it there.
    DownloadAnswering(true, false);
    EXPECT_EQ(w->StatusText(), "The meter already holds these settings.");
}

TEST_F(MainWindowDownload, ACancelledWriteSaysTheMeterMayHoldAMixAndPutsThePreviousSettingsBack)
{
    Start({"--delay", "5"}); // slow enough to stop in the middle of the writes
    const CRegisterImage before = MeterHolds(*sim);
    w->BargraphLower()->setText("2");
    w->Image().SetWord(207, 5); // P ON delay, written late in the table
    messages.SetAnswer(true);   // download the previous settings back
    int previews = 0;
    bool cancelled = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* preview = qobject_cast<CDownloadPreviewDialog*>(modal); preview && preview->isVisible()) {
            ++previews;
            QTest::mouseClick(preview->AcceptButton(), Qt::LeftButton);
        }
        // Cancel once the writing is under way.
        auto* progress = qobject_cast<CProgressDialog*>(modal);
        if (!cancelled && progress && previews == 1 && progress->ProgressBar()->value() >= 10) {
            cancelled = true;
            QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
        }
    });
    user.start(2);
    QTest::mouseClick(w->Button(text::kDownload), Qt::LeftButton);
    ASSERT_TRUE(cancelled);
    ASSERT_EQ(messages.Messages().size(), 1u);
    const ShownMessage& question = messages.Messages()[0];
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_TRUE(question.text.contains("The meter may now hold a mix of its previous and the new settings."))
        << question.text.toStdString();
    const auto meters = CMeterHistory().Meters();
    ASSERT_EQ(meters.size(), 1u);
    ASSERT_FALSE(meters[0].backups.empty());
    EXPECT_TRUE(question.text.contains(QString::fromStdString(meters[0].backups.back().path)));
    EXPECT_TRUE(question.text.endsWith("Download the previous settings back into the meter?"));

    // Put back: the meter holds what it held, and the window's settings are
    // still the user's, unsaved.
    EXPECT_EQ(previews, 2);
    EXPECT_TRUE(MeterHolds(*sim) == before);
    EXPECT_TRUE(w->isWindowModified());
    EXPECT_EQ(w->Image().GetWord(207), 5);
}
