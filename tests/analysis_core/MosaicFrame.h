#pragma once
// Synthetic endothelium for the analysis-core tests and benchmark: bright cells
// on a jittered hexagonal lattice separated by dark borders of fixed width.
#include "AnalysisTypes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace mosaic {

struct Centre {
    double Row;
    double Col;
};

struct Options {
    double Spacing = 11.0;     // distance between neighbouring centres, px
    double Jitter = 1.0;       // maximum displacement of a centre, px
    double HalfBorder = 1.2;   // half width of the dark border, px
    std::uint8_t Cell = 170;   // grey of a cell interior
    std::uint8_t Border = 50;  // grey of a border
    int Noise = 6;             // +- uniform noise on every pixel
    std::uint32_t Seed = 12345;
    // Only this part of the frame shows cells (a specular image lights a band);
    // the rest is Background grey.
    TRect Lit{120, 90, 519, 389};
    std::uint8_t Background = 40;
};

inline bool isLit(const Options &options, double row, double col)
{
    return row >= options.Lit.Top && row <= options.Lit.Bottom && col >= options.Lit.Left &&
           col <= options.Lit.Right;
}

class Random {
public:
    explicit Random(std::uint32_t seed) : m_state(seed * 2654435761u + 1) {}
    // Uniform in [0, 1).
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) / double(1u << 24);
    }

private:
    std::uint32_t m_state;
};

inline std::vector<Centre> hexCentres(const Options &options)
{
    Random random(options.Seed);
    std::vector<Centre> centres;
    const double rowStep = options.Spacing * std::sqrt(3.0) / 2.0;
    int line = 0;
    for (double row = -options.Spacing; row < cornix::kFrameHeight + options.Spacing; row += rowStep, ++line) {
        const double shift = (line % 2) * options.Spacing / 2.0;
        for (double col = -options.Spacing + shift; col < cornix::kFrameWidth + options.Spacing;
             col += options.Spacing) {
            const double dr = (random.next() * 2 - 1) * options.Jitter;
            const double dc = (random.next() * 2 - 1) * options.Jitter;
            centres.push_back({row + dr, col + dc});
        }
    }
    return centres;
}

// Renders the mosaic: a pixel is border when its distance to the bisector of
// its two nearest centres is below HalfBorder.
inline std::unique_ptr<TGrayFrame> render(const std::vector<Centre> &centres, const Options &options)
{
    auto frame = std::make_unique<TGrayFrame>();
    Random random(options.Seed ^ 0x9e3779b9u);
    const double bucket = options.Spacing;
    const int bucketCols = int(cornix::kFrameWidth / bucket) + 4;
    const int bucketRows = int(cornix::kFrameHeight / bucket) + 4;
    std::vector<std::vector<int>> buckets(bucketCols * bucketRows);
    auto bucketOf = [&](double row, double col, int &br, int &bc) {
        br = std::clamp(int(std::floor(row / bucket)) + 2, 0, bucketRows - 1);
        bc = std::clamp(int(std::floor(col / bucket)) + 2, 0, bucketCols - 1);
    };
    for (int i = 0; i < int(centres.size()); ++i) {
        int br, bc;
        bucketOf(centres[i].Row, centres[i].Col, br, bc);
        buckets[br * bucketCols + bc].push_back(i);
    }
    for (int r = 0; r < cornix::kFrameHeight; ++r)
        for (int c = 0; c < cornix::kFrameWidth; ++c) {
            int br, bc;
            bucketOf(r, c, br, bc);
            double best = 1e30, second = 1e30;
            int bestIndex = -1, secondIndex = -1;
            for (int i = std::max(br - 2, 0); i <= std::min(br + 2, bucketRows - 1); ++i)
                for (int j = std::max(bc - 2, 0); j <= std::min(bc + 2, bucketCols - 1); ++j)
                    for (int k : buckets[i * bucketCols + j]) {
                        const double d = std::pow(centres[k].Row - r, 2) + std::pow(centres[k].Col - c, 2);
                        if (d < best) {
                            second = best, secondIndex = bestIndex;
                            best = d, bestIndex = k;
                        } else if (d < second) {
                            second = d, secondIndex = k;
                        }
                    }
            bool border = false;
            if (secondIndex >= 0) {
                const Centre &a = centres[bestIndex];
                const Centre &b = centres[secondIndex];
                const double gap = std::hypot(a.Row - b.Row, a.Col - b.Col);
                border = (second - best) / (2.0 * gap) < options.HalfBorder;
            }
            const int noise = options.Noise > 0 ? int(random.next() * (2 * options.Noise + 1)) - options.Noise : 0;
            const int base = !isLit(options, r, c) ? options.Background : border ? options.Border : options.Cell;
            const int grey = base + noise;
            (*frame)[r][c] = std::uint8_t(std::clamp(grey, 0, 255));
        }
    return frame;
}

inline std::unique_ptr<TGrayFrame> hexMosaic(const Options &options = {})
{
    return render(hexCentres(options), options);
}

} // namespace mosaic
