#include "ui/editors/ListCtrlInfoTip.h"

#include <QHelpEvent>
#include <QToolTip>

CListCtrlInfoTip::CListCtrlInfoTip(QWidget* parent) : QTableWidget(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

int CListCtrlInfoTip::ToolId(int item, int subItem)
{
    if (item < 0 || subItem < 0)
        return 0;
    return item * 1024 + (subItem % 1024) + 1;
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

int CListCtrlInfoTip::ToolHitTest(const QPoint& viewportPos, QRect* toolRect) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid())
        return 0;
    if (toolRect)
        *toolRect = visualRect(index);
    return ToolId(index.row(), index.column());
}

QString CListCtrlInfoTip::ToolText(int id) const
{
    if (id <= 0)
        return {};
    const QTableWidgetItem* cell = item(ItemOfToolId(id), SubItemOfToolId(id));
    return cell ? TipText(cell->text()) : QString();
}

bool CListCtrlInfoTip::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QRect toolRect;
        const int id = ToolHitTest(help->pos(), &toolRect);
        const QString text = ToolText(id);
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, viewport(), toolRect);
        }
        return true;
    }
    return QTableWidget::viewportEvent(event);
}
