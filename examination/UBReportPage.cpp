#include "UBReportPage.h"

#include "UBReportPictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

namespace cornix::report {

namespace {

constexpr qreal kSmallestPoints = 5;
constexpr qreal kMemoInsetMm = 1.2;
const QColor kText(0x20, 0x20, 0x20);
const QColor kMemoFrame(0x9a, 0xa5, 0xa8);

QString tr(const char *text) { return QCoreApplication::translate("TfrmReport", text); }

QRectF toDevice(const QRectF &mm, qreal dotsPerMm)
{
    return QRectF(mm.x() * dotsPerMm, mm.y() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
}

QFont reportFont(qreal points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // No ligatures: "fi" stays two letters that a PDF reader finds and copies.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// The label's font, made smaller until the text fits the width (never below 5 pt).
void fitLine(QPainter &painter, const TReportElement &e, const QString &text, const QRectF &rect)
{
    qreal points = e.pointSize;
    painter.setFont(reportFont(points, e.bold));
    const qreal width = painter.fontMetrics().horizontalAdvance(text);
    if (width > rect.width() && width > 0) {
        points = std::max(kSmallestPoints, points * rect.width() / width * 0.98);
        painter.setFont(reportFont(points, e.bold));
    }
}

// The memo's font, made smaller until the wrapped text fits the box.
void fitWrapped(QPainter &painter, const TReportElement &e, const QString &text, const QRectF &rect)
{
    for (qreal points = e.pointSize; points >= kSmallestPoints; points -= 0.5) {
        painter.setFont(reportFont(points, e.bold));
        const QRectF needed = painter.boundingRect(rect, int(e.align) | Qt::TextWordWrap, text);
        if (needed.height() <= rect.height() && needed.width() <= rect.width() + 0.5)
            return;
    }
    painter.setFont(reportFont(kSmallestPoints, e.bold));
}

void paintChartFrame(QPainter &painter, const TReportElement &e, const QRectF &rect, const QString &title)
{
    painter.setPen(QPen(kMemoFrame, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    painter.setPen(kText);
    painter.setFont(reportFont(9, true));
    painter.drawText(rect, int(Qt::AlignHCenter | Qt::AlignTop), title);
    Q_UNUSED(e);
}

} // namespace

QPageLayout TReportPage::PageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
}

void TReportPage::Paint(QPainter &painter, qreal dotsPerMm) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The crops go into a PDF as they are, not as JPEG.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    for (const TReportElement &e : ReportElements()) {
        if (!OnPage(e.rect))
            continue;
        painter.save();
        paintElement(painter, e, toDevice(e.rect, dotsPerMm), dotsPerMm);
        painter.restore();
    }
    painter.restore();
}

void TReportPage::paintElement(QPainter &painter, const TReportElement &e, const QRectF &rect,
                               qreal dotsPerMm) const
{
    const QString text = content.Text(e.name);
    switch (e.kind) {
    case TElementKind::Label:
        painter.setPen(kText);
        fitLine(painter, e, text, rect);
        painter.drawText(rect, int(e.align) | Qt::TextSingleLine, text);
        break;
    case TElementKind::Memo: {
        painter.setPen(QPen(kMemoFrame, 0));
        painter.drawRect(rect);
        const qreal inset = kMemoInsetMm * dotsPerMm;
        const QRectF inner = rect.adjusted(inset, inset * 0.6, -inset, -inset * 0.6);
        painter.setPen(kText);
        fitWrapped(painter, e, text, inner);
        painter.drawText(inner, int(e.align) | Qt::TextWordWrap, text);
        break;
    }
    case TElementKind::Picture:
        PaintPicture(painter, e.name, rect);
        break;
    case TElementKind::Image:
        paintImage(painter, e.name == QLatin1String("qriCropped") ? images.cropped : images.croppedProcessed,
                   dotsPerMm);
        break;
    case TElementKind::Chart:
        if (chartPainter)
            chartPainter(painter, e.name, rect, dotsPerMm);
        else
            paintChartFrame(painter, e, rect, text);
        break;
    }
}

void TReportPage::paintImage(QPainter &painter, const TReportImage &image, qreal dotsPerMm) const
{
    if (!image.IsSet())
        return;
    const QRectF design = image.placement.PictureRect();
    const qreal mm = kMmPerDesignPixel * dotsPerMm;
    const QRectF target(design.x() * mm, ImageRowTopMm() * dotsPerMm + design.y() * mm, design.width() * mm,
                        design.height() * mm);
    // A picture plays back scaled from its own resolution to the device's: undo that,
    // so that the bitmap's pixels map onto the target rectangle.
    const QPaintDevice *device = painter.device();
    const qreal playX = device ? qreal(image.metafile.logicalDpiX()) / device->logicalDpiX() : 1;
    const qreal playY = device ? qreal(image.metafile.logicalDpiY()) / device->logicalDpiY() : 1;
    painter.translate(target.topLeft());
    painter.scale(target.width() / image.bitmapSize.width() * playX,
                  target.height() / image.bitmapSize.height() * playY);
    painter.drawPicture(QPointF(0, 0), image.metafile);
}

bool TReportPage::Print(QPagedPaintDevice &device) const
{
    device.setPageLayout(PageLayout());
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    Paint(painter, device.logicalDpiX() / 25.4);
    return painter.end();
}

QImage TReportPage::Render(int dotsPerInch) const
{
    const qreal dotsPerMm = dotsPerInch / 25.4;
    QImage sheet(qRound(kPageWidthMm * dotsPerMm), qRound(kPageHeightMm * dotsPerMm), QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dotsPerInch / 0.0254);
    sheet.setDotsPerMeterX(dotsPerMeter);
    sheet.setDotsPerMeterY(dotsPerMeter);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.translate(kMarginMm * dotsPerMm, kMarginMm * dotsPerMm);
    Paint(painter, dotsPerMm);
    return sheet;
}

bool TReportPage::WritePdf(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = PdfFolderMessage(QFileInfo(path).absolutePath());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setCreator(QStringLiteral("Cornix"));
        writer.setTitle(ReportCaption() + QStringLiteral(" - ") + content.Text(QStringLiteral("qrlPatientName")));
        if (!Print(writer)) {
            file.cancelWriting();
            if (error)
                *error = PdfWriteMessage(path, file.errorString());
            return false;
        }
    }
    if (!file.commit()) {
        if (error)
            *error = PdfWriteMessage(path, file.errorString());
        return false;
    }
    return true;
}

QString PdfFolderMessage(const QString &folder)
{
    return tr("Não foi possível salvar o PDF na pasta \"%1\": a pasta não existe ou não permite gravação. "
              "Escolha outra pasta.")
        .arg(QDir::toNativeSeparators(folder));
}

QString PdfWriteMessage(const QString &path, const QString &reason)
{
    return tr("Não foi possível salvar o PDF \"%1\" (%2). Nenhum arquivo foi gravado.")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace cornix::report
