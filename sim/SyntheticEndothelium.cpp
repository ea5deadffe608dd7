#include "SyntheticEndothelium.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace cornix::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxBlurRadius = 12;            // sigma is clamped to kMaxBlurRadius / 3
constexpr int kMargin = kMaxShift + kMaxBlurRadius + 4;
constexpr int kCanvasWidth = kSimFrameWidth + 2 * kMargin;
constexpr int kCanvasHeight = kSimFrameHeight + 2 * kMargin;
constexpr double kInteriorRamp = 3.0;         // pixels over which a cell brightens towards its middle

// Uniform in [0, 1) from one raw 32-bit draw: identical on every standard library.
double Uniform(std::mt19937 &rng) { return (double(rng()) + 0.5) * (1.0 / 4294967296.0); }

double Clamp(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }

// 65536 standard normal samples (Box-Muller from a fixed seed); a frame's noise
// picks from them with 16-bit indices, two per raw draw.
const std::vector<float> &NormalTable()
{
    static const std::vector<float> table = [] {
        std::vector<float> t(65536);
        std::mt19937 rng(20240229u);
        for (std::size_t i = 0; i < t.size(); i += 2) {
            const double u1 = Uniform(rng), u2 = Uniform(rng);
            const double r = std::sqrt(-2.0 * std::log(u1));
            t[i] = float(r * std::cos(2 * kPi * u2));
            t[i + 1] = float(r * std::sin(2 * kPi * u2));
        }
        return t;
    }();
    return table;
}

struct Seed {
    double row = 0;
    double col = 0;
    double level = 1; // relative interior brightness
};

// Normalised Gaussian kernel, radius ceil(3 sigma).
std::vector<float> GaussianKernel(double sigma)
{
    const int radius = std::min(kMaxBlurRadius, int(std::ceil(3 * sigma)));
    std::vector<float> k(2 * radius + 1);
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += std::exp(-0.5 * i * i / (sigma * sigma));
    for (int i = -radius; i <= radius; ++i)
        k[i + radius] = float(std::exp(-0.5 * i * i / (sigma * sigma)) / sum);
    return k;
}

// Weight of the lit field: 1 inside, 0 beyond the soft edge, a cosine ramp between.
double FieldWeight(const CameraParams &camera, int row, int col)
{
    const double dx = std::max({double(camera.fieldLeft - col), double(col - camera.fieldRight), 0.0});
    const double dy = std::max({double(camera.fieldTop - row), double(row - camera.fieldBottom), 0.0});
    if (dx == 0 && dy == 0)
        return 1.0;
    const double edge = std::max(camera.fieldEdge, 1e-9);
    if (dx >= edge || dy >= edge)
        return 0.0; // cheap exits keep the transcendental work to the edge band
    const double d = std::hypot(dx, dy);
    return d >= edge ? 0.0 : 0.5 * (1 + std::cos(kPi * d / edge));
}

} // namespace

struct SyntheticEndothelium::Mosaic {
    std::uint32_t seed = 0;
    MosaicParams params;
    double spacing = 0;                  // lattice spacing, pixels
    double cellArea = 0;                 // pixels
    std::vector<Seed> seeds;             // canvas coordinates
    std::vector<std::int32_t> labels;    // canvas plane: index of the nearest seed
    std::vector<float> reflectance;      // canvas plane: 0 border .. ~1 cell interior
    std::vector<Gutta> guttae;           // canvas coordinates

    void placeSeeds(std::mt19937 &rng);
    void rasterize();
    void shadePixel(int r, int c, const std::vector<int> &kept, std::vector<double> &dist2, double profileReach);
    void placeGuttae(std::mt19937 &rng);
};

