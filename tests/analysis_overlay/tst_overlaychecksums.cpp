// The images of the drawing step pinned down to the byte: the review image and
// both crops after an analysis and after redraws with every combination of the
// display buttons, and the contrast view, on the golden frames and a synthetic
// frame. The recorded checksums in tests/data/overlay/checksums.txt are the
// output of the drawing code as it was before it was optimised: any change of
// one byte of any image fails here.
#include "UBAnalyseFrame.h"

#include "Numbers.h"
#include "SyntheticEndothelium.h"
#include "UBFrameBuffer.h"
#include "VoronoiDistMatrix.h"

#include <QFile>
#include <QHash>
#include <QTest>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <vector>

using namespace cornix;

namespace {

// FNV-1a, 64 bits, over the size, the format and each line's pixel bytes
// (padding at the end of a line excluded).
class TChecksum {
public:
    void Add(const void *data, std::size_t size)
    {
        const auto *bytes = static_cast<const uchar *>(data);
        for (std::size_t i = 0; i < size; ++i)
            m_value = (m_value ^ bytes[i]) * 0x100000001b3ull;
    }
    quint64 Value() const { return m_value; }

private:
    quint64 m_value = 0xcbf29ce484222325ull;
};

quint64 ImageChecksum(const QImage &image)
{
    TChecksum sum;
    const qint32 header[] = {image.width(), image.height(), qint32(image.format())};
    sum.Add(header, sizeof header);
    const std::size_t lineBytes = (std::size_t(image.width()) * std::size_t(image.depth()) + 7) / 8;
    for (int row = 0; row < image.height(); ++row)
        sum.Add(image.constScanLine(row), lineBytes);
    return sum.Value();
}

QImage SyntheticFrame()
{
    const sim::SyntheticEndothelium tissue(7, sim::MosaicParams{});
    sim::CameraParams camera;
    camera.limitedField = true;
    return sim::ToQImage(tissue.render(camera));
}

QImage GoldenFrame(const char *folder)
{
    return QImage(QStringLiteral(CORNIX_TEST_DATA_DIR "/analyse/") + QLatin1String(folder) +
                  QStringLiteral("/frame.png"));
}

// Camera-like noise of any size: every grey level, channels that differ.
QImage NoiseImage(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB888);
    quint32 state = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int base = int(state >> 24);
            image.setPixel(x, y, qRgb(base, std::min(255, base + int((state >> 8) & 7)), std::max(0, base - 3)));
        }
    return image;
}

struct TFrameCase {
    QString Name;
    QImage Image;
    TRect Roi;
};

const std::vector<TFrameCase> &Frames()
{
    static const std::vector<TFrameCase> list = [] {
        const QImage synthetic = SyntheticFrame();
        const QImage d2500 = GoldenFrame("d2500_seed12");
        const TRect golden{180, 140, 460, 340};
        return std::vector<TFrameCase>{
            {QStringLiteral("synthetic"), synthetic, TRect{175, 135, 465, 345}},
            {QStringLiteral("d1000"), GoldenFrame("d1000_seed11"), golden},
            {QStringLiteral("d2500"), d2500, golden},
            {QStringLiteral("d3500"), GoldenFrame("d3500_seed13"), golden},
            // Regions on the frame's edges: clipped smoothing, profiles near the edges.
            {QStringLiteral("d2500_corner"), d2500, TRect{380, 280, 639, 479}},
            {QStringLiteral("synthetic_topleft"), synthetic, TRect{0, 0, 250, 200}},
        };
    }();
    return list;
}

using TImages = std::vector<std::pair<QString, QImage>>;

std::unique_ptr<TBFrameBuffer> AnalysedBuffer(const TFrameCase &frame)
{
    auto buffer = std::make_unique<TBFrameBuffer>(TAnalysisScale{0.00186, 1.5});
    buffer->AddFrame(frame.Image, QString(), 0, TBFrameBuffer::kNewFrameThreshold, TPachymetry{}, TRect{}, 0);
    buffer->SetRoi(0, frame.Roi);
    buffer->MeasurePachymetry(0);
    return buffer;
}

TImages WithCrops(const TBFrameBuffer &buffer, const QImage &review)
{
    return {{QStringLiteral("review"), review},
            {QStringLiteral("crop"), buffer.Crop(0)},
            {QStringLiteral("processed"), buffer.ProcessedCrop(0)}};
}

// One case: a name and the images it makes.
struct TCase {
    QString Name;
    std::function<TImages()> Run;
};

