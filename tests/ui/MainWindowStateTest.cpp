// Nothing the user meant is lost in the main window: unsaved settings are
// marked and asked about before they go, every committed change can be
// undone and redone, unsaved work survives the program being killed, and
// each command says what it did.
#include "DialogTestSupport.h"
#include "FileTestSupport.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "files/ConfigFile.h"
#include "files/SessionRecovery.h"
#include "model/AlarmSettings.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/ScalingParameterResolver.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/AlarmTable.h"
#include "ui/editors/DataGridView.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace dialogtest;
namespace text = mainwindowtext;

namespace {

constexpr unsigned kReturnTimeCaption = 12758; // Control Setting: automatic return time
constexpr int kReturnTimeWord = 36;
constexpr int kBargraphLowerWord = 32;
constexpr int kBargraphUpperWord = 34;

// A display value as the image holds it.
std::int32_t Stored(const CRegisterImage& image, double value)
{
    return static_cast<std::int32_t>(value * CScalingParameterResolver(image).DisplayScale());
}

int ModelWith(std::uint32_t with)
{
    for (int code = 0; code < kDeviceModelCount; ++code)
        if ((CDeviceType::FromCode(code).CapabilityFlags() & with) == with)
            return code;
    return 0;
}

std::unique_ptr<CMyQ6KDlg> OpenWindow(CAppSettings& settings, int model)
{
    settings.m_deviceId = model;
    auto window = std::make_unique<CMyQ6KDlg>(settings);
    window->Build();
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get())); // keys and shortcuts need it
    return window;
}

// Clicks a button of the window that opens a setting dialog; `act` ends it.
void ClickAndAnswer(CMyQ6KDlg& window, unsigned captionId, const std::function<void(CSettingDialog*)>& act)
{
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<CSettingDialog*>(QApplication::activeModalWidget())) {
            opened = true;
            act(dialog);
        }
    });
    QTest::mouseClick(window.Button(captionId), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(opened);
}

void PressOk(CSettingDialog* dialog)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == UiText(uitext::kOk))
            return QTest::mouseClick(b, Qt::LeftButton);
    ADD_FAILURE() << "no OK button";
}

QToolButton* ToolButton(CMyQ6KDlg& window, unsigned captionId)
{
    for (QToolButton* b : window.findChildren<QToolButton*>())
        if (b->text() == UiText(captionId))
            return b;
    return nullptr;
}

// Types into a field and leaves it, as Tab does.
void TypeAndLeave(QLineEdit* edit, const QString& value)
{
    Type(edit, value);
    emit edit->editingFinished();
}

class MainWindowState : public ::testing::Test
{
protected:
    testsupport::TempConfigHome home;
    CMessageCapture messages;
    CAppSettings settings;
};

} // namespace

