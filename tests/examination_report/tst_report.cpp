// The examination report without a window: the layout's elements, the texts of
// FillReport, the pictures scaled into their boxes, the metafile of a bitmap, the
// PDF's file name, and PrintExamination's steps with their messages.
#include "UBPrintExamination.h"
#include "UBReport.h"
#include "UBReportLayout.h"

#include "DateText.h"
#include "RecordingDialogs.h"
#include "UBFixation.h"
#include "UDExamination.h"

#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace cornix;
using namespace cornix::report;

namespace {

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor((x * 255) / std::max(1, width - 1), (y * 255) / std::max(1, height - 1), 90));
    return image;
}

TReportFields sampleFields()
{
    TReportFields f;
    f.patientName = QStringLiteral("Maria Aparecida da Conceição");
    f.patientInfo = QStringLiteral("Prontuário : 1207 - Dt. Nasc. : 10/05/1980 - 44 anos");
    f.avgPaq = QStringLiteral("545");
    f.examinationDate = QStringLiteral("12/03/2024 - 14:05:09");
    f.clinicPhone = QStringLiteral("Tel.: (11) 4444-0000");
    f.clinicAddress = QStringLiteral("Rua das Acácias, 120 - São Paulo");
    f.clinicName = QStringLiteral("Clínica de Olhos São João");
    f.observation = QStringLiteral("Sem alterações");
    f.diagnosis = QStringLiteral("Córnea transparente");
    f.cv = QStringLiteral("33");
    f.hexCells = QStringLiteral("57");
    f.maxSize = QStringLiteral("820.13");
    f.avgSize = QStringLiteral("370.75");
    f.minSize = QStringLiteral("150.50");
    f.sd = QStringLiteral("120.25");
    f.density = QStringLiteral("2697");
    f.totalArea = QStringLiteral("0.0456");
    f.totalCells = QStringLiteral("123");
    f.doctor = QStringLiteral("Resp.: Dra. Helena Prado - CRM: 54321-SP");
    f.fixation = QStringLiteral("2h (N)");
    f.imgsQtty = QStringLiteral("3");
    f.eye = QStringLiteral("OS");
    return f;
}

// A saved examination with its two pictures in folder.
TPrintRequest savedRequest(const QString &folder)
{
    TPrintRequest r;
    r.exam.ID = 7;
    r.exam.Prontuario = 1207;
    r.exam.Age = 43;
    r.exam.DateText = QStringLiteral("12/03/2024");
    r.exam.TimeText = QStringLiteral("14:05:09");
    r.exam.Eye = 1;
    r.exam.TotalImages = 3;
    r.exam.TotalCells = 123;
    r.exam.Density = 2697;
    r.exam.MorphoInfo = QStringLiteral("3;12;70;30;8");
    r.exam.MegatInfo = QStringLiteral("1;2;10;40;50;15;5");
    r.eye = 1;
    r.fixationText = QStringLiteral("2h (N)");
    r.patientName = QStringLiteral("Maria Aparecida da Conceição");
    r.dateOfBirth = QStringLiteral("10/05/1980");
    r.doctorName = QStringLiteral("Dra. Helena Prado");
    r.doctorCRM = QStringLiteral("54321-SP");
    r.results.density = QStringLiteral("2697");
    r.imageFolder = folder;
    gradient(200, 150).save(folder + QStringLiteral("/Crop.bmp"));
    gradient(200, 150).save(folder + QStringLiteral("/Process.bmp"));
    return r;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void everyElementOfThePage();
    void elementsStayInsideTheirBands();
    void printTimeLiesOffThePage();
    void fixedCaptions_data();
    void fixedCaptions();
    void fillReportSetsEveryValue();
    void reportFixation_data();
    void reportFixation();
    void placeImage_data();
    void placeImage();
    void placeEmptyBitmapThrows();
    void setReportImages();
    void metafileStream();
    void suggestedFileName_data();
    void suggestedFileName();
    void reportFields();

    void prepareUnsaved();
    void prepareMissingPicture_data();
    void prepareMissingPicture();
    void prepareInvalidBirthDate();
    void prepareUsesTodaysAge();
    void prepareLoadsTheStoredSummary();
    void prepareKeepsFiguresOfAMalformedDistribution();
    void reportPie_data();
    void reportPie();
    void reportBars();
    void reportDensityMarker_data();
    void reportDensityMarker();
    void reportDensityWithoutBirthDate();
};