QString OptionsName(const TOverlayOptions &o)
{
    return QStringLiteral("e%1c%2k%3x%4")
        .arg(int(o.ShowEdges))
        .arg(int(o.ShowCentres))
        .arg(int(o.ShowColour))
        .arg(int(o.ContrastView));
}

TCase AnalyseCase(const TFrameCase &frame)
{
    return {frame.Name + QStringLiteral("/analyse"), [&frame] {
                auto buffer = AnalysedBuffer(frame);
                const TAnalyseOutcome outcome = AnalyseFrame(*buffer, 0, kNormalSensitivity, TDisplaySettings{});
                return WithCrops(*buffer, outcome.Review);
            }};
}

// A redraw after an analysis; refresh draws the pachymetry lines on column 0.
TCase RedrawCase(const TFrameCase &frame, const QString &name, const TDisplaySettings &display, bool refresh = false)
{
    return {frame.Name + QStringLiteral("/") + name, [&frame, display, refresh] {
                auto buffer = AnalysedBuffer(frame);
                AnalyseFrame(*buffer, 0, kNormalSensitivity, TDisplaySettings{});
                const QImage review = refresh ? RefreshFrame(*buffer, 0, display) : RedrawFrame(*buffer, 0, display);
                return WithCrops(*buffer, review);
            }};
}

TCase ContrastViewCase(const TFrameCase &frame, const QString &name, const TContrastSettings &settings)
{
    return {frame.Name + QStringLiteral("/contrast/") + name, [&frame, settings] {
                QImage image = FrameImage(frame.Image).copy();
                EnhanceContrast(image, frame.Roi, settings);
                return TImages{{QStringLiteral("view"), image}};
            }};
}

std::vector<std::pair<QString, TContrastSettings>> ContrastVariants()
{
    std::vector<std::pair<QString, TContrastSettings>> list;
    const auto add = [&list](const char *name, auto change) {
        TContrastSettings s;
        change(s);
        list.emplace_back(QLatin1String(name), s);
    };
    add("default", [](TContrastSettings &) {});
    add("fir1", [](TContrastSettings &s) { s.FIRLen = 1; });
    add("fir0", [](TContrastSettings &s) { s.FIRLen = 0; });
    add("fir4", [](TContrastSettings &s) { s.FIRLen = 4; });
    add("fir40", [](TContrastSettings &s) { s.FIRLen = 40; });
    add("firneg", [](TContrastSettings &s) { s.FIRLen = -3; });
    add("minblack60", [](TContrastSettings &s) { s.MinBlack = 60; });
    add("minblackneg", [](TContrastSettings &s) { s.MinBlack = -20; });
    add("largmin300", [](TContrastSettings &s) { s.LargMin = 300.0; }); // every column narrow
    add("largmin120", [](TContrastSettings &s) { s.LargMin = 120.0; });
    add("largmin0.5", [](TContrastSettings &s) { s.LargMin = 0.5; });
    add("perc0", [](TContrastSettings &s) { s.Perc = 0.0; });
    add("perc0.9", [](TContrastSettings &s) { s.Perc = 0.9; });
    add("percneg", [](TContrastSettings &s) { s.Perc = -0.7; });
    add("alpha0beta255", [](TContrastSettings &s) { s.Alpha0 = 0.0, s.Beta0 = 255.0; });
    add("inverted", [](TContrastSettings &s) { s.Alpha0 = 200.0, s.Beta0 = 30.0; });
    add("huge", [](TContrastSettings &s) { s.Alpha0 = -1e12, s.Beta0 = 1e12, s.LargMin = 1e-9; });
    return list;
}

std::vector<std::pair<QString, TTransparency>> TransparencyVariants()
{
    return {{QStringLiteral("t100"), {100, 100}}, {QStringLiteral("t0"), {0, 100}},
            {QStringLiteral("t37of80"), {37, 80}}, {QStringLiteral("tmax0"), {5, 0}},
            {QStringLiteral("t130"), {130, 100}}, {QStringLiteral("tneg"), {-20, 100}}};
}

