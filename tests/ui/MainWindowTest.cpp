// The main window driven through a technician's paths: first start, model
// changes, the input pages' rules, a round of Upload, Save File and Open
// File, Download stopped by a bad value, and the alarm table.
#include "FileTestSupport.h"
#include "ModalDriver.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "app/Language.h"
#include "comm/ComSettings.h"
#include "files/ConfigFile.h"
#include "model/BlockTable.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/OptionListTable.h"
#include "model/ParameterEnumeration.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/app/OptionDialog.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/AlarmTable.h"
#include "ui/editors/DataGridView.h"
#include "ui/editors/ParEdit.h"
#include "ui/editors/dialogs/InputDialogs.h"
#include "ui/editors/pages/InputScalingPage.h"
#include "ui/editors/pages/InputTemperaturePage.h"
#include "ui/files/CompareDialog.h"
#include "ui/jobs/DeviceInformationDialog.h"
#include "ui/jobs/ProgressDialog.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

using namespace testsupport;
namespace text = mainwindowtext;

namespace {

int FirstModelWith(std::uint32_t flag, std::uint32_t without = 0)
{
    for (int code = 0; code < kDeviceModelCount; ++code) {
        const CDeviceType model = CDeviceType::FromCode(code);
        if (model.Has(flag) && !(without && model.Has(without)))
            return code;
    }
    return -1;
}

// Every model of an input kind but `code`.
int OtherModelOfTheSameKind(int code)
{
    const EInputKind kind = InputKindOf(CDeviceType::FromCode(code).CapabilityFlags());
    for (int other = 0; other < kDeviceModelCount; ++other)
        if (other != code && InputKindOf(CDeviceType::FromCode(other).CapabilityFlags()) == kind)
            return other;
    return -1;
}

// The words a configuration file holds for the model.
void ExpectSameSettings(const CRegisterImage& got, const CRegisterImage& want)
{
    ASSERT_TRUE(got.Identity() == want.Identity());
    for (const SRegisterBlock& b : kBlockTable) {
        if (!BlockApplies(b, want.CapabilityFlags()))
            continue;
        for (int i = 0; i < RegisterCount(b); ++i)
            ASSERT_EQ(got.GetWord(b.firstWord + i), want.GetWord(b.firstWord + i)) << "word " << b.firstWord + i;
    }
}

// Chooses entry `index` of a list as a user does, so that the list reports
// the choice.
void Choose(QComboBox* list, int index)
{
    list->setCurrentIndex(index);
    emit list->activated(index);
}

class MainWindow : public ::testing::Test
{
protected:
    TempConfigHome home;
    CMessageCapture messages;
    CAppSettings settings;

    std::unique_ptr<CMyQ6KDlg> Open(int model)
    {
        settings.m_deviceId = model;
        auto window = std::make_unique<CMyQ6KDlg>(settings);
        window->Build();
        return window;
    }
    // Shown and active, as the window a user works in (focus and keyboard
    // shortcuts need that).
    static void Activate(QWidget* window)
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
};

} // namespace

