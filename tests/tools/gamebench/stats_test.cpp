// The figures gamebench prints: percentiles, intervals, the burst check
// after a stall, resident memory and callgrind totals.
#include "tools/gamebench/stats.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Figures, MeanAndNearestRankPercentiles) {
    std::vector<double> values;
    for (int i = 100; i >= 1; --i) values.push_back(i);   // unsorted on purpose
    EXPECT_DOUBLE_EQ(mean_of(values), 50.5);
    EXPECT_DOUBLE_EQ(percentile_of(values, 50), 50);
    EXPECT_DOUBLE_EQ(percentile_of(values, 99), 99);
    EXPECT_DOUBLE_EQ(percentile_of(values, 100), 100);
    EXPECT_DOUBLE_EQ(percentile_of(values, 0), 1);
    // Few samples: the 99th percentile of ten is the largest.
    EXPECT_DOUBLE_EQ(percentile_of({5, 1, 9, 3, 7, 2, 8, 4, 6, 10}, 99), 10);
    EXPECT_DOUBLE_EQ(percentile_of({4, 1, 3, 2}, 50), 2);
    EXPECT_DOUBLE_EQ(percentile_of({}, 99), 0);
    EXPECT_DOUBLE_EQ(mean_of({}), 0);
}

TEST(Figures, IntervalsAndTheStall) {
    const std::vector<double> stamps = {0, 16, 33, 133, 150, 167};
    const std::vector<double> intervals = intervals_of(stamps);
    ASSERT_EQ(intervals.size(), 5u);
    EXPECT_DOUBLE_EQ(intervals[2], 100);
    EXPECT_EQ(longest_interval(intervals), 2u);
    EXPECT_TRUE(intervals_of({42}).empty());
    EXPECT_EQ(longest_interval({}), 0u);
}

TEST(Figures, BurstAfterStallCountsCatchUpFrames) {
    const double frame = 1000.0 / 60.0;
    // A pacer that skips missed deadlines: normal intervals after the stall.
    std::vector<double> skipping = {16.7, 16.6, 116.7, 16.7, 16.6, 16.7, 16.7};
    EXPECT_EQ(burst_after_stall(skipping, 2, 30, frame, 0.5), 0);
    // One that catches up: six frames back to back, then normal again.
    std::vector<double> catching_up = {16.7, 16.6, 116.7, 1, 1, 1, 1, 1, 1, 16.7, 16.7};
    EXPECT_EQ(burst_after_stall(catching_up, 2, 30, frame, 0.5), 6);
    // Only the window after the stall counts, and short frames before it do not.
    EXPECT_EQ(burst_after_stall(catching_up, 2, 3, frame, 0.5), 3);
    std::vector<double> short_before = {1, 1, 116.7, 16.7};
    EXPECT_EQ(burst_after_stall(short_before, 2, 30, frame, 0.5), 0);
    // A stall at the very end has nothing after it.
    EXPECT_EQ(burst_after_stall(short_before, 3, 30, frame, 0.5), 0);
}

TEST(Figures, ResidentMemoryFromStatm) {
    EXPECT_EQ(resident_kib_from_statm("20000 1500 300 10 0 900 0\n", 4096), 6000);
    EXPECT_EQ(resident_kib_from_statm("20000 1500", 16384), 24000);
    EXPECT_EQ(resident_kib_from_statm("", 4096), -1);
    EXPECT_EQ(resident_kib_from_statm("garbage", 4096), -1);
    EXPECT_GT(resident_kib_now(), 0);
}

TEST(Figures, ResidentSteadyAfterWarmUp) {
    // Growth during the warm-up does not count; growth after it does.
    EXPECT_TRUE(resident_steady({1000, 50000, 50100, 50200}, 1, 4096));
    EXPECT_FALSE(resident_steady({1000, 50000, 52000, 60000}, 1, 4096));
    EXPECT_TRUE(resident_steady({1000}, 1, 0));
    EXPECT_FALSE(resident_steady({100, 200}, 0, 50));
    // Swings of a cache or quarantine are not growth; a slow climb is.
    EXPECT_TRUE(resident_steady({100, 500, 600, 520, 590, 530, 600, 540}, 1, 0));
    EXPECT_FALSE(resident_steady({100, 500, 510, 520, 530, 540, 550}, 1, 15));
    EXPECT_TRUE(resident_steady({100, 500, 510, 520, 530, 540, 550}, 1, 30));
}

TEST(Figures, CallgrindTotals) {
    const std::string out =
        "version: 1\ncreator: callgrind-3.19.0\nevents: Ir\n"
        "fn=(1) gamebench_work_frames\n3 120\n"
        "summary: 178913417\n"
        "totals: 178913418\n";
    EXPECT_EQ(callgrind_total(out), 178913417);
    EXPECT_EQ(callgrind_total("events: Ir\ntotals: 977\n"), 977);
    EXPECT_EQ(callgrind_total("events: Ir\nfn=main\n"), -1);
    // A line merely containing the word is not the summary.
    EXPECT_EQ(callgrind_total("fn=summary: 12\ntotals: 5\n"), 5);
}

}  // namespace
