// Access keys: every command button carries one, no two controls of a window
// share one in either language, and Alt with the key runs the command.
#include "ModalDriver.h"
#include "TestSupport.h"

#include "app/AppSettings.h"
#include "app/StringTable.h"
#include "comm/ComSettings.h"
#include "comm/ModbusInterface.h"
#include "model/DeviceTable.h"
#include "model/RegisterImage.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/comm/CommDialog.h"
#include "ui/common/AccessKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/dialogs/FrontPanelDialogs.h"
#include "ui/editors/dialogs/InterfaceDialogs.h"
#include "ui/editors/pages/InputPageInterface.h"
#include "ui/files/CompareDialog.h"
#include "ui/jobs/DeviceInformationDialog.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace testsupport;

namespace {

QString TextOf(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

// A push button that runs a command; not OK and Cancel, which Enter and
// Escape answer, nor a button that shows a value (the model), which its
// caption names.
bool IsCommandButton(QWidget* w, QWidget* window)
{
    auto* b = qobject_cast<QPushButton*>(w);
    if (!b || b->text().isEmpty() || !b->isVisibleTo(window))
        return false;
    if (b->text() == UiText(uitext::kOk) || b->text() == UiText(uitext::kCancel))
        return false;
    return b->accessibleName().isEmpty();
}

// Fails on a key that two controls of `window` share, and on a command
// button that has none.
void ExpectOneControlPerKey(QWidget* window, const std::string& what)
{
    std::map<QChar, QString> owners;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString text = TextOf(w);
        const QChar key = AccessKeyOf(text);
        if (IsCommandButton(w, window)) {
            EXPECT_FALSE(key.isNull()) << what << ": " << text.toStdString() << " has no access key";
        }
        if (key.isNull())
            continue;
        const auto [at, added] = owners.emplace(key, text);
        EXPECT_TRUE(added) << what << ": " << at->second.toStdString() << " and " << text.toStdString() << " share Alt+"
                           << QString(key).toStdString();
    }
}

// One model of every input kind: each brings its own page buttons.
std::vector<int> OneModelOfEachInputKind()
{
    std::set<EInputKind> seen;
    std::vector<int> models;
    for (int code = 0; code < kDeviceModelCount; ++code)
        if (seen.insert(InputKindOf(CDeviceType::FromCode(code).CapabilityFlags())).second)
            models.push_back(code);
    return models;
}

class AccessKeys : public ::testing::Test
{
protected:
    TempConfigHome home;
    CMessageCapture messages;
    CAppSettings settings;

    void TearDown() override { CStringTable::UnloadLanguage(); }
    static void LoadJapanese()
    {
        ASSERT_TRUE(CStringTable::LoadLanguageFile(std::string(Q6K_SOURCE_DIR) + "/src/res/strings.ja.txt"));
    }
};

} // namespace

TEST_F(AccessKeys, NoTwoControlsOfAWindowShareAKeyInEitherLanguage)
{
    const std::vector<int> models = OneModelOfEachInputKind();
    ASSERT_GE(models.size(), 4u);
    for (bool japanese : {false, true}) {
        if (japanese)
            LoadJapanese();
        const std::string language = japanese ? "Japanese " : "English ";
        for (int model : models) {
            settings.m_deviceId = model;
            CMyQ6KDlg window(settings);
            window.Build();
            ExpectOneControlPerKey(&window, language + "main window, model " + std::to_string(model));
        }
        CRegisterImage working, other;
        working.ResetForModel(15, true);
        other.ResetForModel(59, true);
        CCompareDialog report(working);
        report.CompareWith(other, QStringLiteral("other.cfg"));
        ExpectOneControlPerKey(&report, language + "report");
        CModbusInterface link(TcpSettings("127.0.0.1", 1));
        CDeviceInformationDialog monitor(link);
        ExpectOneControlPerKey(&monitor, language + "monitor");
        CCommDialog connect;
        ExpectOneControlPerKey(&connect, language + "connect");
        CModbusDialog modbus;
        ExpectOneControlPerKey(&modbus, language + "Modbus dialog");
    }
}

TEST_F(AccessKeys, KeepTheEnglishLetterInJapaneseAndAPlainAmpersand)
{
    EXPECT_EQ(CommandCaption(12850), "&Upload");
    EXPECT_EQ(CommandCaption(12871), "Mod&bus");
    EXPECT_EQ(CommandCaption(12404), "OK"); // Enter answers it: no key
    LoadJapanese();
    EXPECT_EQ(CommandCaption(12850), QString::fromUtf8("アップロード(&U)"));
    EXPECT_EQ(CommandCaption(12871), "Mod&bus"); // the letter stands in the caption
    EXPECT_EQ(AccessKeyOf(QStringLiteral("R&&D")), QChar());
    EXPECT_EQ(AccessKeyOf(QStringLiteral("R&&D &x")), QChar('X'));
}

// The key runs the command as a click does, in both languages: Alt+Y opens
// the Display dialog.
TEST_F(AccessKeys, AltAndTheKeyRunsTheCommand)
{
    for (bool japanese : {false, true}) {
        if (japanese)
            LoadJapanese();
        settings.m_deviceId = 15;
        CMyQ6KDlg window(settings);
        window.Build();
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        WhenModal<CDisplayDialog> display([](CDisplayDialog* d) { d->reject(); });
        QTest::keyClick(window.windowHandle(), Qt::Key_Y, Qt::AltModifier);
        // A key presses the button as a click would, shown pressed briefly.
        EXPECT_TRUE(QTest::qWaitFor([&] { return display.Done(); }, 2000)) << (japanese ? "Japanese" : "English");
        EXPECT_TRUE(messages.Messages().empty());
    }
}
