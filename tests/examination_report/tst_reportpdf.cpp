// The report of an examination saved on the real test server, printed to PDF and
// read back with poppler-utils (pdftotext, pdfinfo, pdfimages, pdftoppm); the print
// preview with its "Salvar PDF" action; the PDF file written whole or not at all.
#include "ReportTestData.h"

#include "FirebirdTestDatabase.h"
#include "RecordingDialogs.h"
#include "UfrmDataModule.h"
#include "UDExamination.h"
#include "UfrmReport.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QPieSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <QDir>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace cornix;
using namespace cornix::report;
using namespace cornix::test;

namespace {

// Output of a poppler tool; empty (and a warning) when it did not run.
QString runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        qWarning() << tool << arguments << process.readAllStandardError();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString &pdf)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf,
                                                  QStringLiteral("-")})
        .simplified();
}

QImage pdfPage(const QString &pdf, const QString &folder, int dpi)
{
    const QString stem = QDir(folder).filePath(QStringLiteral("page"));
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".png"));
}

struct PdfImage {
    int width = 0, height = 0;
    double xPpi = 0, yPpi = 0;
};

// The rows of "pdfimages -list": page num type width height color comp bpc enc interp object ID x-ppi y-ppi …
QList<PdfImage> pdfImages(const QString &pdf)
{
    QList<PdfImage> images;
    const QStringList lines = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(2)) {
        const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 14 || f[2] != QLatin1String("image"))
            continue;
        images << PdfImage{f[3].toInt(), f[4].toInt(), f[12].toDouble(), f[13].toDouble()};
    }
    return images;
}

// Mean colour of a rectangle of an image.
QColor meanColour(const QImage &image, const QRect &rect)
{
    qint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
        }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

// Pixels of rect within a small distance of colour.
int pixelsNear(const QImage &image, const QRect &rect, const QColor &colour)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green())
                    + std::abs(p.blue() - colour.blue()) < 30)
                ++n;
        }
    return n;
}

// An element's rectangle on the sheet, in pixels at dpi.
QRect elementOnSheet(const char *name, int dpi)
{
    const QRectF mm = FindElement(QLatin1String(name))->rect.translated(kMarginMm, kMarginMm);
    const qreal px = dpi / 25.4;
    return QRectF(mm.x() * px, mm.y() * px, mm.width() * px, mm.height() * px).toRect();
}

int colourDistance(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// A picture's rectangle on the sheet, in pixels at dpi (margins included).
QRect pictureOnSheet(const TReportImage &image, int dpi)
{
    const QRectF design = image.placement.PictureRect();
    const qreal mm = kMmPerDesignPixel;
    const QRectF rectMm(kMarginMm + design.x() * mm, kMarginMm + ImageRowTopMm() + design.y() * mm,
                        design.width() * mm, design.height() * mm);
    const qreal px = dpi / 25.4;
    return QRectF(rectMm.x() * px, rectMm.y() * px, rectMm.width() * px, rectMm.height() * px).toRect();
}

} // namespace

class TestReportPdf : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void pdfHoldsEveryText();
    void pdfIsOneA4Page();
    void pdfImagesAreTheCropsAtTheirSize();
    void renderedPageShowsTheCropsInTheirBoxes();
    void renderedPageShowsTheChartsInTheirBoxes();
    void chartsOfThePage();
    void previewWithSavePdfAction();
    void savePdfSuggestsNameAndAddsSuffix();
    void savePdfCancelled();
    void unwritableFolder_data();
    void unwritableFolder();
    void existingFileReplacedWhole();
    void printUnsavedExamination();
    void printWithoutCrop();
    void printAgainFreesThePreviousReport();

private:
    ConnectedModule m_db;
    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<TBFrameBuffer> m_frames;
    SavedReportCase m_saved;
    TPrintRequest m_request;
    QTemporaryDir m_out;
    std::unique_ptr<TfrmReport> m_report;
    QString m_pdf;
};

