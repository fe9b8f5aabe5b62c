#pragma once
// A round status lamp. The owner chooses the colour and sets it; the lamp
// only paints: the widget's background in the button-face colour and a
// filled circle of the lamp colour, as large as the shorter side, centred.

#include <QColor>
#include <QWidget>

class CLedIndicator : public QWidget
{
    Q_OBJECT
public:
    explicit CLedIndicator(QWidget* parent = nullptr);

    QColor Color() const { return m_color; }
    // Sets the lamp colour and repaints.
    void SetColor(const QColor& color);

    // The circle's square: side min(width, height), centred.
    static QRect CircleRect(const QSize& client);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color{Qt::black};
};
