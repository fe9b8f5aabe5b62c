#include "report/CommissioningReport.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "report/ReportStringIds.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace {

QString Text(unsigned id)
{
    return QString::fromStdString(CStringTable::Get(id));
}

QString Escaped(const std::string& text)
{
    return QString::fromStdString(text).toHtmlEscaped();
}

// One label and value row of a two-column table.
QString Pair(unsigned labelId, const QString& escapedValue)
{
    return QStringLiteral("<tr><td width=\"30%\"><b>%1</b></td><td>%2</td></tr>")
        .arg(Text(labelId).toHtmlEscaped(), escapedValue);
}

QString Table(const QString& rows)
{
    return QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                          "style=\"border-collapse: collapse\">%1</table>")
        .arg(rows);
}

QString Section(unsigned titleId, const QString& rows)
{
    return QStringLiteral("<h3>%1</h3>").arg(Text(titleId).toHtmlEscaped()) + Table(rows);
}

QString ModelText(const SMeterIdentity& meter)
{
    return QString::number(meter.modelCode) + QStringLiteral(" ") + QString::fromStdString(meter.modelDescription);
}

// What each page says of the meter: its serial number, else its model.
QString PageMeterText(const SMeterIdentity& meter)
{
    if (meter.serial.empty())
        return ModelText(meter);
    return QString::fromStdString(LoadMessage(report_ids::kPageSerial, {meter.serial}));
}

} // namespace

CCommissioningReport::CCommissioningReport(SCommissioningRecord record) : m_record(std::move(record)) {}

QString CCommissioningReport::HeaderHtml() const
{
    const SCommissioningRecord& r = m_record;
    QString rows = Pair(report_ids::kProgram, Escaped(r.program)) + Pair(report_ids::kTime, Escaped(r.time)) +
                   Pair(report_ids::kUser, Escaped(r.user)) + Pair(report_ids::kTechnician, Escaped(r.technician));
    if (r.link.empty()) {
        rows += Pair(report_ids::kLink, Text(report_ids::kNoLink).toHtmlEscaped());
    } else {
        rows += Pair(report_ids::kLink, Escaped(r.link));
        rows += Pair(report_ids::kAddress, QString::number(r.address));
    }
    const std::string title = r.workingTitle.empty() ? CStringTable::Get(report_ids::kWindowSettings) : r.workingTitle;
    rows += Pair(report_ids::kSettingsReported, Escaped(title));

    const SMeterIdentity& m = r.meter;
    QString meter = Pair(report_ids::kModel, ModelText(m).toHtmlEscaped());
    if (m.readFromMeter) {
        meter += Pair(report_ids::kSerialNumber, Escaped(m.serial)) +
                 Pair(report_ids::kHardwareVersion, Escaped(m.hardwareVersion)) +
                 Pair(report_ids::kFirmwareVersion, Escaped(m.firmwareVersion)) +
                 Pair(report_ids::kTag, Escaped(m.tag));
    } else {
        meter += Pair(report_ids::kSerialNumber, Text(report_ids::kNotRead).toHtmlEscaped());
    }
    meter += Pair(report_ids::kIdentity,
                  Text(m.readFromMeter ? report_ids::kFromMeter : report_ids::kFromSettings).toHtmlEscaped());
    return QStringLiteral("<h2>%1</h2>").arg(Text(report_ids::kTitle).toHtmlEscaped()) + Table(rows) +
           Section(report_ids::kMeter, meter);
}

QString CCommissioningReport::ResultHtml() const
{
    const SCommissioningRecord& r = m_record;
    QString rows;
    if (r.compared) {
        rows += Pair(report_ids::kComparedWith, Escaped(r.comparedWith));
        const QString status = Escaped(r.status);
        rows += Pair(report_ids::kDifferences, r.mismatches ? QStringLiteral("<b>%1</b>").arg(status) : status);
    } else {
        rows += Pair(report_ids::kComparedWith, Text(report_ids::kNotCompared).toHtmlEscaped());
    }
    if (r.download) {
        rows += Pair(report_ids::kLastDownload, Escaped(r.download->time));
        if (!r.download->file.empty())
            rows += Pair(report_ids::kDownloadedFile, Escaped(r.download->file));
        if (!r.download->backup.empty())
            rows += Pair(report_ids::kBackupKept, Escaped(r.download->backup));
    } else {
        rows += Pair(report_ids::kLastDownload, Text(report_ids::kNoDownload).toHtmlEscaped());
    }
    return Section(report_ids::kResult, rows);
}

