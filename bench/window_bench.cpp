// The main window's speed, outside the tests:
//   window_bench startup V6UVUV BARE ROUNDS   exec to first paint, both
//       programs started alternately (offscreen), medians and the ratio
//   window_bench refresh ROUNDS               a model change and its full
//       refresh, across models of every input kind (median and slowest)
//   window_bench report ROUNDS                the Parameter Report filled
//       after a comparison (163 rows), with its repaint, against a 60 Hz frame
//   window_bench line PORT ROUNDS             the line window's scan of
//       addresses 1-247 at 38400 bit/s, odd parity (median), and the longest
//       wait of the window's event loop during it
#include "app/AppSettings.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "ui/app/MyQ6KDlg.h"
#include "ui/editors/pages/InputPageInterface.h"
#include "ui/files/CompareDialog.h"
#include "ui/files/CompareList.h"
#include "ui/jobs/LineWindow.h"

#include <QEventLoop>
#include <QStandardItemModel>
#include <QTimer>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// From the exec to the program's word that it has painted its window.
double RunToFirstPaint(const char* program)
{
    int out[2];
    if (pipe(out) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program), nullptr};
    const auto start = Clock::now();
    pid_t pid;
    if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) {
        std::perror(program);
        std::exit(1);
    }
    close(out[1]);
    char c;
    const bool painted = read(out[0], &c, 1) == 1;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (!painted || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", program);
        std::exit(1);
    }
    return ms;
}

int Startup(const char* window, const char* bare, int rounds)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("V6UVUV_EXIT_AFTER_FIRST_PAINT", "1", 1);
    std::vector<double> ours, reference;
    for (int i = 0; i < rounds; ++i) {
        ours.push_back(RunToFirstPaint(window));
        reference.push_back(RunToFirstPaint(bare));
    }
    const double a = Median(ours), b = Median(reference);
    std::printf(
        "Start-up to the first paint, %d rounds (medians): v6uvuv %.1f ms, bare Qt dialog %.1f ms, ratio %.2f\n",
        rounds, a, b, a / b);
    return 0;
}

int Refresh(int argc, char** argv, int rounds)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    CAppSettings settings;
    CMyQ6KDlg window(settings);
    window.Build();
    window.show();
    QApplication::processEvents();
    // A walk that changes the input kind at every step and stays in it at
    // every other, so that pages are replaced and kept alike.
    std::vector<int> codes;
    for (std::uint32_t kind : {CAP_DC_INPUT, CAP_TC_INPUT, CAP_RTD_INPUT, CAP_PTM_INPUT, CAP_AC_INPUT}) {
        int found = 0;
        for (int code = 0; code < kDeviceModelCount && found < 2; ++code)
            if (InputKindOf(CDeviceType::FromCode(code).CapabilityFlags()) == InputKindOf(kind)) {
                codes.push_back(code);
                ++found;
            }
    }
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        for (int code : codes) {
            const auto start = Clock::now();
            window.ChangeModel(code);
            // The layout and the repaint belong to the refresh the user sees.
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    std::printf("Model change with full refresh, layout and repaint, %zu changes over every input kind: median %.2f "
                "ms, slowest %.2f ms\n",
                times.size(), Median(times), *std::max_element(times.begin(), times.end()));
    return 0;
}

int Report(int argc, char** argv, int rounds)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    CRegisterImage working, other;
    working.ResetForModel(15, true);
    other.ResetForModel(15, true);
    other.SetWord(10, 3);
    other.SetLong(8, 12345);
    CCompareDialog report(working);
    report.show();
    QApplication::processEvents();
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        // By turns a comparison that differs and one that matches, so that
        // every fill changes the colours.
        const auto start = Clock::now();
        report.CompareWith(round % 2 ? working : other, QStringLiteral("golden.cfg"));
        QApplication::processEvents();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("Parameter Report filled after a comparison, %d rows, with repaint, %d rounds: median %.2f ms, "
                "slowest %.2f ms (a 60 Hz frame: 16.67 ms)\n",
                report.List()->ParameterCount(), rounds, Median(times), *std::max_element(times.begin(), times.end()));
    return 0;
}

int Line(int argc, char** argv, const char* port, int rounds)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ComSettings link{ComSettings::NoLoad{}};
    link.Mode = kModeRs485;
    link.COMPortName = port;
    CRegisterImage settings;
    settings.ResetForModel(15, true);
    CLineWindow window(settings, link);
    window.show();
    std::vector<double> times;
    double longestStall = 0;
    for (int round = 0; round < rounds; ++round) {
        // A timer at 1 ms: how late its ticks come says how long the window
        // could not answer the user.
        auto last = Clock::now();
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] {
            const auto now = Clock::now();
            longestStall = std::max(longestStall, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
        QEventLoop loop;
        QObject::connect(&window, &CLineWindow::workFinished, &loop, &QEventLoop::quit);
        const auto start = Clock::now();
        beat.start(1);
        window.OnScan();
        loop.exec();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("Line window scan 1-247, %d meter(s) listed, %d rounds: median %.0f ms; longest wait of its event "
                "loop %.1f ms\n",
                window.Model()->rowCount(), rounds, Median(times), longestStall);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "startup")
        return Startup(argv[2], argv[3], std::atoi(argv[4]));
    if (argc == 3 && std::string(argv[1]) == "refresh")
        return Refresh(argc, argv, std::atoi(argv[2]));
    if (argc == 3 && std::string(argv[1]) == "report")
        return Report(argc, argv, std::atoi(argv[2]));
    if (argc == 4 && std::string(argv[1]) == "line")
        return Line(argc, argv, argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: window_bench startup V6UVUV BARE ROUNDS | window_bench refresh ROUNDS | window_bench "
                         "report ROUNDS | window_bench line PORT ROUNDS\n");
    return 2;
}