// The parts of the overlay on images that are not 640 x 480, with the planes of
// an analysed frame.
TCase OddSizeCase(int width, int height, const TRect &roi)
{
    return {QStringLiteral("odd%1x%2").arg(width).arg(height), [width, height, roi] {
                auto buffer = AnalysedBuffer(Frames()[0]);
                AnalyseFrame(*buffer, 0, kNormalSensitivity, TDisplaySettings{});
                const TDistMatrix &m = *buffer->Matrix(0);
                const TTransparency t{60, 100};
                QImage enhanced = NoiseImage(width, height, 5);
                EnhanceContrast(enhanced, roi, TContrastSettings{});
                QImage drawn = enhanced.copy();
                ColourBySides(drawn, roi, m.LabelPlane(), m.Regions(), t);
                BlendBoundaries(drawn, roi, m.BoundaryPlane(), t);
                DrawCentres(drawn, roi, m.Cells());
                DrawPachymetryLines(drawn, TPachymetry{roi.Left + 3, roi.Right - 3, 0});
                DrawRegionRectangle(drawn, roi);
                QImage overlay = NoiseImage(width, height, 9);
                QImage unprocessed;
                TOverlayOptions options;
                options.ShowColour = true;
                DrawOverlay(overlay, &unprocessed, roi, m, TPachymetry{}, options, TContrastSettings{});
                return TImages{{QStringLiteral("enhanced"), enhanced},
                               {QStringLiteral("drawn"), drawn},
                               {QStringLiteral("overlay"), overlay},
                               {QStringLiteral("unprocessed"), unprocessed}};
            }};
}

std::vector<TCase> Cases()
{
    std::vector<TCase> cases;
    for (const TFrameCase &frame : Frames()) {
        cases.push_back(AnalyseCase(frame));
        for (int bits = 0; bits < 16; ++bits) {
            TDisplaySettings display;
            display.Options.ShowEdges = bits & 1;
            display.Options.ShowCentres = bits & 2;
            display.Options.ShowColour = bits & 4;
            display.Options.ContrastView = bits & 8;
            cases.push_back(RedrawCase(frame, OptionsName(display.Options), display));
        }
        TDisplaySettings colour;
        colour.Options.ShowColour = true;
        cases.push_back(RedrawCase(frame, QStringLiteral("refresh"), colour, true));
        for (const auto &[name, settings] : ContrastVariants())
            cases.push_back(ContrastViewCase(frame, name, settings));
    }
    for (std::size_t f : {0u, 1u}) {
        const TFrameCase &frame = Frames()[f];
        for (const auto &[name, transparency] : TransparencyVariants()) {
            TDisplaySettings display;
            display.Options.ShowColour = true;
            display.Options.Transparency = transparency;
            cases.push_back(RedrawCase(frame, QStringLiteral("colour_") + name, display));
        }
        for (const auto &[name, settings] : ContrastVariants()) {
            TDisplaySettings display;
            display.Options.ShowCentres = true;
            display.Contrast = settings;
            cases.push_back(RedrawCase(frame, QStringLiteral("redraw_") + name, display));
        }
    }
    cases.push_back(OddSizeCase(700, 520, TRect{560, 380, 690, 510}));
    cases.push_back(OddSizeCase(500, 400, TRect{300, 250, 600, 450}));
    return cases;
}

const std::vector<TCase> &AllCases()
{
    static const std::vector<TCase> cases = Cases();
    return cases;
}

// "case/image checksum" lines; '#' starts a comment line.
QHash<QString, quint64> RecordedChecksums()
{
    QHash<QString, quint64> recorded;
    QFile file(QStringLiteral(CORNIX_TEST_DATA_DIR "/overlay/checksums.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return recorded;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() == 2)
            recorded.insert(fields[0], fields[1].toULongLong(nullptr, 16));
    }
    return recorded;
}

// RoundHalfEven as it was written first, from floor and fmod.
std::int64_t RoundHalfEvenByFloor(double value)
{
    const double lower = std::floor(value);
    const double difference = value - lower;
    double result = lower;
    if (difference > 0.5 || (difference == 0.5 && std::fmod(lower, 2.0) != 0.0))
        result = lower + 1.0;
    return static_cast<std::int64_t>(result);
}

} // namespace

