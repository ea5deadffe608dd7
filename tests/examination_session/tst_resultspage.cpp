// The texts of the results page and of the per-frame results group: formats of a
// summary and of a saved examination, the record's figures from a summary, the
// decimal labels read by the save, the memos' counters and the page's messages.
#include "UBResultsPage.h"

#include "Numbers.h"
#include "UExame.h"

#include <QTest>

using namespace cornix;
using namespace cornix::exam;

namespace {

TEndoStats summary()
{
    TEndoStats s;
    s.FramesUsed = 2;
    s.CellCount = 12;
    s.SidesHist = {1, 2, 7, 1, 1};
    s.Density = 2734;
    s.AreaHist = {0, 1, 5, 20, 31, 14, 2};
    s.MaxArea = 612.3456;
    s.MinArea = 120.5;
    s.MeanArea = 365.789;
    s.AnalysedArea = 0.20764;
    s.AreaSD = 80.125;
    s.AreaCV = 0.123;
    s.Pachymetry = 45;
    return s;
}

TExame savedOf(const TEndoStats &s)
{
    TExame e;
    StoreSummary(e, s);
    return e;
}

} // namespace

class TestResultsPage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetDecimalSeparator('.'); }
    void summaryTexts();
    void savedTexts();
    void hexagonal_data();
    void hexagonal();
    void pachymetryFormats_data();
    void pachymetryFormats();
    void savedWithoutCells();
    void frameTexts();
    void storeSummary();
    void decimalLabels_data();
    void decimalLabels();
    void memo_data();
    void memo();
    void fitMemo();
    void messages();
};

void TestResultsPage::summaryTexts()
{
    const TResultsTexts t = ResultsOfSummary(summary());
    QCOMPARE(t.TotalCells, QStringLiteral("12"));
    QCOMPARE(t.TotalArea, QStringLiteral("0.2076"));
    QCOMPARE(t.Density, QStringLiteral("2734"));
    QCOMPARE(t.SD, QStringLiteral("80.12")); // an exact half, to even
    QCOMPARE(t.MinSize, QStringLiteral("120.50"));
    QCOMPARE(t.AvgSize, QStringLiteral("365.79"));
    QCOMPARE(t.MaxSize, QStringLiteral("612.35"));
    QCOMPARE(t.HexCells, QStringLiteral("58"));
    QCOMPARE(t.CV, QStringLiteral("12"));
    QCOMPARE(t.AvgPaq, QStringLiteral("045"));
    QCOMPARE(t.ImgsQttyUsed, QStringLiteral("2"));
}

void TestResultsPage::savedTexts()
{
    const TResultsTexts fresh = ResultsOfSummary(summary());
    const TResultsTexts saved = ResultsOfSavedExamination(savedOf(summary()));
    QCOMPARE(saved.TotalCells, fresh.TotalCells);
    QCOMPARE(saved.TotalArea, fresh.TotalArea);
    QCOMPARE(saved.HexCells, fresh.HexCells);
    QCOMPARE(saved.CV, fresh.CV);
    QCOMPARE(saved.ImgsQttyUsed, fresh.ImgsQttyUsed);
    QCOMPARE(saved.AvgPaq, QStringLiteral("45")); // a plain integer when shown saved
}

void TestResultsPage::hexagonal_data()
{
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("six");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12 of which 7") << 12 << 7 << QStringLiteral("58");
    QTest::newRow("all") << 40 << 40 << QStringLiteral("100");
    QTest::newRow("none") << 40 << 0 << QStringLiteral("00");
    QTest::newRow("half: 62.5 to even") << 8 << 5 << QStringLiteral("62");
    QTest::newRow("7.5 to even") << 40 << 3 << QStringLiteral("08");
}

void TestResultsPage::hexagonal()
{
    QFETCH(int, cells);
    QFETCH(int, six);
    QFETCH(QString, expected);
    TEndoStats s;
    s.CellCount = std::uint16_t(cells);
    s.SidesHist[kHexagonalBin] = std::uint16_t(six);
    QCOMPARE(ResultsOfSummary(s).HexCells, expected);
    QCOMPARE(ResultsOfSavedExamination(savedOf(s)).HexCells, expected);
    QCOMPARE(savedOf(s).Hexagonal, six);
}

void TestResultsPage::pachymetryFormats_data()
{
    QTest::addColumn<int>("micrometres");
    QTest::addColumn<QString>("fresh");
    QTest::addColumn<QString>("saved");
    QTest::newRow("45") << 45 << QStringLiteral("045") << QStringLiteral("45");
    QTest::newRow("0") << 0 << QStringLiteral("000") << QStringLiteral("0");
    QTest::newRow("540") << 540 << QStringLiteral("540") << QStringLiteral("540");
    QTest::newRow("1250") << 1250 << QStringLiteral("1250") << QStringLiteral("1250");
}

void TestResultsPage::pachymetryFormats()
{
    QFETCH(int, micrometres);
    QFETCH(QString, fresh);
    QFETCH(QString, saved);
    TEndoStats s;
    s.Pachymetry = micrometres;
    QCOMPARE(ResultsOfSummary(s).AvgPaq, fresh);
    QCOMPARE(ResultsOfSavedExamination(savedOf(s)).AvgPaq, saved);
    TFrameStats frame;
    QCOMPARE(FrameResultsTexts(frame, std::uint16_t(micrometres)).Paq, fresh);
}

