#pragma once
// Centre-to-centre spacing of the cells of an endothelial mosaic, measured from
// the grey frame itself.
//
// The region of interest is flattened (a local mean of 31 x 31 pixels
// subtracted, which removes the uneven illumination), Hann-windowed and
// transformed; the radially averaged power spectrum weighted by f² peaks at the
// mosaic's first ring, at f = 2 / (√3 · d) cycles per pixel for a hexagonal
// mosaic of spacing d. Plain C++ (the transform is FFTW's); safe to call from
// several threads.
#include "AnalysisTypes.h"

#include <optional>
#include <vector>

namespace cornix {

// Plausible spacings, pixels: a ring outside this band gives no estimate.
inline constexpr double kMinCellSpacing = 6.0;
inline constexpr double kMaxCellSpacing = 45.0;
// A ring must stand out at least this clearly (see TCellSpacing::Confidence).
inline constexpr double kMinSpacingConfidence = 0.2;
// The side of the local mean that flattens the illumination, pixels.
inline constexpr int kFlatteningWindow = 31;

struct TCellSpacing {
    double SpacingPx = 0;  // distance between neighbouring cell centres, pixels
    // 1 - (flank / peak) of the weighted spectrum, where flank is the larger of
    // its values a third of an octave below and above the ring: 0 for no ring,
    // towards 1 for a sharp ring on a quiet spectrum.
    double Confidence = 0;
};

// The spacing of the cells inside roi (clipped to the frame), or nothing when
// the region is smaller than 32 x 32 pixels, is flat (less than one grey level
// of variation around its local mean), or its spectrum has no clear ring
// between kMinCellSpacing and kMaxCellSpacing.
std::optional<TCellSpacing> EstimateCellSpacing(const TGrayFrame &gray, const TRect &roi);

// What the estimate sees, for diagnostics and tests: Power[k] is the radial mean
// of the power spectrum at k / (Size x Step) cycles per frame pixel
// (k = 0 .. Size / 2). Regions wider than 256 pixels are averaged over 2 x 2
// blocks first (Step 2), and only their middle 512 x 512 pixels are used.
struct TRadialSpectrum {
    int Size = 0; // side of the square transform, samples (a power of two)
    int Step = 1; // frame pixels per sample
    std::vector<double> Power;
};
TRadialSpectrum RadialPowerSpectrum(const TGrayFrame &gray, const TRect &roi);

} // namespace cornix
