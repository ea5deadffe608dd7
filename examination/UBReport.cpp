#include "UBReport.h"

#include "DateText.h"
#include "Numbers.h"

#include <QCoreApplication>
#include <QPainter>
#include <QRegularExpression>

#include <stdexcept>

namespace cornix::report {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("TfrmReport", text); }

int roundScaled(int length, double scale) { return static_cast<int>(RoundHalfEven(length * scale)); }

TReportImage imageInBox(const QImage &bitmap, QSize box, int designLeft, bool isCropBox)
{
    TReportImage image;
    const std::unique_ptr<QBuffer> stream = BitmapToMetafileStream(bitmap);
    if (!stream || !image.metafile.load(stream.get()))
        throw std::invalid_argument("the bitmap cannot be turned into a metafile");
    image.bitmapSize = bitmap.size();
    image.placement = PlaceImage(box, designLeft, bitmap.size(), isCropBox);
    return image;
}

} // namespace

TReportContent::TReportContent()
{
    for (const TReportElement &e : ReportElements())
        if (e.kind == TElementKind::Label || e.kind == TElementKind::Memo || e.kind == TElementKind::Chart)
            m_texts.insert(e.name, e.caption);
}

QString ReportFixationText(const QString &fixationText)
{
    return fixationText == QLatin1String("0h") ? tr("0 (Central)") : fixationText;
}

QString PrintTimeText(const QDateTime &moment)
{
    return DateToText(moment.date()) + QStringLiteral(" - ") + moment.time().toString(QStringLiteral("hh:mm:ss"));
}

TReportContent FillReport(const TReportFields &f, const QDateTime &printedAt)
{
    TReportContent c;
    const std::pair<const char *, QString> values[] = {
        {"qrlPatientName", f.patientName},
        {"qrlPatientInfo", f.patientInfo},
        {"qrlDoctorName", f.doctor},
        {"qrlExaminationData", f.examinationDate},
        {"qrlEyeValue", f.eye},
        {"qrlFixationValue", ReportFixationText(f.fixation)},
        {"qrlImgsQttyValue", f.imgsQtty},
        {"qrlTotalCellsValue", f.totalCells},
        {"qrlTotalAreaValue", f.totalArea},
        {"qrlDensityValue", f.density},
        {"qrlSDValue", f.sd},
        {"qrlMinSizeValue", f.minSize},
        {"qrlAvgSizeValue", f.avgSize},
        {"qrlMaxSizeValue", f.maxSize},
        {"qrlHexCellsValue", f.hexCells},
        {"qrlCVValue", f.cv},
        {"qrlAvgPaqValue", f.avgPaq},
        {"qrmDiag", f.diagnosis},
        {"qrmOBS", f.observation},
        {"qrl_Print_Time", PrintTimeText(printedAt)},
        {"qrlClinicName", f.clinicName},
        {"qrlClinicAddress", f.clinicAddress},
        {"qrlClinicPhone", f.clinicPhone},
    };
    for (const auto &[name, text] : values)
        c.SetText(QString::fromLatin1(name), text);
    return c;
}

std::unique_ptr<QBuffer> BitmapToMetafileStream(const QImage &bitmap)
{
    if (bitmap.isNull())
        return nullptr;
    QPicture metafile;
    {
        QPainter painter(&metafile);
        painter.drawImage(QPoint(0, 0), bitmap);
    }
    metafile.setBoundingRect(QRect(QPoint(0, 0), bitmap.size()));
    auto stream = std::make_unique<QBuffer>();
    stream->open(QIODevice::ReadWrite);
    if (!metafile.save(stream.get()))
        return nullptr;
    stream->seek(0);
    return stream;
}

QRectF TImagePlacement::PictureRect() const
{
    return QRectF(boxLeft + (box.width() - picture.width()) / 2.0, (box.height() - picture.height()) / 2.0,
                  picture.width(), picture.height());
}

TImagePlacement PlaceImage(QSize box, int designLeft, QSize bitmap, bool isCropBox)
{
    if (bitmap.isEmpty())
        throw std::invalid_argument("an empty bitmap has no scale");
    TImagePlacement p;
    p.box = box;
    p.scale = std::min(double(box.width()) / bitmap.width(), double(box.height()) / bitmap.height());
    p.picture = QSize(roundScaled(bitmap.width(), p.scale), roundScaled(bitmap.height(), p.scale));
    p.boxLeft = isCropBox ? box.width() - p.picture.width() : designLeft;
    return p;
}

TReportImages SetReportImages(const QImage &crop, const QImage &processedCrop)
{
    TReportImages images;
    images.cropped = imageInBox(crop, kCroppedBox, kCroppedLeft, true);
    images.croppedProcessed = imageInBox(processedCrop, kCroppedProcessedBox, kCroppedProcessedLeft, false);
    return images;
}

QString SuggestedPdfFileName(const QString &patientName, const QString &eyeText, const QString &dateText)
{
    // Characters no file system of a clinic's computer accepts in a name, and controls.
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString name = patientName;
    name.replace(forbidden, QStringLiteral(" "));
    name = name.simplified();
    while (name.startsWith(QLatin1Char('.')))
        name = name.mid(1).trimmed();
    name = name.left(120).trimmed();
    if (name.isEmpty())
        name = tr("Exame");
    QStringList parts{name};
    QString eye = eyeText;
    eye.replace(forbidden, QString());
    if (!eye.trimmed().isEmpty())
        parts << eye.trimmed();
    const QDate date = TextToDate(dateText);
    if (date.isValid())
        parts << date.toString(QStringLiteral("yyyy-MM-dd"));
    return parts.join(QStringLiteral(" - ")) + QStringLiteral(".pdf");
}

QString SaveBeforePrintMessage() { return tr("Salve o Exame Antes de Imprimir!"); }

QString ReportErrorMessage()
{
    return tr("Não foi possível gerar o relatório de impressão. Entre em contato com o suporte técnico pelo telefone ")
           + QString::fromLatin1(kSupportPhone);
}

QString ReportCaption() { return tr("Relatório"); }

} // namespace cornix::report
