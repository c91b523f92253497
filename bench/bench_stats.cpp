// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvik::bench {

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty() || !(p > 0.0) || p > 100.0) return std::numeric_limits<double>::quiet_NaN();
    std::sort(samples.begin(), samples.end());
    // Rank 1..n; a tiny allowance keeps 95 % of 20 samples at rank 19, not 20,
    // when p * n / 100 comes out as 19.000000000000004.
    const double exact = p / 100.0 * static_cast<double>(samples.size());
    auto rank = static_cast<std::size_t>(std::ceil(exact - 1e-9));
    rank = std::clamp<std::size_t>(rank, 1, samples.size());
    return samples[rank - 1];
}

double Median(std::vector<double> samples) {
    if (samples.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    return n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
}

Summary Summarise(const std::vector<double>& samples) {
    Summary s;
    s.count = samples.size();
    if (samples.empty()) {
        s.min = s.median = s.p95 = s.max = std::numeric_limits<double>::quiet_NaN();
        return s;
    }
    const auto [lo, hi] = std::minmax_element(samples.begin(), samples.end());
    s.min = *lo;
    s.max = *hi;
    s.median = Median(samples);
    s.p95 = Percentile(samples, 95.0);
    return s;
}

}  // namespace tarvik::bench
