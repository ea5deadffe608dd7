#pragma once
// One-to-one matching of detected cell centres with the true ones.
#include <vector>

namespace cornix::cli {

struct TPoint {
    double Row = 0;
    double Col = 0;
};

struct TMatchCounts {
    int Detected = 0;      // detected centres counted (inside the region)
    int True = 0;          // true centres counted (inside the region)
    int MatchedDetected = 0;
    int MatchedTrue = 0;
    double Precision() const { return Detected > 0 ? double(MatchedDetected) / Detected : 0.0; }
    double Recall() const { return True > 0 ? double(MatchedTrue) / True : 0.0; }
};

// Pairs detected and true centres closest first, each at most once, when they
// lie within maxDistance pixels. All centres take part in the pairing; only
// those flagged as counted (inside the region) are counted, so that a pair
// straddling the region's edge is not a miss.
TMatchCounts MatchCentres(const std::vector<TPoint> &detected, const std::vector<bool> &detectedCounted,
                          const std::vector<TPoint> &truth, const std::vector<bool> &trueCounted,
                          double maxDistance);

} // namespace cornix::cli