TEST_F(MainWindowState, UndoAndRedoStepAcrossADialogsOkAndAModelChange)
{
    auto w = OpenWindow(settings, 15);
    const CRegisterImage factory = w->Image();
    EXPECT_FALSE(ToolButton(*w, text::kUndo)->isEnabled());

    ClickAndAnswer(*w, text::kControl, [](CSettingDialog* d) {
        Type(Named<QLineEdit>(d, UiText(kReturnTimeCaption)), "45");
        PressOk(d);
    });
    ASSERT_EQ(w->Image().GetWord(kReturnTimeWord), 45);
    EXPECT_TRUE(w->isWindowModified());
    EXPECT_EQ(w->UndoStack()->undoText(), UiText(text::kControl));

    // The model menu asks first: Cancel keeps everything, Discard goes on.
    const int thermocouple = ModelWith(CAP_TC_INPUT);
    QAction* item = nullptr;
    for (QAction* a : w->BuildModelMenu()->findChildren<QAction*>())
        if (a->data().isValid() && a->data().toInt() == thermocouple)
            item = a;
    ASSERT_NE(item, nullptr);
    item->trigger();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(w->Image().Identity().Code(), 15);
    messages.SetChoice(1);
    w->BuildModelMenu();
    for (QAction* a : w->ModelMenu()->findChildren<QAction*>())
        if (a->data().isValid() && a->data().toInt() == thermocouple)
            a->trigger();
    ASSERT_EQ(w->Image().Identity().Code(), thermocouple);
    const CRegisterImage afterModel = w->Image();

    // Undo by mouse, then by key: back through the model change and the
    // dialog, each shown at once.
    QTest::mouseClick(ToolButton(*w, text::kUndo), Qt::LeftButton);
    EXPECT_EQ(w->Image().Identity().Code(), 15);
    EXPECT_EQ(w->Image().GetWord(kReturnTimeWord), 45);
    EXPECT_EQ(w->ModelButton()->text().trimmed().toStdString(), CDeviceType::FromCode(15).ModelDescription());
    EXPECT_TRUE(w->StatusText().startsWith(QStringLiteral("Undone: Model")));
    // The offscreen platform does not give the window back its activation
    // when a dialog closes, as a desktop does.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(w->Image() == factory);
    EXPECT_FALSE(w->isWindowModified()); // as it was opened
    EXPECT_FALSE(ToolButton(*w, text::kUndo)->isEnabled());

    // Redo with both keys a technician knows.
    QTest::keyClick(w->windowHandle(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(w->Image().GetWord(kReturnTimeWord), 45);
    EXPECT_EQ(w->Image().Identity().Code(), 15);
    QTest::keyClick(w->windowHandle(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(w->Image() == afterModel);
    EXPECT_FALSE(ToolButton(*w, text::kRedo)->isEnabled());

    // Ctrl+Z in a field undoes its own typing; a field with nothing of its
    // own to undo hands the key to the window.
    w->Undo();
    w->BargraphUpper()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), w->BargraphUpper());
    QTest::keyClick(w->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(w->Image() == factory);
    QTest::keyClick(w->windowHandle(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClicks(w->BargraphUpper(), "7");
    QTest::keyClick(w->windowHandle(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(w->BargraphUpper()->text().endsWith('7'));
    EXPECT_EQ(w->Image().GetWord(kReturnTimeWord), 45);

    // A value still open in a cell (the Undo button takes no focus) is the
    // step Undo takes back first, and Redo brings it back.
    {
        const CRegisterImage beforeCell = w->Image();
        CDataGridView* grid = w->AlarmTable()->Grid();
        ASSERT_TRUE(grid->SetCurrentCell(2, 1)); // HH setpoint
        grid->setFocus();
        QTest::keyClicks(grid, "3");
        ASSERT_TRUE(w->AlarmTable()->Editing().IsEditing());
        QTest::mouseClick(ToolButton(*w, text::kUndo), Qt::LeftButton);
        EXPECT_FALSE(w->AlarmTable()->Editing().IsEditing());
        EXPECT_TRUE(w->Image() == beforeCell);
        EXPECT_EQ(w->UndoStack()->redoText(), "Setpoint HH");
        w->Redo();
        EXPECT_EQ(CAlarmSettingsInterface(w->Image()).GetSetpoint(CRegisterImage::TripHH), Stored(w->Image(), 3));
        w->Undo();
    }

    // A new change after an undo drops what could be redone.
    w->Undo();
    TypeAndLeave(w->BargraphLower(), "1.5");
    EXPECT_FALSE(w->UndoStack()->canRedo());
    EXPECT_EQ(w->Image().GetLong(kBargraphLowerWord), Stored(w->Image(), 1.5));
    EXPECT_EQ(w->UndoStack()->undoText(), UiText(text::kLowerLimit));
}

TEST_F(MainWindowState, ClosingWithUnsavedSettingsAsksSaveDiscardOrCancel)
{
    filetest::TempDir dir;
    const QString path = QString::fromStdString(dir.Path("kept.cfg"));
    auto w = OpenWindow(settings, 15);
    w->SetFileNameAsker([&](QWidget*, CMyQ6KDlg::EFileDialog) { return path; });

    // Closing an untouched window asks nothing.
    {
        auto other = OpenWindow(settings, 15);
        EXPECT_TRUE(other->close());
        EXPECT_TRUE(messages.Messages().empty());
    }

    TypeAndLeave(w->BargraphLower(), "1.5");
    EXPECT_TRUE(w->isWindowModified());

    // Cancel (or closing the question): the window and the value stay.
    EXPECT_FALSE(w->close());
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, UiMessage(CStringTable::Get(text::kSaveChanges)));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->BargraphLower()->text(), "1.5");

    // A value typed but not valid is unsaved work too; Save names it and
    // the window stays.
    Type(w->BargraphUpper(), "12x");
    messages.Clear();
    messages.SetChoice(0);
    EXPECT_FALSE(w->close());
    ASSERT_EQ(messages.Messages().size(), 2u);
    EXPECT_EQ(messages.Messages()[1].icon, MessageIcon::Stop);
    EXPECT_FALSE(std::filesystem::exists(path.toStdString()));
    EXPECT_TRUE(w->isVisible());

    // Save, then close.
    Type(w->BargraphUpper(), "5");
    messages.Clear();
    EXPECT_TRUE(w->close());
    const CRegisterImage saved = CConfigFile::Read(path.toStdString());
    EXPECT_EQ(saved.GetLong(kBargraphLowerWord), Stored(saved, 1.5));
    EXPECT_EQ(saved.GetLong(kBargraphUpperWord), Stored(saved, 5));
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(w->StatusText(), QStringLiteral("Saved to ") + path);

    // Discard closes and writes nothing.
    auto third = OpenWindow(settings, 15);
    TypeAndLeave(third->BargraphLower(), "2");
    EXPECT_TRUE(third->isWindowModified());
    messages.SetChoice(1);
    EXPECT_TRUE(third->close());
    EXPECT_EQ(CConfigFile::Read(path.toStdString()).GetLong(kBargraphLowerWord), Stored(saved, 1.5));
}

TEST_F(MainWindowState, AValueBeingTypedSurvivesTheWindowBeingBuiltAnewInAnotherLanguage)
{
    auto w = OpenWindow(settings, 15);
    Type(w->BargraphLower(), "1.5"); // focused, not left
    Type(w->InputPage()->findChildren<QLineEdit*>().front(), "1.25");
    bool asked = false;
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            d->reject(); // the same language: nothing to rebuild
        }
    });
    QTest::mouseClick(w->Button(text::kLanguage), Qt::LeftButton);
    EXPECT_TRUE(asked);
    EXPECT_EQ(w->Image().GetLong(kBargraphLowerWord), Stored(w->Image(), 1.5));
    // A rebuild deletes the field that has the focus and an edit in it.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->BargraphLower()->setFocus();
    Type(w->BargraphLower(), "2");
    w->Build();
    EXPECT_EQ(w->BargraphLower()->text(), "1.5000") << "the image as it was taken";
}

TEST_F(MainWindowState, UploadOpenAndSaveSayWhatTheyDidAndSetWhatCountsAsSaved)
{
    filetest::TempDir dir;
    SimProcess sim({"--model", "40", "--tcp", "0"});
    SimTcp(sim).Save();
    auto w = OpenWindow(settings, 15);
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CCommDialog*>(QApplication::activeModalWidget()))
            QTest::mouseClick(d->findChild<QPushButton*>("connectButton"), Qt::LeftButton);
    });
    press.start(10);
    QTest::mouseClick(w->Button(text::kUpload), Qt::LeftButton);
    press.stop();
    ASSERT_TRUE(messages.Messages().empty()) << messages.Messages()[0].text.toStdString();
    const QString model =
        QStringLiteral("model 40 ") + QString::fromStdString(CDeviceType::FromCode(40).ModelDescription());
    EXPECT_TRUE(w->StatusText().startsWith(QStringLiteral("Uploaded ") + model +
                                           QStringLiteral(" (serial Q6KSIM01) from address 1 in ")))
        << w->StatusText().toStdString();
    EXPECT_FALSE(w->isWindowModified()); // what the meter holds
    EXPECT_EQ(w->UndoStack()->undoText(), UiText(text::kUpload));

    const QString path = QString::fromStdString(dir.Path("a.cfg"));
    w->SetFileNameAsker([&](QWidget*, CMyQ6KDlg::EFileDialog) { return path; });
    w->ChangeModel(15);
    EXPECT_TRUE(w->isWindowModified());
    QTest::mouseClick(w->Button(text::kSaveFile), Qt::LeftButton);
    EXPECT_FALSE(w->isWindowModified());
    w->ChangeModel(40);
    messages.SetChoice(1);
    QTest::mouseClick(w->Button(text::kOpenFile), Qt::LeftButton);
    EXPECT_EQ(w->Image().Identity().Code(), 15);
    EXPECT_EQ(w->StatusText(), QStringLiteral("Opened ") + path + QStringLiteral(": model 15 ") +
                                   QString::fromStdString(CDeviceType::FromCode(15).ModelDescription()));
}