void TestReportPdf::initTestCase()
{
    const QString path = CreateTestDatabase(QStringLiteral("examination_report"), Engine::Server);
    QVERIFY2(!path.isEmpty(), "the test database could not be created (is the server running?)");
    m_db = Connect(path, Engine::Server);
    m_dialogs = std::make_unique<RecordingDialogs>();
    m_frames = AnalysedFrames();
    QVERIFY(!m_frames->Crop(0).isNull());
    m_saved = SaveExamination(*m_db.module, *m_frames);
    QVERIFY2(m_saved.exam.ID > 0, qPrintable(m_dialogs->texts().join(QLatin1Char('\n'))));
    m_request = ViewingRequest(m_saved);
    m_dialogs->clear();

    PrintExamination(m_request, nullptr, m_report);
    QVERIFY2(m_report, qPrintable(m_dialogs->texts().join(QLatin1Char('\n'))));
    m_pdf = m_out.filePath(QStringLiteral("report.pdf"));
    QVERIFY(m_report->SavePdfTo(m_pdf));
    m_dialogs->clear();
}

void TestReportPdf::cleanupTestCase()
{
    TfrmReport::SetFileNameAsker({});
    m_report.reset();
    m_db.module.reset();
}

void TestReportPdf::cleanup() { m_dialogs->clear(); }

void TestReportPdf::pdfHoldsEveryText()
{
    const QString text = pdfText(m_pdf);
    QVERIFY(!text.isEmpty());
    const TExame &e = m_saved.exam;
    const TResultsTexts &v = m_request.results;
    QVERIFY(e.Age > 0);
    QVERIFY(e.DoctorName.contains(QStringLiteral("Helena Prado Guimarães")));
    const QStringList expected = {
        QStringLiteral("Maria Aparecida da Conceição"),
        QStringLiteral("Prontuário : 1207 - Dt. Nasc. : 10/05/1980 - %1 anos").arg(e.Age),
        QStringLiteral("Resp.: ") + e.DoctorName + QStringLiteral(" - CRM: 54321-SP"),
        QStringLiteral("Dados do Exame"),
        QStringLiteral("Exame : Microscopia Especular"),
        QStringLiteral("Data: ") + e.DateText + QStringLiteral(" - ") + e.TimeText,
        QStringLiteral("Olho: OS"),
        QStringLiteral("Fixação: 2h (T)"),
        QStringLiteral("Nº imgs usadas: 1"),
        QStringLiteral("Resultados (média das imgs)"),
        QStringLiteral("Total de células: ") + v.totalCells,
        QStringLiteral("Área analisada (mm²): ") + v.totalArea,
        QStringLiteral("Densidade (cel/mm²): ") + v.density,
        QStringLiteral("Desvio Padrão: ") + v.sd,
        QStringLiteral("Área Mínima (µm²): ") + v.minSize,
        QStringLiteral("Área Média (µm²): ") + v.avgSize,
        QStringLiteral("Área Máxima (µm²): ") + v.maxSize,
        QStringLiteral("Células hexagonais (%): ") + v.hexCells,
        QStringLiteral("CV (%): ") + v.cv,
        QStringLiteral("Paquimetria Méd. (µm): ") + v.avgPaq,
        QStringLiteral("Diagnóstico"),
        QStringLiteral("Córnea transparente; endotélio com mosaico regular, sem guttae."),
        QStringLiteral("OBS"),
        QStringLiteral("Sem alterações. Retorno em seis meses para nova avaliação."),
        QStringLiteral("Clínica de Olhos São João"),
        QStringLiteral("Rua das Acácias, 120 - Jardim Paulista - São Paulo - SP"),
        QStringLiteral("Tel.: (11) 4444-0000"),
        QStringLiteral("Polimorfismo"),
        QStringLiteral("6 lados: ") + QString::number(m_frames->Summary().SidesHist[2]),
        QStringLiteral("Polimegatismo"),
        QStringLiteral("Qtde."),
        QStringLiteral("Área (µm²)"),
        QStringLiteral("Densidade Endotelial X Idade"),
        QStringLiteral("3500"),
    };
    for (const QString &line : expected)
        QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral("\n--- not in ---\n") + text));
    // The figures are the stored ones, as the page showed them.
    QCOMPARE(v.density, QString::number(m_frames->Summary().Density));
    QCOMPARE(v.totalCells, QString::number(m_frames->Summary().CellCount));
    // The print date lies beyond the band's right edge.
    QVERIFY(!text.contains(QStringLiteral("Data da Impressão")));
}

