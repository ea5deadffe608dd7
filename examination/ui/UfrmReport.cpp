#include "UfrmReport.h"

#include "Dialogs.h"
#include "UBReportCharts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
        if (m_reportCharts)
            m_reportCharts->Paint(painter, name, rect);
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
    m_reportCharts = std::make_unique<TReportCharts>(charts);
}

QChart *TfrmReport::Chart(const QString &name) const { return m_reportCharts ? m_reportCharts->Chart(name) : nullptr; }

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
