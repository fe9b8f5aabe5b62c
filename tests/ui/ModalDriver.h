#pragma once
// Drives a modal window that a command opens: looks for it every few
// milliseconds while the command's own modal loop runs, and acts on it once.

#include <QApplication>
#include <QTimer>
#include <functional>

template <typename T>
class WhenModal
{
public:
    explicit WhenModal(std::function<void(T*)> action) : m_action(std::move(action))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!window || m_done)
                return;
            m_done = true;
            m_timer.stop();
            m_action(window);
        });
        m_timer.start(5);
    }
    bool Done() const { return m_done; }

private:
    std::function<void(T*)> m_action;
    QTimer m_timer;
    bool m_done = false;
};