// The child half of the recovery test: a real window in a process of its
// own, edited and then killed.
TEST(MainWindowRecoveryChild, EditAndDie)
{
    const char* folder = std::getenv("Q6K_RECOVERY_CHILD");
    if (!folder)
        GTEST_SKIP() << "run by MainWindowState.UnsavedWorkIsOfferedBackAfterTheProgramWasKilled";
    CMessageCapture messages;
    CAppSettings settings;
    auto w = OpenWindow(settings, 15);
    w->SetRecovery(std::make_unique<CSessionRecovery>(folder), false);
    w->ChangeModel(ModelWith(CAP_TC_INPUT));
    TypeAndLeave(w->BargraphLower(), "-12.5");
    CConfigFile::Save(w->Image(), std::string(folder) + "/expected.cfg");
    std::raise(SIGKILL);
}

TEST_F(MainWindowState, UnsavedWorkIsOfferedBackAfterTheProgramWasKilled)
{
    filetest::TempDir dir;
    const std::string folder = dir.Path("state");
    auto runChild = [&] {
        std::vector<std::string> env{"Q6K_RECOVERY_CHILD=" + folder, "QT_QPA_PLATFORM=offscreen",
                                     "XDG_CONFIG_HOME=" + dir.Path("config")};
        for (char** e = environ; *e; ++e)
            if (std::string_view(*e).rfind("Q6K_RECOVERY_CHILD=", 0) != 0)
                env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
        std::string filter = "--gtest_filter=MainWindowRecoveryChild.EditAndDie";
        char* argv[] = {exe.data(), filter.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child ended otherwise: " << status;
    };
    auto sessionFiles = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            n += e.path().filename().string().rfind("session-", 0) == 0;
        return n;
    };

    runChild();
    const CRegisterImage expected = CConfigFile::Read(folder + "/expected.cfg");
    {
        auto w = OpenWindow(settings, 15);
        w->SetRecovery(std::make_unique<CSessionRecovery>(folder), true);
        messages.SetChoice(0); // Restore
        w->OfferRecovery();
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_TRUE(w->Image() == expected);
        EXPECT_TRUE(w->isWindowModified()); // still not saved anywhere
        EXPECT_EQ(w->UndoStack()->undoText(), UiText(text::kRestore));
        EXPECT_EQ(sessionFiles(), 2); // this run's own, holding the restored work
        messages.SetChoice(1);
    } // closed normally: nothing stays
    EXPECT_EQ(sessionFiles(), 0);

    // Discard drops the kept work for good.
    runChild();
    {
        auto w = OpenWindow(settings, 15);
        const CRegisterImage before = w->Image();
        w->SetRecovery(std::make_unique<CSessionRecovery>(folder), true);
        messages.Clear();
        messages.SetChoice(1);
        w->OfferRecovery();
        EXPECT_TRUE(w->Image() == before);
        EXPECT_EQ(sessionFiles(), 1); // only this run's lock
    }
    EXPECT_EQ(sessionFiles(), 0);
}
