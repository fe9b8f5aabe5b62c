#pragma once
// A dialog that observes a worker: Notify arrives on the worker's thread,
// and the handling is queued onto the dialog's own thread, in order.

#include "ui/common/ObserverBridge.h"

#include <QDialog>

class CObserverDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CObserverDialog(QWidget* parent = nullptr);

    // What the dialog attaches to the worker it observes.
    CObserver* Observer() { return &m_bridge; }

protected:
    // On the dialog's thread, once per Notify, in the order of the Notifies.
    virtual void OnObserverUpdate(CObservable* observable) = 0;

private:
    CObserverBridge m_bridge;
};
