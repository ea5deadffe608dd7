// The overlay's image operations on 640 x 480 RGB888 frames.
#include "UBCellOverlay.h"

#include "VoronoiDistMatrix.h"

#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

using namespace cornix;

namespace {

QImage GreyFrame(int grey)
{
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    image.fill(QColor(grey, grey, grey));
    return image;
}

// A frame whose every pixel differs, so that a pixel written where it should
// not be is seen.
QImage PatternFrame()
{
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) % 256, (x + y * 3) % 256, (x * y) % 256));
    return image;
}

std::unique_ptr<TIntPlane> ZeroPlane() { return std::make_unique<TIntPlane>(TIntPlane{}); }

constexpr TRect kRoi{100, 80, 200, 160};

// The enhancement pixel by pixel, straight from its definition (the optimised
// code must give the same image).
void EnhanceContrastPixelByPixel(QImage &image, const TRect &roi, const TContrastSettings &settings)
{
    auto grey = [&image](int col, int row) {
        const QRgb p = image.pixel(col, row);
        return (qRed(p) + qGreen(p) + qBlue(p)) / 3;
    };
    const int left = std::max(roi.Left, 0), top = std::max(roi.Top, 0);
    const int right = std::min({roi.Right, image.width() - 1, kFrameWidth - 1});
    const int bottom = std::min(roi.Bottom, image.height() - 1);
    TColumnProfile minimum, maximum;
    ColumnProfiles(image, roi, minimum, maximum);
    const TColumnProfile lo = SmoothMinimumProfile(minimum, roi, settings.FIRLen);
    for (int row = top; row <= bottom; ++row)
        for (int col = left; col <= right; ++col) {
            const int stretched = StretchGrey(grey(col, row), lo[std::size_t(col)], maximum[std::size_t(col)], settings);
            const int g = std::clamp(ContrastCurve(stretched, settings.Perc) + settings.MinBlack, 0, 255);
            image.setPixel(col, row, qRgb(g, g, g));
        }
    std::vector<int> smoothed;
    for (int row = top; row <= bottom; ++row)
        for (int col = left; col <= right; ++col) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    sum += (2 - std::abs(dx)) * (2 - std::abs(dy)) *
                           grey(std::clamp(col + dx, 0, image.width() - 1), std::clamp(row + dy, 0, image.height() - 1));
            smoothed.push_back(sum / 16);
        }
    auto next = smoothed.cbegin();
    for (int row = top; row <= bottom; ++row)
        for (int col = left; col <= right; ++col, ++next)
            image.setPixel(col, row, qRgb(*next, *next, *next));
}

// Camera-like noise: every grey level, channels that differ.
QImage NoiseFrame(quint32 seed)
{
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    quint32 state = seed;
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const int base = int(state >> 24);
            image.setPixel(x, y, qRgb(base, std::min(255, base + int((state >> 8) & 7)), std::max(0, base - 3)));
        }
    return image;
}

// Rows of grey 40 and 200 alternating, from 40 on row 0.
QImage StripesFrame()
{
    QImage image(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            image.setPixel(x, y, y % 2 == 0 ? qRgb(40, 40, 40) : qRgb(200, 200, 200));
    return image;
}

} // namespace

Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(cornix::TContrastSettings)

class TestCellOverlay : public QObject {
    Q_OBJECT

private slots:
    void blendChannel_data()
    {
        QTest::addColumn<int>("pixel");
        QTest::addColumn<int>("overlay");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("expected");
        QTest::newRow("bar at 0 keeps the pixel") << 137 << 64 << 0 << 100 << 137;
        QTest::newRow("bar at 100 gives the overlay") << 137 << 64 << 100 << 100 << 64;
        QTest::newRow("bar at 100 red channel of a vertex") << 3 << 255 << 100 << 100 << 255;
        // floor(50*255/100) + floor(50*1/100) = 127 + 0: each term floors on its own.
        QTest::newRow("halves floor separately") << 1 << 255 << 50 << 100 << 127;
        QTest::newRow("third of the way") << 90 << 30 << 33 << 100 << 9 + 60;
        QTest::newRow("max 0 leaves the pixel") << 77 << 255 << 0 << 0 << 77;
    }

    void blendChannel()
    {
        QFETCH(int, pixel);
        QFETCH(int, overlay);
        QFETCH(int, position);
        QFETCH(int, max);
        QFETCH(int, expected);
        QCOMPARE(BlendChannel(pixel, overlay, position, max), expected);
    }