TEST_F(MainWindow, FirstStartShowsModel15OnTheDcPageWithEveryControlNamedByItsCaption)
{
    settings.Load(); // nothing stored yet
    auto w = Open(settings.m_deviceId);
    EXPECT_EQ(settings.m_deviceId, 15);
    // "[*]" is where Qt marks unsaved settings; nothing is unsaved yet.
    EXPECT_EQ(w->windowTitle(), QStringLiteral("V6UVUV Version") + QStringLiteral(Q6K_PRODUCT_VERSION "[*]"));
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(w->Image().Identity().Code(), 15);
    ASSERT_NE(w->InputPage(), nullptr);
    EXPECT_EQ(w->InputPage()->Kind(), EInputKind::DC);
    EXPECT_EQ(w->ModelButton()->text().toStdString(), " " + CDeviceType::FromCode(15).ModelDescription());

    // The interface buttons follow the model's options; the others are
    // always there.
    const CDeviceType model = CDeviceType::FromCode(15);
    EXPECT_EQ(w->Button(text::kBcdOutput)->isEnabled(), model.Has(CAP_BCD_OUTPUT));
    EXPECT_EQ(w->Button(text::kEventTrigger)->isEnabled(), model.Has(CAP_EVENT_INPUT));
    EXPECT_EQ(w->Button(text::kAnalogOut)->isEnabled(), model.Has(CAP_ANALOG_OUTPUT));
    EXPECT_EQ(w->Button(text::kModbus)->isEnabled(), model.Has(CAP_MODBUS));
    for (unsigned id : {text::kUpload, text::kDownload, text::kReport, text::kSaveFile, text::kOpenFile, text::kMonitor,
                        text::kLanguage, text::kControl, text::kDisplay, text::kLockout, text::kAdvanced})
        EXPECT_TRUE(w->Button(id)->isEnabled()) << id;
    EXPECT_FALSE(w->Button(text::kBank)->isEnabled()); // "Bank switching" is 0

    // A screen reader (and a test) finds every control by what the user reads.
    w->show();
    for (QWidget* control : w->findChildren<QWidget*>()) {
        if (!control->isVisible() ||
            !(qobject_cast<QComboBox*>(control) || qobject_cast<QLineEdit*>(control) ||
              qobject_cast<QAbstractButton*>(control) || qobject_cast<CDataGridView*>(control)))
            continue;
        if (control->parent() && qobject_cast<QComboBox*>(control->parent()))
            continue; // a list's own edit line
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(a, nullptr);
        const QString name = a->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty())
            << control->metaObject()->className() << " " << control->property("controlId").toInt();
        // A control with a caption is labelled by it (Qt names a list by its
        // entry on Linux and tells the caption as the relation).
        for (QLabel* label : w->findChildren<QLabel*>()) {
            if (label->buddy() != control)
                continue;
            bool labelled = name == label->text();
            for (const auto& [other, relation] : a->relations(QAccessible::Label))
                labelled = labelled || other->text(QAccessible::Name) == label->text();
            EXPECT_TRUE(labelled) << label->text().toStdString();
        }
    }

    // The alarm table's headers all have names; the P row's blanks are cells.
    CDataGridView* table = w->findChild<CDataGridView*>();
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* cells = QAccessible::queryAccessibleInterface(table)->tableInterface();
    ASSERT_NE(cells, nullptr);
    for (int row = 0; row < cells->rowCount(); ++row)
        for (int column = 0; column < cells->columnCount(); ++column) {
            QAccessibleInterface* cell = cells->cellAt(row, column);
            if (cell && cell->role() != QAccessible::Cell) {
                EXPECT_FALSE(cell->text(QAccessible::Name).isEmpty()) << row << "," << column;
            }
        }

    // Closing stores the model; Enter and Escape never close.
    QTest::keyClick(w.get(), Qt::Key_Escape);
    QTest::keyClick(w->BargraphLower(), Qt::Key_Return);
    EXPECT_TRUE(w->isVisible());
    settings.m_deviceId = -1;
    w->close();
    EXPECT_EQ(settings.m_deviceId, 15);
}

TEST_F(MainWindow, ItsFieldsAndThePageShowTheirWordsAsTheDescriptorTableDescribesThem)
{
    auto w = Open(FirstModelWith(CAP_DC_INPUT));
    CRegisterImage& image = w->Image();
    // Values no scale leaves as they are, lists away from their first option.
    image.SetWord(0, 1);
    image.SetWord(10, 1);
    image.SetLong(2, -12345);
    image.SetLong(4, 23456);
    image.SetLong(6, -1234);
    image.SetLong(8, 3456);
    image.SetWord(31, 2);
    image.SetLong(32, -12345);
    image.SetLong(34, 23456);
    image.SetWord(78, 3);
    image.SetWord(79, 1);
    w->FullRefresh();

    const CParameterEnumerationInterface table;
    auto shown = [&](int word) { return QString::fromStdString(table.ValueText(image, word)); };
    auto* page = dynamic_cast<CInputScalingPage*>(w->InputPage());
    ASSERT_NE(page, nullptr);
    const std::pair<QLineEdit*, int> edits[] = {{page->InputZero(), 2},   {page->InputSpan(), 4},
                                                {page->DisplayZero(), 6}, {page->DisplaySpan(), 8},
                                                {w->BargraphLower(), 32}, {w->BargraphUpper(), 34}};
    for (const auto& [edit, word] : edits)
        EXPECT_EQ(edit->text(), shown(word)) << "word " << word;
    const std::pair<QComboBox*, int> lists[] = {
        {page->TypeList(), 0}, {w->BargraphType(), 31}, {w->FlashingList(), 78}, {w->PatternList(), 79}};
    for (const auto& [list, word] : lists) {
        const unsigned base = CParameterEnumerationInterface::OptionBase(word, image.CapabilityFlags());
        ASSERT_EQ(list->count(), int(OptionCount(base))) << "word " << word;
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->itemText(i), UiText(base + unsigned(i))) << "word " << word;
        EXPECT_EQ(list->currentText(), shown(word)) << "word " << word;
    }
}

