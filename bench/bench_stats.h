// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

namespace tarvik::bench {

// Order statistics of a set of timings. The percentile is the nearest-rank
// one: the smallest sample that at least p percent of all samples do not
// exceed, so it is always a value that was really measured.
struct Summary {
    std::size_t count = 0;
    double min = 0;
    double median = 0;
    double p95 = 0;
    double max = 0;
};

// p in (0, 100]; NaN for an empty set.
[[nodiscard]] double Percentile(std::vector<double> samples, double p);
// The middle sample, or the mean of the two middle ones; NaN for an empty set.
[[nodiscard]] double Median(std::vector<double> samples);
[[nodiscard]] Summary Summarise(const std::vector<double>& samples);

}  // namespace tarvik::bench
