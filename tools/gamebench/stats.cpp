// Figures over measured samples.
#include "tools/gamebench/stats.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <unistd.h>

double mean_of(const std::vector<double>& values) {
    if (values.empty()) return 0;
    double sum = 0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

double percentile_of(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with at least p percent at or below it.
    double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    size_t index = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
    return values[std::min(index, values.size() - 1)];
}

std::vector<double> intervals_of(const std::vector<double>& stamps) {
    std::vector<double> out;
    for (size_t i = 1; i < stamps.size(); ++i) out.push_back(stamps[i] - stamps[i - 1]);
    return out;
}

int burst_after_stall(const std::vector<double>& intervals, size_t stall_index, size_t window,
                      double frame_ms, double fraction) {
    int short_ones = 0;
    for (size_t i = stall_index + 1; i < intervals.size() && i <= stall_index + window; ++i)
        if (intervals[i] < fraction * frame_ms) ++short_ones;
    return short_ones;
}

size_t longest_interval(const std::vector<double>& intervals) {
    if (intervals.empty()) return 0;
    return static_cast<size_t>(std::max_element(intervals.begin(), intervals.end()) - intervals.begin());
}

long resident_kib_from_statm(const std::string& statm, long page_bytes) {
    std::istringstream in(statm);
    long size_pages = 0, resident_pages = 0;
    if (!(in >> size_pages >> resident_pages) || page_bytes <= 0) return -1;
    return resident_pages * (page_bytes / 1024);
}

long resident_kib_now() {
    std::ifstream in("/proc/self/statm");
    std::stringstream text;
    text << in.rdbuf();
    return resident_kib_from_statm(text.str(), ::sysconf(_SC_PAGESIZE));
}

long long callgrind_total(const std::string& text) {
    for (const char* key : {"summary:", "totals:"}) {
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind(key, 0) != 0) continue;
            std::istringstream fields(line.substr(std::string(key).size()));
            long long value = -1;
            if (fields >> value) return value;
        }
    }
    return -1;
}

bool resident_steady(const std::vector<long>& samples, size_t warm_up_samples, long allowed_kib) {
    if (samples.size() < warm_up_samples + 2) return true;
    // Highs, not single samples: an allocator's caches (and a sanitizer's
    // quarantine) swing the figure up and down; a leak lifts every high.
    const auto first = samples.begin() + static_cast<long>(warm_up_samples);
    const auto middle = first + static_cast<long>((samples.end() - first) / 2);
    const long earlier_high = *std::max_element(first, middle);
    const long later_high = *std::max_element(middle, samples.end());
    return later_high - earlier_high <= allowed_kib;
}