    void boundaryBlending_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QRgb>("boundary");
        QTest::addColumn<QRgb>("vertex");
        QTest::newRow("TranspBar 0: unchanged") << 0 << qRgb(150, 150, 150) << qRgb(150, 150, 150);
        QTest::newRow("TranspBar 100: overlay colours") << 100 << qRgb(64, 64, 64) << qRgb(255, 0, 0);
        QTest::newRow("TranspBar 50") << 50 << qRgb(107, 107, 107) << qRgb(202, 75, 75);
    }

    void boundaryBlending()
    {
        QFETCH(int, position);
        QFETCH(QRgb, boundary);
        QFETCH(QRgb, vertex);
        QImage image = GreyFrame(150);
        auto plane = ZeroPlane();
        (*plane)[100][150] = kBoundaryPixel;
        (*plane)[101][150] = kVertexPixel;
        BlendBoundaries(image, kRoi, *plane, {position, 100});
        QCOMPARE(image.pixel(150, 100), boundary);
        QCOMPARE(image.pixel(150, 101), vertex);
        QCOMPARE(image.pixel(151, 100), qRgb(150, 150, 150));
    }

    void boundaryOnBorderNotBlended_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("blended");
        QTest::newRow("top border") << kRoi.Top << 150 << false;
        QTest::newRow("bottom border") << kRoi.Bottom << 150 << false;
        QTest::newRow("left border") << 120 << kRoi.Left << false;
        QTest::newRow("right border") << 120 << kRoi.Right << false;
        QTest::newRow("just inside top-left") << kRoi.Top + 1 << kRoi.Left + 1 << true;
        QTest::newRow("just inside bottom-right") << kRoi.Bottom - 1 << kRoi.Right - 1 << true;
        QTest::newRow("outside") << kRoi.Top - 1 << 150 << false;
    }

    void boundaryOnBorderNotBlended()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(bool, blended);
        QImage image = GreyFrame(150);
        auto plane = ZeroPlane();
        (*plane)[std::size_t(row)][std::size_t(col)] = kBoundaryPixel;
        BlendBoundaries(image, kRoi, *plane, {100, 100});
        QCOMPARE(image.pixel(col, row) == kBoundaryColour, blended);
    }

    void sideColourHue_data()
    {
        QTest::addColumn<int>("sides");
        QTest::addColumn<double>("hue");
        // Hues worked out by hand from the side colours.
        QTest::newRow("4 sides (192,19,15)") << 4 << 60.0 * 4 / 177;
        QTest::newRow("5 sides (255,114,0)") << 5 << 60.0 * 114 / 255;
        QTest::newRow("6 sides (111,215,152)") << 6 << 60.0 * (41.0 / 104 + 2);
        QTest::newRow("7 sides (203,235,255)") << 7 << 60.0 * (-32.0 / 52 + 4);
        QTest::newRow("3 sides: other (12,58,144)") << 3 << 60.0 * (-46.0 / 132 + 4);
        QTest::newRow("8 sides: other") << 8 << 60.0 * (-46.0 / 132 + 4);
        QTest::newRow("0 sides: other") << 0 << 60.0 * (-46.0 / 132 + 4);
    }

    void sideColourHue()
    {
        QFETCH(int, sides);
        QFETCH(double, hue);
        QVERIFY(qAbs(HueOf(SideColour(sides)) - hue) < 1e-9);
    }

    void hueOfPrimaries_data()
    {
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<double>("hue");
        QTest::newRow("red") << qRgb(255, 0, 0) << 0.0;
        QTest::newRow("green") << qRgb(0, 255, 0) << 120.0;
        QTest::newRow("blue") << qRgb(0, 0, 255) << 240.0;
        QTest::newRow("magenta wraps past 360") << qRgb(255, 0, 128) << 360.0 - 60.0 * 128 / 255;
        QTest::newRow("black") << qRgb(0, 0, 0) << 0.0;
        QTest::newRow("grey has no hue") << qRgb(90, 90, 90) << 0.0;
    }

    void hueOfPrimaries()
    {
        QFETCH(QRgb, colour);
        QFETCH(double, hue);
        QVERIFY(qAbs(HueOf(colour) - hue) < 1e-9);
    }

    void hsvAtZeroSaturation_data()
    {
        QTest::addColumn<double>("hue");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("grey");
        QTest::newRow("black") << 143.0 << 0.0 << 0;
        QTest::newRow("white") << 10.0 << 1.0 << 255;
        QTest::newRow("half: 127.5 to even") << 200.0 << 0.5 << 128;
        QTest::newRow("grey level 150 kept") << 300.0 << 150.0 / 255 << 150;
    }

    void hsvAtZeroSaturation()
    {
        QFETCH(double, hue);
        QFETCH(double, value);
        QFETCH(int, grey);
        QCOMPARE(HsvToRgb(hue, 0.0, value), qRgb(grey, grey, grey));
    }

    void hsvSectors_data()
    {
        QTest::addColumn<double>("hue");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("0: red") << 0.0 << qRgb(255, 0, 0);
        QTest::newRow("60: yellow") << 60.0 << qRgb(255, 255, 0);
        QTest::newRow("120: green") << 120.0 << qRgb(0, 255, 0);
        QTest::newRow("180: cyan") << 180.0 << qRgb(0, 255, 255);
        QTest::newRow("240: blue") << 240.0 << qRgb(0, 0, 255);
        QTest::newRow("300: magenta") << 300.0 << qRgb(255, 0, 255);
        QTest::newRow("30: orange, 127.5 to even") << 30.0 << qRgb(255, 128, 0);
        QTest::newRow("90: 127.5 to even") << 90.0 << qRgb(128, 255, 0);
    }

    void hsvSectors()
    {
        QFETCH(double, hue);
        QFETCH(QRgb, colour);
        QCOMPARE(HsvToRgb(hue, 1.0, 1.0), colour);
    }

    // Value 0.5 (127.5 to even is 128), saturation 0.5, f = 1/3 in each sector:
    // p = 0.25 (63.75), q = 0.5 x (1 - 1/6) (106.25), t = 0.5 x (1 - 1/3) (85).
    void hsvPartialSaturation_data()
    {
        QTest::addColumn<double>("hue");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("sector 0: (V, t, p)") << 20.0 << qRgb(128, 85, 64);
        QTest::newRow("sector 1: (q, V, p)") << 80.0 << qRgb(106, 128, 64);
        QTest::newRow("sector 2: (p, V, t)") << 140.0 << qRgb(64, 128, 85);
        QTest::newRow("sector 3: (p, q, V)") << 200.0 << qRgb(64, 106, 128);
        QTest::newRow("sector 4: (t, p, V)") << 260.0 << qRgb(85, 64, 128);
        QTest::newRow("sector 5: (V, p, q)") << 320.0 << qRgb(128, 64, 106);
    }

    void hsvPartialSaturation()
    {
        QFETCH(double, hue);
        QFETCH(QRgb, colour);
        QCOMPARE(HsvToRgb(hue, 0.5, 0.5), colour);
    }

    // The value of a coloured pixel is its largest channel, not a grey level.
    void colouringTakesBrightestChannel_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QRgb>("expected");
        QTest::newRow("bar at 0: grey of the largest channel") << 0 << qRgb(200, 200, 200);
        QTest::newRow("bar at 100: 5-side hue at value 200") << 100 << HsvToRgb(HueOf(qRgb(255, 114, 0)), 1.0, 200.0 / 255);
    }

    void colouringTakesBrightestChannel()
    {
        QFETCH(int, position);
        QFETCH(QRgb, expected);
        QImage image = GreyFrame(90);
        image.setPixel(150, 120, qRgb(50, 200, 100));
        auto labels = ZeroPlane();
        auto regions = std::make_unique<TRegionTable>();
        (*labels)[120][150] = 1;
        (*regions)[1].Sides = 5;
        ColourBySides(image, kRoi, *labels, *regions, {position, 100});
        QCOMPARE(image.pixel(150, 120), expected);
    }

    // Side colours whose smallest channel is 0 come back exactly at full
    // saturation on a white pixel.
    void fullySaturatedSideColour_data()
    {
        QTest::addColumn<int>("sides");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("5 sides") << 5 << qRgb(255, 114, 0);
        QTest::newRow("4 sides, hue kept") << 4 << HsvToRgb(HueOf(qRgb(192, 19, 15)), 1.0, 1.0);
    }

    void fullySaturatedSideColour()
    {
        QFETCH(int, sides);
        QFETCH(QRgb, colour);
        QImage image = GreyFrame(255);
        auto labels = ZeroPlane();
        auto regions = std::make_unique<TRegionTable>();
        (*labels)[120][150] = 1;
        (*regions)[1].Sides = sides;
        ColourBySides(image, kRoi, *labels, *regions, {100, 100});
        QCOMPARE(image.pixel(150, 120), colour);
        QCOMPARE(qRed(image.pixel(150, 120)), 255);
    }

    void colouringAtZeroKeepsGrey_data()
    {
        QTest::addColumn<int>("grey");
        for (int g : {0, 1, 64, 127, 128, 200, 255})
            QTest::newRow(qPrintable(QStringLiteral("grey %1").arg(g))) << g;
    }

    void colouringAtZeroKeepsGrey()
    {
        QFETCH(int, grey);
        QImage image = GreyFrame(grey);
        const QImage before = image.copy();
        auto labels = ZeroPlane();
        auto regions = std::make_unique<TRegionTable>();
        for (int row = 0; row < kFrameHeight; ++row)
            for (int col = 0; col < kFrameWidth; ++col)
                (*labels)[std::size_t(row)][std::size_t(col)] = (row + col) % 3;
        (*regions)[1].Sides = 6;
        (*regions)[2].Sides = 4;
        ColourBySides(image, kRoi, *labels, *regions, {0, 100});
        QCOMPARE(image, before);
    }

    void colouringCoversBorder_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("coloured");
        QTest::newRow("top-left corner") << kRoi.Top << kRoi.Left << true;
        QTest::newRow("bottom-right corner") << kRoi.Bottom << kRoi.Right << true;
        QTest::newRow("top row") << kRoi.Top << 150 << true;
        QTest::newRow("right column") << 120 << kRoi.Right << true;
        QTest::newRow("above the region") << kRoi.Top - 1 << 150 << false;
        QTest::newRow("left of the region") << 120 << kRoi.Left - 1 << false;
        QTest::newRow("below the region") << kRoi.Bottom + 1 << 150 << false;
    }

    void colouringCoversBorder()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(bool, coloured);
        QImage image = GreyFrame(255);
        auto labels = ZeroPlane();
        auto regions = std::make_unique<TRegionTable>();
        ColourBySides(image, kRoi, *labels, *regions, {100, 100});
        // Label 0 takes the "other" hue: blue dominant, red 0 at full saturation.
        const QRgb expected = HsvToRgb(HueOf(SideColour(0)), 1.0, 1.0);
        QCOMPARE(image.pixel(col, row) == expected, coloured);
        QCOMPARE(image.pixel(col, row) == qRgb(255, 255, 255), !coloured);
    }

    void centres_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("spare");
        QTest::addColumn<QRgb>("expected");
        const QRgb grey = qRgb(90, 90, 90);
        QTest::newRow("detected inside") << 120 << 150 << 0 << kDetectedCentreColour;
        QTest::newRow("added by hand inside") << 120 << 150 << 1 << kAddedCentreColour;
        QTest::newRow("just inside the corner") << kRoi.Top + 1 << kRoi.Left + 1 << 0 << kDetectedCentreColour;
        QTest::newRow("on the top border: outline only") << kRoi.Top << 150 << 0 << kOutlineColour;
        QTest::newRow("on the right border: outline only") << 120 << kRoi.Right << 1 << kOutlineColour;
        QTest::newRow("outside") << kRoi.Bottom + 5 << 150 << 0 << grey;
    }

    void centres()
    {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, spare);
        QFETCH(QRgb, expected);
        QImage image = GreyFrame(90);
        auto cells = std::make_unique<TCellTable>();
        (*cells)[0].Row = 1;
        (*cells)[1] = {row, col, 10, spare};
        DrawCentres(image, kRoi, *cells);
        QCOMPARE(image.pixel(col, row), expected);
    }

    void outline()
    {
        QImage image = GreyFrame(90);
        DrawRegionOutline(image, kRoi);
        for (int col = kRoi.Left; col <= kRoi.Right; ++col) {
            QCOMPARE(image.pixel(col, kRoi.Top), kOutlineColour);
            QCOMPARE(image.pixel(col, kRoi.Bottom), kOutlineColour);
        }
        for (int row = kRoi.Top; row <= kRoi.Bottom; ++row) {
            QCOMPARE(image.pixel(kRoi.Left, row), kOutlineColour);
            QCOMPARE(image.pixel(kRoi.Right, row), kOutlineColour);
        }
        QCOMPARE(image.pixel(kRoi.Left + 1, kRoi.Top + 1), qRgb(90, 90, 90));
        QCOMPARE(image.pixel(kRoi.Right + 1, kRoi.Top), qRgb(90, 90, 90));
    }

    void pachymetryLines_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<QRgb>("atLeft");
        QTest::addColumn<QRgb>("atRight");
        QTest::newRow("measured") << 210 << 330 << kPachyLeftColour << kPachyRightColour;
        QTest::newRow("both on column 0: the second wins") << 0 << 0 << kPachyRightColour << kPachyRightColour;
        QTest::newRow("last column") << 5 << 639 << kPachyLeftColour << kPachyRightColour;
    }

    void pachymetryLines()
    {
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(QRgb, atLeft);
        QFETCH(QRgb, atRight);
        QImage image = GreyFrame(90);
        DrawPachymetryLines(image, {left, right, right - left});
        for (int row : {0, 240, 479}) {
            QCOMPARE(image.pixel(left, row), atLeft);
            QCOMPARE(image.pixel(right, row), atRight);
        }
    }

    void pachymetryLineOutsideIgnored()
    {
        QImage image = GreyFrame(90);
        const QImage before = image.copy();
        DrawPachymetryLines(image, {-3, 700, 703});
        QCOMPARE(image, before);
    }

    // The pen rectangle covers Left..Right-1 and Top..Bottom-1 of the normalised region.
    void regionRectangle()
    {
        QImage image = GreyFrame(90);
        DrawRegionRectangle(image, {200, 160, 100, 80});
        QCOMPARE(image.pixel(100, 80), kRectangleColour);
        QCOMPARE(image.pixel(199, 159), kRectangleColour);
        QCOMPARE(image.pixel(150, 80), kRectangleColour);
        QCOMPARE(image.pixel(199, 120), kRectangleColour);
        QCOMPARE(image.pixel(200, 160), qRgb(90, 90, 90));
        QCOMPARE(image.pixel(150, 120), qRgb(90, 90, 90));
    }

    void editMarker()
    {
        QImage image = GreyFrame(90);
        DrawEditMarker(image, 0, 10, kAddMarkerColour);
        QCOMPARE(image.pixel(0, 10), kAddMarkerColour);
        QCOMPARE(image.pixel(1, 10), kAddMarkerColour);
        QCOMPARE(image.pixel(0, 9), kAddMarkerColour);
        QCOMPARE(image.pixel(0, 11), kAddMarkerColour);
        QCOMPARE(image.pixel(1, 11), qRgb(90, 90, 90));
    }

    void firLen_data()
    {
        QTest::addColumn<int>("firLen");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("expected");
        // Minimum profile over the region columns 100..200: the column number / 2.
        QTest::newRow("FIRLen 1: the profile itself") << 1 << 150 << 75.0;
        QTest::newRow("FIRLen 1: first region column") << 1 << 100 << 50.0;
        QTest::newRow("FIRLen 0: zero") << 0 << 150 << 0.0;
        QTest::newRow("FIRLen -4: zero") << -4 << 150 << 0.0;
        // (3 m(c) + 2 m(c-1) + 1 m(c-2)) / 6
        QTest::newRow("FIRLen 3 inside") << 3 << 150 << (3 * 75.0 + 2 * 74.5 + 74.0) / 6;
        QTest::newRow("FIRLen 3 at the region's left edge") << 3 << 100 << (3 * 50.0 + 2 * 256 + 256) / 6;
        QTest::newRow("FIRLen 3 one column in") << 3 << 101 << (3 * 50.5 + 2 * 50.0 + 256) / 6;
    }

    void firLen()
    {
        QFETCH(int, firLen);
        QFETCH(int, column);
        QFETCH(double, expected);
        TColumnProfile minimum;
        minimum.fill(256.0);
        for (int c = kRoi.Left; c <= kRoi.Right; ++c)
            minimum[std::size_t(c)] = c / 2.0;
        const TColumnProfile smoothed = SmoothMinimumProfile(minimum, kRoi, firLen);
        QVERIFY(qAbs(smoothed[std::size_t(column)] - expected) < 1e-9);
        QCOMPARE(smoothed[std::size_t(kRoi.Left - 1)], 256.0); // outside the region: untouched
    }

    // Near the frame's left edge the window reaches columns before 0; they count
    // as 256, like columns left of the region.
    void firLenAtFrameEdge_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("expected");
        QTest::newRow("c < FIRLen div 2 keeps its value") << 1 << 10.0;
        QTest::newRow("c = 2: two missing columns") << 2 << (5 * 10.0 + 4 * 10 + 3 * 10 + 2 * 256 + 256) / 15;
        QTest::newRow("c = 4: full window") << 4 << 10.0;
    }

    void firLenAtFrameEdge()
    {
        QFETCH(int, column);
        QFETCH(double, expected);
        TColumnProfile minimum;
        minimum.fill(256.0);
        const TRect roi{0, 10, 50, 60};
        for (int c = 0; c <= 50; ++c)
            minimum[std::size_t(c)] = 10.0;
        const TColumnProfile smoothed = SmoothMinimumProfile(minimum, roi, 5);
        QVERIFY(qAbs(smoothed[std::size_t(column)] - expected) < 1e-9);
    }

    void profiles()
    {
        QImage image = PatternFrame();
        TColumnProfile minimum, maximum;
        ColumnProfiles(image, kRoi, minimum, maximum);
        int lo = 256, hi = 0;
        for (int row = kRoi.Top; row <= kRoi.Bottom; ++row) {
            const QRgb p = image.pixel(150, row);
            const int g = (qRed(p) + qGreen(p) + qBlue(p)) / 3;
            lo = std::min(lo, g);
            hi = std::max(hi, g);
        }
        QCOMPARE(minimum[150], double(lo));
        QCOMPARE(maximum[150], double(hi));
        QCOMPARE(minimum[kRoi.Right + 1], 256.0);
        QCOMPARE(maximum[kRoi.Left - 1], 0.0);
    }

    void stretch_data()
    {
        QTest::addColumn<int>("grey");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<int>("expected");
        // Alpha0 20, Beta0 235, LargMin 60.
        QTest::newRow("wide: lowest") << 40 << 40.0 << 200.0 << 0;
        QTest::newRow("wide: highest") << 200 << 40.0 << 200.0 << 215;
        QTest::newRow("wide: half way 107.5 to even") << 120 << 40.0 << 200.0 << 108;
        // width 30: A = 100 + 30 (20 - 100) / 60 = 60, B = 130 + 30 (235 - 130) / 60 = 182.5
        QTest::newRow("narrow: lowest") << 100 << 100.0 << 130.0 << 0;
        QTest::newRow("narrow: highest") << 130 << 100.0 << 130.0 << 122; // 122.5 to even
        QTest::newRow("flat keeps the grey") << 77 << 100.0 << 101.0 << 77;
        QTest::newRow("inverted keeps the grey") << 77 << 256.0 << 90.0 << 77;
    }

    void stretch()
    {
        QFETCH(int, grey);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(int, expected);
        QCOMPARE(StretchGrey(grey, lo, hi, TContrastSettings{}), expected);
    }

    void contrastCurve_data()
    {
        QTest::addColumn<int>("grey");
        QTest::addColumn<double>("perc");
        QTest::addColumn<int>("expected");
        QTest::newRow("perc 0 is the identity") << 77 << 0.0 << 77;
        QTest::newRow("pivot stays") << 128 << 0.3 << 128;
        QTest::newRow("dark clamps to 0") << 0 << 0.3 << 0;
        QTest::newRow("bright clamps to 255") << 255 << 0.3 << 255;
        QTest::newRow("negative input clamps") << -40 << 0.0 << 0;
        QTest::newRow("degenerate curve at the pivot") << 128 << 259.0 / 255 << 128;
    }

    void contrastCurve()
    {
        QFETCH(int, grey);
        QFETCH(double, perc);
        QFETCH(int, expected);
        QCOMPARE(ContrastCurve(grey, perc), expected);
    }

    void enhanceLeavesOutsideAlone()
    {
        QImage image = PatternFrame();
        const QImage before = image.copy();
        EnhanceContrast(image, kRoi, TContrastSettings{});
        for (int row = 0; row < kFrameHeight; row += 7)
            for (int col = 0; col < kFrameWidth; col += 5) {
                const bool inside = row >= kRoi.Top && row <= kRoi.Bottom && col >= kRoi.Left && col <= kRoi.Right;
                const QRgb p = image.pixel(col, row);
                if (inside)
                    QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
                else
                    QCOMPARE(p, before.pixel(col, row));
            }
    }

    // A flat region: every pixel of the stretch keeps its grey, the curve with
    // perc 0 is the identity, and the 1-2-1 smoothing of a flat area is flat;
    // the border pixels mix in the unenhanced neighbours.
    void enhanceFlatRegion()
    {
        QImage image = GreyFrame(100);
        TContrastSettings settings;
        settings.Perc = 0.0;
        settings.MinBlack = 10;
        settings.FIRLen = 1;
        EnhanceContrast(image, kRoi, settings);
        QCOMPARE(image.pixel(150, 120), qRgb(110, 110, 110));
        // Top-left corner: 9 of 16 weights inside (110), 7 outside (100): 1690 div 16 = 105.
        QCOMPARE(image.pixel(kRoi.Left, kRoi.Top), qRgb(105, 105, 105));
        QCOMPARE(image.pixel(kRoi.Left - 1, kRoi.Top), qRgb(100, 100, 100));
    }

    // Rows alternate between grey 40 (even) and 200 (odd) over the whole frame,
    // so each region column has minimum 40 and maximum 200. With Perc 0 and
    // MinBlack 0 the stretch gives 0 and 215 where the column's lo is 40; the
    // 1-2-1 smoothing then mixes rows (and, on the border, the unenhanced rows
    // and columns around the region). With FIRLen 3 the two leftmost region
    // columns take the 256 of the columns left of the region into lo: column
    // 100 has lo 148 (narrow branch: 200 -> 193), column 101 lo 76 (wide: 215).
    void enhanceStripes_data()
    {
        QTest::addColumn<int>("firLen");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("grey");
        QTest::newRow("interior even row: 8 x 215 div 16") << 1 << 150 << 120 << 107;
        QTest::newRow("interior odd row: 8 x 215 div 16") << 1 << 150 << 121 << 107;
        QTest::newRow("top border: unenhanced 200 above") << 1 << 150 << kRoi.Top << 103;
        QTest::newRow("bottom border: unenhanced 200 below") << 1 << 150 << kRoi.Bottom << 103;
        QTest::newRow("top-left corner") << 1 << kRoi.Left << kRoi.Top << 107;
        QTest::newRow("left of the region, even row, untouched") << 1 << kRoi.Left - 1 << 120 << 40;
        QTest::newRow("left of the region, odd row, untouched") << 1 << kRoi.Left - 1 << 121 << 200;
        QTest::newRow("FIRLen 3, first region column") << 3 << kRoi.Left << 121 << 105;
        QTest::newRow("FIRLen 3, second region column") << 3 << kRoi.Left + 1 << 121 << 104;
        QTest::newRow("FIRLen 3, full window") << 3 << 150 << 121 << 107;
    }

    void enhanceStripes()
    {
        QFETCH(int, firLen);
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(int, grey);
        QImage image = StripesFrame();
        TContrastSettings settings;
        settings.FIRLen = firLen;
        settings.MinBlack = 0;
        settings.Perc = 0.0;
        EnhanceContrast(image, kRoi, settings);
        QCOMPARE(image.pixel(col, row), qRgb(grey, grey, grey));
    }

    // Settings far outside what a settings file accepts (code may still build them)
    // saturate instead of overflowing: the sum with MinBlack and the stretch of the
    // 40/200 stripes (width 160, lo 40, Perc 0 so the curve is the identity) are held
    // to 0..255. Stripes of 0 and 255 smooth to 8 x 255 div 16 = 127 inside.
    void enhanceWithExtremeSettings_data()
    {
        QTest::addColumn<int>("minBlack");
        QTest::addColumn<double>("beta0");
        QTest::addColumn<int>("grey");
        constexpr int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
        QTest::newRow("MinBlack largest int: white") << most << 235.0 << 255;
        QTest::newRow("MinBlack largest int minus 10: white") << most - 10 << 235.0 << 255;
        QTest::newRow("MinBlack smallest int: black") << least << 235.0 << 0;
        QTest::newRow("Beta0 1e300: stripes 0 and 255") << 0 << 1e300 << 127;
        QTest::newRow("Beta0 -1e300: black") << 0 << -1e300 << 0;
        QTest::newRow("Beta0 infinite: stripes 0 and 255") << 0 << std::numeric_limits<double>::infinity() << 127;
    }

    void enhanceWithExtremeSettings()
    {
        QFETCH(int, minBlack);
        QFETCH(double, beta0);
        QFETCH(int, grey);
        QImage image = StripesFrame();
        TContrastSettings settings;
        settings.FIRLen = 1;
        settings.MinBlack = minBlack;
        settings.Alpha0 = 0.0;
        settings.Beta0 = beta0;
        settings.Perc = 0.0;
        EnhanceContrast(image, kRoi, settings);
        QCOMPARE(image.pixel(150, 120), qRgb(grey, grey, grey));
        QCOMPARE(image.pixel(150, 121), qRgb(grey, grey, grey));
    }

    // The enhancement gives, pixel for pixel, what its definition gives, for
    // settings that reach both stretch branches, stretched values beyond the
    // curve's table and regions at the frame's edges and corners.
    void enhanceMatchesDefinition_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<TRect>("roi");
        QTest::addColumn<TContrastSettings>("settings");
        const TContrastSettings defaults;
        TContrastSettings narrow;
        narrow.LargMin = 250.0;
        narrow.FIRLen = 31;
        TContrastSettings steep;
        steep.Perc = 0.95;
        steep.MinBlack = 40;
        steep.FIRLen = 1;
        TContrastSettings wideRange; // stretched values far outside 0..255
        wideRange.Alpha0 = -4000.0;
        wideRange.Beta0 = 4000.0;
        wideRange.LargMin = 2.0;
        wideRange.Perc = 0.0;
        wideRange.MinBlack = -20;
        TContrastSettings noWindow;
        noWindow.FIRLen = 0;
        TContrastSettings infinite; // a stretch of inf - inf: NaN, which rounds to 0
        infinite.Alpha0 = std::numeric_limits<double>::infinity();
        infinite.Beta0 = std::numeric_limits<double>::infinity();
        QTest::newRow("pattern, defaults") << PatternFrame() << kRoi << defaults;
        QTest::newRow("noise, defaults") << NoiseFrame(1) << TRect{180, 140, 460, 340} << defaults;
        QTest::newRow("noise, narrow branch, long window") << NoiseFrame(2) << kRoi << narrow;
        QTest::newRow("noise, steep curve") << NoiseFrame(3) << kRoi << steep;
        QTest::newRow("noise, stretch beyond the table") << NoiseFrame(4) << kRoi << wideRange;
        QTest::newRow("noise, FIRLen 0") << NoiseFrame(5) << kRoi << noWindow;
        QTest::newRow("noise, NaN stretch") << NoiseFrame(12) << kRoi << infinite;
        QTest::newRow("whole frame") << NoiseFrame(6) << TRect{0, 0, 639, 479} << defaults;
        QTest::newRow("region past the frame's corner") << NoiseFrame(7) << TRect{600, 440, 700, 520} << steep;
        QTest::newRow("region before the frame's corner") << NoiseFrame(8) << TRect{-20, -10, 30, 25} << narrow;
        QTest::newRow("one column") << NoiseFrame(9) << TRect{300, 100, 300, 200} << defaults;
        QTest::newRow("one row") << NoiseFrame(10) << TRect{100, 479, 400, 479} << defaults;
        QTest::newRow("wider image, region beyond column 639")
            << NoiseFrame(11).copy(0, 0, 700, 480) << TRect{600, 100, 690, 200} << defaults;
    }

    void enhanceMatchesDefinition()
    {
        QFETCH(QImage, image);
        QFETCH(TRect, roi);
        QFETCH(TContrastSettings, settings);
        QImage expected = image.copy();
        EnhanceContrastPixelByPixel(expected, roi, settings);
        EnhanceContrast(image, roi, settings);
        QCOMPARE(image, expected);
    }

    void enhanceRegionAtFrameEdge()
    {
        QImage image = PatternFrame();
        EnhanceContrast(image, {0, 0, 639, 479}, TContrastSettings{});
        QCOMPARE(image.size(), QSize(kFrameWidth, kFrameHeight));
    }

    void overlayNeedsValidRegion()
    {
        QImage image = PatternFrame();
        const QImage before = image.copy();
        auto cells = std::make_unique<TCellTable>();
        TDistMatrix matrix(*cells);
        QImage unprocessed;
        DrawOverlay(image, &unprocessed, {10, 10, 15, 20}, matrix, {}, TOverlayOptions{}, TContrastSettings{});
        QCOMPARE(image, before);
        QVERIFY(unprocessed.isNull());
    }

    // With the contrast view the unprocessed copy (the source of the Crop) is
    // the enhanced region, not the captured one.
    void overlayUnprocessedIsEnhanced()
    {
        const QImage original = PatternFrame();
        auto cells = std::make_unique<TCellTable>();
        TDistMatrix matrix(*cells);
        TOverlayOptions options;
        options.ContrastView = true;
        QImage image = original.copy();
        QImage unprocessed;
        DrawOverlay(image, &unprocessed, kRoi, matrix, {}, options, TContrastSettings{});
        QImage enhanced = original.copy();
        EnhanceContrast(enhanced, kRoi, TContrastSettings{});
        QCOMPARE(unprocessed, enhanced);
        QVERIFY(unprocessed != original);
    }

    // The unprocessed copy is taken after the enhancement and before anything is
    // drawn; the rectangle is the last thing drawn.
    void overlayOrder()
    {
        QImage image = GreyFrame(150);
        auto cells = std::make_unique<TCellTable>();
        (*cells)[0].Row = 1;
        (*cells)[1] = {120, 150, 10, 0};
        TDistMatrix matrix(*cells);
        TOverlayOptions options;
        options.ContrastView = false;
        options.ShowEdges = false;
        options.ShowCentres = false;
        options.ShowColour = true;
        options.Transparency = {100, 100};
        QImage unprocessed;
        DrawOverlay(image, &unprocessed, kRoi, matrix, {kRoi.Left, 300, 300 - kRoi.Left}, options, TContrastSettings{});
        QCOMPARE(unprocessed.pixel(150, 121), qRgb(150, 150, 150));
        QVERIFY(image.pixel(150, 121) != qRgb(150, 150, 150)); // coloured
        // Neither edges nor centres asked for: both drawn.
        QCOMPARE(image.pixel(150, 120), kDetectedCentreColour);
        // The pachymetry line on the region's left column is covered by the rectangle.
        QCOMPARE(image.pixel(kRoi.Left, kRoi.Top + 5), kRectangleColour);
        QCOMPARE(image.pixel(kRoi.Left, 300), kPachyLeftColour);
        QCOMPARE(image.pixel(300, 5), kPachyRightColour);
    }
};

QTEST_APPLESS_MAIN(TestCellOverlay)
#include "tst_celloverlay.moc"
