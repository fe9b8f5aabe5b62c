#include "ui/jobs/TrendView.h"

#include "jobs/TrendRecord.h"
#include "ui/common/UiText.h"
#include "ui/jobs/DeviceInformationDialog.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kMinutes = 5;

// Steps of 1, 2 or 5 times a power of ten, about `count` of them over `span`.
double NiceStep(double span, int count)
{
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double unit = raw / power;
    return (unit < 1.5 ? 1 : unit < 3.5 ? 2 : unit < 7.5 ? 5 : 10) * power;
}

int Decimals(double step)
{
    return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
}

} // namespace

CTrendView::CTrendView(const CTrendRecord& record, QWidget* parent) : QWidget(parent), m_record(record)
{
    setObjectName(QStringLiteral("trend"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize CTrendView::sizeHint() const
{
    const int h = fontMetrics().height();
    return QSize(std::max(h * 30, minimumSizeHint().width()), h * 13);
}

QSize CTrendView::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    int legend = PlotRect().left();
    for (unsigned id : {monitortext::kLabelDisplayValue, monitortext::kLabelMaxValue, monitortext::kLabelMinValue})
        legend += 22 + fm.horizontalAdvance(UiText(id)) + 16;
    return QSize(std::max(fm.height() * 16, legend), fm.height() * 8);
}

QRect CTrendView::PlotRect() const
{
    const QFontMetrics fm = fontMetrics();
    const int left = fm.horizontalAdvance(QStringLiteral("-000000.0")) + 8;
    const int bottom = fm.height() * 2 + 6; // time labels and the legend
    return QRect(left, fm.height() / 2 + 2, std::max(width() - left - 8, 10),
                 std::max(height() - bottom - fm.height() / 2 - 2, 10));
}

// Where a sample's time and value land in the plot.
struct CTrendView::SPlotScale
{
    QRect plot;
    double low, high; // the value range, with a margin
    double span, newest;
    double X(double t) const { return plot.right() - (newest - t) / span * plot.width(); }
    double Y(double v) const { return plot.bottom() - (v - low) / (high - low) * plot.height(); }
};

void CTrendView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect plot = PlotRect();
    p.fillRect(rect(), pal.color(QPalette::Window));
    p.fillRect(plot, pal.color(QPalette::Base));

    // A margin above and below, so that a held extreme is not drawn on the frame.
    const auto [lowest, highest] = m_record.Range();
    const double margin = (highest - lowest) * 0.05;
    const SPlotScale scale{plot, lowest - margin, highest + margin, m_record.Span(), m_record.Newest()};

    DrawScales(p, scale);
    DrawSeries(p, scale);
    if (m_record.Paused())
        DrawPausedNote(p, plot);
    DrawLegend(p, plot);
}

void CTrendView::DrawScales(QPainter& p, const SPlotScale& scale)
{
    const QPalette& pal = palette();
    const QFontMetrics fm = fontMetrics();
    const QRect& plot = scale.plot;
    // Value scale.
    QColor gridColor = pal.color(QPalette::Mid);
    gridColor.setAlpha(110);
    const double step = NiceStep(scale.high - scale.low, 4);
    const int decimals = Decimals(step);
    for (double v = std::ceil(scale.low / step) * step; v <= scale.high + step * 1e-6; v += step) {
        const int yy = static_cast<int>(std::lround(scale.Y(v)));
        p.setPen(gridColor);
        p.drawLine(plot.left(), yy, plot.right(), yy);
        p.setPen(pal.color(QPalette::WindowText));
        const QRect label(0, yy - fm.height() / 2, plot.left() - 4, fm.height());
        p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', decimals));
    }
    // Time scale: a line a minute, labelled with the minutes before the newest sample.
    for (int m = 0; m <= kMinutes; ++m) {
        const int xx = static_cast<int>(std::lround(plot.right() - m * 60.0 / scale.span * plot.width()));
        p.setPen(gridColor);
        p.drawLine(xx, plot.top(), xx, plot.bottom());
        p.setPen(pal.color(QPalette::WindowText));
        const QString text = m == 0 ? QStringLiteral("0") : QStringLiteral("-%1:00").arg(m);
        const int w = fm.horizontalAdvance(text);
        p.drawText(std::clamp(xx - w / 2, 0, width() - w), plot.bottom() + 2 + fm.ascent(), text);
    }
    p.setPen(pal.color(QPalette::Dark));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
}

void CTrendView::DrawSeries(QPainter& p, const SPlotScale& scale)
{
    // The three series, each broken where the record paused.
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(scale.plot);
    auto series = [&](double STrendSample::*field, const QColor& color, Qt::PenStyle style, qreal width) {
        QPainterPath path;
        bool first = true;
        for (const STrendSample& s : m_record.Samples()) {
            const QPointF point(scale.X(s.time), scale.Y(s.*field));
            if (s.startsStretch || first)
                path.moveTo(point);
            else
                path.lineTo(point);
            first = false;
        }
        p.setPen(QPen(color, width, style));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    };
    series(&STrendSample::maximum, MaximumColor(), Qt::DashLine, 1.2);
    series(&STrendSample::minimum, MinimumColor(), Qt::DashLine, 1.2);
    series(&STrendSample::value, ValueColor(), Qt::SolidLine, 1.8);
    p.setClipping(false);
}

void CTrendView::DrawPausedNote(QPainter& p, const QRect& plot)
{
    const QString text = UiText(monitortext::kTrendPaused);
    QRect box = fontMetrics().boundingRect(text).adjusted(-6, -3, 6, 3);
    box.moveCenter(plot.center());
    p.setPen(Qt::white);
    p.setBrush(QColor(200, 0, 0, 200));
    p.drawRect(box);
    p.drawText(box, Qt::AlignCenter, text);
}

void CTrendView::DrawLegend(QPainter& p, const QRect& plot)
{
    // Under the time labels.
    const QFontMetrics fm = fontMetrics();
    int lx = plot.left();
    const int ly = plot.bottom() + 4 + fm.height() + fm.height() / 2;
    const struct
    {
        unsigned id;
        QColor color;
        Qt::PenStyle style;
    } legend[] = {
        {monitortext::kLabelDisplayValue, ValueColor(), Qt::SolidLine},
        {monitortext::kLabelMaxValue, MaximumColor(), Qt::DashLine},
        {monitortext::kLabelMinValue, MinimumColor(), Qt::DashLine},
    };
    for (const auto& entry : legend) {
        p.setPen(QPen(entry.color, 2, entry.style));
        p.drawLine(lx, ly, lx + 18, ly);
        p.setPen(palette().color(QPalette::WindowText));
        const QString text = UiText(entry.id);
        p.drawText(lx + 22, ly - fm.height() / 2 + fm.ascent(), text);
        lx += 22 + fm.horizontalAdvance(text) + 16;
    }
}
