// The pachymetry measure as it was before it was optimised. Test code only.
#include "ReferenceKernels.h"

#include "Numbers.h"

#include <array>
#include <cstdlib>

namespace cornix::reference {

TPachymetry MeasurePachymetry(const TGrayColumns &g)
{
    constexpr int width = kFrameWidth;
    constexpr int height = kFrameHeight;
    std::array<std::int32_t, width> ha{};
    std::array<std::int32_t, width> hb{};

    // Running sums of ten columns per row: window [w, w+9] and [w+10, w+19].
    for (int r = 1; r < height; ++r) {
        int left = 0, right = 0;
        for (int c = 0; c < 10; ++c) {
            left += g[c][r];
            right += g[c + 10][r];
        }
        for (int w = 0; w <= width - 20; ++w) {
            if (w > 0) {
                left += g[w + 9][r] - g[w - 1][r];
                right += g[w + 19][r] - g[w + 9][r];
            }
            const int c = w + 9; // 9..629, inside the gradient's columns 1..637
            const int gradient = (10 * std::abs(g[c][r] - g[c + 1][r])) & 0xFF;
            if (gradient <= 20)
                continue;
            const std::int64_t m = RoundHalfEven(left / 10.0);
            const std::int64_t o = RoundHalfEven(right / 10.0);
            if (m < 40 && o < 100)
                ++ha[c];
            if (o > 220 && m > 100)
                ++hb[c];
        }
    }
    auto firstLargest = [](const std::array<std::int32_t, width> &h) {
        int best = 0;
        for (int c = 1; c < width; ++c)
            if (h[c] > h[best])
                best = c;
        return best;
    };
    TPachymetry p;
    p.Left = firstLargest(ha);
    p.Right = firstLargest(hb);
    p.Width = p.Right - p.Left;
    return p;
}

} // namespace cornix::reference
