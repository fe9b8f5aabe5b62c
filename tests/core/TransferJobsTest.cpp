// Upload and download against the meter simulator.
#include "DistinctImage.h"
#include "SimProcess.h"
#include "TestSupport.h"

#include "app/PrivateException.h"
#include "app/Trace.h"
#include "comm/ModbusInterface.h"
#include "jobs/TransferJobs.h"
#include "model/BlockTable.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace testsupport;

namespace {

CRegisterImage Edited(int code)
{
    return DistinctImage(code, 0x1100, 7);
}

const std::string kWrap = "Communication error. Please check device address, pc communication port setting, cable, "
                          "device power.\r\rError Information:\r";

} // namespace

TEST(TransferJobs, RoundTripsForEveryFamilyAndOptionInBothWordOrders)
{
    // Each input family with its option sets spread over the codes, so that
    // every family and every option set is met at least once.
    const int codes[] = {0, 12, 24, 36, 48, 60, 72, 84, 96, 108, 120, 131, 142, 153, 1, 7, 110};
    for (int code : codes) {
        for (bool swap : {false, true}) {
            std::vector<std::string> args{"--model", std::to_string(code), "--tcp", "0"};
            if (swap)
                args.push_back("--swap");
            SimProcess sim(args);
            CModbusInterface link(SimTcp(sim));
            CRegisterImage sent = Edited(code);
            sent.SetWord(76, swap ? 1 : 0); // keep the meter's word order as it is
            ASSERT_TRUE(RunDownload(link, sent, nullptr)) << code;

            CRegisterImage back;
            CTrace::SetEnabled(true);
            testing::internal::CaptureStderr();
            ASSERT_TRUE(RunUpload(link, back, nullptr)) << code;
            std::string trace = testing::internal::GetCapturedStderr();
            CTrace::SetEnabled(false);

            CRegisterImage expected;
            expected.SetIdentity(sent.Identity());
            std::ostringstream want;
            want << "ReadHoldingRegisters: adrs=7007 size=1\nReadHoldingRegisters: adrs=9601 size=1\n"
                    "ReadHoldingRegisters: adrs=9602 size=1\nReadHoldingRegisters: adrs=9606 size=8\n";
            for (const SRegisterBlock& b : kBlockTable) {
                if (!BlockApplies(b, sent.CapabilityFlags()))
                    continue;
                for (int w = 0; w < RegisterCount(b); ++w)
                    expected.SetWord(b.firstWord + w, sent.GetWord(b.firstWord + w));
                want << "ReadHoldingRegisters: adrs=" << b.reg + 1 << " size=" << RegisterCount(b) << "\n";
            }
            EXPECT_TRUE(back == expected) << "model " << code << (swap ? " swap" : " normal");
            EXPECT_EQ(trace, want.str()) << code; // only the model's rows are read
        }
    }
}

