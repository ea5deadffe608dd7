#include "CornixProcessing.h"

namespace cornix {
void GrayFromRgb24(const std::uint8_t *, int, int, std::ptrdiff_t, TGrayFrame &gray) { gray = {}; }
void GrayToPlane(const TGrayFrame &, TDoublePlane &) {}
bool ContrastStretch(TDoublePlane &, const TRect &) { return false; }
void Smooth(const TDoublePlane &, TDoublePlane &) {}
void SmoothInPlace(TDoublePlane &) {}
void Laplacian(const TDoublePlane &, TDoublePlane &) {}
void ThresholdMask(const TDoublePlane &, TDoublePlane &, double) {}
void ClearBorder(TDoublePlane &, int) {}
void RemoveSpeckles(TDoublePlane &) {}
int LabelRegions(const TDoublePlane &, TDoublePlane &, TCellTable &, int, std::vector<std::int32_t> &) { return 0; }
void ComputeCentres(TCellTable &, int) {}
void SortCellsByRow(TCellTable &, int) {}
} // namespace cornix
