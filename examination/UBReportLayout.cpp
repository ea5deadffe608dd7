#include "UBReportLayout.h"

#include <QCoreApplication>

namespace cornix::report {

namespace {

constexpr qreal kHeaderTop = 0;
constexpr qreal kDetailTop = 26;
constexpr qreal kFooterTop = 262;

// Left column of the detail band: captions, then values.
constexpr qreal kDataCaptionWidth = 28;
constexpr qreal kResultCaptionWidth = 43;
constexpr qreal kColumnWidth = 66;
constexpr qreal kRowHeight = 5;
// Right column: the charts.
constexpr qreal kChartLeft = 70;
constexpr qreal kSmallChartWidth = 59;

QString tr(const char *text) { return QCoreApplication::translate("TfrmReport", text); }

TReportElement label(const char *name, TBand band, QRectF rect, const char *caption = nullptr, qreal points = 9,
                     bool bold = false)
{
    TReportElement e;
    e.name = QString::fromLatin1(name);
    e.band = band;
    e.kind = TElementKind::Label;
    e.rect = rect;
    e.pointSize = points;
    e.bold = bold;
    if (caption)
        e.caption = tr(caption);
    return e;
}

TReportElement item(const char *name, TBand band, TElementKind kind, QRectF rect, const char *caption = nullptr)
{
    TReportElement e = label(name, band, rect, caption);
    e.kind = kind;
    e.align = Qt::AlignCenter;
    return e;
}

TReportElement memo(const char *name, QRectF rect)
{
    TReportElement e = label(name, TBand::Detail, rect, nullptr, 8.5);
    e.kind = TElementKind::Memo;
    e.align = Qt::AlignLeft | Qt::AlignTop;
    return e;
}

// A caption and its value on one row of the left column.
void row(QList<TReportElement> &list, const char *captionName, const char *caption, const char *valueName,
         qreal top, qreal captionWidth)
{
    list << label(captionName, TBand::Detail, QRectF(0, top, captionWidth, kRowHeight), caption);
    TReportElement value =
        label(valueName, TBand::Detail, QRectF(captionWidth, top, kColumnWidth - captionWidth, kRowHeight));
    value.bold = true;
    list << value;
}

QRectF imageBox(int leftPx, QSize box)
{
    return QRectF(leftPx * kMmPerDesignPixel, ImageRowTopMm(), box.width() * kMmPerDesignPixel,
                  box.height() * kMmPerDesignPixel);
}

QList<TReportElement> pageHeader()
{
    const TBand h = TBand::PageHeader;
    return {
        item("LOGO", h, TElementKind::Picture, QRectF(0, kHeaderTop + 1, 20, 20)),
        label("qrlPatientName", h, QRectF(24, kHeaderTop + 1, 142, 8), nullptr, 14, true),
        label("qrlPatientInfo", h, QRectF(24, kHeaderTop + 10, 142, 5), nullptr, 9.5),
        label("qrlDoctorName", h, QRectF(24, kHeaderTop + 15.5, 142, 5), nullptr, 9.5),
        item("QRImage1", h, TElementKind::Picture, QRectF(170, kHeaderTop + 1, 20, 20)),
        item("qriHeaderLine", h, TElementKind::Picture, QRectF(0, kHeaderTop + 23, kContentWidthMm, 1.2)),
    };
}

QList<TReportElement> detail()
{
    const TBand d = TBand::Detail;
    const qreal t = kDetailTop;
    QList<TReportElement> list;
    list << label("qrl_Dados", d, QRectF(0, t + 1, kColumnWidth, 6), QT_TRANSLATE_NOOP("TfrmReport", "Dados do Exame"),
                  10.5, true)
         << label("qrl_ExmType", d, QRectF(0, t + 7.5, kColumnWidth, kRowHeight),
                  QT_TRANSLATE_NOOP("TfrmReport", "Exame : Microscopia Especular"));
    struct Row {
        const char *caption, *text, *value;
        qreal captionWidth = kResultCaptionWidth;
    };
    const Row data[] = {
        {"qrl_Real", QT_TRANSLATE_NOOP("TfrmReport", "Data:"), "qrlExaminationData", kDataCaptionWidth},
        {"qrlEye", QT_TRANSLATE_NOOP("TfrmReport", "Olho:"), "qrlEyeValue", kDataCaptionWidth},
        {"qrlFixation", QT_TRANSLATE_NOOP("TfrmReport", "Fixação:"), "qrlFixationValue", kDataCaptionWidth},
        {"qrlImgsQtty", QT_TRANSLATE_NOOP("TfrmReport", "Nº imgs usadas:"), "qrlImgsQttyValue", kDataCaptionWidth},
    };
    qreal top = t + 12.5;
    for (const Row &r : data) {
        row(list, r.caption, r.text, r.value, top, r.captionWidth);
        top += kRowHeight;
    }
    list << label("qrlResults", d, QRectF(0, t + 35, kColumnWidth, 6),
                  QT_TRANSLATE_NOOP("TfrmReport", "Resultados (média das imgs)"), 10.5, true);
    const Row results[] = {
        {"qrlTotalCells", QT_TRANSLATE_NOOP("TfrmReport", "Total de células:"), "qrlTotalCellsValue"},
        {"qrlTotalArea", QT_TRANSLATE_NOOP("TfrmReport", "Área analisada (mm²):"), "qrlTotalAreaValue"},
        {"qrlDensity", QT_TRANSLATE_NOOP("TfrmReport", "Densidade (cel/mm²):"), "qrlDensityValue"},
        {"qrlSD", QT_TRANSLATE_NOOP("TfrmReport", "Desvio Padrão:"), "qrlSDValue"},
        {"qrlMinSize", QT_TRANSLATE_NOOP("TfrmReport", "Área Mínima (µm²):"), "qrlMinSizeValue"},
        {"qrlAvgSize", QT_TRANSLATE_NOOP("TfrmReport", "Área Média (µm²):"), "qrlAvgSizeValue"},
        {"qrlMaxSize", QT_TRANSLATE_NOOP("TfrmReport", "Área Máxima (µm²):"), "qrlMaxSizeValue"},
        {"qrlHexCells", QT_TRANSLATE_NOOP("TfrmReport", "Células hexagonais (%):"), "qrlHexCellsValue"},
        {"qrlCV", QT_TRANSLATE_NOOP("TfrmReport", "CV (%):"), "qrlCVValue"},
        {"qrlAvgPaq", QT_TRANSLATE_NOOP("TfrmReport", "Paquimetria Méd. (µm):"), "qrlAvgPaqValue"},
    };
    top = t + 41.5;
    for (const Row &r : results) {
        row(list, r.caption, r.text, r.value, top, r.captionWidth);
        top += kRowHeight;
    }
    list << label("lblDiag", d, QRectF(0, t + 95, kColumnWidth, 5.5), QT_TRANSLATE_NOOP("TfrmReport", "Diagnóstico"),
                  10, true)
         << memo("qrmDiag", QRectF(0, t + 100.5, kColumnWidth, 24))
         << label("lblObs", d, QRectF(0, t + 127, kColumnWidth, 5.5), QT_TRANSLATE_NOOP("TfrmReport", "OBS"), 10,
                  true)
         << memo("qrmOBS", QRectF(0, t + 132.5, kColumnWidth, 24))
         << item("chtPolimorphism", d, TElementKind::Chart, QRectF(kChartLeft, t + 1, kSmallChartWidth, 62),
                 QT_TRANSLATE_NOOP("TfrmReport", "Polimorfismo"))
         << item("chtPolimegatism", d, TElementKind::Chart,
                 QRectF(kContentWidthMm - kSmallChartWidth, t + 1, kSmallChartWidth, 62),
                 QT_TRANSLATE_NOOP("TfrmReport", "Polimegatismo"))
         << item("chtDensXAge", d, TElementKind::Chart,
                 QRectF(kChartLeft, t + 66, kContentWidthMm - kChartLeft, 90.5),
                 QT_TRANSLATE_NOOP("TfrmReport", "Densidade Endotelial X Idade"))
         << item("qriCropped", d, TElementKind::Image, imageBox(kCroppedLeft, kCroppedBox))
         << item("qriCroppedProcessed", d, TElementKind::Image, imageBox(kCroppedProcessedLeft, kCroppedProcessedBox))
         // Beyond the right edge of the band, as laid out: filled, never on the page.
         << label("QRL_Printed", d, QRectF(kContentWidthMm + 6, t + 1, 32, kRowHeight),
                  QT_TRANSLATE_NOOP("TfrmReport", "Data da Impressão:"))
         << label("qrl_Print_Time", d, QRectF(kContentWidthMm + 6, t + 6, 40, kRowHeight));
    return list;
}

QList<TReportElement> pageFooter()
{
    const TBand f = TBand::PageFooter;
    const qreal t = kFooterTop;
    return {
        item("qriFooterLine", f, TElementKind::Picture, QRectF(0, t + 0.5, kContentWidthMm, 1)),
        label("qrlClinicName", f, QRectF(0, t + 2.5, 150, 4.5), nullptr, 9.5, true),
        label("qrlClinicAddress", f, QRectF(0, t + 7, 150, 4), nullptr, 8),
        label("qrlClinicPhone", f, QRectF(0, t + 10.8, 150, 4), nullptr, 8),
        item("qriCornix", f, TElementKind::Picture, QRectF(158, t + 2.5, 32, 12)),
    };
}

} // namespace

const QList<TReportElement> &ReportElements()
{
    static const QList<TReportElement> elements = pageHeader() + detail() + pageFooter();
    return elements;
}

const TReportElement *FindElement(const QString &name)
{
    for (const TReportElement &e : ReportElements())
        if (e.name == name)
            return &e;
    return nullptr;
}

QRectF BandRect(TBand band)
{
    switch (band) {
    case TBand::PageHeader:
        return QRectF(0, kHeaderTop, kContentWidthMm, kDetailTop - kHeaderTop);
    case TBand::Detail:
        return QRectF(0, kDetailTop, kContentWidthMm, kFooterTop - kDetailTop);
    case TBand::PageFooter:
        break;
    }
    return QRectF(0, kFooterTop, kContentWidthMm, kContentHeightMm - kFooterTop);
}

bool OnPage(const QRectF &rectMm) { return rectMm.intersects(QRectF(0, 0, kContentWidthMm, kContentHeightMm)); }

qreal ImageRowTopMm() { return kDetailTop + 160; }

} // namespace cornix::report