TEST_F(MainWindow, AModelChangeReplacesThePageOnlyWhenTheInputKindChanges)
{
    auto w = Open(15);
    const int thermocouple = FirstModelWith(CAP_TC_INPUT);
    const int sameKind = OtherModelOfTheSameKind(thermocouple);
    ASSERT_GE(sameKind, 0);

    // The menu: a submenu per model name, the current model checked.
    QMenu* menu = w->BuildModelMenu();
    std::set<std::string> names;
    for (int code = 0; code < kDeviceModelCount; ++code)
        names.insert(CDeviceType::FromCode(code).ModelName());
    EXPECT_EQ(static_cast<std::size_t>(menu->actions().size()), names.size());
    int items = 0;
    QAction* thermocoupleItem = nullptr;
    for (QAction* sub : menu->actions()) {
        for (QAction* item : sub->menu()->actions()) {
            ++items;
            if (item->data().toInt() == 15) {
                EXPECT_TRUE(item->isChecked());
                EXPECT_TRUE(sub->isChecked());
            } else {
                EXPECT_FALSE(item->isChecked());
            }
            if (item->data().toInt() == thermocouple)
                thermocoupleItem = item;
        }
    }
    EXPECT_EQ(items, kDeviceModelCount);

    ASSERT_NE(thermocoupleItem, nullptr);
    thermocoupleItem->trigger();
    EXPECT_EQ(w->Image().Identity().Code(), thermocouple);
    EXPECT_EQ(settings.m_deviceId, thermocouple);
    ASSERT_NE(w->InputPage(), nullptr);
    EXPECT_EQ(w->InputPage()->Kind(), EInputKind::TC);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the old page goes
    const CInputPage* page = w->InputPage();

    // Within the kind the page and the settings stay.
    w->Image().SetWord(29, 5);
    w->ChangeModel(sameKind);
    EXPECT_EQ(w->InputPage(), page);
    EXPECT_EQ(w->Image().GetWord(29), 5);
    EXPECT_EQ(w->ModelButton()->text().toStdString(), " " + CDeviceType::FromCode(sameKind).ModelDescription());

    // The model that is current changes nothing.
    const CRegisterImage before = w->Image();
    w->ChangeModel(sameKind);
    EXPECT_TRUE(w->Image() == before);

    for (std::uint32_t kind : {CAP_RTD_INPUT, CAP_PTM_INPUT, CAP_AC_INPUT, CAP_DC_INPUT}) {
        w->ChangeModel(FirstModelWith(kind));
        EXPECT_EQ(w->InputPage()->Kind(), InputKindOf(kind)) << kind;
        EXPECT_TRUE(messages.Messages().empty());
    }
}

