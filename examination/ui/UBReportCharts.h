#pragma once
// The report's three charts on Qt Charts: TBSeriesPlot's filling drawn by the
// examination charts' builder, styled for paper, laid out at a fixed scale and
// rendered into their boxes on any paint device.
#include "UBSeriesPlot.h"

#include <QGraphicsScene>
#include <QHash>
#include <QRectF>
#include <QString>

class QChart;
class QPainter;

class TReportCharts {
public:
    // Builds chtPolimorphism, chtPolimegatism and chtDensXAge at their boxes' size.
    explicit TReportCharts(const cornix::exam::TExamCharts &charts);

    // The chart of the named box; null for another name.
    QChart *Chart(const QString &name) const { return m_charts.value(name); }
    // Draws the named chart into a rectangle of the painter's device.
    void Paint(QPainter &painter, const QString &name, const QRectF &deviceRect);

private:
    QGraphicsScene m_scene; // owns the charts
    QHash<QString, QChart *> m_charts;
};
