#include "ui/editors/ListCtrlInfoTip.h"

#include <QHelpEvent>
#include <QToolTip>

CListCtrlInfoTip::CListCtrlInfoTip(QWidget* parent) : QTableWidget(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

QString CListCtrlInfoTip::TipText(const QString& text)
{
    if (text.size() <= kMaxTipChars)
        return text;
    qsizetype cut = kMaxTipChars;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut);
}

QString CListCtrlInfoTip::ToolTipAt(const QPoint& viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? TipText(index.data(Qt::DisplayRole).toString()) : QString();
}

bool CListCtrlInfoTip::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(indexAt(help->pos())));
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}
