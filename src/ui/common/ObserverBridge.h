#pragma once
// The core's observer in Qt's terms, the one place the two meet: attached to
// a core observable, it emits notified() for every Notify, on whatever thread
// Notify runs. A receiver connected with Qt::QueuedConnection handles each
// on its own thread, in the order of the Notifies, and hears nothing once it
// is gone.
//
//     connect(&m_bridge, &CObserverBridge::notified, this, &CMine::OnNotified, Qt::QueuedConnection);
//     worker.Attach(&m_bridge);

#include "model/Observer.h"

#include <QObject>

class CObserverBridge : public QObject, public CObserver
{
    Q_OBJECT
public:
    using QObject::QObject;

    void Update(CObservable* source) override { emit notified(source); }

signals:
    void notified(CObservable* source);
};
