// The progress window uploading from the meter simulator.
#include "SimProcess.h"
#include "TestSupport.h"

#include "comm/ModbusInterface.h"
#include "comm/ModbusTransport.h"
#include "model/BlockTable.h"
#include "ui/common/ErrorReport.h"
#include "ui/jobs/ProgressDialog.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace testsupport;

namespace {

CRegisterImage Marked()
{
    CRegisterImage image;
    image.ResetForModel(3, true);
    image.SetWord(21, 0x7777);
    return image;
}

// Runs `action` on the progress window once it is up.
void WhenShown(int delayMs, std::function<void(CProgressDialog*)> action)
{
    QTimer::singleShot(delayMs, [action] {
        if (auto* d = qobject_cast<CProgressDialog*>(QApplication::activeModalWidget()))
            action(d);
    });
}

} // namespace

TEST(ProgressDialog, UploadsTheWholeMeter)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--delay", "5"});
    CModbusInterface link(SimTcp(sim));
    CRegisterImage image = Marked();
    std::vector<int> shown;
    QString caption;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* d = qobject_cast<CProgressDialog*>(QApplication::activeModalWidget());
        if (!d || !caption.isEmpty())
            return;
        caption = d->windowTitle();
        EXPECT_FALSE(d->QualityText()->isVisible()) << "only on the infrared port";
        // Every value the bar takes, not just those a timer happens to see.
        QObject::connect(d->ProgressBar(), &QProgressBar::valueChanged, [&](int v) { shown.push_back(v); });
    });
    probe.start(5);
    CMessageCapture messages;
    bool done = false;
    EXPECT_TRUE(RunCommand(nullptr, [&] { done = CProgressDialog::RunUpload(nullptr, link, image); }));
    probe.stop();
    ASSERT_TRUE(done);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(image.Identity().Code(), 15);
    CRegisterImage expected;
    expected.ResetForModel(15, true);
    for (const SRegisterBlock& b : kBlockTable) {
        if (!BlockApplies(b, expected.CapabilityFlags()))
            continue;
        for (int w = 0; w < RegisterCount(b); ++w)
            EXPECT_EQ(image.GetWord(b.firstWord + w), expected.GetWord(b.firstWord + w));
    }
    // The bar follows the rows up; it may show 100 for the moment between
    // the job's completion and the window's end.
    ASSERT_GT(shown.size(), 10u);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GT(shown[shown.size() / 2], 0);
    EXPECT_LE(shown.back(), 100);
    EXPECT_EQ(caption, "Processing...");
}

TEST(ProgressDialog, CancelKeepsTheImageAndShowsNothing)
{
    SimProcess sim({"--model", "15", "--tcp", "0", "--delay", "30"});
    CModbusInterface link(SimTcp(sim));
    CRegisterImage image = Marked();
    const CRegisterImage before = image;
    WhenShown(300, [](CProgressDialog* d) { d->CancelButton()->click(); });
    CMessageCapture messages;
    bool done = true;
    EXPECT_TRUE(RunCommand(nullptr, [&] { done = CProgressDialog::RunUpload(nullptr, link, image); }));
    EXPECT_FALSE(done);
    EXPECT_TRUE(image == before);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST(ProgressDialog, ADeadLinkEndsWithTheWrappedMessage)
{
    SimProcess sim({"--rtu", "--parity", "none", "--drop", "1"});
    ComSettings s = Rs485Settings(sim.RtuPath());
    s.Parity = 0;
    CModbusInterface link(s);
    CRegisterImage image = Marked();
    const CRegisterImage before = image;
    CMessageCapture messages;
    EXPECT_FALSE(RunCommand(nullptr, [&] { CProgressDialog::RunUpload(nullptr, link, image); }));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(messages.Messages()[0].text,
              "Communication error. Please check device address, pc communication port setting, cable, device "
              "power.\n\nError Information:\nModbus command failed. command=ReadHoldingRegister address=7007 size=1 "
              "reason=timeout.");
    EXPECT_TRUE(image == before);
}

TEST(ProgressDialog, InfraredShowsTheLinkQuality)
{
    EXPECT_EQ(CProgressDialog::QualityLevel(100), 3);
    EXPECT_EQ(CProgressDialog::QualityLevel(80), 3);
    EXPECT_EQ(CProgressDialog::QualityLevel(79.9), 2);
    EXPECT_EQ(CProgressDialog::QualityLevel(40), 2);
    EXPECT_EQ(CProgressDialog::QualityLevel(0.1), 1);
    EXPECT_EQ(CProgressDialog::QualityLevel(0), 0);

    SimProcess sim({"--model", "15", "--rtu", "--infrared", "--delay", "10"});
    CModbusInterface link(InfraredSettings(sim.RtuPath()));
    CRegisterImage image;
    QString quality;
    bool iconShown = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<CProgressDialog*>(QApplication::activeModalWidget())) {
            if (!d->QualityText()->text().isEmpty())
                quality = d->QualityText()->text();
            iconShown = d->QualityIcon()->isVisible() && !d->QualityIcon()->pixmap().isNull();
        }
    });
    probe.start(50);
    bool done = false;
    CMessageCapture messages;
    RunCommand(nullptr, [&] { done = CProgressDialog::RunUpload(nullptr, link, image); });
    probe.stop();
    EXPECT_TRUE(done);
    EXPECT_EQ(quality, "100.0");
    EXPECT_TRUE(iconShown);
}

