#pragma once
// A dialog that observes a worker: Notify arrives on the worker's thread,
// and the handling is queued onto the dialog's own thread, in order.

#include "model/Observer.h"

#include <QDialog>

class CObserverDialog : public QDialog, public CObserver
{
    Q_OBJECT
public:
    explicit CObserverDialog(QWidget* parent = nullptr) : QDialog(parent) {}

    // From any thread; never touches the window itself.
    void Update(CObservable* observable) final;

protected:
    // On the dialog's thread, once per Update, in the order of the Updates.
    virtual void OnObserverUpdate(CObservable* observable) = 0;
};
