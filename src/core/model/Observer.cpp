#include "model/Observer.h"

void CObservable::Attach(CObserver* observer)
{
    if (observer)
        m_observers.push_back(observer);
}

void CObservable::Notify()
{
    // By index and up to the count at entry: an Update that attaches another
    // observer must not invalidate the walk; the newcomer hears the next Notify.
    const std::size_t count = m_observers.size();
    for (std::size_t i = 0; i < count; ++i)
        m_observers[i]->Update(this);
}