TEST(TransferJobs, ProgressSkipsAbsentRowsAndReaches100OnlyAtTheEnd)
{
    SimProcess sim({"--model", "0", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    std::vector<double> steps;
    CRegisterImage image;
    ASSERT_TRUE(RunUpload(link, image, [&](double p) {
        steps.push_back(p);
        return true;
    }));
    std::size_t applicable = 0, lastRow = 0;
    for (std::size_t i = 0; i < kBlockTable.size(); ++i)
        if (BlockApplies(kBlockTable[i], image.CapabilityFlags())) {
            ++applicable;
            lastRow = i;
        }
    ASSERT_EQ(steps.size(), applicable + 1);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_DOUBLE_EQ(steps[steps.size() - 2], lastRow / 97.0 * 100.0);
    EXPECT_EQ(steps.back(), 100.0);
}

TEST(TransferJobs, AMeterOfAnotherModelOrUnknownIsRefusedWithNothingWritten)
{
    // Another model, and a meter whose identity no model has.
    const std::pair<std::vector<std::string>, std::string> meters[] = {
        {{"--model", "0"}, "The settings of a different device cannot be downloaded."},
        {{"--identity", "9999:1"}, "This device is not supported. (device id=9999, extension id=1)"}};
    for (const auto& [meter, reason] : meters) {
        std::vector<std::string> args = meter;
        args.insert(args.end(), {"--tcp", "0"});
        SimProcess sim(args);
        CModbusInterface link(SimTcp(sim));
        CRegisterImage other = Edited(15);
        CTrace::SetEnabled(true);
        testing::internal::CaptureStderr();
        const std::string failure = FailureOf([&] { RunDownload(link, other, nullptr); });
        const std::string trace = testing::internal::GetCapturedStderr();
        CTrace::SetEnabled(false);
        EXPECT_EQ(failure, kWrap + reason);
        EXPECT_EQ(trace.find("WriteMultipleRegisters"), std::string::npos) << trace;
        link.Open();
        std::uint16_t flag = 7;
        link.ReadHoldingRegisters(900, 1, &flag);
        EXPECT_EQ(flag, 0);
    }
}

TEST(TransferJobs, CancelLeavesTheImageAsItWas)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    CRegisterImage image = Edited(15);
    const CRegisterImage before = image;
    int reports = 0;
    EXPECT_FALSE(RunUpload(link, image, [&](double) { return ++reports < 5; }));
    EXPECT_EQ(reports, 5);
    EXPECT_TRUE(image == before);

    std::atomic<bool> cancel{true};
    EXPECT_FALSE(RunDownload(link, image, nullptr, &cancel));
}

TEST(TransferJobs, LostAnswersAreAbsorbedAndADeadLinkIsReported)
{
    {
        // Lost answers cost a read time-out each; the upload is still whole.
        SimProcess sim({"--model", "44", "--rtu", "--parity", "none", "--drop", "0.1", "--seed", "11"});
        CModbusInterface link(SimRtu(sim));
        CRegisterImage meter;
        meter.ResetForModel(44, true);
        CRegisterImage back;
        CTrace::SetEnabled(true);
        testing::internal::CaptureStderr();
        ASSERT_TRUE(RunUpload(link, back, nullptr));
        const std::string trace = testing::internal::GetCapturedStderr();
        CTrace::SetEnabled(false);
        EXPECT_NE(trace.find("Timeout\n"), std::string::npos); // answers were lost on the way
        for (const SRegisterBlock& b : kBlockTable) {
            if (!BlockApplies(b, meter.CapabilityFlags()))
                continue;
            for (int w = 0; w < RegisterCount(b); ++w)
                EXPECT_EQ(back.GetWord(b.firstWord + w), meter.GetWord(b.firstWord + w)) << "word " << b.firstWord + w;
        }
    }
    {
        SimProcess sim({"--rtu", "--parity", "none", "--drop", "1"});
        CModbusInterface link(SimRtu(sim));
        CRegisterImage image = Edited(15);
        const CRegisterImage before = image;
        EXPECT_EQ(FailureOf([&] { RunUpload(link, image, nullptr); }),
                  kWrap + "Modbus command failed. command=ReadHoldingRegister address=7007 size=1 reason=timeout.");
        EXPECT_TRUE(image == before);
    }
    // A port that cannot be opened reports itself, unwrapped.
    CModbusInterface link(Rs485Settings("/dev/q6k-no-such-port"));
    CRegisterImage image;
    EXPECT_EQ(FailureOf([&] { RunUpload(link, image, nullptr); }),
              "Communication port Test RS-485 port can not be opened.\rNo such file or directory");
}

TEST(TransferJobs, AWorkerThreadStopsWhenCancelledAndAbortedFromAnotherThread)
{
    // Slow answers, so that the cancel meets the worker in the middle of the job.
    SimProcess sim({"--model", "15", "--tcp", "0", "--delay", "100"});
    CModbusInterface link(SimTcp(sim));
    CRegisterImage image;

    // Observes on the worker's thread, as the progress window's observer does
    // before it queues the handling onto its own.
    struct Watch : CObserver
    {
        std::mutex lock;
        std::vector<double> progress;
        std::vector<bool> done;
        void Update(CObservable* o) override
        {
            auto* worker = static_cast<CProgressThread*>(o);
            std::lock_guard g(lock);
            progress.push_back(worker->Progress());
            done.push_back(worker->Done());
        }
        std::size_t Count()
        {
            std::lock_guard g(lock);
            return progress.size();
        }
    } watch;

    CProgressThread worker(CProgressThread::kUpload, link, image);
    worker.Attach(&watch);
    worker.Start();
    for (int i = 0; i < 3000 && watch.Count() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(watch.Count(), 3u);
    // The Cancel button: a request to stop, and the pending exchange given up.
    worker.RequestCancel();
    link.Abort();
    worker.Join();

    EXPECT_TRUE(worker.Done());
    EXPECT_TRUE(worker.CancelRequested());
    EXPECT_FALSE(worker.Completed());
    // Given up on request, not by waiting for a time-out.
    EXPECT_EQ(worker.ErrorText().find("timeout"), std::string::npos) << worker.ErrorText();
    std::lock_guard g(watch.lock);
    ASSERT_FALSE(watch.done.empty());
    EXPECT_TRUE(watch.done.back()); // the last word is "done"
    EXPECT_EQ(std::count(watch.done.begin(), watch.done.end(), true), 1);
    EXPECT_TRUE(std::is_sorted(watch.progress.begin(), watch.progress.end()));
    EXPECT_LT(watch.progress.back(), 100.0);
}