void SyntheticEndothelium::Mosaic::placeSeeds(std::mt19937 &rng)
{
    // Hexagonal lattice at a random angle and origin, each seed jittered in a disc.
    const double angle = Uniform(rng) * kPi / 3;
    const double ax = spacing * std::cos(angle), ay = spacing * std::sin(angle);
    const double bx = spacing * std::cos(angle + kPi / 3), by = spacing * std::sin(angle + kPi / 3);
    const double originCol = kCanvasWidth / 2.0 + Uniform(rng) * spacing;
    const double originRow = kCanvasHeight / 2.0 + Uniform(rng) * spacing;
    const double reach = std::hypot(kCanvasWidth, kCanvasHeight) / 2 + 3 * spacing;
    const int n = int(std::ceil(reach / (spacing * std::sin(kPi / 3)))) + 1;
    const double jitter = params.sizeVariation * spacing;
    const double lo = -2 * spacing;
    for (int i = -n; i <= n; ++i) {
        for (int j = -n; j <= n; ++j) {
            // Draws happen for every lattice point so the sequence does not depend on the filter.
            const double r = jitter * std::sqrt(Uniform(rng));
            const double phi = 2 * kPi * Uniform(rng);
            const double level = 1 + params.cellLevelSpread * (2 * Uniform(rng) - 1);
            const double col = originCol + i * ax + j * bx + r * std::cos(phi);
            const double row = originRow + i * ay + j * by + r * std::sin(phi);
            if (col < lo || row < lo || col > kCanvasWidth - 1 - lo || row > kCanvasHeight - 1 - lo)
                continue;
            seeds.push_back({row, col, level});
        }
    }
}

void SyntheticEndothelium::Mosaic::rasterize()
{
    // The canvas is processed in small tiles. A seed matters for a pixel when it is
    // its nearest or when its bisector with the nearest lies within the border
    // profile's reach; since the bisector is at least (|pc| - |pa|) / 2 away, seeds
    // farther from the tile than its worst nearest distance plus twice the reach are
    // dropped before the per-pixel loops.
    const double profileReach = params.borderWidth / 2 + kInteriorRamp + 1;
    const double bucket = spacing;
    const double gridOrigin = -2 * spacing;
    const int bucketsX = int(std::ceil((kCanvasWidth + 4 * spacing) / bucket)) + 1;
    const int bucketsY = int(std::ceil((kCanvasHeight + 4 * spacing) / bucket)) + 1;
    std::vector<std::vector<int>> grid(std::size_t(bucketsX) * bucketsY);
    for (int s = 0; s < int(seeds.size()); ++s) {
        const int bx = std::clamp(int((seeds[s].col - gridOrigin) / bucket), 0, bucketsX - 1);
        const int by = std::clamp(int((seeds[s].row - gridOrigin) / bucket), 0, bucketsY - 1);
        grid[std::size_t(by) * bucketsX + bx].push_back(s);
    }
    // Every pixel's nearest seed is within 1.08 spacings (lattice cell radius plus jitter).
    const double expand = 1.1 * spacing + 2 * profileReach + 1;

    labels.assign(std::size_t(kCanvasWidth) * kCanvasHeight, 0);
    reflectance.assign(labels.size(), 0.0f);
    constexpr int kTile = 8;
    std::vector<int> candidates, kept;
    std::vector<double> minDist, dist2;
    for (int r0 = 0; r0 < kCanvasHeight; r0 += kTile) {
        for (int c0 = 0; c0 < kCanvasWidth; c0 += kTile) {
            const int r1 = std::min(kCanvasHeight, r0 + kTile), c1 = std::min(kCanvasWidth, c0 + kTile);
            const int bx0 = std::max(0, int((c0 - expand - gridOrigin) / bucket));
            const int bx1 = std::min(bucketsX - 1, int((c1 - 1 + expand - gridOrigin) / bucket));
            const int by0 = std::max(0, int((r0 - expand - gridOrigin) / bucket));
            const int by1 = std::min(bucketsY - 1, int((r1 - 1 + expand - gridOrigin) / bucket));
            candidates.clear();
            minDist.clear();
            double worstNearest = 1e300;
            for (int y = by0; y <= by1; ++y) {
                for (int x = bx0; x <= bx1; ++x) {
                    for (int s : grid[std::size_t(y) * bucketsX + x]) {
                        const Seed &sd = seeds[s];
                        const double dx = std::max({c0 - sd.col, 0.0, sd.col - (c1 - 1)});
                        const double dy = std::max({r0 - sd.row, 0.0, sd.row - (r1 - 1)});
                        const double fx = std::max(std::abs(sd.col - c0), std::abs(sd.col - (c1 - 1)));
                        const double fy = std::max(std::abs(sd.row - r0), std::abs(sd.row - (r1 - 1)));
                        candidates.push_back(s);
                        minDist.push_back(std::sqrt(dx * dx + dy * dy));
                        worstNearest = std::min(worstNearest, std::sqrt(fx * fx + fy * fy));
                    }
                }
            }
            kept.clear();
            for (std::size_t k = 0; k < candidates.size(); ++k)
                if (minDist[k] <= worstNearest + 2 * profileReach)
                    kept.push_back(candidates[k]);
            dist2.resize(kept.size());
            for (int r = r0; r < r1; ++r)
                for (int c = c0; c < c1; ++c)
                    shadePixel(r, c, kept, dist2, profileReach);
        }
    }
}