void TestReport::everyElementOfThePage()
{
    const QStringList expected = {
        "qrlPatientName", "qrlPatientInfo", "qrlDoctorName", "qriHeaderLine", "QRImage1", "LOGO", "qrl_Dados",
        "qrl_ExmType", "qrl_Real", "qrlExaminationData", "qrlEye", "qrlEyeValue", "qrlFixation", "qrlFixationValue",
        "qrlImgsQtty", "qrlImgsQttyValue", "qrlResults", "qrlTotalCells", "qrlTotalCellsValue", "qrlTotalArea",
        "qrlTotalAreaValue", "qrlDensity", "qrlDensityValue", "qrlSD", "qrlSDValue", "qrlMinSize", "qrlMinSizeValue",
        "qrlAvgSize", "qrlAvgSizeValue", "qrlMaxSize", "qrlMaxSizeValue", "qrlHexCells", "qrlHexCellsValue", "qrlCV",
        "qrlCVValue", "qrlAvgPaq", "qrlAvgPaqValue", "lblDiag", "qrmDiag", "lblObs", "qrmOBS", "chtPolimorphism",
        "chtPolimegatism", "chtDensXAge", "qriCropped", "qriCroppedProcessed", "QRL_Printed", "qrl_Print_Time",
        "qrlClinicName", "qrlClinicAddress", "qrlClinicPhone", "qriFooterLine", "qriCornix"};
    QSet<QString> names;
    for (const TReportElement &e : ReportElements()) {
        QVERIFY2(!names.contains(e.name), qPrintable(e.name + QStringLiteral(" twice")));
        names.insert(e.name);
    }
    for (const QString &name : expected)
        QVERIFY2(names.contains(name), qPrintable(name + QStringLiteral(" missing")));
    QCOMPARE(names.size(), expected.size());
}

void TestReport::elementsStayInsideTheirBands()
{
    for (const TReportElement &e : ReportElements()) {
        if (!OnPage(e.rect))
            continue;
        QVERIFY2(BandRect(e.band).contains(e.rect), qPrintable(e.name));
    }
    // The bands fill the printable area top to bottom.
    QCOMPARE(BandRect(TBand::PageHeader).top(), 0.0);
    QCOMPARE(BandRect(TBand::PageHeader).bottom(), BandRect(TBand::Detail).top());
    QCOMPARE(BandRect(TBand::Detail).bottom(), BandRect(TBand::PageFooter).top());
    QCOMPARE(BandRect(TBand::PageFooter).bottom(), kContentHeightMm);
}

void TestReport::printTimeLiesOffThePage()
{
    for (const char *name : {"QRL_Printed", "qrl_Print_Time"}) {
        const TReportElement *e = FindElement(QLatin1String(name));
        QVERIFY(e);
        QVERIFY2(!OnPage(e->rect), name);
        QVERIFY(e->rect.left() >= kContentWidthMm);
    }
    QCOMPARE(FindElement(QStringLiteral("QRL_Printed"))->caption, QStringLiteral("Data da Impressão:"));
}

