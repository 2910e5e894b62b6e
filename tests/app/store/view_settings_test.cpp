// The settings a window shows reach the store at the paint that follows a change, once.
#include "app/store/view_settings.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/store/sample_intake.h"

namespace {

TEST(apply_view_settings, applies_each_change_once) {
    sample_store store;
    const std::vector<ping_sample> samples = {{100.0, 10.0}, {101.0, 20.0}};
    append_samples(store, samples.data(), samples.size());
    view_settings settings;
    settings.avg_time = 0.5;
    settings.only_avg = true;

    apply_view_settings(store, settings, 512, 120);
    EXPECT_FALSE(settings.avg_changed);
    EXPECT_TRUE(store.show_avg);
    EXPECT_EQ(store.bucket_width, 0.5);
    EXPECT_EQ(store.buckets.size(), 2u);
    EXPECT_TRUE(store.only_avg);
    EXPECT_DOUBLE_EQ(store.idle_secs, 0.512);

    // Averaging off keeps the width; the buckets are still rebuilt.
    settings.avg_time = 0.0;
    settings.avg_changed = true;
    store.buckets.clear();
    apply_view_settings(store, settings, 0, 120);
    EXPECT_FALSE(store.show_avg);
    EXPECT_EQ(store.bucket_width, 0.5);
    EXPECT_EQ(store.buckets.size(), 2u);

    // A new span: the window is found again from scratch, and a paint that follows
    // without a change leaves it alone.
    settings.x_time = 10;
    settings.x_time_changed = true;
    apply_view_settings(store, settings, 20000, 120); // both samples are older than the span
    EXPECT_FALSE(settings.x_time_changed);
    EXPECT_EQ(store.span_secs, 10u);
    EXPECT_EQ(store.first_visible, 2u);
    EXPECT_FALSE(update_view(store, 120));
    store.first_visible = 0;
    apply_view_settings(store, settings, 20000, 120);
    EXPECT_EQ(store.first_visible, 0u);
}

} // namespace
