#pragma once
// The cell overlay drawn over an analysed frame inside its region of interest:
// contrast-enhanced rendering of the region, colouring of the cells by number
// of sides, boundaries and vertices, centres, the region outline, the two
// pachymetry lines and the region rectangle.
//
// Every operation works in place on a 640 x 480 QImage::Format_RGB888 (other
// sizes are accepted: nothing is read or written outside the image). Regions
// are frame pixels (Left/Right columns, Top/Bottom rows, bounds as stored);
// regions reaching past the image are clipped to it.
#include "AnalysisTypes.h"
#include "EndoStatistics.h"

#include <QImage>
#include <QRgb>

#include <array>
#include <cstdint>

class TDistMatrix;
class TBIniSettings;

namespace cornix {

// Fixed colours of the overlay.
inline constexpr QRgb kBoundaryColour = 0xff404040;     // (64, 64, 64)
inline constexpr QRgb kVertexColour = 0xffff0000;       // (255, 0, 0)
inline constexpr QRgb kDetectedCentreColour = 0xffffff00;
inline constexpr QRgb kAddedCentreColour = 0xff00ff00;  // Spare = 1
inline constexpr QRgb kOutlineColour = 0xffffffff;
inline constexpr QRgb kRectangleColour = 0xff00ff00;
inline constexpr QRgb kPachyLeftColour = 0xffff0000;
inline constexpr QRgb kPachyRightColour = 0xffffff00;
inline constexpr QRgb kAddMarkerColour = 0xff0000ff;
inline constexpr QRgb kDeleteMarkerColour = 0xffff0000;
// Side classes 4, 5, 6, 7 and "other" (also pixels of no cell); the same
// colours as the polymorphism chart.
inline constexpr std::array<QRgb, kSidesBins> kSideColours = {
    0xffc0130f, // 4 sides (192, 19, 15)
    0xffff7200, // 5 sides (255, 114, 0)
    0xff6fd798, // 6 sides (111, 215, 152)
    0xffcbebff, // 7 sides (203, 235, 255)
    0xff0c3a90, // other (12, 58, 144)
};

// Position / Max of the transparency bar: the weight of the overlay.
struct TTransparency {
    int Position = 50;
    int Max = 100;
    // 0 when Max is not positive (the overlay then leaves the image as it is).
    double Weight() const { return Max > 0 ? double(Position) / Max : 0.0; }
};

// Settings of the contrast-enhanced view (section IMAGEPROCESSING).
struct TContrastSettings {
    std::int32_t FIRLen = 9;
    std::int32_t MinBlack = 10;
    double Alpha0 = 20.0;
    double Beta0 = 235.0;
    double LargMin = 60.0;
    double Perc = 0.30;
    static TContrastSettings FromIni(const TBIniSettings &settings);
    friend bool operator==(const TContrastSettings &, const TContrastSettings &) = default;
};

// What the examination window's display buttons ask for.
struct TOverlayOptions {
    bool ShowEdges = true;     // boundaries and vertices
    bool ShowColour = false;   // colouring by number of sides
    bool ShowCentres = false;  // cell centres and region outline
    bool ContrastView = true;  // region drawn contrast-enhanced ("Imagem contraste")
    TTransparency Transparency;
};

// One colour channel blended in integers:
// floor(position * overlay / max) + floor((max - position) * pixel / max).
// Returns pixel unchanged when max is not positive.
int BlendChannel(int pixel, int overlay, int position, int max);
QRgb BlendColour(QRgb pixel, QRgb overlay, const TTransparency &transparency);

// Hue of a colour in degrees [0, 360); 0 for black and greys.
double HueOf(QRgb colour);
// Colour of (hue in degrees, saturation 0..1, value 0..1); channels x 255
// rounded to nearest, ties to even.
QRgb HsvToRgb(double hue, double saturation, double value);
// Colour of the side class of a cell with this number of sides.
QRgb SideColour(int sides);

// Pixels of rows Top..Bottom, columns Left..Right (bounds included) take the
// hue of their cell's side class with saturation = the transparency weight and
// the value of their brightest channel. labels: label plane; regions: Sides of
// each label (label 0 and labels beyond the table count as "other").
void ColourBySides(QImage &image, const TRect &roi, const TIntPlane &labels, const TRegionTable &regions,
                   const TTransparency &transparency);
// Pixels strictly inside the region blended with the boundary colour where the
// boundary plane is 55 and the vertex colour where it is 255.
void BlendBoundaries(QImage &image, const TRect &roi, const TIntPlane &boundary,
                     const TTransparency &transparency);
// Centres 1..N lying strictly inside the region as single pixels (hand-added
// ones green, detected ones yellow), then the region outline in white.
void DrawCentres(QImage &image, const TRect &roi, const TCellTable &cells);
// The outline alone: columns Left and Right for rows Top..Bottom, rows Top and
// Bottom for columns Left..Right.
void DrawRegionOutline(QImage &image, const TRect &roi);
// Column `left` in red, then column `right` in yellow, over the whole height.
void DrawPachymetryLines(QImage &image, const TPachymetry &pachymetry);
// One-pixel green rectangle from (min Left/Right, min Top/Bottom) to
// (max Left/Right, max Top/Bottom) with the right and bottom edges one pixel
// inside, as a pen rectangle of that size covers.
void DrawRegionRectangle(QImage &image, const TRect &roi);
// A plus of five pixels (the point and its four edge neighbours).
void DrawEditMarker(QImage &image, int x, int y, QRgb colour);

// Contrast enhancement of the region ---------------------------------------------------
using TColumnProfile = std::array<double, kFrameWidth>;

// Minimum and maximum grey level ((R + G + B) div 3) of each column over the
// region (bounds included); columns outside the region keep 256 and 0.
void ColumnProfiles(const QImage &image, const TRect &roi, TColumnProfile &minimum, TColumnProfile &maximum);
// One-sided triangular average of the minimum profile over each region column
// and the firLen - 1 columns to its left (columns before 0 count as 256);
// columns closer than firLen div 2 to either frame edge keep their value.
// firLen <= 0 gives 0 in every region column. Other columns are copied.
TColumnProfile SmoothMinimumProfile(const TColumnProfile &minimum, const TRect &roi, std::int32_t firLen);
// Grey level after the stretch and the contrast curve, before MinBlack.
int StretchGrey(int grey, double lo, double hi, const TContrastSettings &settings);
int ContrastCurve(int stretched, double perc);
// The whole enhancement: profiles, smoothing, stretch, curve, MinBlack, then the
// 1-2-1 smoothing of the region written back after all values are collected.
void EnhanceContrast(QImage &image, const TRect &roi, const TContrastSettings &settings);

// The overlay of an analysed frame, in the order of the display: optional
// enhancement, then (into *unprocessed, if given) a copy of the image as it is
// now, then colouring, boundaries, centres, pachymetry lines, boundaries and
// centres when neither was asked for, and the region rectangle. Does nothing
// unless roi is valid. (The display's pen is left in not-XOR mode afterwards for
// the operator's region drawing; that belongs to the window, not to the image.)
void DrawOverlay(QImage &image, QImage *unprocessed, const TRect &roi, const TDistMatrix &matrix,
                 const TPachymetry &pachymetry, const TOverlayOptions &options,
                 const TContrastSettings &contrast);

// What the overlay reads of an analysed frame, in the image's pixels: the label
// and boundary planes, the sides of each label, the centres. A matrix gives
// them directly; an analysis at another scale maps them back first.
struct TOverlayPlanes {
    const TIntPlane &Labels;
    const TIntPlane &Boundary;
    const TRegionTable &Regions;
    const TCellTable &Cells;
};
// DrawOverlay from planes (the matrix version calls this one).
void DrawOverlay(QImage &image, QImage *unprocessed, const TRect &roi, const TOverlayPlanes &planes,
                 const TPachymetry &pachymetry, const TOverlayOptions &options,
                 const TContrastSettings &contrast);

// A 640 x 480 RGB888 copy of any image (smaller ones padded with black).
QImage FrameImage(const QImage &source);

} // namespace cornix