void TestReport::fixedCaptions_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("caption");
    const char *rows[][2] = {
        {"qrl_Dados", "Dados do Exame"},
        {"qrl_ExmType", "Exame : Microscopia Especular"},
        {"qrl_Real", "Data:"},
        {"qrlEye", "Olho:"},
        {"qrlFixation", "Fixação:"},
        {"qrlImgsQtty", "Nº imgs usadas:"},
        {"qrlResults", "Resultados (média das imgs)"},
        {"qrlTotalCells", "Total de células:"},
        {"qrlTotalArea", "Área analisada (mm²):"},
        {"qrlDensity", "Densidade (cel/mm²):"},
        {"qrlSD", "Desvio Padrão:"},
        {"qrlMinSize", "Área Mínima (µm²):"},
        {"qrlAvgSize", "Área Média (µm²):"},
        {"qrlMaxSize", "Área Máxima (µm²):"},
        {"qrlHexCells", "Células hexagonais (%):"},
        {"qrlCV", "CV (%):"},
        {"qrlAvgPaq", "Paquimetria Méd. (µm):"},
        {"lblDiag", "Diagnóstico"},
        {"lblObs", "OBS"},
        {"chtPolimorphism", "Polimorfismo"},
        {"chtPolimegatism", "Polimegatismo"},
        {"chtDensXAge", "Densidade Endotelial X Idade"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]);
}

void TestReport::fixedCaptions()
{
    QFETCH(QString, element);
    QFETCH(QString, caption);
    const TReportElement *e = FindElement(element);
    QVERIFY(e);
    QCOMPARE(e->caption, caption);
    QCOMPARE(FillReport(sampleFields()).Text(element), caption);
}

void TestReport::fillReportSetsEveryValue()
{
    const QDateTime printedAt(QDate(2025, 1, 31), QTime(9, 7, 3));
    const TReportContent c = FillReport(sampleFields(), printedAt);
    const std::pair<const char *, const char *> expected[] = {
        {"qrlPatientName", "Maria Aparecida da Conceição"},
        {"qrlPatientInfo", "Prontuário : 1207 - Dt. Nasc. : 10/05/1980 - 44 anos"},
        {"qrlDoctorName", "Resp.: Dra. Helena Prado - CRM: 54321-SP"},
        {"qrlExaminationData", "12/03/2024 - 14:05:09"},
        {"qrlEyeValue", "OS"},
        {"qrlFixationValue", "2h (N)"},
        {"qrlImgsQttyValue", "3"},
        {"qrlTotalCellsValue", "123"},
        {"qrlTotalAreaValue", "0.0456"},
        {"qrlDensityValue", "2697"},
        {"qrlSDValue", "120.25"},
        {"qrlMinSizeValue", "150.50"},
        {"qrlAvgSizeValue", "370.75"},
        {"qrlMaxSizeValue", "820.13"},
        {"qrlHexCellsValue", "57"},
        {"qrlCVValue", "33"},
        {"qrlAvgPaqValue", "545"},
        {"qrmDiag", "Córnea transparente"},
        {"qrmOBS", "Sem alterações"},
        {"qrl_Print_Time", "31/01/2025 - 09:07:03"},
        {"qrlClinicName", "Clínica de Olhos São João"},
        {"qrlClinicAddress", "Rua das Acácias, 120 - São Paulo"},
        {"qrlClinicPhone", "Tel.: (11) 4444-0000"},
    };
    for (const auto &[element, text] : expected)
        QCOMPARE(c.Text(QLatin1String(element)), QString::fromUtf8(text));
    // Every text element has a text; pictures, images and charts have none to fill.
    for (const TReportElement &e : ReportElements())
        if (e.kind == TElementKind::Label || e.kind == TElementKind::Memo)
            QVERIFY2(!c.Text(e.name).isEmpty(), qPrintable(e.name));
}

void TestReport::reportFixation_data()
{
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("eye");
    QTest::addColumn<QString>("printed");
    QTest::newRow("0h is the central target") << 0 << 0 << "0 (Central)";
    QTest::newRow("6h has no side") << 6 << 0 << "6h";
    QTest::newRow("12h has no side") << 12 << 1 << "12h";
    QTest::newRow("2h on OD is nasal") << 2 << 0 << "2h (N)";
    QTest::newRow("2h on OS is temporal") << 2 << 1 << "2h (T)";
    QTest::newRow("10h on OD is temporal") << 10 << 0 << "10h (T)";
}

