#pragma once
// Small helpers shared by the timing programs.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace dalvex::bench {

// The p-th quantile (0..1) of the samples, nearest rank.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

} // namespace dalvex::bench