TEST_F(MainWindow, ScalingPageTypeChangesFollowTheirRules)
{
    auto w = Open(FirstModelWith(CAP_DC_INPUT, CAP_CURRENT_INPUT));
    auto* page = dynamic_cast<CInputScalingPage*>(w->InputPage());
    ASSERT_NE(page, nullptr);
    CRegisterImage& image = w->Image();
    page->DisplayZero()->setText("1.5");
    w->Image().SetWord(61, 0);
    const std::int32_t analogZero = image.GetLong(62), analogSpan = image.GetLong(64);
    const std::uint16_t cutout = image.GetWord(21) ^ 1;
    image.SetWord(21, cutout);

    Choose(page->TypeList(), 2); // -20.000 to 20.000 Vdc
    EXPECT_EQ(image.GetWord(0), 2);
    EXPECT_EQ(page->InputZero()->text(), "-20.000");
    EXPECT_EQ(page->InputSpan()->text(), "20.000");
    EXPECT_EQ(page->DisplayZero()->text(), "1.5"); // the display scaling stays
    EXPECT_EQ(image.GetLong(62), analogZero);      // function mode 0: the analog output stays
    EXPECT_EQ(image.GetLong(64), analogSpan);
    EXPECT_EQ(image.GetWord(21), cutout); // a DC change leaves the cut-off
    EXPECT_EQ(image.GetLong(2), -20000);  // what the page shows is taken as one step
    EXPECT_EQ(w->UndoStack()->undoText(), "Type");

    image.SetWord(61, 1);
    Choose(page->TypeList(), 3); // -200.00 to 200.00 Vdc
    const CScalingParameterResolver range(image);
    EXPECT_EQ(image.GetLong(62), range.InputRangeMinimum());
    EXPECT_EQ(image.GetLong(64), range.InputRangeMaximum());
    w->Commit();
    EXPECT_EQ(image.GetLong(2), range.InputRangeMinimum());

    // On the AC page a type change switches the low-end cut-off off.
    w->ChangeModel(FirstModelWith(CAP_AC_INPUT));
    auto* ac = dynamic_cast<CInputScalingPage*>(w->InputPage());
    ASSERT_NE(ac, nullptr);
    image.SetWord(21, 2);
    image.SetWord(22, 55);
    Choose(ac->TypeList(), 1);
    EXPECT_EQ(image.GetWord(21), 0);
    EXPECT_EQ(image.GetWord(22), 0);

    // A stored type beyond the list shows the last option, and the next store
    // writes it.
    image.SetWord(0, 20);
    w->FullRefresh();
    EXPECT_EQ(ac->TypeList()->currentIndex(), 3);
    w->Commit();
    EXPECT_EQ(image.GetWord(0), 3);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MainWindow, TemperaturePagesSetTheSensorRangeEverywhereAndRtdKeepsOneDecimalInDegF)
{
    auto w = Open(FirstModelWith(CAP_TC_INPUT));
    auto* page = dynamic_cast<CInputTemperaturePage*>(w->InputPage());
    ASSERT_NE(page, nullptr);
    CRegisterImage& image = w->Image();
    Choose(page->TypeList(), 7); // B(RH)
    const CScalingParameterResolver range(image);
    EXPECT_EQ(image.GetLong(32), range.InputRangeMinimum());
    EXPECT_EQ(image.GetLong(34), range.InputRangeMaximum());
    EXPECT_EQ(image.GetLong(62), range.InputRangeMinimum());
    EXPECT_EQ(image.GetLong(64), range.InputRangeMaximum());
    // The window was refreshed from the image: the bar graph shows the range.
    EXPECT_EQ(w->BargraphUpper()->text().toStdString(),
              CScalingParameterResolver::FormatScaled(range.InputRangeMaximum(), range.DisplayScale()));

    // degF with two decimals: the thermocouple page keeps them, the RTD page
    // takes one.
    image.SetWord(44, 2);
    page->UnitList()->setCurrentIndex(1);
    w->Commit();
    EXPECT_EQ(image.GetWord(1), 1);
    EXPECT_EQ(image.GetWord(44), 2);
    w->ChangeModel(FirstModelWith(CAP_RTD_INPUT));
    auto* rtd = dynamic_cast<CInputTemperaturePage*>(w->InputPage());
    ASSERT_NE(rtd, nullptr);
    image.SetWord(44, 2);
    rtd->UnitList()->setCurrentIndex(1);
    w->Commit();
    EXPECT_EQ(image.GetWord(44), 1);
    rtd->UnitList()->setCurrentIndex(0);
    image.SetWord(44, 2);
    w->Commit();
    EXPECT_EQ(image.GetWord(44), 2);
}

TEST_F(MainWindow, UploadEditSaveAndOpenGiveTheSameImage)
{
    // A meter with settings of its own.
    filetest::TempDir dir;
    CRegisterImage meter;
    meter.ResetForModel(FirstModelWith(CAP_DC_INPUT), true);
    meter.SetWord(29, 4);
    meter.SetLong(8, 4321);
    meter.SetWord(185, 12);
    CConfigFile::Save(meter, dir.Path("meter.cfg"));
    SimProcess sim({"--load", dir.Path("meter.cfg"), "--tcp", "0"});
    ComSettings link = SimTcp(sim);
    link.Save();

    auto w = Open(FirstModelWith(CAP_TC_INPUT));
    Activate(w.get());
    // The user presses Connect in the Connect dialog when it comes up.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CCommDialog*>(QApplication::activeModalWidget()))
            QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton);
    });
    press.start(10);
    QTest::mouseClick(w->Button(text::kUpload), Qt::LeftButton);
    press.stop();
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    EXPECT_EQ(w->Image().Identity(), meter.Identity());
    EXPECT_EQ(w->InputPage()->Kind(), EInputKind::DC);
    ExpectSameSettings(w->Image(), meter);
    EXPECT_EQ(w->AlarmTable()->Grid()->CellText(5, 5), "1.2"); // LL ON delay, in seconds

    // An edit on the page goes into the file; Open File brings it all back.
    auto* page = dynamic_cast<CInputScalingPage*>(w->InputPage());
    ASSERT_NE(page, nullptr);
    page->DisplayZero()->setText("-1.5");
    const QString path = QString::fromStdString(dir.Path("edited"));
    w->SetFileNameAsker([&](QWidget*, CMyQ6KDlg::EFileDialog) { return path + ".cfg"; });
    QTest::mouseClick(w->Button(text::kSaveFile), Qt::LeftButton);
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    const CRegisterImage saved = w->Image();
    EXPECT_EQ(saved.GetLong(6), CScalingParameterResolver::ParseScaled(
                                    "-1.5", -99999999, 99999999, CScalingParameterResolver(saved).DisplayScale(), 0));

    w->ChangeModel(FirstModelWith(CAP_RTD_INPUT));
    EXPECT_TRUE(w->isWindowModified());
    // Ctrl+O, as the window's shortcut takes it; the changed model is not
    // saved, and the user lets it go.
    messages.SetChoice(1); // Discard
    QShortcut* open = nullptr;
    for (QShortcut* shortcut : w->findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(QKeySequence::Open))
            open = shortcut;
    ASSERT_NE(open, nullptr);
    emit open->activated();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Warning);
    messages.Clear();
    EXPECT_TRUE(w->Image() == saved);
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(page->metaObject(), w->InputPage()->metaObject());

    // A damaged file is reported and changes nothing.
    std::string damaged = filetest::ReadText(path.toStdString() + ".cfg");
    const std::size_t input = damaged.find("L1050=");
    ASSERT_NE(input, std::string::npos);
    damaged.insert(input + 6, "x");
    filetest::WriteText(dir.Path("bad.cfg"), damaged);
    EXPECT_FALSE(w->OpenFile(QString::fromStdString(dir.Path("bad.cfg"))));
    ASSERT_EQ(messages.Messages().size(), 1u);
    // The first line as it always was, then every value the meter would not take.
    EXPECT_TRUE(messages.Messages()[0].text.startsWith("Load error. Invalid file format.\n"))
        << messages.Messages()[0].text.toStdString();
    EXPECT_TRUE(messages.Messages()[0].text.contains("Input type (L1050, line "))
        << messages.Messages()[0].text.toStdString();
    EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(w->Image() == saved);

    // A plain number the meter would not take: refused the same way, the
    // window's settings kept.
    messages.Clear();
    std::string outside = filetest::ReadText(path.toStdString() + ".cfg");
    outside.replace(outside.find("L1050="), 7, "L1050=9");
    filetest::WriteText(dir.Path("outside.cfg"), outside);
    EXPECT_FALSE(w->OpenFile(QString::fromStdString(dir.Path("outside.cfg"))));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(messages.Messages()[0].text.contains("\"9\", allowed 0 to "))
        << messages.Messages()[0].text.toStdString();
    EXPECT_TRUE(w->Image() == saved);
    EXPECT_FALSE(w->isWindowModified());
}

