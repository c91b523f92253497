// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::bench {

// The value in KiB of a "Key:   1234 kB" line of /proc/<pid>/status text
// (VmRSS, VmHWM, ...); nothing when the key is missing or malformed.
[[nodiscard]] std::optional<long> StatusKiB(std::string_view statusText, std::string_view key);

// The first "model name" of /proc/cpuinfo text; empty when there is none.
[[nodiscard]] std::string CpuModel(std::string_view cpuinfoText);

// The whole text of a (small, virtual) file; empty when it cannot be read.
[[nodiscard]] std::string ReadTextFile(const char* path);

// This process's resident set now and at its peak, in KiB.
struct Memory {
    long rssKiB = -1;
    long peakKiB = -1;
};
[[nodiscard]] Memory CurrentMemory();

// Resident KiB per mapped object of /proc/<pid>/smaps text, largest first:
// the file a mapping comes from, "[heap]", "[stack]", or "[anonymous]" for
// mappings without a name.
struct MappingRss {
    std::string name;
    long rssKiB = 0;
};
[[nodiscard]] std::vector<MappingRss> RssByMapping(std::string_view smapsText);

// The three load averages of /proc/loadavg ("0.52 0.58 0.59").
[[nodiscard]] std::string LoadAverages();

}  // namespace tarvik::bench
