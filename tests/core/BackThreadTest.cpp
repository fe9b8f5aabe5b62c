// The monitor's poller against the simulator and a scripted meter: polls
// back to back with an action of the window's between them, the address of
// the next open, and a stop that gives up a poll waiting for its answer.
#include "SimProcess.h"
#include "TestSupport.h"

#include "comm/ModbusInterface.h"
#include "jobs/BackThread.h"
#include "jobs/TagMaxMin.h"
#include "model/Measurands.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// Stands in for the window: hears each poll on the worker's thread, keeps
// what it shows and posts the next poll until it has seen enough.
class CPollWatcher : public CObserver
{
public:
    CPollWatcher(CBackThread& worker, const CMeasurands& values, int polls)
        : m_worker(worker), m_values(values), m_wanted(polls)
    {}
    void Update(CObservable*) override
    {
        std::lock_guard guard(m_lock);
        m_errors.push_back(m_worker.Error());
        m_tags.push_back(m_values.MeasurandText(CMeasurands::kTag));
        m_serials.push_back(m_values.MeasurandText(CMeasurands::kSerialNumber));
        if (static_cast<int>(m_errors.size()) < m_wanted)
            m_worker.PostCommand(CBackThread::kPoll);
        m_changed.notify_all();
    }
    // Waits until `n` polls were seen.
    void WaitFor(int n)
    {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return static_cast<int>(m_errors.size()) >= n; });
    }
    std::vector<bool> Errors()
    {
        std::lock_guard guard(m_lock);
        return m_errors;
    }
    std::vector<std::string> Tags()
    {
        std::lock_guard guard(m_lock);
        return m_tags;
    }
    std::vector<std::string> Serials()
    {
        std::lock_guard guard(m_lock);
        return m_serials;
    }

private:
    CBackThread& m_worker;
    const CMeasurands& m_values;
    int m_wanted;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<bool> m_errors;
    std::vector<std::string> m_tags, m_serials;
};

} // namespace

TEST(BackThread, PollsBackToBackAndAnActionTakesTheLinkBetweenTwoPolls)
{
    SimProcess sim({"--model", "15", "--tcp", "0"});
    CModbusInterface link(SimTcp(sim));
    CMeasurands values;
    CBackThread worker(link, values);
    CPollWatcher watcher(worker, values, 8);
    values.Attach(&watcher);
    worker.Start();
    worker.PostCommand(CBackThread::kPoll);
    watcher.WaitFor(2);
    {
        // As the Tag button does it: the whole read-edit-write under the lock.
        const auto lock = worker.LockLink();
        // A poll may have been running; the one after it waits for us.
        EXPECT_LE(watcher.Errors().size(), 3u) << "the action waited for more than the poll in progress";
        EXPECT_FALSE(link.IsOpen()) << "a poll closes the link before it lets go of it";
        EXPECT_EQ(ReadTag(link), "SIMULATOR");
        WriteTag(link, "PUMP 7");
    }
    watcher.WaitFor(8);
    worker.Stop();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.LastCommand(), CBackThread::kEnd);

    const auto errors = watcher.Errors();
    ASSERT_EQ(errors.size(), 8u) << "no poll after the watcher stopped posting";
    for (bool e : errors)
        EXPECT_FALSE(e);
    EXPECT_EQ(watcher.Serials().front(), "Q6KSIM01");
    EXPECT_EQ(watcher.Tags().front(), "SIMULATOR");
    EXPECT_EQ(watcher.Tags().back(), "PUMP 7");
    EXPECT_FALSE(link.IsOpen());
}

TEST(BackThread, TheChosenAddressServesTheNextOpenWhoeverMakesIt)
{
    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.Register(9600) = 2001;
    meter.Register(9601) = 3;
    CModbusInterface link(Rs485Settings(pty.SlavePath()));
    CMeasurands values;
    CBackThread worker(link, values);
    CPollWatcher watcher(worker, values, 1);
    values.Attach(&watcher);
    worker.Start();
    worker.PostCommand(CBackThread::kPoll);
    watcher.WaitFor(1);
    const std::size_t firstPoll = meter.Requests().size();

    worker.SetDeviceAddress(7);
    {
        const auto lock = worker.LockLink(); // an action of the window's opens next
        ResetMaxMin(link);
    }
    worker.SetDeviceAddress(12);
    worker.PostCommand(CBackThread::kPoll);
    watcher.WaitFor(2);
    worker.Stop();

    const auto requests = meter.Requests();
    ASSERT_GT(requests.size(), firstPoll + 1);
    for (std::size_t i = 0; i < firstPoll; ++i)
        EXPECT_EQ(requests[i][0], 1) << "request " << i;
    EXPECT_EQ(requests[firstPoll][0], 7) << "the reset";
    EXPECT_EQ(requests[firstPoll][1], 0x10);
    for (std::size_t i = firstPoll + 1; i < requests.size(); ++i)
        EXPECT_EQ(requests[i][0], 12) << "request " << i;
    EXPECT_EQ(link.Settings().Address, 12);
    EXPECT_FALSE(watcher.Errors().back());
}

TEST(BackThread, StopGivesUpAPollThatWaitsForItsAnswer)
{
    PtyPair pty;
    FakeMeter meter(pty.Master());
    meter.SetResponder([](const Bytes&, int) { return Bytes{}; }); // never answers
    CModbusInterface link(Rs485Settings(pty.SlavePath(), 0));      // 1200 bit/s: a long time-out
    const int callerCancel = eventfd(0, EFD_CLOEXEC);
    link.SetCancelDescriptor(callerCancel);
    CMeasurands values;
    CBackThread worker(link, values);
    CPollWatcher watcher(worker, values, 100);
    values.Attach(&watcher);
    worker.Start();
    worker.PostCommand(CBackThread::kPoll);
    while (meter.Requests().empty())
        usleep(1000);
    worker.Stop();

    // Given up, not timed out: no retry was sent, the poll has no failure
    // text of its own, and the window hears nothing of it.
    EXPECT_EQ(meter.Requests().size(), 1u);
    EXPECT_TRUE(worker.Error());
    EXPECT_EQ(worker.ErrorText(), "");
    EXPECT_TRUE(watcher.Errors().empty());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.CancelDescriptor(), callerCancel) << "the caller's own descriptor comes back";
    close(callerCancel);
}
