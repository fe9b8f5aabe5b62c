#pragma once
// The observer mechanism that tells views a model object changed. Notify
// calls Update synchronously on the calling thread; a window observing a
// worker must only queue the handling onto its own thread.

#include <vector>

class CObservable;

class CObserver
{
public:
    virtual ~CObserver() = default;
    // Called by Notify of an observable this observer is attached to.
    virtual void Update(CObservable* observable) = 0;
};

class CObservable
{
public:
    CObservable() = default;
    // Observers watch an object, not its value: a copy starts unobserved and
    // an assignment keeps the target's own observers.
    CObservable(const CObservable&) {}
    CObservable& operator=(const CObservable&) { return *this; }
    virtual ~CObservable() = default;

    // Appends `observer` (not owned). There is no detach: views attach once
    // and die with their window, together with what they observe.
    void Attach(CObserver* observer);
    // Calls Update(this) on every observer in attachment order.
    void Notify();

private:
    std::vector<CObserver*> m_observers;
};
