#pragma once
// The one-page examination report laid out in millimetres: an A4 portrait page with
// 10 mm margins and three bands (page header, detail, page footer), each control a
// named element with its place, its font and, for the fixed ones, its text.
//
// Rectangles are in millimetres from the top-left corner of the printable area (the
// page inside its margins). The image boxes are also given in design pixels (1/96 in),
// the unit in which their pictures are scaled.
#include <QList>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

namespace cornix::report {

inline constexpr qreal kPageWidthMm = 210;
inline constexpr qreal kPageHeightMm = 297;
inline constexpr qreal kMarginMm = 10;
inline constexpr qreal kContentWidthMm = kPageWidthMm - 2 * kMarginMm;   // 190
inline constexpr qreal kContentHeightMm = kPageHeightMm - 2 * kMarginMm; // 277
// A design pixel of the image boxes: 1/96 inch.
inline constexpr qreal kMmPerDesignPixel = 25.4 / 96.0;

enum class TBand { PageHeader, Detail, PageFooter };

enum class TElementKind {
    Label,   // one line of text; shrinks to fit its width
    Memo,    // wrapped text in a frame; shrinks to fit its box
    Picture, // a fixed drawing of the layout (rule line, logo)
    Image,   // a stored bitmap scaled into its box
    Chart,   // one of the three charts
};

struct TReportElement {
    QString name;
    TBand band = TBand::Detail;
    TElementKind kind = TElementKind::Label;
    QRectF rect;            // mm, printable-area coordinates
    qreal pointSize = 9;
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    QString caption;        // the fixed text, translated; empty for filled elements
};

// Every element of the page, bands top to bottom. The print date and time lie beyond
// the right edge of the detail band: they are filled but never appear on the page.
const QList<TReportElement> &ReportElements();
// Null when no element has that name.
const TReportElement *FindElement(const QString &name);
// The band's rectangle, mm in printable-area coordinates.
QRectF BandRect(TBand band);
// True when some part of the rectangle lies on the printable area.
bool OnPage(const QRectF &rectMm);

// The two image boxes at their design size (design pixels) and where they sit in
// the detail band (design pixels from the band's left edge).
inline constexpr QSize kCroppedBox{350, 273};
inline constexpr QSize kCroppedProcessedBox{350, 275};
inline constexpr int kCroppedLeft = 0;
inline constexpr int kCroppedProcessedLeft = 360;
// The top of both boxes, mm in printable-area coordinates.
qreal ImageRowTopMm();

} // namespace cornix::report
