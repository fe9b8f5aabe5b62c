// The status lamp and the list with full-text tooltips.
#include "ui/editors/LedIndicator.h"
#include "ui/editors/ListCtrlInfoTip.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

TEST(SmallControls, LedPaintsACentredCircleOnButtonFace)
{
    CLedIndicator led;
    EXPECT_EQ(led.Color(), QColor(Qt::black));
    led.resize(60, 20);
    led.SetColor(QColor(0, 200, 0));
    const QImage wide = led.grab().toImage();
    const QColor face = led.palette().color(QPalette::Button);
    EXPECT_EQ(wide.pixelColor(30, 10), QColor(0, 200, 0)); // centre
    EXPECT_EQ(wide.pixelColor(10, 10), face);              // left of the circle (x 20 ... 40)
    EXPECT_EQ(wide.pixelColor(50, 10), face);
    EXPECT_EQ(wide.pixelColor(21, 1), face); // the circle's square corner

    led.resize(20, 60);
    const QImage tall = led.grab().toImage();
    EXPECT_EQ(tall.pixelColor(10, 30), QColor(0, 200, 0));
    EXPECT_EQ(tall.pixelColor(10, 10), face);
    EXPECT_EQ(tall.pixelColor(10, 50), face);
    EXPECT_EQ(CLedIndicator::CircleRect(QSize(60, 20)), QRect(20, 0, 20, 20));
    EXPECT_EQ(CLedIndicator::CircleRect(QSize(20, 61)), QRect(0, 20, 20, 20));
}

TEST(SmallControls, InfoTipFindsTheCellUnderThePointAndAnswersItsTextCut)
{
    CListCtrlInfoTip list;
    list.setRowCount(4);
    list.setColumnCount(3);
    const QString longText = QString(100, QLatin1Char('x')) + "end";
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            list.setItem(r, c, new QTableWidgetItem(QString("r%1c%2").arg(r).arg(c)));
    list.item(2, 1)->setText(longText);
    list.resize(400, 300);
    list.show();
    QApplication::processEvents();

    const QRect cell = list.visualRect(list.model()->index(2, 1));
    EXPECT_EQ(list.ToolTipAt(cell.center()), longText.left(79));
    EXPECT_EQ(list.ToolTipAt(list.visualRect(list.model()->index(0, 0)).center()), "r0c0");

    // Below the last row there is no cell, hence no tooltip.
    const QRect last = list.visualRect(list.model()->index(3, 2));
    EXPECT_TRUE(list.ToolTipAt(QPoint(last.center().x(), last.bottom() + 20)).isEmpty());

    // A character outside the basic plane is never cut in half.
    const QString wide = QString(78, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600") + "b";
    EXPECT_EQ(CListCtrlInfoTip::TipText(wide), QString(78, QLatin1Char('a')));
    EXPECT_EQ(CListCtrlInfoTip::TipText("short"), "short");
}
