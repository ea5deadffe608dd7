#include "CentreMatching.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace cornix::cli {

TMatchCounts MatchCentres(const std::vector<TPoint> &detected, const std::vector<bool> &detectedCounted,
                          const std::vector<TPoint> &truth, const std::vector<bool> &trueCounted,
                          double maxDistance)
{
    std::vector<std::tuple<double, std::size_t, std::size_t>> pairs;
    for (std::size_t d = 0; d < detected.size(); ++d)
        for (std::size_t t = 0; t < truth.size(); ++t) {
            const double dist = std::hypot(detected[d].Row - truth[t].Row, detected[d].Col - truth[t].Col);
            if (dist <= maxDistance)
                pairs.emplace_back(dist, d, t);
        }
    std::sort(pairs.begin(), pairs.end());
    std::vector<bool> detectedUsed(detected.size()), trueUsed(truth.size());
    for (const auto &[dist, d, t] : pairs) {
        if (detectedUsed[d] || trueUsed[t])
            continue;
        detectedUsed[d] = trueUsed[t] = true;
    }
    TMatchCounts counts;
    for (std::size_t d = 0; d < detected.size(); ++d)
        if (detectedCounted[d]) {
            ++counts.Detected;
            counts.MatchedDetected += detectedUsed[d] ? 1 : 0;
        }
    for (std::size_t t = 0; t < truth.size(); ++t)
        if (trueCounted[t]) {
            ++counts.True;
            counts.MatchedTrue += trueUsed[t] ? 1 : 0;
        }
    return counts;
}

} // namespace cornix::cli