void SyntheticEndothelium::Mosaic::shadePixel(int r, int c, const std::vector<int> &kept, std::vector<double> &dist2,
                                              double profileReach)
{
    std::size_t nearest = 0;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const Seed &sd = seeds[kept[k]];
        dist2[k] = (r - sd.row) * (r - sd.row) + (c - sd.col) * (c - sd.col);
        if (dist2[k] < dist2[nearest])
            nearest = k;
    }
    // Distance to the cell's boundary: the nearest bisector with another seed.
    const Seed &a = seeds[kept[nearest]];
    double border = profileReach;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const double gap = dist2[k] - dist2[nearest];
        if (k == nearest)
            continue;
        const Seed &b = seeds[kept[k]];
        const double ab2 = (a.row - b.row) * (a.row - b.row) + (a.col - b.col) * (a.col - b.col);
        if (gap * gap >= 4 * border * border * ab2)
            continue;
        border = std::min(border, gap / (2 * std::sqrt(ab2)));
    }
    const double edge = Clamp(border - params.borderWidth / 2 + 0.5, 0, 1);
    const double dome = 0.9 + 0.1 * Clamp((border - params.borderWidth / 2) / kInteriorRamp, 0, 1);
    const std::size_t i = std::size_t(r) * kCanvasWidth + c;
    labels[i] = kept[nearest];
    reflectance[i] = float(edge * dome * a.level);
}

void SyntheticEndothelium::Mosaic::placeGuttae(std::mt19937 &rng)
{
    for (int g = 0; g < params.guttaCount; ++g) {
        Gutta gutta;
        gutta.row = kMargin + Uniform(rng) * kSimFrameHeight;
        gutta.col = kMargin + Uniform(rng) * kSimFrameWidth;
        gutta.radius = params.guttaRadius * (0.6 + 0.8 * Uniform(rng));
        guttae.push_back(gutta);
        // A dark disc with a soft rim and a faint central reflex.
        const int rad = int(std::ceil(gutta.radius)) + 2;
        for (int r = std::max(0, int(gutta.row) - rad); r <= std::min(kCanvasHeight - 1, int(gutta.row) + rad); ++r) {
            for (int c = std::max(0, int(gutta.col) - rad); c <= std::min(kCanvasWidth - 1, int(gutta.col) + rad);
                 ++c) {
                const double d = std::hypot(r - gutta.row, c - gutta.col);
                const double inside = Clamp(gutta.radius - d + 0.5, 0, 1);
                const double reflex = 0.5 * Clamp(0.25 * gutta.radius - d + 0.5, 0, 1);
                float &v = reflectance[std::size_t(r) * kCanvasWidth + c];
                v = float(v * (1 - inside) + inside * (0.12 + reflex));
            }
        }
    }
}

SyntheticEndothelium::SyntheticEndothelium(std::uint32_t seed, const MosaicParams &mosaic)
    : m(std::make_unique<Mosaic>())
{
    m->seed = seed;
    m->params = mosaic;
    MosaicParams &p = m->params;
    p.cellDensity = Clamp(p.cellDensity, 100.0, 20000.0);
    p.mmPerPixel = Clamp(p.mmPerPixel, 1e-4, 0.05);
    p.sizeVariation = Clamp(p.sizeVariation, 0.0, 0.5);
    p.cellLevelSpread = Clamp(p.cellLevelSpread, 0.0, 0.5);
    p.guttaCount = std::clamp(p.guttaCount, 0, 1000);
    p.guttaRadius = Clamp(p.guttaRadius, 1.0, 30.0);
    // Cell area in pixels from the density; regular hexagons of that area have this spacing.
    m->cellArea = 1.0 / (p.cellDensity * p.mmPerPixel * p.mmPerPixel);
    m->spacing = std::sqrt(2 * m->cellArea / std::sqrt(3.0));
    // Lower bound keeps very small cells from vanishing into their own borders.
    p.borderWidth = Clamp(p.borderWidth, 0.5, std::max(0.5, m->spacing / 3));

    std::mt19937 rng(seed);
    m->placeSeeds(rng);
    m->rasterize();
    m->placeGuttae(rng);
}