void TestReportPdf::pdfIsOneA4Page()
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {m_pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(info);
    QVERIFY2(size.hasMatch(), qPrintable(info));
    // A4 is 210 x 297 mm = 595.28 x 841.89 points.
    QVERIFY(std::abs(size.captured(1).toDouble() - 595.28) < 1.0);
    QVERIFY(std::abs(size.captured(2).toDouble() - 841.89) < 1.0);
}

void TestReportPdf::pdfImagesAreTheCropsAtTheirSize()
{
    const QList<PdfImage> images = pdfImages(m_pdf);
    QCOMPARE(images.size(), 2);
    const TReportImages &placed = m_report->qrReport().images;
    const TReportImage *boxes[] = {&placed.cropped, &placed.croppedProcessed};
    for (int i = 0; i < 2; ++i) {
        // The bitmaps go in whole, pixel for pixel…
        QCOMPARE(QSize(images[i].width, images[i].height), m_frames->Crop(0).size());
        // …and are shown at the size SetReportImages gave them.
        const double shownMm = images[i].width / images[i].xPpi * 25.4;
        const double expectedMm = boxes[i]->placement.picture.width() * kMmPerDesignPixel;
        QVERIFY2(std::abs(shownMm - expectedMm) < 0.5,
                 qPrintable(QStringLiteral("%1 mm shown, %2 mm expected").arg(shownMm).arg(expectedMm)));
    }
}

