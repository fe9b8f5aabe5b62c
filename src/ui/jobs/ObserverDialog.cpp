#include "ui/jobs/ObserverDialog.h"

#include <QMetaObject>

void CObserverDialog::Update(CObservable* observable)
{
    // With the dialog as context a queued call is dropped if the dialog is
    // gone; queued calls to one object run in the order they were queued.
    QMetaObject::invokeMethod(
        this, [this, observable] { OnObserverUpdate(observable); }, Qt::QueuedConnection);
}