SyntheticEndothelium::~SyntheticEndothelium() = default;
SyntheticEndothelium::SyntheticEndothelium(SyntheticEndothelium &&) noexcept = default;
SyntheticEndothelium &SyntheticEndothelium::operator=(SyntheticEndothelium &&) noexcept = default;

const MosaicParams &SyntheticEndothelium::mosaic() const { return m->params; }
std::uint32_t SyntheticEndothelium::seed() const { return m->seed; }
double SyntheticEndothelium::latticeSpacingPx() const { return m->spacing; }
double SyntheticEndothelium::meanCellAreaPx() const { return m->cellArea; }

void SyntheticEndothelium::renderPixels(const CameraParams &camera, std::uint8_t *out) const
{
    const int shiftRow = std::clamp(camera.shiftRow, -kMaxShift, kMaxShift);
    const int shiftCol = std::clamp(camera.shiftCol, -kMaxShift, kMaxShift);
    const double sigma = Clamp(camera.focusBlur, 0.0, kMaxBlurRadius / 3.0);
    const std::vector<float> kernel = sigma < 0.2 ? std::vector<float>{1.0f} : GaussianKernel(sigma);
    const int radius = int(kernel.size() / 2);

    // Frame pixel (r, c) sees canvas pixel (r + top, c + left): a positive shift moves the tissue down/right.
    const int top = kMargin - shiftRow, left = kMargin - shiftCol;
    const int w = kSimFrameWidth, h = kSimFrameHeight;
    // Horizontal pass over the rows the vertical pass needs.
    const int rows = h + 2 * radius;
    std::vector<float> horizontal(std::size_t(rows) * w);
    for (int r = 0; r < rows; ++r) {
        const float *src = &m->reflectance[std::size_t(top - radius + r) * kCanvasWidth + left - radius];
        float *dst = &horizontal[std::size_t(r) * w];
        for (int c = 0; c < w; ++c) {
            float sum = 0;
            for (int k = 0; k < int(kernel.size()); ++k)
                sum += kernel[k] * src[c + k];
            dst[c] = sum;
        }
    }

    // Illumination as a sum of a row and a column term (a paraboloid around the peak).
    const double peakX = camera.illuminationCentreX * (w - 1), peakY = camera.illuminationCentreY * (h - 1);
    const double farX = std::max(peakX, w - 1 - peakX), farY = std::max(peakY, h - 1 - peakY);
    const double fall = Clamp(camera.illuminationFalloff, 0.0, 1.0) / (farX * farX + farY * farY);
    std::vector<float> colTerm(w), rowTerm(h);
    for (int c = 0; c < w; ++c)
        colTerm[c] = float(fall * (c - peakX) * (c - peakX));
    for (int r = 0; r < h; ++r)
        rowTerm[r] = float(1.0 - fall * (r - peakY) * (r - peakY));

    const std::vector<float> &normal = NormalTable();
    std::mt19937 noiseRng(camera.noiseSeed);
    const float noise = float(std::max(0.0, camera.noiseSigma));
    const float gain = float(camera.contrast);
    const float base = float(camera.borderLevel);
    const float span = float(camera.cellLevel - camera.borderLevel);
    const float offset = float(128.0 + camera.brightness);
    std::vector<float> column(w), field(w, 1.0f);
    const float outside = float(camera.outsideLevel);
    for (int r = 0; r < h; ++r) {
        if (camera.limitedField)
            for (int c = 0; c < w; ++c)
                field[c] = float(FieldWeight(camera, r, c));
        std::fill(column.begin(), column.end(), 0.0f);
        for (int k = 0; k < int(kernel.size()); ++k) {
            const float *src = &horizontal[std::size_t(r + k) * w];
            for (int c = 0; c < w; ++c)
                column[c] += kernel[k] * src[c];
        }
        std::uint8_t *dst = out + std::size_t(r) * w;
        for (int c = 0; c < w; c += 2) {
            const std::uint32_t draw = noiseRng();
            const float n0 = noise * normal[draw & 0xFFFFu];
            const float n1 = noise * normal[draw >> 16];
            for (int i = 0; i < 2; ++i) {
                const float light = rowTerm[r] - colTerm[c + i];
                const float lit = (base + span * column[c + i]) * light;
                const float grey = camera.limitedField ? outside + (lit - outside) * field[c + i] : lit;
                const float v = (grey - 128.0f) * gain + offset + (i == 0 ? n0 : n1);
                dst[c + i] = std::uint8_t(std::clamp(std::floor(v + 0.5f), 0.0f, 255.0f));
            }
        }
    }
}