void TestReport::reportFixation()
{
    QFETCH(int, pos);
    QFETCH(int, eye);
    QFETCH(QString, printed);
    const auto p = static_cast<std::uint16_t>(pos);
    const QString windowText = exam::FixationText(p, exam::FixSideFor(p, static_cast<std::uint8_t>(eye)));
    TReportFields fields = sampleFields();
    fields.fixation = windowText;
    QCOMPARE(FillReport(fields).Text(QStringLiteral("qrlFixationValue")), printed);
    // Only the exact text "0h" is replaced.
    QCOMPARE(ReportFixationText(QStringLiteral("10h (T)")), QStringLiteral("10h (T)"));
    QCOMPARE(ReportFixationText(QStringLiteral("0h ")), QStringLiteral("0h "));
}

void TestReport::placeImage_data()
{
    QTest::addColumn<bool>("cropBox");
    QTest::addColumn<QSize>("bitmap");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("left");
    QTest::addColumn<double>("scale");
    QTest::newRow("200 x 100 crop: 1.75, Left 0") << true << QSize(200, 100) << QSize(350, 175) << 0 << 1.75;
    QTest::newRow("box size exactly") << true << QSize(350, 273) << QSize(350, 273) << 0 << 1.0;
    QTest::newRow("tall crop moves right") << true << QSize(100, 210) << QSize(130, 273) << 220 << 1.3;
    QTest::newRow("twice the box") << true << QSize(700, 546) << QSize(350, 273) << 0 << 0.5;
    QTest::newRow("one pixel") << true << QSize(1, 1) << QSize(273, 273) << 77 << 273.0;
    QTest::newRow("a half rounds to even") << true << QSize(700, 101) << QSize(350, 50) << 0 << 0.5;
    QTest::newRow("processed box keeps its left") << false << QSize(100, 200) << QSize(138, 275) << 360 << 1.375;
    QTest::newRow("processed 200 x 100") << false << QSize(200, 100) << QSize(350, 175) << 360 << 1.75;
}

void TestReport::placeImage()
{
    QFETCH(bool, cropBox);
    QFETCH(QSize, bitmap);
    QFETCH(QSize, picture);
    QFETCH(int, left);
    QFETCH(double, scale);
    const QSize box = cropBox ? kCroppedBox : kCroppedProcessedBox;
    const int designLeft = cropBox ? kCroppedLeft : kCroppedProcessedLeft;
    const TImagePlacement p = PlaceImage(box, designLeft, bitmap, cropBox);
    QCOMPARE(p.picture, picture);
    QCOMPARE(p.boxLeft, left);
    QCOMPARE(p.scale, scale);
    // The picture lies inside its box, centred.
    const QRectF r = p.PictureRect();
    QVERIFY(QRectF(p.boxLeft, 0, box.width(), box.height()).contains(r));
    QCOMPARE(r.center(), QPointF(p.boxLeft + box.width() / 2.0, box.height() / 2.0));
}

void TestReport::placeEmptyBitmapThrows()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, PlaceImage(kCroppedBox, 0, QSize(0, 120), true));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SetReportImages(QImage(), gradient(10, 10)));
}

void TestReport::setReportImages()
{
    const TReportImages images = SetReportImages(gradient(200, 100), gradient(100, 200));
    QCOMPARE(images.cropped.placement.picture, QSize(350, 175));
    QCOMPARE(images.cropped.placement.boxLeft, 0);
    QCOMPARE(images.croppedProcessed.placement.picture, QSize(138, 275));
    QCOMPARE(images.croppedProcessed.placement.boxLeft, 360);
    QCOMPARE(images.cropped.bitmapSize, QSize(200, 100));
    QCOMPARE(images.cropped.metafile.boundingRect(), QRect(0, 0, 200, 100));
    // Whatever the crop's size, the two pictures keep the same gap between them.
    for (const QSize size : {QSize(200, 100), QSize(100, 200), QSize(350, 273), QSize(40, 300)}) {
        const TReportImages pair = SetReportImages(gradient(size.width(), size.height()),
                                                   gradient(size.width(), size.height()));
        const qreal gap =
            pair.croppedProcessed.placement.PictureRect().left() - pair.cropped.placement.PictureRect().right();
        QVERIFY2(gap >= 9 && gap <= 11, qPrintable(QString::number(gap)));
    }
}

