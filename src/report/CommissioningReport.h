#pragma once
// The commissioning report on paper and as PDF: a commissioning record laid
// out as a rich-text document, on pages that each carry the meter's serial
// number and "Page N of M". Qt Gui only, so that the command line can write
// the PDF without the window library; the window prints the same pages
// through a QPrinter.

#include "files/CommissioningRecord.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <string>

class QLocale;
class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

class CCommissioningReport
{
public:
    explicit CCommissioningReport(SCommissioningRecord record);

    const SCommissioningRecord& Record() const { return m_record; }

    // The body as HTML, every text escaped.
    QString Html() const;
    // Lays the report on `device`'s pages at its page size and margins;
    // returns the number of pages. The device must not be painted on yet.
    int Render(QPagedPaintDevice& device) const;
    // Page `page` (from 0) as a picture of the whole sheet at `dpi`.
    QImage PageImage(int page, const QPageLayout& paper, int dpi) const;
    // Writes the report as a PDF on the paper of the user's locale. Raises
    // CPrivateException (17238) when the file cannot be written.
    void WritePdf(const std::string& path) const;

    // Letter where it is the usual paper (the United States, Canada, Mexico
    // and the others of the American letter size), A4 everywhere else.
    static QPageSize::PageSizeId PaperFor(const QLocale& locale);
    // That paper, portrait, with the report's margins.
    static QPageLayout PaperLayout(const QLocale& locale);

private:
    struct SLayout;
    void Lay(SLayout& layout, QPaintDevice* device, QSizeF paper) const;
    void DrawPage(QPainter& painter, SLayout& layout, int page) const;

    QString HeaderHtml() const;
    QString ResultHtml() const;
    QString ParametersHtml() const;

    SCommissioningRecord m_record;
};