QString CCommissioningReport::ParametersHtml() const
{
    const bool compared = m_record.compared;
    const int columns = compared ? 4 : 3;
    QString html = QStringLiteral("<h3>%1</h3><p>%2</p>")
                       .arg(Text(report_ids::kParameters).toHtmlEscaped(), Text(report_ids::kLegend).toHtmlEscaped());
    html +=
        QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\" "
                       "style=\"border-collapse: collapse\"><thead><tr><th width=\"4%\"></th><th>%1</th><th>%2</th>")
            .arg(Text(report_ids::kParameter).toHtmlEscaped(), Text(report_ids::kValue).toHtmlEscaped());
    if (compared)
        html += QStringLiteral("<th>%1</th>").arg(Text(report_ids::kComparedValue).toHtmlEscaped());
    html += QStringLiteral("</tr></thead>");
    for (const SCommissioningRecord::SGroup& group : m_record.groups) {
        html += QStringLiteral("<tr><td colspan=\"%1\" bgcolor=\"#e0e0e0\"><b>%2</b></td></tr>")
                    .arg(columns)
                    .arg(Escaped(group.name));
        for (const SReportRow& row : group.rows) {
            const bool differs = row.status == CParameterEnumerationInterface::COMPARE_DIFFERENT;
            QString mark = differs ? QStringLiteral("≠") : QString();
            if (row.flagged)
                mark += QStringLiteral("!");
            // Bold, not only a colour, so that a black-and-white page shows it.
            const QString open = differs || row.flagged ? QStringLiteral("<b>") : QString();
            const QString close = open.isEmpty() ? QString() : QStringLiteral("</b>");
            html += QStringLiteral("<tr><td align=\"center\">%1%2%3</td>").arg(open, mark, close);
            html += QStringLiteral("<td>%1%2%3</td><td>%1%4%3</td>")
                        .arg(open, Escaped(row.name), close, Escaped(row.value));
            if (compared)
                html += QStringLiteral("<td>%1%2%3</td>").arg(open, Escaped(row.comparisonValue), close);
            html += QStringLiteral("</tr>");
        }
    }
    return html + QStringLiteral("</table>");
}

QString CCommissioningReport::Html() const
{
    return QStringLiteral("<html><body>") + HeaderHtml() + ResultHtml() + ParametersHtml() +
           QStringLiteral("</body></html>");
}

// The body laid out on pages of `paper` (the printable area, in the
// device's pixels), with a band below it for each page's own line.
struct CCommissioningReport::SLayout
{
    QFont font;
    QTextDocument document;
    QSizeF body;
    qreal footer = 0;
};

void CCommissioningReport::Lay(SLayout& layout, QPaintDevice* device, QSizeF paper) const
{
    layout.font = QFont(QStringLiteral("Sans Serif"));
    layout.font.setStyleHint(QFont::SansSerif);
    layout.font.setPointSizeF(9);
    // No ligatures: the PDF's text is searched and copied as it was written.
    layout.font.setStyleStrategy(QFont::PreferNoShaping);
    layout.document.documentLayout()->setPaintDevice(device);
    layout.document.setDefaultFont(layout.font);
    layout.document.setDocumentMargin(0);
    layout.document.setHtml(Html());
    layout.footer = QFontMetricsF(layout.font, device).height() * 2.5;
    layout.body = QSizeF(paper.width(), paper.height() - layout.footer);
    layout.document.setPageSize(layout.body);
}

void CCommissioningReport::DrawPage(QPainter& painter, SLayout& layout, int page) const
{
    const QSizeF body = layout.body;
    const int pages = layout.document.pageCount();
    painter.save();
    const QRectF clip(0, page * body.height(), body.width(), body.height());
    painter.translate(0, -clip.top());
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette.setColor(QPalette::Text, Qt::black);
    layout.document.documentLayout()->draw(&painter, context);
    painter.restore();
    painter.setFont(layout.font);
    painter.setPen(Qt::black);
    const QRectF band(0, body.height(), body.width(), layout.footer);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignBottom, PageMeterText(m_record.meter));
    painter.drawText(band, Qt::AlignRight | Qt::AlignBottom,
                     QString::fromStdString(LoadMessage(report_ids::kPageOf, {page + 1, pages})));
}

int CCommissioningReport::Render(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    SLayout layout;
    Lay(layout, &device, device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    const int pages = layout.document.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        DrawPage(painter, layout, page);
    }
    painter.end();
    return pages;
}

QImage CCommissioningReport::PageImage(int page, const QPageLayout& paper, int dpi) const
{
    QImage image(paper.fullRectPixels(dpi).size(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.translate(paper.paintRectPixels(dpi).topLeft());
    SLayout layout;
    Lay(layout, &image, paper.paintRectPixels(dpi).size());
    if (page >= 0 && page < layout.document.pageCount())
        DrawPage(painter, layout, page);
    return image;
}

QPageLayout CCommissioningReport::PaperLayout(const QLocale& locale)
{
    return QPageLayout(QPageSize(PaperFor(locale)), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

void CCommissioningReport::WritePdf(const std::string& path) const
{
    // Written whole or not at all: an older file of that name stays until
    // the new one is complete.
    QSaveFile file(QString::fromStdString(path));
    auto fail = [&] { throw CPrivateException(LoadMessage(report_ids::kCannotWrite, {path})); };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(PaperLayout(QLocale::system()));
        writer.setTitle(Text(report_ids::kTitle));
        writer.setCreator(QString::fromStdString(m_record.program));
        if (Render(writer) == 0)
            fail();
    }
    if (!file.commit())
        fail();
}

QPageSize::PageSizeId CCommissioningReport::PaperFor(const QLocale& locale)
{
    switch (locale.territory()) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Philippines:
    case QLocale::PuertoRico:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
    case QLocale::CostaRica:
    case QLocale::Panama:
    case QLocale::Guatemala:
    case QLocale::DominicanRepublic:
    case QLocale::ElSalvador: return QPageSize::Letter;
    default: return QPageSize::A4;
    }
}
