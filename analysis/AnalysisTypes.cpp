#include "AnalysisTypes.h"

#include <algorithm>

namespace cornix {

TRect NormalizedRect(const TRect &rect)
{
    return TRect{std::min(rect.Left, rect.Right), std::min(rect.Top, rect.Bottom),
                 std::max(rect.Left, rect.Right), std::max(rect.Top, rect.Bottom)};
}

bool IsValidRoi(const TRect &rect)
{
    const std::int64_t width = std::int64_t(rect.Right) - rect.Left;
    const std::int64_t height = std::int64_t(rect.Bottom) - rect.Top;
    // In double: the product of two 33-bit extents can exceed 64 bits.
    return double(width) * double(height) > 50.0;
}

} // namespace cornix
