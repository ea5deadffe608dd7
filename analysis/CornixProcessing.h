#pragma once
// Image passes of the cell finder. Plain procedures over fixed 640 x 480
// planes; none of them allocates. "Interior" means rows 1..478, columns 1..638.
#include "AnalysisTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace cornix {

// Grey frame from 24-bit pixels (3 bytes per pixel, any colour order):
// grey = (b0 + b1 + b2) / 3 rounded to nearest. Reads width x height pixels at
// bits with bytesPerLine between rows; copies only the part inside 640 x 480
// and sets the rest of gray to 0. Never reads or writes outside either image.
void GrayFromRgb24(const std::uint8_t *bits, int width, int height, std::ptrdiff_t bytesPerLine,
                   TGrayFrame &gray);

// Grey frame copied into a plane of doubles (value = byte).
void GrayToPlane(const TGrayFrame &gray, TDoublePlane &plane);

// Contrast stretch in place. The window is the region of interest grown by 8
// pixels on every side, clipped to the frame; its minimum and maximum (starting
// from 255 and 0) define the stretch (v - min) * (255 / (max - min)) applied to
// the whole plane after clamping to [min, max]. Returns false and leaves the
// plane untouched when the window is flat (max <= min).
bool ContrastStretch(TDoublePlane &plane, const TRect &roi);

// One 3 x 3 smoothing pass of the interior from src into dst (outer rows and
// columns of dst untouched). Weights 449/5500 (corners), 67/550 (edges),
// 2/11 (centre), summed in long double.
void Smooth(const TDoublePlane &src, TDoublePlane &dst);
// The same pass in place, rows top to bottom, left to right: each pixel reads
// the already smoothed pixels above and to its left.
void SmoothInPlace(TDoublePlane &plane);

// Laplacian of the interior (1 2 1 / 2 -12 2 / 1 2 1) from src into dst.
void Laplacian(const TDoublePlane &src, TDoublePlane &dst);

// Rows [firstRow, firstRow + rows) of the interior of the response, once made.
using TResponseRows = std::function<void(int firstRow, int rows)>;

// Smooth from source into smoothed, then `passes` times SmoothInPlace, then the
// Laplacian of the result into response: the same values as those calls one after
// the other, computed on two cores where the machine has them. Each band of rows
// of the response is handed to `made`, if given, as soon as it is complete (on the
// calling thread, bands in order).
void SmoothAndLaplacian(const TDoublePlane &source, TDoublePlane &smoothed, std::int32_t passes,
                        TDoublePlane &response, const TResponseRows &made = {});

// Interior mask pixel = 255 when response <= threshold, else 0.
void ThresholdMask(const TDoublePlane &response, TDoublePlane &mask, double threshold);

// Sets rows 0..margin and 479-margin..479 and the same columns to 0.
void ClearBorder(TDoublePlane &mask, int margin);

// Removes isolated mask pixels: an interior pixel whose sum with its four
// edge neighbours is below 510 becomes 0 (in place, row-major).
void RemoveSpeckles(TDoublePlane &mask);

// Rows [First, End).
struct TRowSpan {
    int First = 0;
    int End = 0;
};

// The finder's mask made band by band while the response is being made: each
// band is thresholded and its border cleared, and the rows whose row below is
// now bordered lose their speckles. The mask ends as ThresholdMask,
// ClearBorder(mask, margin) and RemoveSpeckles one after the other leave it
// (a thresholded mask holds only 0 and 255, so the speckles of a row depend
// only on the rows around it as they were before).
class TMaskBuilder {
public:
    // Sets rows 0 and 479 of the mask to 0.
    TMaskBuilder(TDoublePlane &mask, double threshold, int margin);
    // Interior rows [firstRow, firstRow + rows) of the response are made; bands
    // come in order from row 1. Returns the rows of the mask this made final.
    TRowSpan ResponseRows(const TDoublePlane &response, int firstRow, int rows);
    // Makes the rest of the mask from the response; returns the rows this made
    // final, up to row 478.
    TRowSpan Finish(const TDoublePlane &response);

private:
    TRowSpan removeSpecklesUpTo(int lastRow);

    TDoublePlane &m_mask;
    const double m_threshold;
    const int m_margin;
    int m_bordered = 0; // rows 1..m_bordered are thresholded and bordered
    int m_speckled = 0; // rows 1..m_speckled are final
    // Rows before their speckles went: m_before[m_above] holds row m_speckled.
    std::array<double, kFrameWidth> m_before[2];
    int m_above = 0;
};

// Labels the 4-connected regions of mask-255 interior pixels in scan order
// (regions 1, 2, ...), writing labels into `labels` (which must be all 0) and
// row/column sums and pixel counts into cells[1..]. Stops as soon as region
// maxRegions + 1 has been found (not filled) and returns maxRegions + 1 then;
// otherwise returns the number of regions. `stack` is scratch space whose
// capacity should be kFramePixels (reserved by the caller: no allocation here).
// maxRegions must be below kMaxCells.
int LabelRegions(const TDoublePlane &mask, TDoublePlane &labels, TCellTable &cells, int maxRegions,
                 std::vector<std::int32_t> &stack);

// Turns the sums of entries 1..count into centres: Row = RowSum / PixelCount,
// Col = ColSum / PixelCount, ties to even; a PixelCount of 0 is first set to 1.
void ComputeCentres(TCellTable &cells, int count);

// Sorts entries 1..count by Row with the finder's quicksort (Hoare partition,
// middle pivot); exchanges whole entries. Order among equal rows is the one
// this procedure produces, which later stages rely on.
void SortCellsByRow(TCellTable &cells, int count);

} // namespace cornix
