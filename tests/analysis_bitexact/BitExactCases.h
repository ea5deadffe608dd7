#pragma once
// The frames of the bit-exact regression test: the golden frames of
// tests/data/analyse and frames made once with the synthetic endothelium
// (several seeds and densities, noise levels, the lit field at each edge and
// corner, frames with too many or too few cells, a colour frame and frames
// with pachymetry reflections). The synthetic frames are rendered by the test;
// the recording holds each frame's grey checksum, so that a change of the
// generator shows as such and not as a change of the analysis.
#include "AnalysisTypes.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace cornix::bitexact {

struct TCase {
    QString Name;
    QString Golden; // sub-folder of tests/data/analyse, empty for a stored frame
    TRect Roi;
    double Threshold = -3.0;
    std::int32_t Iterations = 5;
};

// All cases, in the order of the recording.
const std::vector<TCase> &Cases();

// Renders the synthetic frame of a case (not for golden cases).
QImage MakeFrame(const QString &name);

} // namespace cornix::bitexact
