// A meter that now and then answers a request well after the time-out, while
// the retry sent meanwhile is answered at once: the late answer echoes unit,
// function and byte count like any other, and must never pass for a later
// request's, in an upload or in a comparison with the meter.
#include "DistinctImage.h"
#include "FileTestSupport.h"
#include "SimProcess.h"

#include "comm/ModbusInterface.h"
#include "files/ConfigFile.h"
#include "files/ParameterReport.h"
#include "jobs/TransferJobs.h"
#include "model/BlockTable.h"

#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace testsupport;

namespace {

constexpr int kModel = 15;
// A short time-out lets many faults fit in a test. The meter is later than
// the quiet waits before and after the retry together (three time-outs), and
// sooner than the client waits for an unanswered request's answer.
constexpr unsigned kTimeoutMs = 70;
const std::string kLateMs = "250";
const std::string kEvery = "23";
constexpr int kLanes = 4; // each with its own meter on its own line

class LateAnswers : public ::testing::Test
{
protected:
    filetest::TempDir dir;
    CRegisterImage meterSettings = DistinctImage(kModel, 0x1100, 7);

    void SetUp() override
    {
        meterSettings.SetWord(76, 0); // the meter's word order stays
        CConfigFile::Save(meterSettings, dir.Path("meter.cfg"));
    }

    // Runs `runs` jobs, spread over the lanes.
    void InLanes(int runs, const std::function<void(CModbusInterface&)>& job)
    {
        std::vector<std::thread> lanes;
        for (int lane = 0; lane < kLanes; ++lane)
            lanes.emplace_back([&, lane] {
                SimProcess sim({"--load", dir.Path("meter.cfg"), "--rtu", "--parity", "none", "--wire-timing",
                                "--late-first", kLateMs, "--fault-every", kEvery});
                CModbusInterface link(SimRtu(sim));
                CModbusInterface::SCallPolicy policy;
                policy.timeoutMs = kTimeoutMs;
                link.SetCallPolicy(policy);
                for (int run = lane; run < runs; run += kLanes)
                    EXPECT_EQ(FailureOf([&] { job(link); }), "(no failure)") << "run " << run;
            });
        for (std::thread& t : lanes)
            t.join();
    }
};

// Words that differ from the meter's, by word number.
std::vector<int> WrongWords(const CRegisterImage& got, const CRegisterImage& want)
{
    std::vector<int> wrong;
    for (const SRegisterBlock& b : kBlockTable)
        if (BlockApplies(b, want.CapabilityFlags()))
            for (int w = 0; w < RegisterCount(b); ++w)
                if (got.GetWord(b.firstWord + w) != want.GetWord(b.firstWord + w))
                    wrong.push_back(b.firstWord + w);
    return wrong;
}

} // namespace

TEST_F(LateAnswers, FiftyUploadsAreExact)
{
    InLanes(50, [&](CModbusInterface& link) {
        CRegisterImage image;
        ASSERT_TRUE(RunUpload(link, image, nullptr));
        EXPECT_TRUE(image.Identity() == meterSettings.Identity());
        EXPECT_EQ(WrongWords(image, meterSettings), std::vector<int>{});
    });
}

TEST_F(LateAnswers, FiftyComparisonsWithTheMeterFindNoDifference)
{
    // What report --compare-device does: the file beside what the meter holds.
    const CRegisterImage file = CConfigFile::Read(dir.Path("meter.cfg"));
    InLanes(50, [&](CModbusInterface& link) {
        CRegisterImage meter;
        ASSERT_TRUE(RunUpload(link, meter, nullptr));
        CParameterReport report(file);
        report.SetComparison(meter, "Device");
        EXPECT_EQ(report.MismatchCount(), 0) << report.StatusText();
    });
}