void TestReport::metafileStream()
{
    const QImage bitmap = gradient(31, 17);
    const std::unique_ptr<QBuffer> stream = BitmapToMetafileStream(bitmap);
    QVERIFY(stream);
    QCOMPARE(stream->pos(), 0);
    QVERIFY(stream->isReadable());
    QPicture metafile;
    QVERIFY(metafile.load(stream.get()));
    QCOMPARE(metafile.boundingRect(), QRect(0, 0, 31, 17));
    // Played back at its size the metafile gives the bitmap's pixels.
    QImage played(31, 17, QImage::Format_RGB888);
    played.fill(Qt::black);
    {
        QPainter painter(&played);
        painter.drawPicture(0, 0, metafile);
    }
    QCOMPARE(played, bitmap);
    QVERIFY(!BitmapToMetafileStream(QImage()));
}

void TestReport::suggestedFileName_data()
{
    QTest::addColumn<QString>("patient");
    QTest::addColumn<QString>("eye");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("file");
    QTest::newRow("accents kept") << "Maria Aparecida da Conceição" << "OS" << "12/03/2024"
                                  << "Maria Aparecida da Conceição - OS - 2024-03-12.pdf";
    QTest::newRow("slashes and colons") << "José d'Ávila / Filho: 2º" << "OD" << "01/02/2023"
                                        << "José d'Ávila Filho 2º - OD - 2023-02-01.pdf";
    QTest::newRow("blanks collapse") << "  Ana   Lúcia \t Souza " << "OD" << "31/12/2020"
                                     << "Ana Lúcia Souza - OD - 2020-12-31.pdf";
    QTest::newRow("hidden-file dot") << "..Ana" << "OD" << "31/12/2020" << "Ana - OD - 2020-12-31.pdf";
    QTest::newRow("empty name") << "" << "OS" << "12/03/2024" << "Exame - OS - 2024-03-12.pdf";
    QTest::newRow("only forbidden characters") << "<>|?*" << "OS" << "12/03/2024" << "Exame - OS - 2024-03-12.pdf";
    QTest::newRow("no date") << "Ana" << "OD" << "" << "Ana - OD.pdf";
    QTest::newRow("not a date") << "Ana" << "OD" << "31/02/2020" << "Ana - OD.pdf";
    QTest::newRow("long name cut") << QString(200, QLatin1Char('a')) << "OD" << "01/01/2021"
                                   << QString(120, QLatin1Char('a')) + " - OD - 2021-01-01.pdf";
}

void TestReport::suggestedFileName()
{
    QFETCH(QString, patient);
    QFETCH(QString, eye);
    QFETCH(QString, date);
    QFETCH(QString, file);
    QCOMPARE(SuggestedPdfFileName(patient, eye, date), file);
}

void TestReport::reportFields()
{
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.eye = 0;
    r.exam.Age = 255;
    const TReportFields f = ReportFields(r);
    QCOMPARE(f.patientInfo, QStringLiteral("Prontuário : 1207 - Dt. Nasc. : 10/05/1980 - 255 anos"));
    QCOMPARE(f.doctor, QStringLiteral("Resp.: Dra. Helena Prado - CRM: 54321-SP"));
    QCOMPARE(f.examinationDate, QStringLiteral("12/03/2024 - 14:05:09"));
    QCOMPARE(f.eye, QStringLiteral("OD"));
    QCOMPARE(EyeText(1), QStringLiteral("OS"));
    QCOMPARE(EyeText(2), QStringLiteral("OD"));
}

void TestReport::prepareUnsaved()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.exam.DateText.clear();
    QVERIFY(!PrepareReport(r));
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Salve o Exame Antes de Imprimir!")});
    QCOMPARE(dialogs.last().caption, QStringLiteral("AVISO"));
}

