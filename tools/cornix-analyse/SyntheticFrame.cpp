#include "SyntheticFrame.h"

#include "SyntheticEndothelium.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace cornix::cli {

namespace {

constexpr TRect kField{155, 115, 485, 365};
constexpr double kDarkLevel = 20.0; // grey outside the field
constexpr double kEdgeWidth = 10.0; // pixels of the field's soft edge

// 1 inside the field, 0 beyond its soft edge, a cosine ramp between.
double FieldWeight(int row, int col)
{
    const double dx = std::max({double(kField.Left - col), double(col - kField.Right), 0.0});
    const double dy = std::max({double(kField.Top - row), double(row - kField.Bottom), 0.0});
    const double d = std::hypot(dx, dy);
    if (d >= kEdgeWidth)
        return 0.0;
    return 0.5 * (1.0 + std::cos(std::numbers::pi * d / kEdgeWidth));
}

} // namespace

TSyntheticFrame SyntheticFrame(std::uint32_t seed, double density, double mmPerPixel, const TSyntheticStyle &style)
{
    sim::MosaicParams mosaic;
    mosaic.cellDensity = density;
    mosaic.mmPerPixel = mmPerPixel;
    mosaic.sizeVariation = style.SizeVariation;
    mosaic.guttaCount = style.GuttaCount;
    const sim::SyntheticEndothelium tissue(seed, mosaic);
    sim::CameraParams camera;
    camera.noiseSeed = seed;
    camera.focusBlur = style.FocusBlur;
    camera.noiseSigma = style.NoiseSigma;
    const sim::EndotheliumFrame rendered = tissue.render(camera);

    TSyntheticFrame result;
    result.TrueDensity = tissue.mosaic().cellDensity;
    result.Field = kField;
    const int inset = style.RoiInset;
    result.Roi = {kField.Left + inset, kField.Top + inset, kField.Right - inset, kField.Bottom - inset};
    result.Frame = QImage(kFrameWidth, kFrameHeight, QImage::Format_RGB888);
    for (int row = 0; row < kFrameHeight; ++row) {
        uchar *line = result.Frame.scanLine(row);
        for (int col = 0; col < kFrameWidth; ++col) {
            const double w = FieldWeight(row, col);
            const double grey = kDarkLevel + w * (rendered.at(row, col) - kDarkLevel);
            const auto g = uchar(std::clamp(std::lround(grey), 0L, 255L));
            line[3 * col] = line[3 * col + 1] = line[3 * col + 2] = g;
        }
    }
    for (const sim::CellTruth &cell : rendered.cells) {
        if (cell.row >= kField.Top && cell.row <= kField.Bottom && cell.col >= kField.Left && cell.col <= kField.Right)
            result.Cells.push_back({cell.row, cell.col});
    }
    return result;
}

} // namespace cornix::cli
