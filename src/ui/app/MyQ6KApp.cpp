#include "ui/app/MyQ6KApp.h"

#include "app/AppSettings.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "comm/ComSettings.h"
#include "files/SessionRecovery.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/app/OptionDialog.h"
#include "ui/common/ApplicationIcon.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {
constexpr unsigned kNoDisplay = 12880;
constexpr unsigned kUsage = 13200;

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}
} // namespace

bool CMyQ6KApp::HasDisplay()
{
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

int CMyQ6KApp::Run(int argc, char** argv)
{
    // Answered before Qt starts: they need no display (the manual page is
    // made from them at build time).
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--")
            break;
        if (a == "-h" || a == "--help") {
            std::fputs(CStringTable::Get(kUsage).c_str(), stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("v6uvuv %s\n", Q6K_PRODUCT_VERSION);
            return 0;
        }
    }
    if (!HasDisplay()) {
        // Qt would end the process with a message of its own otherwise.
        std::fprintf(stderr, "%s\n", CStringTable::Get(kNoDisplay).c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("V6UVUV"));
    QApplication::setApplicationVersion(QStringLiteral(Q6K_PRODUCT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("v6uvuv"));
    QApplication::setWindowIcon(ApplicationIcon()); // the dialogs too

    CAppSettings settings;
    settings.Load();
    ComSettings{}; // read once now, so that a value not used is told at start-up
    // After QApplication, which sets the locale from the environment.
    LoadLanguageReporting(settings.m_displayLanguage);
    // Told in the language chosen; found later (the Connect dialog's
    // settings), they are told there and then.
    const std::vector<std::string> ignored = CSettingsStore::TakeWarnings();
    if (!ignored.empty()) {
        std::string text;
        for (const std::string& warning : ignored)
            text += (text.empty() ? "" : "\r") + warning;
        ShowMessage(nullptr, QString::fromStdString(text), MessageIcon::Warning);
    }
    // Queued: a warning may come from any thread, and while the store is locked.
    CSettingsStore::SetWarningSink([](const std::string& warning) {
        QMetaObject::invokeMethod(
            qApp, [text = QString::fromStdString(warning)] { ShowMessage(nullptr, text, MessageIcon::Warning); },
            Qt::QueuedConnection);
    });

    CMyQ6KDlg window(settings);
    // Unsaved work survives a crash; what a crashed run kept is offered once
    // the window shows.
    window.SetRecovery(std::make_unique<CSessionRecovery>(), true);
    QStringList arguments = QApplication::arguments().mid(1);
    if (!arguments.isEmpty() && arguments.first() == QStringLiteral("--"))
        arguments.removeFirst(); // a file whose name begins with "-"
    if (!arguments.isEmpty())
        window.OpenFile(arguments.first()); // as Open File would; a bad file is reported

    // For the start-up benchmark: say when the window has been painted, and
    // end.
    if (Set("V6UVUV_EXIT_AFTER_FIRST_PAINT"))
        window.SetFirstPaintHook([] {
            std::fputs("painted\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
        });

    while (window.RunModal() == CMyQ6KDlg::kLanguageChanged) {
    }
    CSettingsStore::SetWarningSink(nullptr);
    // However the window ended (closed, or the session asked the program to
    // quit), the model worked on last is the one to start with next time.
    window.StoreModelCode();

    RunCommand(nullptr, [&settings] { settings.Save(); });
    return 0;
}