void TestReportPdf::renderedPageShowsTheCropsInTheirBoxes()
{
    const int dpi = 100;
    const QImage page = pdfPage(m_pdf, m_out.path(), dpi);
    // A4 at 100 dpi: 826.8 x 1169.3 pixels.
    QVERIFY2(std::abs(page.width() - 827) <= 1 && std::abs(page.height() - 1169) <= 1,
             qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
    const TReportImages &placed = m_report->qrReport().images;
    const std::pair<const TReportImage *, const QImage *> pictures[] = {
        {&placed.cropped, &m_frames->Crop(0)}, {&placed.croppedProcessed, &m_frames->ProcessedCrop(0)}};
    for (const auto &[box, bitmap] : pictures) {
        const QRect onSheet = pictureOnSheet(*box, dpi);
        const QRect inner = onSheet.adjusted(3, 3, -3, -3);
        const QColor shown = meanColour(page, inner);
        const QColor stored = meanColour(*bitmap, bitmap->rect());
        QVERIFY2(colourDistance(shown, stored) < 24, qPrintable(shown.name() + QStringLiteral(" vs ") + stored.name()));
        // Just outside the picture the page is white.
        const QRect beside(onSheet.left() - 6, onSheet.center().y(), 3, 3);
        QVERIFY(colourDistance(meanColour(page, beside), Qt::white) < 12);
    }
}

void TestReportPdf::renderedPageShowsTheChartsInTheirBoxes()
{
    const int dpi = 100;
    const QImage page = pdfPage(m_pdf, m_out.path(), dpi);
    const cornix::exam::TExamCharts &charts = m_report->Charts();
    // The pie: the hexagons' slice, the largest, fills much of its box.
    QCOMPARE(charts.Polymorphism.Slices.size(), 5);
    const QColor hexagons = charts.Polymorphism.Slices[2].Colour;
    const int pieBox = pixelsNear(page, elementOnSheet("chtPolimorphism", dpi), hexagons);
    QVERIFY2(pieBox > 1500, qPrintable(QString::number(pieBox)));
    // The bars in their box.
    const QColor bar = charts.Polymegathism.Bars.first().Colour;
    const int barBox = pixelsNear(page, elementOnSheet("chtPolimegatism", dpi), bar);
    QVERIFY2(barBox > 300, qPrintable(QString::number(barBox)));
    // The density chart: the teal line of the mean and the patient's blue diamond.
    const QRect density = elementOnSheet("chtDensXAge", dpi);
    QVERIFY(pixelsNear(page, density, QColor(0, 128, 128)) > 200);
    QVERIFY(pixelsNear(page, density, QColor(0, 0, 255)) > 20);
    QVERIFY(charts.DensityAge.Patient);
    QCOMPARE(charts.DensityAge.Left.Min, 500.0);
    // The charts stay in their boxes: none of their colour in the memo beside them.
    QCOMPARE(pixelsNear(page, elementOnSheet("qrmDiag", dpi), hexagons), 0);
}

void TestReportPdf::chartsOfThePage()
{
    const TEndoStats &s = m_frames->Summary();
    QChart *pie = m_report->Chart(QStringLiteral("chtPolimorphism"));
    QVERIFY(pie);
    QCOMPARE(pie->title(), QStringLiteral("Polimorfismo"));
    auto *slices = qobject_cast<QPieSeries *>(pie->series().value(0));
    QVERIFY(slices);
    QCOMPARE(slices->count(), 5);
    // The legend names each slice with its count.
    const QList<QLegendMarker *> markers = pie->legend()->markers(slices);
    QCOMPARE(markers.size(), 5);
    QCOMPARE(markers[2]->label(), QStringLiteral("6 lados: %1").arg(s.SidesHist[2]));
    QCOMPARE(slices->slices()[2]->value(), double(s.SidesHist[2]));

    QChart *density = m_report->Chart(QStringLiteral("chtDensXAge"));
    QVERIFY(density);
    QCOMPARE(density->series().size(), 4); // three reference lines and the patient
    auto *left = qobject_cast<QValueAxis *>(density->axes(Qt::Vertical).value(0));
    QVERIFY(left);
    QCOMPARE(left->min(), 500.0);
    QCOMPARE(left->max(), 3500.0);
    auto *patient = qobject_cast<QScatterSeries *>(density->series().last());
    QVERIFY(patient);
    QCOMPARE(patient->at(0), QPointF(AgeInYears(QStringLiteral("10/05/1980"), QString()), s.Density));

    QVERIFY(m_report->Chart(QStringLiteral("chtPolimegatism")));
    QVERIFY(!m_report->Chart(QStringLiteral("qrmDiag")));
}

void TestReportPdf::previewWithSavePdfAction()
{
    QPrintPreviewDialog *preview = m_report->PreviewDialog();
    QVERIFY(preview);
    QTRY_VERIFY(preview->isVisible());
    QCOMPARE(preview->windowTitle(), QStringLiteral("Relatório"));
    auto *save = preview->findChild<QAction *>(QStringLiteral("actSavePdf"));
    QVERIFY(save);
    QCOMPARE(save->text(), QStringLiteral("Salvar PDF"));
    QString asked;
    const QString target = m_out.filePath(QStringLiteral("from-preview.pdf"));
    TfrmReport::SetFileNameAsker([&](QWidget *, const QString &suggested) {
        asked = suggested;
        return target;
    });
    save->trigger();
    TfrmReport::SetFileNameAsker({});
    QVERIFY(QFileInfo(asked).fileName().startsWith(QStringLiteral("Maria Aparecida da Conceição - OS - ")));
    QVERIFY(QFile::exists(target));
    QVERIFY(pdfText(target).contains(QStringLiteral("Maria Aparecida da Conceição")));
    QCOMPARE(m_dialogs->last().text, QStringLiteral("Relatório salvo em \"%1\".").arg(target));
}

void TestReportPdf::savePdfSuggestsNameAndAddsSuffix()
{
    QString asked;
    TfrmReport::SetFileNameAsker([&](QWidget *, const QString &suggested) {
        asked = suggested;
        return m_out.filePath(QStringLiteral("sem-extensao"));
    });
    QVERIFY(m_report->SavePdf(nullptr));
    TfrmReport::SetFileNameAsker({});
    const QDate date = QDate::fromString(m_saved.exam.DateText, QStringLiteral("dd/MM/yyyy"));
    QCOMPARE(QFileInfo(asked).fileName(), QStringLiteral("Maria Aparecida da Conceição - OS - %1.pdf")
                                              .arg(date.toString(QStringLiteral("yyyy-MM-dd"))));
    QVERIFY(QFile::exists(m_out.filePath(QStringLiteral("sem-extensao.pdf"))));
    // The next question starts in the folder used last.
    QCOMPARE(TfrmReport::PdfFolder(), m_out.path());
}

void TestReportPdf::savePdfCancelled()
{
    TfrmReport::SetFileNameAsker([](QWidget *, const QString &) { return QString(); });
    const QStringList before = QDir(m_out.path()).entryList(QDir::Files);
    QVERIFY(!m_report->SavePdf(nullptr));
    TfrmReport::SetFileNameAsker({});
    QVERIFY(m_dialogs->shown().isEmpty());
    QCOMPARE(QDir(m_out.path()).entryList(QDir::Files), before);
}

void TestReportPdf::unwritableFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("folder that does not exist") << m_out.filePath(QStringLiteral("nao-existe/sub"));
    QFile blocker(m_out.filePath(QStringLiteral("um-arquivo")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    QTest::newRow("a file where the folder should be") << blocker.fileName();
    QTest::newRow("system folder") << QStringLiteral("/proc");
}

void TestReportPdf::unwritableFolder()
{
    QFETCH(QString, folder);
    const QString path = folder + QStringLiteral("/relatorio.pdf");
    QVERIFY(!m_report->SavePdfTo(path));
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
    QCOMPARE(m_dialogs->last().text, PdfFolderMessage(folder));
    QVERIFY(m_dialogs->last().text.contains(QStringLiteral("não permite gravação")));
    QVERIFY(!QFile::exists(path));
}

void TestReportPdf::existingFileReplacedWhole()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("relatorio.pdf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file");
    }
    QVERIFY(m_report->SavePdfTo(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    // Nothing but the file itself is left in the folder.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("relatorio.pdf")});
}

void TestReportPdf::printUnsavedExamination()
{
    std::unique_ptr<TfrmReport> report;
    TPrintRequest unsaved = m_request;
    unsaved.exam.DateText.clear();
    PrintExamination(unsaved, nullptr, report);
    QVERIFY(!report);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Salve o Exame Antes de Imprimir!")});
}

void TestReportPdf::printWithoutCrop()
{
    QTemporaryDir folder;
    TPrintRequest request = m_request;
    request.imageFolder = folder.path();
    QFile::copy(QDir(m_request.imageFolder).filePath(QStringLiteral("Process.bmp")),
                folder.filePath(QStringLiteral("Process.bmp")));
    std::unique_ptr<TfrmReport> report;
    PrintExamination(request, nullptr, report);
    QVERIFY(!report);
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->last().caption, QStringLiteral("ERRO"));
    QCOMPARE(m_dialogs->last().text, ReportErrorMessage());
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *preview = qobject_cast<QPrintPreviewDialog *>(w))
            QVERIFY(preview == m_report->PreviewDialog()); // only the first test's preview
}

void TestReportPdf::printAgainFreesThePreviousReport()
{
    std::unique_ptr<TfrmReport> report;
    PrintExamination(m_request, nullptr, report);
    QVERIFY(report);
    QPointer<QPrintPreviewDialog> first = report->PreviewDialog();
    QPointer<TfrmReport> firstReport = report.get();
    PrintExamination(m_request, nullptr, report);
    QVERIFY(report);
    QVERIFY(!firstReport);
    QVERIFY(!first);
    QVERIFY(report->PreviewDialog());
    // An unsaved examination leaves the report shown as it is.
    TPrintRequest unsaved = m_request;
    unsaved.exam.DateText.clear();
    QPointer<TfrmReport> shown = report.get();
    PrintExamination(unsaved, nullptr, report);
    QVERIFY(shown && report.get() == shown);
}

QTEST_MAIN(TestReportPdf)
#include "tst_reportpdf.moc"
