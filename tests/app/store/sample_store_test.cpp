#include "app/store/sample_intake.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "app/store/scaling.h"

namespace {

constexpr std::int32_t client_height = 250;
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

void append(sample_store& store, const std::vector<ping_sample>& batch) {
    append_samples(store, batch.data(), batch.size());
}

std::vector<double> times(const sample_store& store) {
    std::vector<double> t;
    for (const ping_sample& s : store.samples) t.push_back(s.time);
    return t;
}

TEST(ping_sample, is_the_sixteen_byte_wire_record) {
    // time then rtt, little-endian doubles, read bytewise from an unaligned buffer.
    unsigned char wire[1 + 2 * 16] = {};
    const double values[4] = {1.5, 20.25, 2.5, 30.75};
    std::memcpy(wire + 1, values, sizeof values);
    sample_store store;
    append_samples(store, wire + 1, 2);
    ASSERT_EQ(store.samples.size(), 2u);
    EXPECT_EQ(store.samples[0].time, 1.5);
    EXPECT_EQ(store.samples[0].rtt, 20.25);
    EXPECT_EQ(store.samples[1].time, 2.5);
    EXPECT_EQ(store.samples[1].rtt, 30.75);
}

TEST(sample_store, starts_with_the_documented_values) {
    sample_store store;
    EXPECT_TRUE(store.samples.empty());
    EXPECT_EQ(store.win_min, 60000.0);
    EXPECT_EQ(store.win_max, -1.0);
    EXPECT_EQ(store.win_count, 0u);
    EXPECT_TRUE(store.buckets.empty());
    EXPECT_EQ(store.bucket_width, 1000.0);
    EXPECT_EQ(store.bucket_origin, -1.0);
    EXPECT_TRUE(store.show_avg);
    EXPECT_FALSE(store.only_avg);
    EXPECT_EQ(store.left_time, 1e9);
    EXPECT_EQ(store.y_low, 1e9);
    EXPECT_EQ(store.y_high, -1.0);
    EXPECT_EQ(store.span_secs, 60000u);
    EXPECT_EQ(store.margin, 10.0);
}

TEST(append_samples, one_sample_into_an_empty_store) {
    sample_store store;
    append(store, {{100.0, 12.5}});
    ASSERT_EQ(store.samples.size(), 1u);
    EXPECT_EQ(store.win_count, 1u);
    EXPECT_EQ(store.win_min, 12.5);
    EXPECT_EQ(store.win_max, 12.5);
    ASSERT_EQ(store.buckets.size(), 1u);
    EXPECT_EQ(store.bucket_origin, 100.0);
    EXPECT_EQ(store.buckets.index_at(0), 0);
    EXPECT_EQ(store.buckets.bucket_at(0).count, 1u);
}

TEST(append_samples, zero_records_or_no_buffer_change_nothing) {
    sample_store store;
    EXPECT_EQ(append_samples(store, nullptr, 3), 0u);
    const ping_sample one{1.0, 2.0};
    EXPECT_EQ(append_samples(store, &one, 0), 0u);
    EXPECT_TRUE(store.samples.empty());
    EXPECT_EQ(store.win_count, 0u);
}

TEST(append_samples, orders_late_reversed_and_equal_times) {
    sample_store store;
    append(store, {{10.0, 1.0}, {11.0, 1.0}, {12.0, 1.0}});
    append(store, {{13.0, 1.0}, {14.0, 1.0}});              // newer: appended
    append(store, {{11.5, 1.0}, {9.0, 1.0}, {12.5, 1.0}});  // older, unsorted
    append(store, {{20.0, 1.0}, {19.0, 1.0}, {18.0, 1.0}}); // reversed
    EXPECT_EQ(times(store), (std::vector<double>{9, 10, 11, 11.5, 12, 12.5, 13, 14, 18, 19, 20}));
    EXPECT_EQ(store.win_count, 11u);
}

TEST(append_samples, keeps_the_earlier_stored_of_equal_times_first) {
    sample_store store;
    append(store, {{5.0, 1.0}, {6.0, 2.0}});
    append(store, {{5.0, 3.0}, {4.0, 4.0}});
    ASSERT_EQ(store.samples.size(), 4u);
    EXPECT_EQ(store.samples[1].time, 5.0);
    EXPECT_EQ(store.samples[1].rtt, 1.0);
    EXPECT_EQ(store.samples[2].time, 5.0);
    EXPECT_EQ(store.samples[2].rtt, 3.0);
}

TEST(append_samples, does_not_store_records_that_are_not_finite) {
    sample_store store;
    append(store, {{1.0, 5.0}, {nan, 5.0}, {2.0, nan}, {inf, 5.0}, {3.0, -inf}, {4.0, 7.0}});
    EXPECT_EQ(times(store), (std::vector<double>{1.0, 4.0}));
    EXPECT_EQ(store.win_count, 2u);
    EXPECT_EQ(store.win_sum, 12.0);
    EXPECT_EQ(store.win_sum_sq, 74.0);
    EXPECT_EQ(store.win_max, 7.0);
    EXPECT_EQ(store.buckets.bucket_at(0).count, 2u);
    // A batch of nothing but such records leaves the store as it was.
    const ping_sample hostile[] = {{nan, nan}, {inf, 1.0}};
    EXPECT_EQ(append_samples(store, hostile, 2), 0u);
    EXPECT_EQ(store.samples.size(), 2u);
    // The count is of the records stored, wherever the merge put them.
    const ping_sample mixed[] = {{0.5, 1.0}, {nan, 1.0}, {9.0, 2.0}};
    EXPECT_EQ(append_samples(store, mixed, 3), 2u);
    EXPECT_EQ(store.samples.size(), 4u);
}

// A sample that lands before first_visible must not enter the window statistics,
// or scale_y could never take it out again.
TEST(append_samples, late_sample_before_the_window_stays_out_of_the_statistics) {
    sample_store store;
    store.span_secs = 10;
    std::vector<ping_sample> batch;
    for (int i = 0; i <= 30; ++i) batch.push_back({100.0 + i, 1.0});
    append(store, batch);
    set_time_window(store); // right 130, left 120
    scale_y(store, client_height);
    ASSERT_EQ(store.first_visible, 20u);
    ASSERT_EQ(store.win_count, 11u);

    append(store, {{105.5, 1000.0}, {125.5, 2.0}, {90.0, 3000.0}});
    EXPECT_EQ(store.first_visible, 22u); // the two early ones went in front of it
    EXPECT_EQ(store.samples[store.first_visible].time, 120.0);
    EXPECT_EQ(store.win_count, 12u);
    EXPECT_EQ(store.win_sum, 13.0);
    EXPECT_EQ(store.win_max, 2.0);

    // A time equal to the last sample out of the window goes behind it, so into the
    // window, and the next drop takes it out.
    append(store, {{119.0, 4.0}});
    EXPECT_EQ(store.first_visible, 22u);
    EXPECT_EQ(store.win_count, 13u);
    EXPECT_EQ(store.samples[22].rtt, 4.0);
    scale_y(store, client_height);
    EXPECT_EQ(store.first_visible, 23u);
    EXPECT_EQ(store.win_count, 12u);
    EXPECT_EQ(store.win_sum, 13.0);
}

TEST(append_samples, late_sample_when_the_whole_store_left_the_window) {
    sample_store store;
    store.span_secs = 10;
    append(store, {{100.0, 1.0}, {101.0, 1.0}});
    store.idle_secs = 100.0;
    set_time_window(store);
    scale_y(store, client_height);
    ASSERT_EQ(store.first_visible, 2u);
    ASSERT_EQ(store.win_count, 0u);
    append(store, {{100.5, 9.0}, {101.0, 2.0}, {150.0, 3.0}});
    EXPECT_EQ(store.first_visible, 3u);
    EXPECT_EQ(store.win_count, 2u);
    EXPECT_EQ(store.win_sum, 5.0);
}

TEST(clear_all, empties_store_and_buckets_and_reads_no_sample) {
    sample_store store;
    append(store, {{1.0, 2.0}, {3.0, 4.0}});
    store.left_time = 0.5;
    store.right_time = 7.0;
    clear_all(store, client_height);
    EXPECT_TRUE(store.samples.empty());
    EXPECT_TRUE(store.buckets.empty());
    EXPECT_EQ(store.bucket_origin, -1.0);
    EXPECT_EQ(store.first_visible, 0u);
    EXPECT_EQ(store.win_count, 0u);
    EXPECT_EQ(store.win_sum, 0.0);
    EXPECT_EQ(store.win_min, 60000.0);
    EXPECT_EQ(store.win_max, -1.0);
    // With no sample the time edges cannot be formed and keep their values.
    EXPECT_EQ(store.left_time, 0.5);
    EXPECT_EQ(store.right_time, 7.0);
    // A new sample after the clear starts the buckets afresh.
    append(store, {{50.0, 1.0}});
    EXPECT_EQ(store.bucket_origin, 50.0);
    EXPECT_EQ(store.win_count, 1u);
}

TEST(clear_outside, removes_exactly_the_samples_left_of_the_edge) {
    sample_store store;
    store.bucket_width = 1.0;
    append(store, {{1.0, 1.0}, {2.0, 2.0}, {3.0, 3.0}, {4.0, 4.0}});
    store.left_time = 3.0;
    clear_outside(store, client_height);
    EXPECT_EQ(times(store), (std::vector<double>{3.0, 4.0}));
    EXPECT_EQ(store.bucket_origin, 3.0);
    EXPECT_EQ(store.buckets.size(), 2u);
    EXPECT_EQ(store.win_count, 2u);
    EXPECT_EQ(store.win_sum, 7.0);
}

TEST(clear_outside, all_left_removes_all_none_left_still_rebuilds) {
    sample_store store;
    store.bucket_width = 1.0;
    append(store, {{1.0, 1.0}, {2.0, 2.0}});
    store.left_time = 1e9;
    clear_outside(store, client_height);
    EXPECT_TRUE(store.samples.empty());
    EXPECT_TRUE(store.buckets.empty());

    append(store, {{10.0, 1.0}, {1.0, 2.0}}); // origin 10, then moved back by 9 widths
    ASSERT_EQ(store.bucket_origin, 1.0);
    store.left_time = 0.0;
    store.span_secs = 100;
    store.bucket_width = 5.0;
    clear_outside(store, client_height);
    EXPECT_EQ(store.samples.size(), 2u);
    EXPECT_EQ(store.bucket_origin, 1.0);
    EXPECT_EQ(store.buckets.size(), 2u); // rebuilt with the new width
    EXPECT_EQ(store.buckets.index_at(1), 1);
    EXPECT_EQ(store.first_visible, 0u); // recomputed: 100 s span reaches back to 0
    EXPECT_EQ(store.y_high, 2.25);      // max 2 (below mean + 5 sd) plus half an sd
}

} // namespace