std::vector<CellTruth> SyntheticEndothelium::groundTruth(int shiftRow, int shiftCol) const
{
    shiftRow = std::clamp(shiftRow, -kMaxShift, kMaxShift);
    shiftCol = std::clamp(shiftCol, -kMaxShift, kMaxShift);
    const int top = kMargin - shiftRow, left = kMargin - shiftCol;
    const int w = kSimFrameWidth, h = kSimFrameHeight;
    struct Sum {
        double rows = 0, cols = 0, count = 0;
        bool edge = false;
    };
    std::vector<Sum> sums(m->seeds.size());
    for (int r = 0; r < h; ++r) {
        const std::int32_t *lab = &m->labels[std::size_t(top + r) * kCanvasWidth + left];
        const bool edgeRow = r == 0 || r == h - 1;
        for (int c = 0; c < w; ++c) {
            Sum &s = sums[lab[c]];
            s.rows += r;
            s.cols += c;
            s.count += 1;
            s.edge = s.edge || edgeRow || c == 0 || c == w - 1;
        }
    }
    const std::vector<Gutta> spots = guttae(shiftRow, shiftCol);
    const double umPerPx = m->params.mmPerPixel * 1000.0;
    std::vector<CellTruth> cells;
    for (const Sum &s : sums) {
        if (s.count == 0)
            continue;
        CellTruth cell;
        cell.row = s.rows / s.count;
        cell.col = s.cols / s.count;
        cell.areaPx = s.count;
        cell.areaUm2 = s.count * umPerPx * umPerPx;
        cell.inside = !s.edge;
        cell.gutta = std::any_of(spots.begin(), spots.end(), [&](const Gutta &g) {
            return std::hypot(cell.row - g.row, cell.col - g.col) <= g.radius;
        });
        cells.push_back(cell);
    }
    std::sort(cells.begin(), cells.end(), [](const CellTruth &a, const CellTruth &b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    return cells;
}

std::vector<Gutta> SyntheticEndothelium::guttae(int shiftRow, int shiftCol) const
{
    shiftRow = std::clamp(shiftRow, -kMaxShift, kMaxShift);
    shiftCol = std::clamp(shiftCol, -kMaxShift, kMaxShift);
    std::vector<Gutta> out;
    for (Gutta g : m->guttae) {
        g.row += shiftRow - kMargin;
        g.col += shiftCol - kMargin;
        out.push_back(g);
    }
    return out;
}

EndotheliumFrame SyntheticEndothelium::render(const CameraParams &camera) const
{
    EndotheliumFrame frame;
    frame.pixels.resize(std::size_t(frame.width) * frame.height);
    renderPixels(camera, frame.pixels.data());
    frame.cells = groundTruth(camera.shiftRow, camera.shiftCol);
    frame.guttae = guttae(camera.shiftRow, camera.shiftCol);
    if (camera.limitedField)
        for (CellTruth &cell : frame.cells)
            cell.inField = cell.row >= camera.fieldTop && cell.row <= camera.fieldBottom &&
                           cell.col >= camera.fieldLeft && cell.col <= camera.fieldRight;
    return frame;
}

AreaSummary SummarizeInside(const std::vector<CellTruth> &cells)
{
    AreaSummary s;
    double sum = 0, sum2 = 0;
    for (const CellTruth &c : cells) {
        if (!c.inside)
            continue;
        ++s.count;
        sum += c.areaUm2;
        sum2 += c.areaUm2 * c.areaUm2;
    }
    if (s.count == 0)
        return s;
    s.meanUm2 = sum / s.count;
    const double var = std::max(0.0, sum2 / s.count - s.meanUm2 * s.meanUm2);
    s.cv = std::sqrt(var) / s.meanUm2;
    s.densityPerMm2 = 1e6 / s.meanUm2;
    return s;
}

} // namespace cornix::sim
