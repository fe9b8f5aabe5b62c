// The Language Setting dialog: its list, the loaded language selected, the
// choice taken only on OK; and the start-up report of a missing module.
#include "ui/app/OptionDialog.h"

#include "app/Language.h"
#include "app/StringTable.h"
#include "ui/common/ErrorReport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class OptionDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { SetLanguageModuleDirectory(Q6K_PROGRAM_DIR); }
    void TearDown() override
    {
        LoadDisplayLanguage(0);
        SetLanguageModuleDirectory("");
        m_dialog.reset();
    }
    void Open(const CAppSettings& settings)
    {
        m_dialog = std::make_unique<COptionDialog>(settings);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    template <typename T>
    T* Get(const char* name)
    {
        T* w = m_dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* List() { return Get<QComboBox>("displayLanguage"); }
    void Choose(int index)
    {
        List()->setFocus();
        for (int n = 0; n < 5 && List()->currentIndex() != index; ++n)
            QTest::keyClick(List(), List()->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_EQ(List()->currentIndex(), index);
    }
    void Click(const char* name) { QTest::mouseClick(Get<QPushButton>(name), Qt::LeftButton); }

    std::unique_ptr<COptionDialog> m_dialog;
};

CAppSettings Settings(int deviceId, int language)
{
    CAppSettings s;
    s.m_deviceId = deviceId;
    s.m_displayLanguage = language;
    return s;
}

} // namespace

TEST_F(OptionDialogTest, ListsTheLanguagesAndSelectsTheLoadedOne)
{
    ASSERT_TRUE(LoadLanguage(0));
    // The stored setting does not decide the selection: the loaded language does.
    Open(Settings(15, 1));
    EXPECT_EQ(m_dialog->windowTitle(), "Language Setting");
    auto* label = Get<QLabel>("displayLanguageLabel");
    EXPECT_EQ(label->text(), "Display language");
    EXPECT_EQ(label->buddy(), List());
    ASSERT_EQ(List()->count(), kLanguageCount);
    EXPECT_EQ(List()->itemText(0), "English");
    EXPECT_EQ(List()->itemText(1), "Japanese");
    EXPECT_EQ(List()->currentIndex(), 0);
    EXPECT_EQ(Get<QPushButton>("okButton")->text(), "OK");
    EXPECT_EQ(Get<QPushButton>("cancelButton")->text(), "Cancel");

    ASSERT_TRUE(LoadLanguage(1));
    Open(Settings(15, 0));
    EXPECT_EQ(List()->currentIndex(), 1);
    EXPECT_EQ(m_dialog->windowTitle(), QString::fromStdString(CStringTable::Get(optiontext::kLanguageSetting)));
    EXPECT_NE(m_dialog->windowTitle(), "Language Setting");
    EXPECT_NE(Get<QPushButton>("cancelButton")->text(), "Cancel");
}

TEST_F(OptionDialogTest, OkTakesTheChoiceAndCancelLeavesTheCopyAlone)
{
    ASSERT_TRUE(LoadLanguage(0));
    Open(Settings(42, -1));
    Choose(1);
    Click("cancelButton");
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_EQ(m_dialog->Settings().m_displayLanguage, -1);

    Open(Settings(42, -1));
    Choose(1);
    Click("okButton");
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog->Settings().m_displayLanguage, 1);
    EXPECT_EQ(m_dialog->Settings().m_deviceId, 42);
    EXPECT_EQ(LoadedLanguage(), 0); // the caller loads it

    // OK on the loaded language stores it, "not chosen" becomes a choice.
    Open(Settings(7, -1));
    Click("okButton");
    EXPECT_EQ(m_dialog->Settings().m_displayLanguage, 0);
}

TEST_F(OptionDialogTest, AModuleThatCannotBeLoadedIsReportedWithTheStopIcon)
{
    CMessageCapture capture;
    EXPECT_TRUE(LoadLanguageReporting(1));
    EXPECT_TRUE(capture.Messages().empty());

    char tmpl[] = "/tmp/q6k-nomodule-XXXXXX";
    const std::string empty = mkdtemp(tmpl);
    SetLanguageModuleDirectory(empty);
    EXPECT_FALSE(LoadLanguageReporting(1));
    std::filesystem::remove_all(empty);
    ASSERT_EQ(capture.Messages().size(), 1u);
    EXPECT_EQ(capture.Messages()[0].text, "Can't load language module");
    EXPECT_EQ(capture.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(LoadedLanguage(), 1);

    // The dialog then offers Japanese as the loaded language, in English.
    Open(Settings(15, 1));
    EXPECT_EQ(List()->currentIndex(), 1);
    EXPECT_EQ(List()->itemText(1), "Japanese");
}

// File dialogs and standard buttons are Qt's: they speak the display language
// too, and only while our own texts do.
TEST_F(OptionDialogTest, QtsOwnTextsFollowTheDisplayLanguage)
{
    auto cancelText = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    CMessageCapture capture;
    ASSERT_TRUE(LoadLanguageReporting(1));
    EXPECT_TRUE(cancelText().contains(QString::fromUtf8("キャンセル"))) << cancelText().toStdString();

    ASSERT_TRUE(LoadLanguageReporting(0));
    EXPECT_EQ(cancelText(), "Cancel");

    char tmpl[] = "/tmp/q6k-nomodule-XXXXXX";
    const std::string empty = mkdtemp(tmpl);
    SetLanguageModuleDirectory(empty);
    EXPECT_FALSE(LoadLanguageReporting(1));
    std::filesystem::remove_all(empty);
    EXPECT_EQ(cancelText(), "Cancel") << "Japanese buttons beside English texts";
}