void TestResultsPage::savedWithoutCells()
{
    TExame e;
    e.TotalCells = 0;
    e.Hexagonal = 0;
    QCOMPARE(ResultsOfSavedExamination(e).HexCells, QStringLiteral("00"));
}

void TestResultsPage::frameTexts()
{
    TFrameStats f;
    f.CellCount = 12;
    f.SidesHist = {1, 2, 7, 1, 1};
    f.Density = 2500;
    f.AnalysedArea = 0.04321;
    f.AreaSD = 55.555;
    f.MinArea = 100;
    f.MeanArea = 400.004;
    f.MaxArea = 700.5;
    f.AreaCV = 0.345;
    const TFrameResultsTexts t = FrameResultsTexts(f, 540);
    QCOMPARE(t.TotalCells, QStringLiteral("12"));
    QCOMPARE(t.TotalArea, QStringLiteral("0.0432"));
    QCOMPARE(t.Density, QStringLiteral("2500"));
    QCOMPARE(t.MinArea, QStringLiteral("100.00"));
    QCOMPARE(t.AvgArea, QStringLiteral("400.00"));
    QCOMPARE(t.MaxArea, QStringLiteral("700.50"));
    QCOMPARE(t.HexCells, QStringLiteral("58"));
    QCOMPARE(t.CV, QStringLiteral("34")); // 34.5 to even
    QCOMPARE(t.Paq, QStringLiteral("540"));
}

void TestResultsPage::storeSummary()
{
    const TExame e = savedOf(summary());
    QCOMPARE(e.TotalCells, 12);
    QCOMPARE(e.Hexagonal, 7);
    QCOMPARE(e.CV, 0.123);
    QCOMPARE(e.Density, 2734);
    QCOMPARE(e.AnalysedArea, 0.20764);
    QCOMPARE(e.SD, 80.125);
    QCOMPARE(e.AreaMin, 120.5);
    QCOMPARE(e.AreaMean, 365.789);
    QCOMPARE(e.AreaMax, 612.3456);
    QCOMPARE(e.TotalImages, 2);
    QCOMPARE(e.Pachymetry, 45);
    QCOMPARE(e.MorphoInfo, QStringLiteral("1;2;7;1;1"));
    QCOMPARE(e.MegatInfo, QStringLiteral("0;1;5;20;31;14;2"));
    QCOMPARE(JoinCounts(TSidesHist{3, 12, 40, 9, 1}), QStringLiteral("3;12;40;9;1"));
}

void TestResultsPage::decimalLabels_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QStringList>("after");
    const QStringList good{"0.2076", "80.12", "120.50", "365.79", "612.35", "12"};
    QTest::newRow("all read") << good << true << good;
    QTest::newRow("a comma") << QStringList{"0,2076", "80.12", "120.50", "365.79", "612.35", "12"} << true
                             << good;
    QTest::newRow("not a number") << QStringList{"0.2076", "#", "120.50", "365.79", "612.35", "12"} << false
                                  << QStringList{"0.2076", "#", "120.50", "365.79", "612.35", "12"};
}

void TestResultsPage::decimalLabels()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, read);
    QFETCH(QStringList, after);
    QCOMPARE(ReadDecimalLabels(texts), read);
    QCOMPARE(texts, after);
}

void TestResultsPage::memo_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("remaining");
    QTest::newRow("empty") << QString() << 245;
    QTest::newRow("two lines ab and c") << QStringLiteral("ab\nc") << 239;
    QTest::newRow("one line, no break") << QStringLiteral("abc") << 241;
    QTest::newRow("a closing break counts two") << QStringLiteral("ab\nc\n") << 237;
    QTest::newRow("accents count one") << QStringLiteral("ação") << 240;
    QTest::newRow("full") << QString(244, QLatin1Char('x')) << 0;
}

void TestResultsPage::memo()
{
    QFETCH(QString, text);
    QFETCH(int, remaining);
    QCOMPARE(RemainingCharacters(text), remaining);
}

void TestResultsPage::fitMemo()
{
    QCOMPARE(FitMemo(QString(250, QLatin1Char('x'))).size(), 244);
    const QString lines = QString(241, QLatin1Char('x')) + QStringLiteral("\nyz");
    QCOMPARE(FitMemo(lines), QString(241, QLatin1Char('x')) + QStringLiteral("\ny")); // the break takes two
    QCOMPARE(FitMemo(QStringLiteral("ab\nc\n")), QStringLiteral("ab\nc\n"));
}

void TestResultsPage::messages()
{
    QCOMPARE(NoFramesInUseMessage(), QStringLiteral(" Não existem imagens selecionadas "));
    QCOMPARE(InvalidBirthDateMessage(), QStringLiteral("Data de nascimento inválida!"));
    QCOMPARE(DefaultDoctorQuestion(QStringLiteral("Dr. A"), QStringLiteral("1-SP")),
             QStringLiteral("O dados atuais do médico padrão são:\rNome: Dr. A\rCRM: 1-SP\r"
                            "Deseja realmente substituir pelos dados digitados?"));
}

QTEST_APPLESS_MAIN(TestResultsPage)
#include "tst_resultspage.moc"
