#include "UfrmReport.h"

#include "Dialogs.h"
#include "UBSeriesCharts.h"

#include <QAbstractAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QPieSeries>
#include <QPieSlice>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QToolBar>

using namespace cornix::report;

namespace {

TfrmReport::FileNameAsker &fileNameAsker()
{
    static TfrmReport::FileNameAsker asker;
    return asker;
}

QString &lastPdfFolder()
{
    static QString folder;
    return folder;
}

QString askFileName(QWidget *parent, const QString &suggestedPath)
{
    if (fileNameAsker())
        return fileNameAsker()(parent, suggestedPath);
    return QFileDialog::getSaveFileName(parent, TfrmReport::tr("Salvar PDF"), suggestedPath,
                                        TfrmReport::tr("Arquivos PDF (*.pdf)"));
}

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

QString withPdfSuffix(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0
               ? path
               : path + QStringLiteral(".pdf");
}

} // namespace

TfrmReport::TfrmReport(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("frmReport"));
    m_page.chartPainter = [this](QPainter &painter, const QString &name, const QRectF &rect, qreal) {
        paintChart(painter, name, rect);
    };
}

TfrmReport::~TfrmReport()
{
    delete m_preview.data(); // before the printer it paints on
}

void TfrmReport::FillReport(const TReportFields &fields)
{
    m_page.content = cornix::report::FillReport(fields);
    m_eyeText = fields.eye;
}

void TfrmReport::SetReportImages(const QImage &crop, const QImage &processedCrop)
{
    m_page.images = cornix::report::SetReportImages(crop, processedCrop);
}

void TfrmReport::SetCharts(const cornix::exam::TExamCharts &charts)
{
    m_charts = charts;
    m_chartItems.clear();
    m_chartScene = std::make_unique<QGraphicsScene>();
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
        QChart *item = made[i].release();
        styleForPaper(*item);
        m_chartScene->addItem(item);
        item->setGeometry(QRectF(QPointF(left, 0), size));
        item->layout()->activate();
        left += size.width() + 50; // apart, so that one chart's picture holds nothing of another
        m_chartItems.insert(name, item);
    }
}

void TfrmReport::paintChart(QPainter &painter, const QString &name, const QRectF &deviceRect) const
{
    const QChart *chart = m_chartItems.value(name);
    if (!chart || !m_chartScene)
        return;
    m_chartScene->render(&painter, deviceRect, chart->geometry(), Qt::IgnoreAspectRatio);
}

void TfrmReport::SetReport(const TReportData &data)
{
    m_page.content = data.content;
    m_page.images = data.images;
    m_eyeText = data.eyeText;
    SetCharts(data.charts);
}

QString TfrmReport::SuggestedFileName() const
{
    const QString date = m_page.content.Text(QStringLiteral("qrlExaminationData")).section(QLatin1Char(' '), 0, 0);
    return SuggestedPdfFileName(m_page.content.Text(QStringLiteral("qrlPatientName")), m_eyeText, date);
}

void TfrmReport::Preview(QWidget *parent)
{
    delete m_preview.data();
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPageLayout(TReportPage::PageLayout());
    m_printer->setDocName(ReportCaption());
    m_preview = new QPrintPreviewDialog(m_printer.get(), parent);
    m_preview->setObjectName(QStringLiteral("frmReportPreview"));
    m_preview->setWindowTitle(ReportCaption());
    connect(m_preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *printer) {
        m_page.Print(*printer);
    });
    addSavePdfAction();
    m_preview->open();
}

QPrintPreviewDialog *TfrmReport::PreviewDialog() const { return m_preview.data(); }

void TfrmReport::addSavePdfAction()
{
    auto *toolBar = m_preview->findChild<QToolBar *>();
    if (!toolBar)
        return;
    toolBar->addSeparator();
    QAction *save = toolBar->addAction(tr("Salvar PDF"));
    save->setObjectName(QStringLiteral("actSavePdf"));
    save->setToolTip(tr("Salvar o relatório em um arquivo PDF"));
    connect(save, &QAction::triggered, this, [this] { SavePdf(m_preview); });
}

bool TfrmReport::SavePdf(QWidget *parent)
{
    const QString suggested = QDir(PdfFolder()).filePath(SuggestedFileName());
    const QString chosen = askFileName(parent, suggested);
    if (chosen.isEmpty())
        return false;
    return SavePdfTo(withPdfSuffix(chosen));
}

bool TfrmReport::SavePdfTo(const QString &path)
{
    QString error;
    if (!m_page.WritePdf(path, &error)) {
        cornix::ShowError(error);
        return false;
    }
    lastPdfFolder() = QFileInfo(path).absolutePath();
    cornix::ShowInformation(tr("Relatório salvo em \"%1\".").arg(QDir::toNativeSeparators(path)), ReportCaption());
    emit pdfSaved(path);
    return true;
}

void TfrmReport::SetFileNameAsker(FileNameAsker asker) { fileNameAsker() = std::move(asker); }

QString TfrmReport::PdfFolder()
{
    if (!lastPdfFolder().isEmpty())
        return lastPdfFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

namespace {

// The report of a saved examination, or none (the messages have been shown).
std::unique_ptr<TfrmReport> newReport(const TPrintRequest &request)
{
    const std::optional<TReportData> data = PrepareReport(request);
    if (!data)
        return nullptr;
    auto report = std::make_unique<TfrmReport>();
    report->SetReport(*data);
    return report;
}

} // namespace

void PrintExamination(const TPrintRequest &request, QWidget *parent, std::unique_ptr<TfrmReport> &report)
{
    if (!CheckSaved(request.exam))
        return; // nothing else: a report already shown stays
    report.reset();
    report = newReport(request);
    if (report)
        report->Preview(parent);
}

bool SaveExaminationPdf(const TPrintRequest &request, QWidget *parent, std::unique_ptr<TfrmReport> &report)
{
    if (!CheckSaved(request.exam))
        return false;
    report.reset();
    report = newReport(request);
    return report && report->SavePdf(parent);
}
