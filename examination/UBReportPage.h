#pragma once
// The report page drawn with QPainter: one routine for the screen preview, the
// printer (both QPrinter), a PDF file (QPdfWriter) and a picture of the page.
#include "UBReport.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <functional>

namespace cornix::report {

// Draws one chart into a rectangle given in the painter's device pixels; dotsPerMm is
// the device's resolution. The page draws a frame with the chart's title when no
// chart painter is set.
using TChartPainter =
    std::function<void(QPainter &painter, const QString &chart, const QRectF &deviceRect, qreal dotsPerMm)>;

class TReportPage {
public:
    TReportContent content;
    TReportImages images;
    TChartPainter chartPainter;

    // Draws the page with the painter's origin at the top-left corner of the printable
    // area (inside the margins). Elements that lie off the page are not drawn.
    void Paint(QPainter &painter, qreal dotsPerMm) const;
    // Sets the device to A4 portrait with 10 mm margins and draws the page on it
    // (the painter is opened and closed here). False when the device cannot be painted.
    bool Print(QPagedPaintDevice &device) const;
    // The whole sheet (margins included, white) at the given resolution.
    QImage Render(int dotsPerInch) const;
    // Writes the page as a PDF file: to a temporary file in the same folder, renamed
    // over path only once complete. False, with a message for the user in *error,
    // when the file cannot be written; nothing is left behind then.
    bool WritePdf(const QString &path, QString *error) const;

    static QPageLayout PageLayout();

private:
    void paintElement(QPainter &painter, const TReportElement &e, const QRectF &rect, qreal dotsPerMm) const;
    void paintImage(QPainter &painter, const TReportImage &image, qreal dotsPerMm) const;
};

// The message shown when the report's PDF cannot be written in the folder.
QString PdfFolderMessage(const QString &folder);
QString PdfWriteMessage(const QString &path, const QString &reason);

} // namespace cornix::report
