#include "ui/jobs/ObserverDialog.h"

CObserverDialog::CObserverDialog(QWidget* parent) : QDialog(parent)
{
    // Queued even from the dialog's own thread: a Notify never re-enters the
    // dialog. A queued call to a dialog that is gone is dropped.
    connect(&m_bridge, &CObserverBridge::notified, this, &CObserverDialog::OnObserverUpdate, Qt::QueuedConnection);
}