TEST_F(MainWindow, DownloadWithABadLimitStopsBeforeTheConnectDialog)
{
    auto w = Open(15);
    Activate(w.get());
    w->BargraphLower()->setText("100001");
    bool connectShown = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CCommDialog*>(QApplication::activeModalWidget())) {
            connectShown = true;
            d->reject();
        }
    });
    probe.start(5);
    QTest::mouseClick(w->Button(text::kDownload), Qt::LeftButton);
    QTest::qWait(50);
    probe.stop();
    EXPECT_FALSE(connectShown);
    ASSERT_EQ(messages.Messages().size(), 1u);
    const CScalingParameterResolver scaling(w->Image());
    EXPECT_EQ(messages.Messages()[0].text.toStdString(),
              CScalingParameterResolver::RangeMessage(scaling.DisplayValueMinimum(), scaling.DisplayValueMaximum(),
                                                      scaling.DisplayScale(), 15151));
    EXPECT_EQ(QApplication::focusWidget(), w->BargraphLower());
    EXPECT_EQ(w->BargraphLower()->selectedText(), "100001");
}

// "Report" shows the image as the window's controls say (committed first,
// and not at all after a rejected value); "Monitor" hides the window for as
// long as Device Information runs, and the window comes back still running.
TEST_F(MainWindow, ReportShowsTheCommittedImageAndMonitorHidesTheWindowUntilItCloses)
{
    constexpr int kPatternWord = 79;
    auto w = Open(15);
    Activate(w.get());
    w->PatternList()->setCurrentIndex(1); // "Zone", not yet in the image
    ASSERT_EQ(w->Image().GetWord(kPatternWord), 0);
    CRegisterImage reported;
    std::size_t rows = 0;
    {
        WhenModal<CCompareDialog> report([&](CCompareDialog* d) {
            reported = d->Report().Working();
            rows = d->Report().Rows().size();
            d->reject();
        });
        QTest::mouseClick(w->Button(text::kReport), Qt::LeftButton);
        ASSERT_TRUE(report.Done());
    }
    EXPECT_EQ(reported.GetWord(kPatternWord), 1);
    EXPECT_TRUE(reported == w->Image());
    EXPECT_EQ(rows, 163u);
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    {
        w->BargraphLower()->setText("100001");
        WhenModal<CCompareDialog> report([](CCompareDialog* d) { d->reject(); });
        QTest::mouseClick(w->Button(text::kReport), Qt::LeftButton);
        EXPECT_FALSE(report.Done()) << "a rejected value stops before the report";
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Stop);
        messages.Clear();
        w->FullRefresh();
    }

    SimProcess sim({"--model", "15", "--tcp", "0"});
    SimTcp(sim).Save();
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CCommDialog*>(QApplication::activeModalWidget()))
            QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton);
    });
    press.start(10);
    bool hiddenWhileMonitoring = false;
    QString serial;
    WhenModal<CDeviceInformationDialog> monitor([&](CDeviceInformationDialog* d) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return d->PollsShown() >= 1; }, 20000));
        hiddenWhileMonitoring = !w->isVisible();
        serial = d->ValueTable()->CellText(1, 8);
        QTest::mouseClick(d->Button(monitortext::kClose), Qt::LeftButton);
    });
    bool shownAfter = false;
    QTimer::singleShot(0, w.get(), [&] {
        QTest::mouseClick(w->Button(text::kMonitor), Qt::LeftButton);
        shownAfter = w->isVisible();
        QTimer::singleShot(20, w.get(), [&] { w->done(7); });
    });
    EXPECT_EQ(w->exec(), 7) << "the window's own loop outlives the monitor";
    press.stop();
    ASSERT_TRUE(monitor.Done());
    EXPECT_TRUE(hiddenWhileMonitoring);
    EXPECT_EQ(serial, "Q6KSIM01") << "the monitor polled the meter of the Connect dialog";
    EXPECT_TRUE(shownAfter);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MainWindow, AlarmTableShowsTheCurrentBankAndEditsInTheCell)
{
    auto w = Open(FirstModelWith(CAP_FOUR_ALARMS));
    CRegisterImage& image = w->Image();
    image.SetWord(85, 1); // bank switching by the front buttons
    image.SetWord(86, 3);
    image.SetWord(CRegisterImage::BankEnableWord(3, CRegisterImage::TripH), 1);
    image.SetLong(CRegisterImage::BankSetpointWord(3, CRegisterImage::TripH), 4200);
    w->FullRefresh();
    Activate(w.get());
    CDataGridView* grid = w->AlarmTable()->Grid();
    const std::int32_t scale = CScalingParameterResolver(image).DisplayScale();
    EXPECT_EQ(grid->CellText(1, 2), "Yes");
    EXPECT_EQ(grid->CellText(2, 2).toStdString(), CScalingParameterResolver::FormatScaled(4200, scale));
    EXPECT_TRUE(w->Button(text::kBank)->isEnabled());
    // The P row has only its delays and coil.
    for (int c = 1; c <= 4; ++c) {
        EXPECT_TRUE(grid->IsHeaderCell(c, 3));
        EXPECT_TRUE(grid->CellText(c, 3).isEmpty());
    }
    EXPECT_FALSE(grid->SetCurrentCell(2, 3));
    ASSERT_TRUE(grid->SetCurrentCell(5, 3));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Left); // columns 1-4 of P are not cells
    EXPECT_EQ(grid->CurrentColumn(), 5);

    // A typed digit opens the edit with just that digit; Down commits and
    // opens the cell below.
    ASSERT_TRUE(grid->SetCurrentCell(2, 1));
    QTest::keyClick(grid, Qt::Key_7);
    CGridCellEditing& editor = w->AlarmTable()->Editing();
    ASSERT_TRUE(editor.Box()->isVisible());
    EXPECT_EQ(editor.Box()->text(), "7");
    QTest::keyClick(editor.Box(), Qt::Key_Down);
    EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(3, CRegisterImage::TripHH)),
              CScalingParameterResolver::ParseScaled("7", -99999999, 99999999, scale, 0));
    EXPECT_EQ(grid->CurrentRow(), 2);
    ASSERT_TRUE(editor.Box()->isVisible());

    // A value out of range keeps the edit open with its text selected.
    editor.Box()->setText("100001");
    QTest::keyClick(editor.Box(), Qt::Key_Return);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(editor.Box()->isVisible());
    EXPECT_EQ(editor.Box()->selectedText(), "100001");
    EXPECT_EQ(image.GetLong(CRegisterImage::BankSetpointWord(3, CRegisterImage::TripH)), 4200);

    // Escape closes the editor, not the window.
    QTest::keyClick(editor.Box(), Qt::Key_Escape);
    EXPECT_FALSE(editor.Box()->isVisible());
    EXPECT_TRUE(w->isVisible());

    // "Bank switching" 0: bank 1 is shown, and "Bank" is off.
    image.SetWord(85, 0);
    w->FullRefresh();
    EXPECT_EQ(grid->CellText(2, 2).toStdString(),
              CScalingParameterResolver::FormatScaled(
                  image.GetLong(CRegisterImage::BankSetpointWord(1, CRegisterImage::TripH)), scale));
    EXPECT_FALSE(w->Button(text::kBank)->isEnabled());
}

