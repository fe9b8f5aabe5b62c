#pragma once
// The monitor's trend: the display value of the last minutes as a line, the
// maximum and minimum the meter holds as dashed lines, a value scale on the
// left and the time before the newest sample below. It draws a
// CTrendRecord that its owner fills, and says so when the record is paused.

#include <QWidget>

class CTrendRecord;
class QPainter;

class CTrendView : public QWidget
{
    Q_OBJECT
public:
    explicit CTrendView(const CTrendRecord& record, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Colours of the three series.
    static QColor ValueColor() { return QColor(0, 90, 200); }
    static QColor MaximumColor() { return QColor(200, 40, 40); }
    static QColor MinimumColor() { return QColor(20, 140, 60); }

    // The rectangle the series are drawn in, inside the scales.
    QRect PlotRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct SPlotScale;
    void DrawScales(QPainter& p, const SPlotScale& scale);
    void DrawSeries(QPainter& p, const SPlotScale& scale);
    void DrawPausedNote(QPainter& p, const QRect& plot);
    void DrawLegend(QPainter& p, const QRect& plot);

    const CTrendRecord& m_record;
};
