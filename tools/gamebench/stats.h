// Figures over measured samples: mean, percentiles, frame intervals, the
// burst check after a stall, resident memory and instruction counts.
#pragma once

#include <string>
#include <vector>

// Arithmetic mean (0 for none).
double mean_of(const std::vector<double>& values);

// The p-th percentile (0..100) by the nearest-rank rule (0 for none).
double percentile_of(std::vector<double> values, double p);

// Differences between consecutive timestamps.
std::vector<double> intervals_of(const std::vector<double>& stamps);

// After a stall that ended at interval index stall_index, how many of the
// next `window` intervals were shorter than `fraction` of the frame interval:
// a pacer that catches up on missed deadlines shows them as a burst.
int burst_after_stall(const std::vector<double>& intervals, size_t stall_index, size_t window,
                      double frame_ms, double fraction);

// The index of the longest interval (the stall), or 0 for none.
size_t longest_interval(const std::vector<double>& intervals);

// Resident set size now, in KiB, from a /proc/<pid>/statm text ("" -> -1).
long resident_kib_from_statm(const std::string& statm, long page_bytes);

// Resident set size of this process now, in KiB (-1 when unknown).
long resident_kib_now();

// The total instruction count of a callgrind output file's text, taken from
// its "summary:" line (else "totals:"); -1 when neither is there.
long long callgrind_total(const std::string& text);

// Whether resident memory stayed steady after warm_up_samples: the highest
// sample of the later half exceeds the highest of the earlier half by no
// more than allowed_kib.
bool resident_steady(const std::vector<long>& samples, size_t warm_up_samples, long allowed_kib);