void TestReport::prepareMissingPicture_data()
{
    QTest::addColumn<QString>("missing");
    QTest::newRow("Crop.bmp") << "Crop.bmp";
    QTest::newRow("Process.bmp") << "Process.bmp";
}

void TestReport::prepareMissingPicture()
{
    QFETCH(QString, missing);
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    const TPrintRequest r = savedRequest(dir.path());
    QVERIFY(QFile::remove(dir.filePath(missing)));
    QVERIFY(!PrepareReport(r));
    QCOMPARE(dialogs.shown().size(), 1);
    QCOMPARE(dialogs.last().caption, QStringLiteral("ERRO"));
    QCOMPARE(dialogs.last().text, QStringLiteral("Não foi possível gerar o relatório de impressão. Entre em contato "
                                                 "com o suporte técnico pelo telefone 0800 771 2040"));
}

void TestReport::prepareInvalidBirthDate()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.dateOfBirth = QStringLiteral("30/02/1990");
    const auto data = PrepareReport(r);
    QVERIFY(data);
    QVERIFY(!data->densityAge);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Não será possível plotar o gráfico de densidade até que "
                                                         "uma data de nascimento válida seja inserida!")});
    QCOMPARE(data->content.Text(QStringLiteral("qrlPatientInfo")),
             QStringLiteral("Prontuário : 1207 - Dt. Nasc. : 30/02/1990 - 43 anos"));
    QVERIFY(data->images.cropped.IsSet());
}

void TestReport::prepareUsesTodaysAge()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    // Born 30 years and a day ago; examined at 20.
    r.dateOfBirth = DateToText(QDate::currentDate().addYears(-30).addDays(-1));
    r.exam.Age = 20;
    const auto data = PrepareReport(r);
    QVERIFY(data);
    QVERIFY(dialogs.shown().isEmpty());
    QCOMPARE(data->densityAge, std::optional<std::uint8_t>(30));
    QVERIFY(data->content.Text(QStringLiteral("qrlPatientInfo")).endsWith(QStringLiteral(" - 20 anos")));
}

void TestReport::prepareLoadsTheStoredSummary()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    const auto data = PrepareReport(savedRequest(dir.path()));
    QVERIFY(data);
    QCOMPARE(int(data->summary.FramesUsed), 3);
    QCOMPARE(int(data->summary.CellCount), 123);
    QCOMPARE(int(data->summary.Density), 2697);
    QCOMPARE(data->summary.SidesHist, (TSidesHist{3, 12, 70, 30, 8}));
    QCOMPARE(data->summary.AreaHist, (TAreaHist{1, 2, 10, 40, 50, 15, 5}));
    QCOMPARE(data->eyeText, QStringLiteral("OS"));
    QCOMPARE(data->images.cropped.placement.picture, QSize(350, 262));
}

void TestReport::prepareKeepsFiguresOfAMalformedDistribution()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.exam.MorphoInfo = QStringLiteral("3;12;x;30;8");
    const auto data = PrepareReport(r);
    QVERIFY(data); // LoadSummary's result is not a reason to refuse the report
    QCOMPARE(int(data->summary.SidesHist[0]), 3);
    QCOMPARE(int(data->summary.SidesHist[1]), 12);
    QCOMPARE(int(data->summary.CellCount), 123);
    QVERIFY(dialogs.shown().isEmpty());
}

void TestReport::reportPie_data()
{
    QTest::addColumn<QString>("morphoInfo");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("five slices") << "3;12;70;30;8" << QStringList{"4 lados", "5 lados", "6 lados", "7 lados", "N lados"}
                                 << QList<int>{3, 12, 70, 30, 8};
    QTest::newRow("no seven-sided cells: four slices")
        << "3;12;70;0;8" << QStringList{"4 lados", "5 lados", "6 lados", "N lados"} << QList<int>{3, 12, 70, 8};
    QTest::newRow("only hexagons") << "0;0;50;0;0" << QStringList{"6 lados"} << QList<int>{50};
    QTest::newRow("all counts 0: empty pie") << "0;0;0;0;0" << QStringList{} << QList<int>{};
}

