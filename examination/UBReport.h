#pragma once
// What the examination report shows, without a window: the texts of every element
// (FillReport), the two stored crops scaled into their boxes (SetReportImages), the
// metafile form of a bitmap, the messages of printing and the PDF file's name.
#include "UBReportLayout.h"

#include <QBuffer>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QPicture>
#include <QString>

#include <memory>

namespace cornix::report {

// FillReport's texts, in its order: the patient, the averaged figures as the results
// page shows them, the examination, the clinic, the doctor's report and the doctor.
// The summary itself goes to the charts.
struct TReportFields {
    QString patientName;
    QString patientInfo;     // "Prontuário : … - Dt. Nasc. : … - … anos"
    QString avgPaq;          // the results page's lblAvgPaqValue
    QString examinationDate; // DateText + " - " + TimeText
    QString clinicPhone;     // "Tel.: " + the clinic's telephone
    QString clinicAddress;
    QString clinicName;
    QString observation;
    QString diagnosis;
    QString cv, hexCells, maxSize, avgSize, minSize, sd, density, totalArea, totalCells;
    QString doctor;          // "Resp.: " + name + " - CRM: " + CRM
    QString fixation;        // "2h (N)", "6h", "0h"
    QString imgsQtty;
    QString eye;             // "OD" / "OS"
};

// The texts of the page by element name: the fixed captions of the layout and the
// filled values.
class TReportContent {
public:
    TReportContent();
    QString Text(const QString &element) const { return m_texts.value(element); }
    void SetText(const QString &element, const QString &text) { m_texts.insert(element, text); }
    const QHash<QString, QString> &Texts() const { return m_texts; }

private:
    QHash<QString, QString> m_texts;
};

// The report's form of the fixation: "0h" (the central target) reads "0 (Central)";
// every other text stays as it is.
QString ReportFixationText(const QString &fixationText);
// "dd/mm/yyyy - hh:mm:ss" of the moment given.
QString PrintTimeText(const QDateTime &moment);
// FillReport: every label and memo of the page from the fields, with the print time.
TReportContent FillReport(const TReportFields &fields, const QDateTime &printedAt = QDateTime::currentDateTime());

// A bitmap drawn at (0, 0) into a metafile (a QPicture) of the bitmap's width and
// height, saved in a memory stream positioned at 0 and open for reading. Null for a
// null bitmap.
std::unique_ptr<QBuffer> BitmapToMetafileStream(const QImage &bitmap);

// Where SetReportImages puts a picture, in design pixels: the box at its design size
// (its left edge relative to the detail band) and the picture's size inside it,
// centred in the box.
struct TImagePlacement {
    int boxLeft = 0;
    QSize box;
    QSize picture;
    double scale = 0;
    // The picture's rectangle in design pixels relative to the band's left and the box's top.
    QRectF PictureRect() const;
};
// Scale = min(W / width, H / height), the picture's size = the bitmap's size × scale,
// rounded (ties to even); for the crop box, the box's left becomes W − the scaled
// width, so that the crop sits against the processed crop. Throws std::invalid_argument
// for an empty bitmap.
TImagePlacement PlaceImage(QSize box, int designLeft, QSize bitmap, bool isCropBox);

// One picture of the page: the metafile loaded from its stream and its placement.
struct TReportImage {
    QPicture metafile;
    QSize bitmapSize;
    TImagePlacement placement;
    bool IsSet() const { return !bitmapSize.isEmpty(); }
};
struct TReportImages {
    TReportImage cropped;          // qriCropped
    TReportImage croppedProcessed; // qriCroppedProcessed
};
// SetReportImages: both bitmaps through their metafiles into their boxes. Throws
// std::invalid_argument for an empty bitmap.
TReportImages SetReportImages(const QImage &crop, const QImage &processedCrop);

// The suggested name of the report's PDF file: "<patient> - <eye> - <yyyy-mm-dd>.pdf",
// without the characters a file name cannot hold; "Exame" when the name is empty, and
// no date part when the examination date is not a date.
QString SuggestedPdfFileName(const QString &patientName, const QString &eyeText, const QString &dateText);

// The telephone at the end of the report error message.
inline constexpr char kSupportPhone[] = "0800 771 2040";
QString SaveBeforePrintMessage();
QString ReportErrorMessage();
// The report window's caption.
QString ReportCaption();

} // namespace cornix::report
