// The commissioning report's pages on their own: the paper of the locale,
// texts from a meter or a file kept as text, and a page picture that holds
// the report.
#include "report/CommissioningReport.h"

#include "files/CommissioningRecord.h"

#include <QLocale>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

SCommissioningRecord Sample()
{
    CRegisterImage image;
    image.ResetForModel(15, true);
    SMeterIdentity meter = IdentityOfImage(image);
    meter.readFromMeter = true;
    meter.serial = "S<1>";
    meter.tag = "A&B <b>x</b>";
    SCommissioningRecord record = RecordHeader("<i>T</i>", "tcp 127.0.0.1:1502", 3);
    FillRecord(record, CParameterReport(image), meter, nullptr);
    return record;
}

} // namespace

TEST(CommissioningReport, LetterWhereItIsTheUsualPaperAndA4Elsewhere)
{
    using L = QLocale;
    EXPECT_EQ(CCommissioningReport::PaperFor(L(L::English, L::UnitedStates)), QPageSize::Letter);
    EXPECT_EQ(CCommissioningReport::PaperFor(L(L::French, L::Canada)), QPageSize::Letter);
    EXPECT_EQ(CCommissioningReport::PaperFor(L(L::Spanish, L::Mexico)), QPageSize::Letter);
    EXPECT_EQ(CCommissioningReport::PaperFor(L(L::English, L::UnitedKingdom)), QPageSize::A4);
    EXPECT_EQ(CCommissioningReport::PaperFor(L(L::Japanese, L::Japan)), QPageSize::A4);
    EXPECT_EQ(CCommissioningReport::PaperFor(L(L::German, L::Germany)), QPageSize::A4);
    EXPECT_EQ(CCommissioningReport::PaperFor(L::c()), QPageSize::A4);
}

TEST(CommissioningReport, TextsFromTheMeterAndTheUserStayText)
{
    const CCommissioningReport report(Sample());
    QTextDocument document;
    document.setHtml(report.Html());
    const QString text = document.toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("A&B <b>x</b>"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("S<1>")));
    EXPECT_TRUE(text.contains(QStringLiteral("<i>T</i>")));
    EXPECT_TRUE(text.contains(QStringLiteral("Not compared.")));
    EXPECT_FALSE(text.contains(QStringLiteral("Compared value"))) << "no comparison column";
}

TEST(CommissioningReport, APagePictureIsTheWholeSheetWithTheReportOnIt)
{
    const CCommissioningReport report(Sample());
    const QPageLayout a4 = CCommissioningReport::PaperLayout(QLocale(QLocale::German, QLocale::Germany));
    const QImage page = report.PageImage(0, a4, 60);
    EXPECT_EQ(page.size(), a4.fullRectPixels(60).size());
    int dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            dark += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(dark, 2000) << "text and rules drawn";
    // Nothing in the margin: the report keeps inside the printable area.
    const QRect inside = a4.paintRectPixels(60);
    for (int x = 0; x < page.width(); ++x)
        ASSERT_GT(qGray(page.pixel(x, inside.top() / 2)), 200) << x;
    const QImage beyond = report.PageImage(99, a4, 60);
    EXPECT_EQ(beyond.size(), page.size());
}
