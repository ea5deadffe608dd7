#include "UBReportCharts.h"

#include "UBReportLayout.h"
#include "UBSeriesCharts.h"

#include <QAbstractAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>

using namespace cornix::report;

namespace {

// Slices below this share of the pie are named in the legend only: their labels
// would overlap on a chart of the page's size.
constexpr qreal kLabelledSliceShare = 0.12;
// Chart units per millimetre of the page: 1/120 inch, so that the charts' type
// (in points at the screen's 96 dpi) prints at 0.8 of its size on the screen.
constexpr qreal kChartUnitsPerMm = 120 / 25.4;
// Room for "6 lados: 1234" beside the pie.
constexpr qreal kPieLegendWidthMm = 22;

QFont withPoints(QFont font, qreal points, bool bold = false)
{
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferNoShaping); // no "fi" ligature in the PDF's text
    return font;
}

// The charts as the page prints them: smaller type than on the screen, a dark bold
// title like the page's section titles, and the pie's slices named in a legend.
void styleForPaper(QChart &chart)
{
    chart.setTitleFont(withPoints(chart.titleFont(), 11, true));
    chart.setTitleBrush(QColor(0x20, 0x20, 0x20));
    const QList<QAbstractAxis *> axes = chart.axes();
    for (QAbstractAxis *axis : axes) {
        axis->setLabelsFont(withPoints(axis->labelsFont(), 7.5));
        axis->setTitleFont(withPoints(axis->titleFont(), 8, true));
        axis->setTruncateLabels(false); // "100" … "700" under bars of the page's size
    }
    const QList<QAbstractSeries *> series = chart.series();
    for (QAbstractSeries *s : series) {
        if (auto *pie = qobject_cast<QPieSeries *>(s)) {
            const QList<QPieSlice *> slices = pie->slices();
            QStringList names; // "6 lados: 310", the slices' labels as filled
            for (QPieSlice *slice : slices) {
                names << slice->label();
                // The legend names every slice with its count; the slice shows its share.
                slice->setLabel(QStringLiteral("%1%").arg(qRound(slice->percentage() * 100)));
                slice->setLabelFont(withPoints(slice->labelFont(), 7.5));
                slice->setLabelPosition(QPieSlice::LabelInsideHorizontal);
                slice->setLabelVisible(slice->percentage() >= kLabelledSliceShare);
            }
            pie->setPieSize(0.85);
            QLegend *legend = chart.legend();
            legend->setVisible(!slices.isEmpty());
            legend->setAlignment(Qt::AlignRight);
            legend->setShowToolTips(false);
            legend->setMinimumWidth(kPieLegendWidthMm * kChartUnitsPerMm);
            legend->setFont(withPoints(legend->font(), 7.5));
            const QList<QLegendMarker *> markers = legend->markers(pie);
            for (int i = 0; i < markers.size() && i < names.size(); ++i)
                markers[i]->setLabel(names[i]);
        } else if (auto *bars = qobject_cast<QBarSeries *>(s)) {
            const QList<QBarSet *> sets = bars->barSets();
            for (QBarSet *set : sets)
                set->setLabelFont(withPoints(set->labelFont(), 7.5));
        }
    }
}

} // namespace

TReportCharts::TReportCharts(const cornix::exam::TExamCharts &charts)
{
    std::unique_ptr<QChart> made[] = {cornix::exam::MakeChart(charts.Polymorphism),
                                      cornix::exam::MakeChart(charts.Polymegathism),
                                      cornix::exam::MakeChart(charts.DensityAge)};
    const char *names[] = {"chtPolimorphism", "chtPolimegatism", "chtDensXAge"};
    qreal left = 0;
    for (int i = 0; i < 3; ++i) {
        const QString name = QLatin1String(names[i]);
        // Laid out at a fixed number of units per millimetre, whatever the device:
        // the chart looks the same on the preview, the printer and the PDF.
        const QSizeF size = FindElement(name)->rect.size() * kChartUnitsPerMm;
        QChart *chart = made[i].release();
        styleForPaper(*chart);
        m_scene.addItem(chart);
        chart->setGeometry(QRectF(QPointF(left, 0), size));
        chart->layout()->activate();
        left += size.width() + 50; // apart, so that one chart's picture holds nothing of another
        m_charts.insert(name, chart);
    }
}

void TReportCharts::Paint(QPainter &painter, const QString &name, const QRectF &deviceRect)
{
    if (const QChart *chart = m_charts.value(name))
        m_scene.render(&painter, deviceRect, chart->geometry(), Qt::IgnoreAspectRatio);
}
