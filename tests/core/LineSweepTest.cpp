// The look for a meter of unknown line settings: the order of the settings,
// the simulator that answers only a client at its own line, and the sweep
// against it.
#include "SimProcess.h"
#include "TestSupport.h"

#include "comm/ModbusInterface.h"
#include "jobs/LineSweep.h"
#include "model/RegisterMap.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

using namespace testsupport;

namespace {

// The simulator's meter: model 15 at 9600 bit/s, even parity, 2 stop bits.
std::vector<std::string> SimAt9600Even2(std::vector<std::string> more)
{
    std::vector<std::string> args = {"--rtu", "--model", "15", "--baud", "9600", "--parity", "even", "--stop", "2"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

const SLineSetting kSimLine{3, 2, 1};

} // namespace

TEST(LineSweep, OrderTriesEverySettingOnceFastestAndFactoryFirst)
{
    const std::vector<SLineSetting> order = SweepOrder();
    std::set<std::tuple<int, int, int>> seen;
    for (const SLineSetting& s : order) {
        EXPECT_TRUE(seen.insert({s.baudrate, s.parity, s.stop}).second) << "twice: " << s.BaudRate();
        EXPECT_TRUE(s.parity >= 0 && s.parity <= 2 && s.stop >= 0 && s.stop <= 1);
    }
    EXPECT_EQ(seen.size(), kBaudRates.size() * 3 * 2);

    const ComSettings factory{ComSettings::NoLoad{}};
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), (SLineSetting{factory.Baudrate, factory.Parity, factory.Stop}));
    EXPECT_EQ(order.front().BaudRate(), 38400u);
    EXPECT_STREQ(order.front().ParityWord(), "odd");
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_LE(order[i].BaudRate(), order[i - 1].BaudRate()) << i; // never slower before faster
        // At each speed the factory parity and stop bit come first.
        if (order[i].baudrate != order[i - 1].baudrate) {
            EXPECT_EQ(order[i].parity, factory.Parity) << i;
            EXPECT_EQ(order[i].stop, factory.Stop) << i;
        }
    }
}

TEST(LineSweep, SimulatorAnswersOnlyAClientAtItsOwnLine)
{
    SimProcess sim(SimAt9600Even2({"--address", "37"}));
    ComSettings s = Rs485Settings(sim.RtuPath());
    s.Address = 37;
    CModbusInterface link(s);
    CModbusInterface::SCallPolicy quick;
    quick.attempts = 1;
    quick.timeoutMs = 150;
    link.SetCallPolicy(quick);
    auto answers = [&](const SLineSetting& line) {
        ComSettings at = s;
        ApplyLineSetting(at, line);
        link.SetSettings(at);
        link.Open();
        std::uint16_t id[2] = {};
        try {
            link.ReadHoldingRegisters(meter_registers::kDeviceId, 2, id);
        } catch (const CLinkFailure& e) {
            link.Close();
            EXPECT_EQ(e.End(), ELinkAttemptEnd::NoAnswer) << e.Text();
            return false;
        }
        link.Close();
        return true;
    };
    // Each of speed, parity and stop bits alone makes the difference.
    EXPECT_FALSE(answers({4, 2, 1}));
    EXPECT_FALSE(answers({3, 1, 1}));
    EXPECT_FALSE(answers({3, 0, 1}));
    EXPECT_FALSE(answers({3, 2, 0}));
    EXPECT_TRUE(answers(kSimLine));
}

TEST(LineSweep, FindsTheMeterAtItsSettingAndStopsThereUnlessAllAreAsked)
{
    SimProcess sim(SimAt9600Even2({"--units", "36,37"}));
    ComSettings s = Rs485Settings(sim.RtuPath());
    s.Address = 5;
    CModbusInterface link(s);
    SSweepOptions options;
    options.from = 35;
    options.to = 38;
    std::vector<SSweepProgress> steps;
    std::vector<SSweepFinding> heard;
    SSweepResult r = SweepLine(
        link, options,
        [&](const SSweepProgress& p) {
            steps.push_back(p);
            return true;
        },
        [&](const SSweepFinding& f) { heard.push_back(f); });
    EXPECT_EQ(r.result, TransferResult::Completed);
    ASSERT_EQ(r.meters.size(), 1u);
    EXPECT_EQ(r.meters[0].meter.address, 36);
    EXPECT_EQ(r.meters[0].meter.identity.Code(), 15);
    EXPECT_EQ(r.meters[0].setting, kSimLine);
    EXPECT_EQ(heard.size(), 1u);
    // Nothing asked after the meter; the progress names the setting tried,
    // and the link is back at its own settings.
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back().address, 36);
    EXPECT_EQ(steps.back().setting, kSimLine);
    EXPECT_EQ(steps.front().settingCount, 36);
    for (std::size_t i = 1; i < steps.size(); ++i)
        EXPECT_GT(steps[i].fraction, steps[i - 1].fraction) << i;
    EXPECT_GT(steps.back().fraction, 0.3);
    EXPECT_LT(steps.back().fraction, 0.6);
    EXPECT_EQ(link.Settings().Baudrate, 5);
    EXPECT_EQ(link.Settings().Parity, 1);
    EXPECT_EQ(link.Settings().Address, 5);

    // With all of them asked, a cancel after the first meter keeps it.
    options.all = true;
    r = SweepLine(
        link, options, [&](const SSweepProgress& p) { return p.address != 37 || !(p.setting == kSimLine); }, nullptr);
    EXPECT_EQ(r.result, TransferResult::Cancelled);
    ASSERT_EQ(r.meters.size(), 1u);
    EXPECT_EQ(r.meters[0].meter.address, 36);
}
