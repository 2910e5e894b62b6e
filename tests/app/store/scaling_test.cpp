#include "app/store/scaling.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "app/store/sample_intake.h"

namespace {

constexpr std::int32_t client_height = 250;

void append(sample_store& store, const std::vector<ping_sample>& batch) {
    append_samples(store, batch.data(), batch.size());
}

// A store showing `rtts` at one-second intervals, all inside a 60 s window.
void show(sample_store& store, const std::vector<double>& rtts, double start = 1000.0) {
    std::vector<ping_sample> batch;
    for (double rtt : rtts) batch.push_back({start + static_cast<double>(batch.size()), rtt});
    append(store, batch);
    store.span_secs = 60;
    recompute_window(store, client_height);
}

TEST(scale_y, all_equal_values_give_a_flat_axis) {
    sample_store store;
    show(store, {12.5, 12.5, 12.5});
    EXPECT_EQ(store.y_low, 12.5);
    EXPECT_EQ(store.y_high, 12.5);
    EXPECT_EQ(store.y_range, 0.0);
    EXPECT_EQ(store.y_scale, 0.0);
    EXPECT_EQ(store.plot_height, 230.0);
}

TEST(scale_y, one_sample_uses_its_value) {
    sample_store store;
    show(store, {42.0});
    EXPECT_EQ(store.y_low, 42.0);
    EXPECT_EQ(store.y_high, 42.0);
}

TEST(scale_y, spike_does_not_stretch_the_axis) {
    sample_store store;
    std::vector<double> rtts(40, 10.0);
    for (std::size_t i = 0; i < rtts.size(); i += 2) rtts[i] = 12.0;
    rtts[20] = 1000.0;
    show(store, rtts);
    EXPECT_EQ(store.win_max, 1000.0);
    EXPECT_LT(store.y_high, 1000.0);
    const double mean = store.win_sum / store.win_count;
    const double sd = std::sqrt(store.win_sum_sq / store.win_count - mean * mean);
    EXPECT_NEAR(store.y_high, mean + 5.0 * sd + 0.5 * sd, 1e-9);
    EXPECT_NEAR(store.y_low, 10.0 - 0.125 * sd, 1e-9);
}

TEST(scale_y, hysteresis_keeps_the_axis_until_data_leaves_the_inner_range) {
    sample_store store;
    show(store, {10.0, 20.0}); // mean 15, sd 5: axis 9.375 .. 22.5
    ASSERT_EQ(store.y_low, 9.375);
    ASSERT_EQ(store.y_high, 22.5);
    const double m = 0.2 * (22.5 - 9.375);

    // Drifting up inside the range, less than 20 % below the top: no rescale.
    store.win_max = 21.0;
    scale_y(store, client_height);
    EXPECT_EQ(store.y_high, 22.5);
    // Crossing the top: rescale.
    store.win_max = 23.0;
    store.win_sum = 30.0 + 100.0; // a mean far up, so hi is win_max
    store.win_sum_sq = 500.0 + 10000.0;
    store.win_count = 3;
    scale_y(store, client_height);
    EXPECT_GT(store.y_high, 22.5);

    // The bottom 20 % empty: rescale.
    sample_store low;
    show(low, {10.0, 20.0});
    low.win_min = low.y_low + m + 0.5;
    scale_y(low, client_height);
    EXPECT_NE(low.y_low, 9.375);
    // Data below the bottom: rescale.
    sample_store below;
    show(below, {10.0, 20.0});
    below.win_min = 9.0;
    scale_y(below, client_height);
    EXPECT_EQ(below.y_low, 9.0 - 5.0 * 0.125);
}

TEST(scale_y, drops_only_what_left_the_window) {
    sample_store store;
    show(store, {1.0, 2.0, 3.0, 4.0, 5.0}); // times 1000..1004
    store.left_time = 1002.0;
    scale_y(store, client_height);
    EXPECT_EQ(store.first_visible, 2u);
    EXPECT_EQ(store.win_count, 3u);
    EXPECT_EQ(store.win_sum, 12.0);
    EXPECT_EQ(store.win_sum_sq, 50.0);
}

TEST(scale_y, guards_a_variance_below_zero) {
    sample_store store;
    store.win_count = 3;
    store.win_sum = 0.3;
    store.win_sum_sq = 0.0299999; // rounding made sum_sq slightly too small
    store.win_min = 0.1;
    store.win_max = 0.1;
    scale_y(store, client_height);
    EXPECT_EQ(store.y_low, 0.1);
    EXPECT_TRUE(std::isfinite(store.y_high));
}

TEST(scale_y, huge_values_leave_no_infinity_or_cancellation_behind) {
    sample_store store;
    store.span_secs = 10;
    append(store, {{100.0, 1e200}, {101.0, 1e20}, {105.0, 1.5}, {106.0, 2.5}});
    set_time_window(store);
    scale_y(store, client_height);
    EXPECT_TRUE(std::isinf(store.win_sum_sq)); // it is in the window: the recomputation is infinite too
    EXPECT_TRUE(std::isfinite(store.y_low));
    EXPECT_TRUE(std::isfinite(store.y_high));
    store.idle_secs = 4.5; // left edge 100.5: the 1e200 leaves
    set_time_window(store);
    scale_y(store, client_height);
    EXPECT_EQ(store.win_sum, 1e20 + 1.5 + 2.5);
    EXPECT_EQ(store.win_sum_sq, 1e40 + 2.25 + 6.25);
    store.idle_secs = 5.5; // left edge 101.5: the 1e20 leaves; plain running sums would hold 0
    set_time_window(store);
    scale_y(store, client_height);
    EXPECT_EQ(store.win_count, 2u);
    EXPECT_EQ(store.win_sum, 4.0);
    EXPECT_EQ(store.win_sum_sq, 8.5);
}

TEST(scale_y, extreme_values_keep_the_axis_finite) {
    sample_store store;
    show(store, {DBL_MAX, -DBL_MAX, DBL_MAX, 4.9e-324});
    EXPECT_TRUE(std::isfinite(store.y_low));
    EXPECT_TRUE(std::isfinite(store.y_high));
    EXPECT_TRUE(std::isfinite(store.y_scale));
    sample_store tiny;
    show(tiny, {0.0, 4.9e-324});
    EXPECT_TRUE(std::isfinite(tiny.y_scale));
}

TEST(set_time_window, left_edge_is_zero_while_the_span_exceeds_the_clock) {
    sample_store store;
    append(store, {{30.0, 1.0}});
    store.span_secs = 60;
    store.idle_secs = 2.5;
    set_time_window(store);
    EXPECT_EQ(store.right_time, 32.5);
    EXPECT_EQ(store.left_time, 0.0);
    store.span_secs = 10;
    set_time_window(store);
    EXPECT_EQ(store.left_time, 22.5);
}

TEST(set_time_window, reads_no_sample_when_empty) {
    sample_store store;
    store.right_time = 3.0;
    set_time_window(store);
    EXPECT_EQ(store.right_time, 3.0);
    EXPECT_EQ(store.left_time, 1e9);
    recompute_window(store, client_height);
    EXPECT_EQ(store.first_visible, 0u);
    EXPECT_EQ(store.win_count, 0u);
}

TEST(recompute_window, finds_the_window_again_from_the_start) {
    sample_store store;
    show(store, {1.0, 2.0, 3.0, 4.0});
    store.span_secs = 1;
    recompute_window(store, client_height);
    EXPECT_EQ(store.first_visible, 2u);
    EXPECT_EQ(store.win_count, 2u);
    EXPECT_EQ(store.win_min, 3.0);
    EXPECT_EQ(store.win_max, 4.0);
    store.span_secs = 60;
    recompute_window(store, client_height);
    EXPECT_EQ(store.first_visible, 0u);
    EXPECT_EQ(store.win_count, 4u);
}

TEST(buckets, sample_far_before_the_origin_moves_it_back_by_whole_widths) {
    sample_store store;
    store.bucket_width = 1.0;
    append(store, {{100.0, 1.0}, {102.5, 2.0}});
    EXPECT_EQ(store.bucket_origin, 100.0);
    EXPECT_EQ(store.buckets.index_at(1), 2);
    append(store, {{97.5, 3.0}}); // k = -2
    EXPECT_EQ(store.bucket_origin, 98.0);
    ASSERT_EQ(store.buckets.size(), 3u);
    EXPECT_EQ(store.buckets.index_at(0), 0); // holds 97.5
    EXPECT_EQ(store.buckets.index_at(1), 2); // the former bucket 0
    EXPECT_EQ(store.buckets.index_at(2), 4);
    EXPECT_EQ(store.buckets.find(1), nullptr); // an empty bucket breaks the curve
    // Less than one width before the origin joins bucket 0.
    append(store, {{97.2, 4.0}});
    EXPECT_EQ(store.bucket_origin, 98.0);
    EXPECT_EQ(store.buckets.bucket_at(0).count, 2u);
    EXPECT_EQ(store.buckets.bucket_at(0).sum_rtt, 7.0);
}

TEST(buckets, rebuild_with_a_new_width_uses_all_samples) {
    sample_store store;
    store.bucket_width = 1.0;
    show(store, {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0, 11.0, 12.0});
    EXPECT_EQ(store.buckets.size(), 12u);
    store.bucket_width = 10.0;
    rebuild_buckets(store);
    EXPECT_EQ(store.bucket_origin, 1000.0);
    ASSERT_EQ(store.buckets.size(), 2u);
    EXPECT_EQ(store.buckets.bucket_at(0).count, 10u);
    EXPECT_EQ(store.buckets.bucket_at(0).sum_rtt, 55.0);
    EXPECT_EQ(store.buckets.bucket_at(1).count, 2u);
}

TEST(buckets, memory_follows_the_samples_not_the_time_they_span) {
    sample_store store;
    store.bucket_width = 0.001;
    append(store, {{0.0, 1.0}, {604800.0, 1.0}, {2e9, 1.0}});
    EXPECT_EQ(store.buckets.size(), 3u);
    EXPECT_EQ(store.buckets.index_at(1), 604800000);
    EXPECT_EQ(store.buckets.index_at(2), 2000000000000);
}

TEST(buckets, unrepresentable_indices_and_widths_join_no_bucket) {
    sample_store store;
    store.bucket_width = 1e-300;
    append(store, {{0.0, 1.0}, {1.0, 2.0}, {-1.0, 3.0}});
    EXPECT_EQ(store.samples.size(), 3u);
    EXPECT_EQ(store.buckets.size(), 1u); // only the one that set the origin
    for (double width : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        store.bucket_width = width;
        rebuild_buckets(store);
        EXPECT_TRUE(store.buckets.empty());
        EXPECT_EQ(store.bucket_origin, -1.0);
    }
    store.bucket_width = 1.0;
    append(store, {{1e300, 1.0}, {-1e300, 1.0}});
    EXPECT_EQ(store.samples.size(), 5u);
}

TEST(buckets, time_minus_one_is_a_time_like_any_other) {
    sample_store store;
    store.bucket_width = 1.0;
    append(store, {{-1.0, 1.0}, {5.0, 2.0}});
    EXPECT_EQ(store.bucket_origin, -1.0);
    ASSERT_EQ(store.buckets.size(), 2u);
    EXPECT_EQ(store.buckets.index_at(1), 6);
}

TEST(buckets, a_batch_reaching_back_gives_the_same_buckets_as_adding_one_by_one) {
    const std::vector<ping_sample> first = {{10.0, 1.0}, {20.0, 2.0}, {30.0, 3.0}};
    const std::vector<ping_sample> batch = {{25.5, 4.0}, {12.1, 5.0}, {40.0, 6.0}, {12.7, 7.0},
                                            {3.3, 8.0},  {25.9, 9.0}, {15.0, 1.0}, {12.2, 0.5}};
    sample_store store;
    store.bucket_width = 1.0;
    append(store, first);
    append(store, batch);
    sample_store one_by_one;
    one_by_one.bucket_width = 1.0;
    for (const ping_sample& s : first) bucket_add(one_by_one, s.time, s.rtt);
    for (const ping_sample& s : batch) bucket_add(one_by_one, s.time, s.rtt);
    EXPECT_EQ(store.bucket_origin, one_by_one.bucket_origin);
    ASSERT_EQ(store.buckets.size(), one_by_one.buckets.size());
    for (std::size_t i = 0; i < store.buckets.size(); ++i) {
        EXPECT_EQ(store.buckets.index_at(i), one_by_one.buckets.index_at(i));
        EXPECT_EQ(store.buckets.bucket_at(i).count, one_by_one.buckets.bucket_at(i).count);
        EXPECT_EQ(store.buckets.bucket_at(i).sum_time, one_by_one.buckets.bucket_at(i).sum_time);
        EXPECT_EQ(store.buckets.bucket_at(i).sum_rtt, one_by_one.buckets.bucket_at(i).sum_rtt);
    }
}

} // namespace
