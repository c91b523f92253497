// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/proc_info.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

namespace tarvik::bench {

namespace {

[[nodiscard]] std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Calls f(key, value) for every "key: value" line until f returns true.
template <typename F>
void ForEachField(std::string_view text, F f) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        if (f(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)))) return;
    }
}

}  // namespace

std::optional<long> StatusKiB(std::string_view statusText, std::string_view key) {
    std::optional<long> result;
    ForEachField(statusText, [&](std::string_view k, std::string_view v) {
        if (k != key) return false;
        long value = 0;
        const auto [next, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
        if (ec == std::errc() && value >= 0 &&
            Trim(std::string_view(next, static_cast<std::size_t>(v.data() + v.size() - next))) == "kB") {
            result = value;
        }
        return true;
    });
    return result;
}

std::string CpuModel(std::string_view cpuinfoText) {
    std::string model;
    ForEachField(cpuinfoText, [&](std::string_view k, std::string_view v) {
        if (k != "model name") return false;
        model = std::string(v);
        return true;
    });
    return model;
}

std::string ReadTextFile(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Memory CurrentMemory() {
    const std::string status = ReadTextFile("/proc/self/status");
    return {StatusKiB(status, "VmRSS").value_or(-1), StatusKiB(status, "VmHWM").value_or(-1)};
}

std::vector<MappingRss> RssByMapping(std::string_view smapsText) {
    std::vector<MappingRss> totals;
    std::string current;
    while (!smapsText.empty()) {
        const std::size_t end = smapsText.find('\n');
        const std::string_view line = smapsText.substr(0, end);
        smapsText = end == std::string_view::npos ? std::string_view() : smapsText.substr(end + 1);
        // A mapping's header: "start-end perms offset dev inode [name]";
        // its attribute lines start with a capitalised key instead.
        const std::size_t dash = line.find('-');
        const bool header = dash != std::string_view::npos && dash > 0 &&
                            line.substr(0, dash).find_first_not_of("0123456789abcdef") == std::string_view::npos;
        if (header) {
            std::istringstream fields{std::string(line)};
            std::string range, perms, offset, device, inode, name;
            fields >> range >> perms >> offset >> device >> inode;
            std::getline(fields, name);
            const std::string_view trimmed = Trim(name);
            current = trimmed.empty() ? "[anonymous]" : std::string(trimmed);
            continue;
        }
        if (line.substr(0, 4) != "Rss:") continue;
        const std::optional<long> kib = StatusKiB(line, "Rss");
        if (!kib) continue;
        auto it = std::find_if(totals.begin(), totals.end(), [&](const MappingRss& m) { return m.name == current; });
        if (it == totals.end()) {
            totals.push_back({current, *kib});
        } else {
            it->rssKiB += *kib;
        }
    }
    std::stable_sort(totals.begin(), totals.end(),
                     [](const MappingRss& a, const MappingRss& b) { return a.rssKiB > b.rssKiB; });
    return totals;
}

std::string LoadAverages() {
    const std::string text = ReadTextFile("/proc/loadavg");
    std::istringstream in(text);
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

}  // namespace tarvik::bench