TEST_F(MainWindow, AConfigurationFileDroppedOnTheWindowIsOpened)
{
    filetest::TempDir dir;
    CRegisterImage file;
    file.ResetForModel(FirstModelWith(CAP_PTM_INPUT), true);
    file.SetWord(29, 6);
    CConfigFile::Save(file, dir.Path("pot.cfg"));
    filetest::WriteText(dir.Path("notes.txt"), "not a configuration");
    auto w = Open(15);

    auto drop = [&](const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &event);
        QCoreApplication::processEvents(); // opened once the drop is over
        return true;
    };
    EXPECT_FALSE(drop(dir.Path("notes.txt"))); // only configuration files are taken
    EXPECT_EQ(w->Image().Identity().Code(), 15);
    EXPECT_TRUE(drop(dir.Path("pot.cfg")));
    ExpectSameSettings(w->Image(), file);
    EXPECT_EQ(w->InputPage()->Kind(), EInputKind::PTM);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST(WindowProgram, OpensTheFileItIsGivenAndStoresItsModelOnExitAndNeedsADisplay)
{
    TempConfigHome home;
    filetest::TempDir dir;
    CRegisterImage file;
    const int model = FirstModelWith(CAP_RTD_INPUT);
    file.ResetForModel(model, true);
    CConfigFile::Save(file, dir.Path("rtd.cfg"));

    // Started offscreen with a file: it opens it, paints, ends, and the model
    // it ended on is stored.
    const std::string run = std::string("QT_QPA_PLATFORM=offscreen V6UVUV_EXIT_AFTER_FIRST_PAINT=1 ") + Q6K_GUI_PATH +
                            " " + dir.Path("rtd.cfg") + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0);
    CAppSettings stored;
    stored.Load();
    EXPECT_EQ(stored.m_deviceId, model);

    // Without any display it says so instead of failing inside Qt.
    const std::string headless = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") + Q6K_GUI_PATH +
                                 " 2>" + dir.Path("err.txt");
    EXPECT_NE(std::system(headless.c_str()), 0);
    EXPECT_NE(filetest::ReadText(dir.Path("err.txt")).find("v6uvuv-cli"), std::string::npos);
}

