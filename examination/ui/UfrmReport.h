#pragma once
// TfrmReport ("Relatório"): the one-page examination report. It holds the page
// qrReport, fills it (FillReport, SetReportImages, the charts) and shows it in a
// print preview from which it is printed on any printer the system offers or saved
// as a PDF file ("Salvar PDF").
//
// The report itself is not a window: the page is drawn with QPainter on whatever
// paged device asks for it (the preview's printer, a printer, a PDF writer), see
// UBReportPage.h. The window the user meets is the preview dialog.
#include "UBPrintExamination.h"
#include "UBReportPage.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QChart;
class QPrinter;
class TReportCharts;
class QPrintPreviewDialog;
class QWidget;

class TfrmReport : public QObject {
    Q_OBJECT

public:
    explicit TfrmReport(QObject *parent = nullptr);
    ~TfrmReport() override;

    // Every label and memo of the page, with the print time (now).
    void FillReport(const cornix::report::TReportFields &fields);
    // The stored crop and processed crop, through their metafiles into their boxes.
    // Throws std::invalid_argument for an empty bitmap.
    void SetReportImages(const QImage &crop, const QImage &processedCrop);
    // The three charts (chtPolimorphism, chtPolimegatism, chtDensXAge) drawn on Qt
    // Charts from TBSeriesPlot's filling.
    void SetCharts(const cornix::exam::TExamCharts &charts);
    // Texts, pictures and charts of a prepared report.
    void SetReport(const cornix::report::TReportData &data);

    const cornix::report::TReportPage &qrReport() const { return m_page; }
    const cornix::exam::TExamCharts &Charts() const { return m_charts; }
    // The chart of the named box; null before SetCharts.
    QChart *Chart(const QString &name) const;
    // "<patient> - <eye> - <yyyy-mm-dd>.pdf".
    QString SuggestedFileName() const;

    // Shows the print preview (window-modal over parent, returns at once). The preview
    // prints from its own button and has the action "Salvar PDF".
    void Preview(QWidget *parent);
    QPrintPreviewDialog *PreviewDialog() const;
    // Asks for the file (suggesting SuggestedFileName()) and writes the PDF; false when
    // nothing was written (cancelled, or the message says why).
    bool SavePdf(QWidget *parent);
    // Writes the PDF to path; on failure the message goes through the dialog seam.
    bool SavePdfTo(const QString &path);

    // The question for the PDF's file name: returns the path chosen, empty when
    // cancelled. Tests replace it; an empty function restores the file dialog.
    using FileNameAsker = std::function<QString(QWidget *parent, const QString &suggestedPath)>;
    static void SetFileNameAsker(FileNameAsker asker);
    // The folder the next "Salvar PDF" starts in: the last one used, else Documents.
    static QString PdfFolder();

signals:
    void pdfSaved(const QString &path);

private:
    void addSavePdfAction();

    cornix::report::TReportPage m_page;
    cornix::exam::TExamCharts m_charts;
    std::unique_ptr<TReportCharts> m_reportCharts;
    QString m_eyeText;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<QPrintPreviewDialog> m_preview;
};

// PrintExamination ("Imprimir"): any report in `report` is freed and a new one made
// from the request and shown in its preview over parent. The messages of printing
// go through the dialog seam; without a report to show, `report` is left empty.
void PrintExamination(const cornix::report::TPrintRequest &request, QWidget *parent,
                      std::unique_ptr<TfrmReport> &report);
// "Salvar PDF" beside "Imprimir": the same report, written straight to a PDF file.
bool SaveExaminationPdf(const cornix::report::TPrintRequest &request, QWidget *parent,
                        std::unique_ptr<TfrmReport> &report);