class TestOverlayChecksums : public QObject {
    Q_OBJECT

private slots:
    void images_data()
    {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < AllCases().size(); ++i)
            QTest::newRow(AllCases()[i].Name.toUtf8().constData()) << int(i);
    }

    void images()
    {
        QFETCH(int, index);
        static const QHash<QString, quint64> recorded = RecordedChecksums();
        const TCase &c = AllCases()[std::size_t(index)];
        const TImages images = c.Run();
        bool allRecorded = true, allEqual = true;
        for (const auto &[label, image] : images) {
            const QString key = c.Name + QLatin1Char('/') + label;
            const quint64 actual = ImageChecksum(image);
            const auto it = recorded.constFind(key);
            allRecorded = allRecorded && it != recorded.constEnd();
            const bool equal = it != recorded.constEnd() && *it == actual;
            allEqual = allEqual && equal;
            if (!equal)
                qInfo("%s %016llx", qPrintable(key), static_cast<unsigned long long>(actual));
        }
        QVERIFY2(allRecorded, "no checksum recorded for an image of this case");
        QVERIFY2(allEqual, "an image differs from its recording");
    }

    // Every double the overlay can round gives the integer of the floor-based
    // definition (values of int64 range; the others give the same value too).
    void roundHalfEvenMatchesFloorDefinition()
    {
        std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994,
                                      -0.49999999999999994, 4503599627370495.5, -4503599627370495.5,
                                      4503599627370496.0, 9007199254740993.0, 9.2233720368547748e18,
                                      -9.2233720368547758e18, std::numeric_limits<double>::denorm_min(),
                                      -std::numeric_limits<double>::denorm_min()};
        for (int i = -1100; i <= 1100; ++i) {
            const double half = i + 0.5;
            values.insert(values.end(), {half, std::nextafter(half, -1e9), std::nextafter(half, 1e9), double(i),
                                         std::nextafter(double(i), -1e9), std::nextafter(double(i), 1e9)});
        }
        std::mt19937_64 random(11);
        for (int i = 0; i < 200000; ++i) {
            const double bits = std::bit_cast<double>(random());
            if (std::isfinite(bits) && std::abs(bits) < 9.2e18)
                values.push_back(bits);
            values.push_back(double(std::int64_t(random() >> 20) - (std::int64_t(1) << 43)) / 4096.0);
            values.push_back((double(random() >> 11) / 9007199254740992.0 - 0.5) * 600.0);
        }
        for (double v : values)
            QCOMPARE(RoundHalfEven(v), RoundHalfEvenByFloor(v));
    }

    // Grey levels (R + G + B) / 3 rounded of every pixel inside 640 x 480, 0 beyond
    // a smaller image, for images of every size class and channel values.
    void grayOfMatchesDefinition_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("frame") << NoiseImage(kFrameWidth, kFrameHeight, 21);
        QTest::newRow("narrow, odd width") << NoiseImage(101, 37, 22);
        QTest::newRow("larger than a frame") << NoiseImage(653, 490, 23);
        QTest::newRow("RGB32") << NoiseImage(333, 480, 24).convertToFormat(QImage::Format_RGB32);
        QImage extremes(kFrameWidth, 4, QImage::Format_RGB888);
        for (int x = 0; x < kFrameWidth; ++x) {
            extremes.setPixel(x, 0, qRgb(255, 255, 255));
            extremes.setPixel(x, 1, qRgb(x % 256, (x * 7) % 256, 255 - x % 256));
            extremes.setPixel(x, 2, qRgb(255, 255, x % 256));
            extremes.setPixel(x, 3, qRgb(0, 0, x % 3));
        }
        QTest::newRow("extremes") << extremes;
        QTest::newRow("null") << QImage();
    }

    void grayOfMatchesDefinition()
    {
        QFETCH(QImage, image);
        auto gray = std::make_unique<TGrayFrame>();
        for (auto &row : *gray)
            row.fill(99);
        TBFrameBuffer::GrayOf(image, *gray);
        for (int y = 0; y < kFrameHeight; ++y)
            for (int x = 0; x < kFrameWidth; ++x) {
                const bool inside = x < image.width() && y < image.height();
                const QRgb p = inside ? image.pixel(x, y) : 0;
                const int expected = inside ? (qRed(p) + qGreen(p) + qBlue(p) + 1) / 3 : 0;
                if ((*gray)[std::size_t(y)][std::size_t(x)] != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }
    }

    // What the conversion of the floor-based definition gave on this platform,
    // now a defined result.
    void roundHalfEvenOutOfRange()
    {
        constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
        for (double v : {0x1p63, -0x1p64, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
            QCOMPARE(RoundHalfEven(v), lowest);
        QCOMPARE(RoundHalfEven(-0x1p63), lowest);
        QCOMPARE(RoundHalfEven(std::nextafter(0x1p63, 0.0)), std::int64_t(0x7ffffffffffffc00));
    }
};

QTEST_APPLESS_MAIN(TestOverlayChecksums)
#include "tst_overlaychecksums.moc"