TEST_F(MainWindow, DecimalPointCommitsTheWindowFirstAndRefreshesItAfter)
{
    auto w = Open(15);
    Activate(w.get());
    CRegisterImage& image = w->Image();
    image.SetWord(10, 1); // 0000.0
    w->FullRefresh();
    auto* page = dynamic_cast<CInputScalingPage*>(w->InputPage());
    ASSERT_NE(page, nullptr);
    page->DisplaySpan()->setText("250.5"); // not yet in the image

    // In the dialog the user picks 00.000 and presses OK.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CDecimalPointDialog*>(QApplication::activeModalWidget())) {
            qobject_cast<QComboBox*>(d->Control(1043))->setCurrentIndex(3);
            d->accept();
        }
    });
    answer.start(10);
    QPushButton* decimal = nullptr;
    for (QPushButton* b : page->findChildren<QPushButton*>())
        if (b->property("controlId").toInt() == 1013)
            decimal = b;
    ASSERT_NE(decimal, nullptr);
    QTest::mouseClick(decimal, Qt::LeftButton);
    answer.stop();
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    EXPECT_EQ(image.GetWord(10), 3);
    EXPECT_EQ(image.GetLong(8), 2505);               // committed with the old point
    EXPECT_EQ(page->DisplaySpan()->text(), "2.505"); // shown with the new one

    // A value the window cannot take stops the button before its dialog.
    w->BargraphUpper()->setText("x");
    bool opened = false;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CDecimalPointDialog*>(QApplication::activeModalWidget())) {
            opened = true;
            d->reject();
        }
    });
    answer.start(10);
    QTest::mouseClick(decimal, Qt::LeftButton);
    QTest::qWait(30);
    answer.stop();
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(w->focusWidget(), w->BargraphUpper());
    EXPECT_EQ(image.GetWord(10), 3);
}

namespace {
// Chooses `index` in the Language Setting dialog once it is up, and OK.
void AnswerLanguage(QTimer& timer, int index)
{
    QObject::connect(&timer, &QTimer::timeout, [index] {
        if (auto* d = qobject_cast<COptionDialog*>(QApplication::activeModalWidget())) {
            d->findChild<QComboBox*>()->setCurrentIndex(index);
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text() == UiText(uitext::kOk))
                    b->click();
        }
    });
    timer.start(10);
}
} // namespace

