#pragma once
// Synthetic specular images of the corneal endothelium with their ground truth.
//
// A mosaic is built once from a seed: a hexagonal lattice of cell seeds, each
// jittered, cut into Voronoi cells with dark borders, optional dark guttae. Each
// frame is then rendered from the mosaic through a simulated camera (shift,
// focus blur, uneven illumination, brightness, contrast, noise), which is cheap
// enough to stream at camera rate.
//
// Plain C++ (no Qt). Everything is deterministic for a given seed on every
// standard library: random numbers come from std::mt19937's raw 32-bit output
// through this library's own distributions.
#include <cstdint>
#include <memory>
#include <vector>

namespace cornix::sim {

inline constexpr int kSimFrameWidth = 640;
inline constexpr int kSimFrameHeight = 480;
// Largest camera shift (pixels, each direction) a mosaic supports.
inline constexpr int kMaxShift = 32;

// What the tissue looks like. Fixed for one mosaic.
struct MosaicParams {
    double cellDensity = 2500.0;  // cells per mm² of the lattice (the true density)
    double mmPerPixel = 0.00186;  // length scale of the frame: 2500 cells/mm² gives cells ~11 px across
    // Jitter of every seed, as a fraction of the lattice spacing (uniform in a disc).
    // 0 gives regular hexagons; 0.25 a typical healthy mosaic (area CV ~ 0.15);
    // 0.45 a pleomorphic one. Clamped to [0, 0.5].
    double sizeVariation = 0.25;
    double borderWidth = 2.0;     // full width of the dark cell borders, pixels (~1.5-2.5)
    double cellLevelSpread = 0.08; // relative spread of the interior brightness between cells
    int guttaCount = 0;           // dark round spots (drop-outs) placed at random
    double guttaRadius = 5.0;     // mean gutta radius, pixels (each varies by ±40 %)
};

// How the simulated camera sees the mosaic. May change from frame to frame.
struct CameraParams {
    int shiftRow = 0;             // mosaic shift in whole pixels, |shift| <= kMaxShift
    int shiftCol = 0;
    double focusBlur = 0.8;       // Gaussian sigma of the optics, pixels (0 = sharp, ~3 = out of focus)
    double cellLevel = 175.0;     // grey of a cell interior at the illumination peak, before brightness/contrast
    double borderLevel = 45.0;    // grey of a border
    double illuminationFalloff = 0.35; // relative loss of light at the frame corners (0 = even)
    double illuminationCentreX = 0.45; // peak of the illumination, fraction of width/height
    double illuminationCentreY = 0.5;
    double brightness = 0.0;      // added to every grey level
    double contrast = 1.0;        // gain around grey 128
    double noiseSigma = 4.0;      // Gaussian sensor noise, grey levels
    std::uint32_t noiseSeed = 1;  // the noise pattern of this frame
    // A specular microscope lights only part of the frame. With limitedField the cells show
    // inside the field rectangle (inclusive frame pixels) and fade over fieldEdge pixels
    // (cosine ramp) to outsideLevel grey; the whole frame is lit otherwise.
    bool limitedField = false;
    int fieldLeft = 155;
    int fieldTop = 115;
    int fieldRight = 485;
    int fieldBottom = 365;
    double fieldEdge = 10.0;
    double outsideLevel = 20.0;
};

// One cell of the ground truth, in frame coordinates of the rendered frame.
struct CellTruth {
    double row = 0;       // centroid of the cell's pixels (pixel centres at integer row/col)
    double col = 0;
    double areaPx = 0;    // pixels of the Voronoi cell (border pixels split between neighbours)
    double areaUm2 = 0;   // areaPx times the pixel area
    bool inside = false;  // the whole cell lies in the frame (no pixel on the frame's edge rows/columns)
    bool gutta = false;   // a gutta covers the cell's centroid
    bool inField = true;  // render(): the centroid lies in the lit field (always, without limitedField)
};

struct Gutta {
    double row = 0;
    double col = 0;
    double radius = 0;    // pixels
};

// A rendered frame: kSimFrameHeight rows of kSimFrameWidth grey bytes, row-major,
// row 0 at the top, plus the ground truth for that frame.
struct EndotheliumFrame {
    int width = kSimFrameWidth;
    int height = kSimFrameHeight;
    std::vector<std::uint8_t> pixels;
    std::vector<CellTruth> cells; // every cell with at least one pixel in the frame
    std::vector<Gutta> guttae;
    std::uint8_t at(int row, int col) const { return pixels[std::size_t(row) * width + col]; }
};

class SyntheticEndothelium {
public:
    // Builds the mosaic (about 50 ms). Parameters out of range are clamped.
    explicit SyntheticEndothelium(std::uint32_t seed, const MosaicParams &mosaic = {});
    ~SyntheticEndothelium();
    SyntheticEndothelium(SyntheticEndothelium &&) noexcept;
    SyntheticEndothelium &operator=(SyntheticEndothelium &&) noexcept;

    const MosaicParams &mosaic() const;
    std::uint32_t seed() const;

    // Pixels and ground truth of one frame.
    EndotheliumFrame render(const CameraParams &camera = {}) const;
    // Pixels only, into out (kSimFrameWidth * kSimFrameHeight bytes, row-major): the
    // streaming path, a few milliseconds per frame.
    void renderPixels(const CameraParams &camera, std::uint8_t *out) const;
    // Ground truth of the frame seen with the given shift.
    std::vector<CellTruth> groundTruth(int shiftRow = 0, int shiftCol = 0) const;
    std::vector<Gutta> guttae(int shiftRow = 0, int shiftCol = 0) const;

    // Lattice spacing (distance between neighbouring seeds) and mean cell area, pixels.
    double latticeSpacingPx() const;
    double meanCellAreaPx() const;

private:
    struct Mosaic;
    std::unique_ptr<Mosaic> m;
};

// Mean and coefficient of variation of the area of the cells flagged inside.
struct AreaSummary {
    int count = 0;
    double meanUm2 = 0;
    double cv = 0;
    double densityPerMm2 = 0; // 1e6 / meanUm2
};
AreaSummary SummarizeInside(const std::vector<CellTruth> &cells);

} // namespace cornix::sim

#ifdef QT_GUI_LIB
#include <QImage>
namespace cornix::sim {
// The frame as an 8-bit grey QImage (deep copy).
inline QImage ToQImage(const EndotheliumFrame &frame)
{
    return QImage(frame.pixels.data(), frame.width, frame.height, frame.width, QImage::Format_Grayscale8)
        .copy();
}
} // namespace cornix::sim
#endif