namespace {

// A link whose opening hangs and ignores Abort until the test lets it go: a
// fault of the link, which the window must survive and report.
struct SStuck
{
    std::mutex lock;
    std::condition_variable released;
    bool free = false;
    std::atomic<int> interrupts{0};
    void Release()
    {
        std::lock_guard guard(lock);
        free = true;
        released.notify_all();
    }
};

class CStuckTransport : public CModbusTransport
{
public:
    explicit CStuckTransport(std::shared_ptr<SStuck> stuck) : m_stuck(std::move(stuck)) {}
    void Open() override
    {
        std::unique_lock guard(m_stuck->lock);
        m_stuck->released.wait(guard, [this] { return m_stuck->free; });
        throw CCancelled(); // given up, as after an Abort
    }
    void Close() override {}
    bool IsOpen() const override { return false; }
    std::uint16_t SendRequest(const std::vector<std::uint8_t>&) override { return 0; }
    void SetResponseTimeout(unsigned) override {}
    Answer ReceiveResponse(std::vector<std::uint8_t>&, std::size_t) override { return {}; }
    void Interrupt() override { ++m_stuck->interrupts; }
    void ClearInterrupt() override {}
    void SetCancelDescriptor(int) override {}

private:
    std::shared_ptr<SStuck> m_stuck;
};

class CStuckLink : public CModbusInterface
{
public:
    explicit CStuckLink(std::shared_ptr<SStuck> stuck)
        : CModbusInterface(ComSettings{ComSettings::NoLoad{}}), m_stuck(std::move(stuck))
    {}

protected:
    std::unique_ptr<CModbusTransport> CreateTransport() const override
    {
        return std::make_unique<CStuckTransport>(m_stuck);
    }

private:
    std::shared_ptr<SStuck> m_stuck;
};

} // namespace

TEST(ProgressDialog, AWorkerThatDoesNotStopAfterCancelIsReportedAndTheWindowEndsWithIt)
{
    const auto limit = CProgressDialog::StopLimit();
    CProgressDialog::SetStopLimit(std::chrono::milliseconds(200));
    auto stuck = std::make_shared<SStuck>();
    CStuckLink link(stuck);
    CRegisterImage image = Marked();
    const CRegisterImage before = image;
    CMessageCapture messages;
    WhenShown(20, [](CProgressDialog* d) { d->CancelButton()->click(); });
    bool openWhenReported = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (messages.Messages().empty())
            return;
        openWhenReported = qobject_cast<CProgressDialog*>(QApplication::activeModalWidget()) != nullptr;
        stuck->Release();
        probe.stop();
    });
    probe.start(10);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the stuck worker was never reported";
        stuck->Release();
    });
    guard.start(20000);
    bool done = true;
    EXPECT_TRUE(RunCommand(nullptr, [&] { done = CProgressDialog::RunUpload(nullptr, link, image); }));
    CProgressDialog::SetStopLimit(limit);
    EXPECT_FALSE(done) << "cancelled";
    EXPECT_TRUE(image == before);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].icon, MessageIcon::Error);
    EXPECT_TRUE(messages.Messages()[0].text.contains("did not stop")) << messages.Messages()[0].text.toStdString();
    EXPECT_TRUE(openWhenReported) << "the window waits for its worker, it does not leave it running";
    EXPECT_GE(stuck->interrupts.load(), 2) << "Abort is repeated while the worker goes on";
}