TEST_F(MainWindow, AChangeOfLanguageRebuildsTheWindowAroundTheSameImage)
{
    LoadLanguage(0);
    SetLanguageModuleDirectory(Q6K_PROGRAM_DIR); // where the build puts the module
    auto w = Open(FirstModelWith(CAP_TC_INPUT));
    w->Image().SetWord(29, 7);
    w->Image().SetLong(34, 12345);
    const CRegisterImage before = w->Image();

    // The window runs as the program runs it; the user picks Japanese.
    QTimer answer;
    AnswerLanguage(answer, 1);
    QTimer::singleShot(0, [&] { QTest::mouseClick(w->Button(text::kLanguage), Qt::LeftButton); });
    const int result = w->RunModal();
    answer.stop();
    EXPECT_EQ(result, CMyQ6KDlg::kLanguageChanged);
    EXPECT_EQ(LoadedLanguage(), 1);
    EXPECT_EQ(settings.m_displayLanguage, 1);
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();

    // Built again: Japanese captions, the same image and the values on it.
    w->Build();
    EXPECT_EQ(w->Button(text::kUpload)->text(), QString::fromUtf8("アップロード(&U)"));
    EXPECT_TRUE(w->Image() == before);
    EXPECT_EQ(w->InputPage()->Kind(), EInputKind::TC);
    EXPECT_EQ(w->BargraphUpper()->text().toStdString(),
              CScalingParameterResolver::FormatScaled(12345, CScalingParameterResolver(before).DisplayScale()));

    // The language already loaded: the choice is kept, nothing is rebuilt.
    QPushButton* upload = w->Button(text::kUpload);
    w->setResult(0);
    AnswerLanguage(answer, 1);
    w->OnLanguage();
    answer.stop();
    EXPECT_EQ(w->result(), 0);
    EXPECT_EQ(w->Button(text::kUpload), upload);
    EXPECT_EQ(w->Button(text::kUpload)->text(), QString::fromUtf8("アップロード(&U)"));
    LoadLanguage(0);
    SetLanguageModuleDirectory("");
}

TEST_F(MainWindow, AMissingLanguageModuleIsReportedAndTheWindowStaysEnglish)
{
    LoadLanguage(0);
    filetest::TempDir empty;
    SetLanguageModuleDirectory(empty.Path(""));
    auto w = Open(15);
    QTimer answer;
    AnswerLanguage(answer, 1);
    QTimer::singleShot(0, [&] { QTest::mouseClick(w->Button(text::kLanguage), Qt::LeftButton); });
    EXPECT_EQ(w->RunModal(), CMyQ6KDlg::kLanguageChanged);
    answer.stop();
    SetLanguageModuleDirectory("");
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, "Can't load language module");
    EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(LoadedLanguage(), 1); // the choice stands; the texts stay English
    w->Build();
    EXPECT_EQ(w->Button(text::kUpload)->text(), "&Upload");
    LoadLanguage(0);
}

// Tab walks the window as it stands on the screen: the commands and the
// model, the input, the column to its right, the alarms (the input page is
// made last, after every model change).
TEST_F(MainWindow, TabFollowsTheScreenFromTheModelThroughTheInputToTheAlarms)
{
    const int thermocouple = FirstModelWith(CAP_TC_INPUT);
    ASSERT_GE(thermocouple, 0);
    for (int model : {15, thermocouple}) {
        auto w = Open(15);
        Activate(w.get());
        if (model != 15)
            w->ChangeModel(model);
        QStringList regions;
        w->Button(text::kUpload)->setFocus();
        QWidget* first = QApplication::focusWidget();
        ASSERT_EQ(first, w->Button(text::kUpload));
        for (int n = 0; n < 300; ++n) {
            QWidget* at = QApplication::focusWidget();
            ASSERT_NE(at, nullptr);
            if (n > 0 && at == first)
                break;
            QString region;
            for (QWidget* up = at; up && up != w.get(); up = up->parentWidget())
                if (auto* group = qobject_cast<QGroupBox*>(up))
                    region = group->title();
            if (regions.isEmpty() || regions.last() != region)
                regions.append(region);
            QTest::keyClick(at, Qt::Key_Tab);
        }
        QStringList screen = {QString(), UiText(text::kInputGroup), UiText(text::kBargraphGroup),
                              UiText(text::kControlFunctions)};
        // A model without any external interface has nothing there to stop at.
        for (unsigned id : {text::kBcdOutput, text::kEventTrigger, text::kAnalogOut, text::kModbus})
            if (w->Button(id)->isEnabled()) {
                screen.append(UiText(text::kExternalInterface));
                break;
            }
        screen.append(UiText(text::kAlarmGroup));
        EXPECT_EQ(regions.join(" | ").toStdString(), screen.join(" | ").toStdString()) << "model " << model;
    }
}
