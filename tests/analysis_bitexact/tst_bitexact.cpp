// Bit-exact regression of the cell analysis: for every frame of BitExactCases the
// checksums of the finder's planes (stretched source, smoothed, response, mask,
// labels), its cell table, the neighbourhood matrix (label and boundary planes,
// region and vertex tables, also after a manual add and remove), the figures and
// the pachymetry must equal the recording in tests/data/bitexact/expected.txt.
//
// The recording was made once from the code before the analysis passes were
// optimised; it is the definition of "the same result". See
// tests/data/bitexact/README.md before ever re-recording it.
#include "BitExactCases.h"
#include "UBCellFinder.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QFile>
#include <QTest>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

using namespace cornix;
using namespace cornix::bitexact;

namespace {

const QString kDataDir = QStringLiteral(CORNIX_TEST_DATA_DIR);
const QString kExpectedFile = kDataDir + QStringLiteral("/bitexact/expected.txt");
constexpr double kMmPerPixel = 0.00186;
constexpr double kPixelToPaq = 1.5;

bool recording() { return qEnvironmentVariableIntValue("CORNIX_BITEXACT_RECORD") == 1; }

// FNV-1a over 64-bit words (then the tail bytes): any change of any bit of a
// plane changes the checksum with overwhelming probability.
QString checksum(const void *data, std::size_t bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    const auto *p = static_cast<const unsigned char *>(data);
    std::size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        hash = (hash ^ word) * 0x100000001b3ull;
    }
    for (; i < bytes; ++i)
        hash = (hash ^ p[i]) * 0x100000001b3ull;
    return QString::number(hash, 16).rightJustified(16, QLatin1Char('0'));
}

template <typename T>
QString checksumOf(const T &value)
{
    return checksum(&value, sizeof value);
}

QString hexDouble(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%a", v); // exact
    return QString::fromLatin1(text);
}

template <typename Hist>
QString joined(const Hist &hist)
{
    QStringList parts;
    for (auto v : hist)
        parts << QString::number(v);
    return parts.join(QLatin1Char(';'));
}

QString statsText(const TFrameStats &s)
{
    return QStringLiteral("CellCount=%1 Density=%2 SidesHist=%3 AreaHist=%4 MaxArea=%5 MinArea=%6 MeanArea=%7 "
                          "AnalysedArea=%8 AreaSD=%9 AreaCV=%10")
        .arg(s.CellCount)
        .arg(s.Density)
        .arg(joined(s.SidesHist), joined(s.AreaHist), hexDouble(s.MaxArea), hexDouble(s.MinArea),
             hexDouble(s.MeanArea), hexDouble(s.AnalysedArea), hexDouble(s.AreaSD))
        .arg(hexDouble(s.AreaCV));
}

using TResults = std::vector<std::pair<QString, QString>>; // item, value

void addMatrix(TResults &out, const QString &prefix, const TDistMatrix &m)
{
    const std::int32_t vertices = m.VertexCount();
    out.emplace_back(prefix + QStringLiteral("cells"), QStringLiteral("N=%1 %2").arg(m.CellCount()).arg(checksumOf(m.Cells())));
    out.emplace_back(prefix + QStringLiteral("labels"), checksumOf(m.LabelPlane()));
    out.emplace_back(prefix + QStringLiteral("boundary"), checksumOf(m.BoundaryPlane()));
    out.emplace_back(prefix + QStringLiteral("regions"), checksumOf(m.Regions()));
    out.emplace_back(prefix + QStringLiteral("vertices"),
                     QStringLiteral("V=%1 %2").arg(vertices).arg(
                         checksum(m.Vertices().data(), sizeof(TVertexRec) * std::size_t(vertices + 1))));
}

QImage loadFrame(const TCase &c)
{
    if (c.Golden.isEmpty())
        return MakeFrame(c.Name);
    return QImage(kDataDir + QStringLiteral("/analyse/") + c.Golden + QStringLiteral("/frame.png"));
}

