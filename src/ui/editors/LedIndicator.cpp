#include "ui/editors/LedIndicator.h"

#include <QPainter>

#include <algorithm>

CLedIndicator::CLedIndicator(QWidget* parent) : QWidget(parent) {}

void CLedIndicator::SetColor(const QColor& color)
{
    m_color = color;
    update();
}

QRect CLedIndicator::CircleRect(const QSize& client)
{
    const int d = std::min(client.width(), client.height());
    return QRect((client.width() - d) / 2, (client.height() - d) / 2, d, d);
}

void CLedIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(m_color, Qt::SolidPattern));
    painter.drawEllipse(QRectF(CircleRect(size())));
}