void TestReport::reportPie()
{
    QFETCH(QString, morphoInfo);
    QFETCH(QStringList, labels);
    QFETCH(QList<int>, values);
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.exam.MorphoInfo = morphoInfo;
    const auto data = PrepareReport(r);
    QVERIFY(data);
    const QList<exam::TPieSlice> &slices = data->charts.Polymorphism.Slices;
    QCOMPARE(slices.size(), labels.size());
    for (int i = 0; i < slices.size(); ++i) {
        QCOMPARE(slices[i].Label, labels[i]);
        QCOMPARE(slices[i].Value, values[i]);
    }
    QCOMPARE(data->charts.Polymorphism.Title, QStringLiteral("Polimorfismo"));
}

void TestReport::reportBars()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    const auto data = PrepareReport(savedRequest(dir.path())); // MegatInfo 1;2;10;40;50;15;5, >= 700 first
    QVERIFY(data);
    const exam::TPolymegathismChart &bars = data->charts.Polymegathism;
    QCOMPARE(bars.Bars.size(), 7);
    const int expected[] = {5, 15, 50, 40, 10, 2, 1}; // < 200 at X = 100 … >= 700 at X = 700
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(bars.Bars[i].X, 100.0 * (i + 1));
        QCOMPARE(bars.Bars[i].Value, expected[i]);
    }
    QCOMPARE(bars.Bottom.Title, QStringLiteral("Área (µm²)"));
    QCOMPARE(bars.Left.Title, QStringLiteral("Qtde."));
}

void TestReport::reportDensityMarker_data()
{
    QTest::addColumn<int>("ageToday");
    QTest::addColumn<double>("markerAge");
    QTest::newRow("30") << 30 << 30.0;
    QTest::newRow("99") << 99 << 99.0;
    QTest::newRow("100") << 100 << 100.0;
    QTest::newRow("101 is drawn at 100") << 101 << 100.0;
    QTest::newRow("118 is drawn at 100") << 118 << 100.0;
}

void TestReport::reportDensityMarker()
{
    QFETCH(int, ageToday);
    QFETCH(double, markerAge);
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.dateOfBirth = DateToText(QDate::currentDate().addYears(-ageToday).addDays(-1));
    r.exam.Age = 20; // the age at the examination: the screen's marker, not the report's
    const auto data = PrepareReport(r);
    QVERIFY(data);
    QVERIFY(dialogs.shown().isEmpty());
    const exam::TDensityAgeChart &density = data->charts.DensityAge;
    QVERIFY(density.Patient);
    QCOMPARE(density.Patient->x(), markerAge);
    QCOMPARE(density.Patient->y(), 2697.0);
    QCOMPARE(density.Lines.size(), 3);
    // The report's density axis runs from 500 to 3500 and keeps its title.
    QCOMPARE(density.Left.Min, 500.0);
    QCOMPARE(density.Left.Max, 3500.0);
    QCOMPARE(density.Left.TickInterval, 500.0);
    QCOMPARE(density.Title, QStringLiteral("Densidade Endotelial X Idade"));
}

void TestReport::reportDensityWithoutBirthDate()
{
    RecordingDialogs dialogs;
    QTemporaryDir dir;
    TPrintRequest r = savedRequest(dir.path());
    r.dateOfBirth = QStringLiteral("  /  /    ");
    const auto data = PrepareReport(r);
    QVERIFY(data);
    QCOMPARE(dialogs.shown().size(), 1);
    QVERIFY(!data->charts.DensityAge.Patient);
    QVERIFY(data->charts.DensityAge.Lines.isEmpty());
    // The other charts are still there.
    QCOMPARE(data->charts.Polymorphism.Slices.size(), 5);
    QCOMPARE(data->charts.Polymegathism.Bars.size(), 7);
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