// The analysis as the examination window runs it, plus a manual edit.
TResults analyse(const TCase &c, const QImage &image)
{
    TResults out;
    TBFrameBuffer buffer({kMmPerPixel, kPixelToPaq});
    buffer.AddFrame(image, QString(), 0, c.Threshold, {}, {}, 0);
    buffer.SetRoi(0, c.Roi);
    auto gray = std::make_unique<TGrayFrame>();
    buffer.Gray(0, *gray);
    out.emplace_back(QStringLiteral("gray"), checksumOf(*gray));
    const TPachymetry pachymetry = buffer.MeasurePachymetry(0);
    out.emplace_back(QStringLiteral("pachymetry"),
                     QStringLiteral("%1 %2 %3").arg(pachymetry.Left).arg(pachymetry.Right).arg(pachymetry.Width));

    auto finder = std::make_unique<TCMFinder>(*gray);
    finder->Find(c.Iterations, c.Threshold, buffer.Roi(0));
    out.emplace_back(QStringLiteral("finder.source"), checksumOf(finder->SourcePlane()));
    out.emplace_back(QStringLiteral("finder.smoothed"), checksumOf(finder->SmoothedPlane()));
    out.emplace_back(QStringLiteral("finder.response"), checksumOf(finder->ResponsePlane()));
    out.emplace_back(QStringLiteral("finder.mask"), checksumOf(finder->MaskPlane()));
    out.emplace_back(QStringLiteral("finder.labels"), checksumOf(finder->LabelPlane()));
    out.emplace_back(QStringLiteral("finder.cells"), QStringLiteral("N=%1 regions=%2 %3")
                                                         .arg(finder->CellCount())
                                                         .arg(finder->RegionCount())
                                                         .arg(checksumOf(finder->Cells())));
    if (finder->CellCount() == 0)
        return out;

    auto matrix = std::make_unique<TDistMatrix>(finder->Cells());
    matrix->Build();
    addMatrix(out, QStringLiteral("matrix."), *matrix);
    buffer.SetMatrix(0, std::move(matrix));
    const bool computed = buffer.BCalculateStatistics(0);
    out.emplace_back(QStringLiteral("stats"), QStringLiteral("%1 %2").arg(computed).arg(statsText(buffer.Stats(0))));

    // A centre added by hand in the middle of the region and the centre under a
    // point a quarter of the way in removed, then rebuilt.
    TDistMatrix &edited = *buffer.Matrix(0);
    const TRect roi = buffer.Roi(0);
    edited.AddCell((roi.Top + roi.Bottom) / 2 + 1, (roi.Left + roi.Right) / 2 + 2);
    edited.Build();
    edited.RemoveCell(roi.Top + (roi.Bottom - roi.Top) / 4, roi.Left + (roi.Right - roi.Left) / 4);
    edited.Build();
    addMatrix(out, QStringLiteral("edited."), edited);
    buffer.BCalculateStatistics(0);
    out.emplace_back(QStringLiteral("edited.stats"), statsText(buffer.Stats(0)));
    return out;
}

std::map<QString, QString> readRecording()
{
    std::map<QString, QString> expected;
    QFile file(kExpectedFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return expected;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype first = line.indexOf(QLatin1Char(' '));
        const qsizetype second = line.indexOf(QLatin1Char(' '), first + 1);
        expected[line.left(second)] = line.mid(second + 1);
    }
    return expected;
}

} // namespace

class TestBitExact : public QObject {
    Q_OBJECT

    std::map<QString, QString> m_expected;
    QStringList m_recorded;

private slots:
    void initTestCase()
    {
        if (!recording()) {
            m_expected = readRecording();
            QVERIFY2(!m_expected.empty(), qPrintable(kExpectedFile + QStringLiteral(" is missing or empty")));
        }
    }

    void sameAsRecorded_data()
    {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < Cases().size(); ++i)
            QTest::newRow(qPrintable(Cases()[i].Name)) << int(i);
    }

    void sameAsRecorded()
    {
        QFETCH(int, index);
        const TCase &c = Cases()[std::size_t(index)];
        const QImage image = loadFrame(c);
        QVERIFY2(!image.isNull(), qPrintable(QStringLiteral("frame of %1 not found").arg(c.Name)));
        QCOMPARE(image.size(), QSize(kFrameWidth, kFrameHeight));
        const TResults results = analyse(c, image);
        if (recording()) {
            for (const auto &[item, value] : results)
                m_recorded << c.Name + QLatin1Char(' ') + item + QLatin1Char(' ') + value;
            return;
        }
        const auto input = m_expected.find(c.Name + QStringLiteral(" gray"));
        QVERIFY2(input == m_expected.end() || input->second == results.front().second,
                 "the input frame is not the recorded one: the synthetic generator or the grey conversion "
                 "changed, not necessarily the analysis (see tests/data/bitexact/README.md)");
        QStringList differences;
        int found = 0;
        for (const auto &[item, value] : results) {
            const auto it = m_expected.find(c.Name + QLatin1Char(' ') + item);
            if (it == m_expected.end()) {
                differences << item + QStringLiteral(": not in the recording");
                continue;
            }
            ++found;
            if (it->second != value)
                differences << QStringLiteral("%1: %2 instead of %3").arg(item, value, it->second);
        }
        const QString prefix = c.Name + QLatin1Char(' ');
        const auto recordedItems = std::count_if(m_expected.begin(), m_expected.end(),
                                                 [&](const auto &entry) { return entry.first.startsWith(prefix); });
        if (recordedItems != found)
            differences << QStringLiteral("%1 items recorded, %2 produced").arg(recordedItems).arg(found);
        QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QStringLiteral("\n   "))));
    }

    void cleanupTestCase()
    {
        if (!recording())
            return;
        QFile file(kExpectedFile);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate));
        QTextStream out(&file);
        out << "# Bit-exact recording of the cell analysis (tests/analysis_bitexact). Do not edit or re-record\n"
               "# casually: see README.md in this folder.\n";
        for (const QString &line : m_recorded)
            out << line << '\n';
    }
};

QTEST_GUILESS_MAIN(TestBitExact)
#include "tst_bitexact.moc"
