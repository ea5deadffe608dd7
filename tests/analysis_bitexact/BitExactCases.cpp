#include "BitExactCases.h"

#include "SyntheticEndothelium.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <random>

namespace cornix::bitexact {

namespace {

const TRect kGoldenRoi{180, 140, 460, 340};
const TRect kFieldRoi{180, 140, 460, 340};

struct TFrameRecipe {
    std::uint32_t Seed = 1;
    double Density = 2500;
    std::function<void(sim::MosaicParams &, sim::CameraParams &)> Adjust;
    // Applied to the rendered grey bytes (pachymetry reflections).
    std::function<void(std::vector<std::uint8_t> &, std::uint32_t)> Paint;
    bool Colour = false;
};

// Vertical bands with the two reflections the pachymetry looks for: a dark band
// followed by a middle one (the dark edge) and a bright-ish band followed by a
// very bright one (the bright edge), with per-pixel noise of the given spread.
void paintReflections(std::vector<std::uint8_t> &pixels, std::uint32_t seed, int firstColumn, int noise)
{
    std::mt19937 random(seed);
    const struct {
        int From, To, Level;
    } bands[] = {{firstColumn, firstColumn + 60, 15},
                 {firstColumn + 61, firstColumn + 110, 70},
                 {firstColumn + 111, firstColumn + 160, 150},
                 {firstColumn + 161, firstColumn + 200, 240}};
    for (int r = 0; r < sim::kSimFrameHeight; ++r)
        for (const auto &band : bands)
            for (int c = band.From; c <= std::min(band.To, sim::kSimFrameWidth - 1); ++c) {
                const int jitter = noise > 0 ? int(random() % unsigned(2 * noise + 1)) - noise : 0;
                pixels[std::size_t(r) * sim::kSimFrameWidth + c] = std::uint8_t(std::clamp(band.Level + jitter, 0, 255));
            }
}

void field(sim::CameraParams &camera, int left, int top, int right, int bottom)
{
    camera.limitedField = true;
    camera.fieldLeft = left;
    camera.fieldTop = top;
    camera.fieldRight = right;
    camera.fieldBottom = bottom;
}

using M = sim::MosaicParams;
using C = sim::CameraParams;

const std::map<QString, TFrameRecipe> &recipes()
{
    static const std::map<QString, TFrameRecipe> table = {
        // Densities and seeds, the default camera with the lit field.
        {"d1500_s21", {21, 1500, {}}},
        {"d2000_s22", {22, 2000, {}}},
        {"d2500_s23", {23, 2500, {}}},
        {"d3000_s24", {24, 3000, {}}},
        {"d3500_s25", {25, 3500, {}}},
        {"d2500_s31_high", {31, 2500, {}}},
        {"d2500_s32_low", {32, 2500, {}}},
        {"d2000_s33_pleomorphic", {33, 2000, [](M &m, C &) { m.sizeVariation = 0.45; }}},
        {"d2500_s34_guttae", {34, 2500, [](M &m, C &) { m.guttaCount = 12; }}},
        {"d2500_s35_blur", {35, 2500, [](M &, C &c) { c.focusBlur = 2.0; }}},
        {"d1000_s61_falloff", {61, 1000, [](M &, C &c) {
             c.illuminationFalloff = 0.6;
             c.illuminationCentreX = 0.3;
         }}},
        // Noise, brightness and contrast.
        {"d2500_s41_noise0", {41, 2500, [](M &, C &c) { c.noiseSigma = 0; }}},
        {"d2500_s42_noise10", {42, 2500, [](M &, C &c) { c.noiseSigma = 10; }}},
        {"d2500_s43_noise20", {43, 2500, [](M &, C &c) { c.noiseSigma = 20; }}},
        {"d3000_s44_dark", {44, 3000, [](M &, C &c) {
             c.noiseSigma = 8;
             c.brightness = -40;
         }}},
        {"d2500_s45_contrast", {45, 2500, [](M &, C &c) { c.contrast = 1.8; }}},
        // The lit field at an edge or a corner of the frame.
        {"edge_left", {51, 2500, [](M &, C &c) { field(c, 0, 115, 300, 365); }}},
        {"edge_top", {52, 2500, [](M &, C &c) { field(c, 155, 0, 485, 220); }}},
        {"edge_right", {53, 2500, [](M &, C &c) { field(c, 340, 115, 639, 365); }}},
        {"edge_bottom", {54, 2500, [](M &, C &c) { field(c, 155, 260, 485, 479); }}},
        {"corner_top_left", {55, 2000, [](M &, C &c) { field(c, 0, 0, 300, 230); }}},
        // Pure black outside the field and no noise: long runs of exact zeros.
        {"corner_bottom_right_black", {56, 2500, [](M &, C &c) {
             field(c, 340, 250, 639, 479);
             c.noiseSigma = 0;
             c.outsideLevel = 0;
         }}},
        // More than 1300 regions (no cells) and too few cells.
        {"full_field", {57, 2500, [](M &, C &c) { c.limitedField = false; }}},
        {"tiny_field", {58, 2500, [](M &, C &c) { field(c, 300, 220, 345, 262); }}},
        // Other iteration counts of the finder.
        {"d2500_s62_iter0", {62, 2500, {}}},
        {"d2000_s63_iter2", {63, 2000, {}}},
        // A colour frame: the grey level is the rounded mean of three different bytes.
        {"colour", {64, 2500, {}, {}, true}},
        // Pachymetry reflections: clean, noisy, and painted over the cells.
        {"pachy_clean", {65, 2500, [](M &, C &c) { c.noiseSigma = 0; },
                         [](std::vector<std::uint8_t> &p, std::uint32_t s) { paintReflections(p, s, 20, 0); }}},
        {"pachy_noisy", {66, 2500, {}, [](std::vector<std::uint8_t> &p, std::uint32_t s) {
                             paintReflections(p, s, 30, 12);
                         }}},
        {"pachy_over_cells", {67, 3000, {}, [](std::vector<std::uint8_t> &p, std::uint32_t s) {
                                  paintReflections(p, s, 400, 5);
                              }}},
    };
    return table;
}

} // namespace

const std::vector<TCase> &Cases()
{
    static const std::vector<TCase> cases = [] {
        std::vector<TCase> list = {
            {"golden_d1000_seed11", "d1000_seed11", kGoldenRoi},
            {"golden_d2500_seed12", "d2500_seed12", kGoldenRoi},
            {"golden_d3500_seed13", "d3500_seed13", kGoldenRoi},
            {"golden_d2500_seed12_high", "d2500_seed12", kGoldenRoi, -2.5},
            {"golden_d2500_seed12_low", "d2500_seed12", kGoldenRoi, -3.5},
        };
        const std::map<QString, TCase> special = {
            {"d2500_s31_high", {"", "", kFieldRoi, -2.5}},
            {"d2500_s32_low", {"", "", kFieldRoi, -3.5}},
            {"edge_left", {"", "", TRect{2, 140, 280, 340}}},
            {"edge_top", {"", "", TRect{180, 0, 460, 200}}},
            {"edge_right", {"", "", TRect{360, 140, 639, 340}}},
            {"edge_bottom", {"", "", TRect{180, 280, 460, 479}}},
            {"corner_top_left", {"", "", TRect{0, 0, 280, 210}}},
            {"corner_bottom_right_black", {"", "", TRect{360, 270, 639, 479}}},
            {"full_field", {"", "", TRect{80, 60, 559, 419}}},
            {"tiny_field", {"", "", TRect{302, 222, 343, 260}}},
            {"d2500_s62_iter0", {"", "", kFieldRoi, -3.0, 0}},
            {"d2000_s63_iter2", {"", "", kFieldRoi, -3.0, 2}},
            {"pachy_clean", {"", "", kFieldRoi, -2.5}},
        };
        for (const auto &[name, recipe] : recipes()) {
            TCase c{name, QString(), kFieldRoi};
            if (auto it = special.find(name); it != special.end()) {
                c.Roi = it->second.Roi;
                c.Threshold = it->second.Threshold;
                c.Iterations = it->second.Iterations;
            }
            list.push_back(c);
        }
        return list;
    }();
    return cases;
}

QImage MakeFrame(const QString &name)
{
    const TFrameRecipe &recipe = recipes().at(name);
    sim::MosaicParams mosaic;
    mosaic.cellDensity = recipe.Density;
    sim::CameraParams camera;
    camera.limitedField = true;
    camera.noiseSeed = recipe.Seed;
    if (recipe.Adjust)
        recipe.Adjust(mosaic, camera);
    const sim::SyntheticEndothelium tissue(recipe.Seed, mosaic);
    sim::EndotheliumFrame frame = tissue.render(camera);
    if (recipe.Paint)
        recipe.Paint(frame.pixels, recipe.Seed);
    QImage grey = sim::ToQImage(frame);
    if (!recipe.Colour)
        return grey;
    // Channels apart by a few levels, so that the rounded mean is exercised.
    QImage colour(grey.size(), QImage::Format_RGB888);
    for (int r = 0; r < grey.height(); ++r) {
        const uchar *in = grey.constScanLine(r);
        uchar *out = colour.scanLine(r);
        for (int c = 0; c < grey.width(); ++c) {
            out[3 * c] = uchar(std::min(255, in[c] + (c % 3)));
            out[3 * c + 1] = uchar(std::max(0, in[c] - (r % 5)));
            out[3 * c + 2] = in[c];
        }
    }
    return colour;
}

} // namespace cornix::bitexact
