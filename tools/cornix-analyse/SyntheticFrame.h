#pragma once
// Synthetic specular frames for the demonstration and the accuracy evaluation.
//
// A specular microscope lights only a patch of the endothelium; the rest of the
// frame is dark. The finder discards a frame with more than 1300 regions, which
// a frame full of cells exceeds above about 1200 cells/mm² at 0.00186 mm/pixel,
// so the synthetic tissue is seen through an illuminated field of 330 x 250
// pixels (soft edges) on a dark, flat background.
#include "AnalysisTypes.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace cornix::cli {

struct TTrueCell {
    double Row = 0;
    double Col = 0;
};

struct TSyntheticFrame {
    QImage Frame;             // 640 x 480, Format_RGB888
    double TrueDensity = 0;   // cells/mm² of the mosaic
    TRect Field;              // the illuminated field
    TRect Roi;                // the region to analyse: the field inset by the style's RoiInset (25 pixels)
    std::vector<TTrueCell> Cells; // centroids of the cells whose centroid lies in the field
};

// How hard the frame is; the defaults are the generator's typical healthy mosaic.
struct TSyntheticStyle {
    double SizeVariation = 0.25; // seed jitter, fraction of the lattice spacing
    double FocusBlur = 0.8;      // Gaussian sigma, pixels
    double NoiseSigma = 4.0;     // grey levels
    int GuttaCount = 0;
    int RoiInset = 25;           // pixels between the field's edge and the region
};

TSyntheticFrame SyntheticFrame(std::uint32_t seed, double density, double mmPerPixel,
                               const TSyntheticStyle &style = {});

} // namespace cornix::cli
