#include "model/Observer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CRecorder : CObserver
{
    CRecorder(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
    void Update(CObservable* observable) override
    {
        m_log.push_back(m_name);
        m_last = observable;
        for (CObserver* o : m_attachOnUpdate) // grows the list while it is being walked
            observable->Attach(o);
        m_attachOnUpdate.clear();
    }
    std::string m_name;
    std::vector<std::string>& m_log;
    CObservable* m_last = nullptr;
    std::vector<CObserver*> m_attachOnUpdate;
};

} // namespace

TEST(ObserverTest, NotifyCallsObserversInAttachmentOrder)
{
    std::vector<std::string> log;
    CObservable subject;
    subject.Notify(); // nobody attached: nothing happens
    CRecorder b("b", log), a("a", log), late("late", log);
    subject.Attach(&b);
    subject.Attach(&a);
    a.m_attachOnUpdate.assign(64, &late);
    subject.Notify();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a"})); // "late" hears the next Notify
    EXPECT_EQ(a.m_last, &subject);

    log.clear();
    CObservable copy(subject); // a copy starts unobserved
    copy.Notify();
    EXPECT_TRUE(log.empty());
}
