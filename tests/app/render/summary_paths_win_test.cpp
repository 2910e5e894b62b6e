// Paints from the block summaries give, frame after frame, the pixels of the sample-by-sample walk.
#include "tests/app/render/render_scene_win.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>

namespace {

double unit(std::uint32_t& state) {
    return static_cast<double>(next(state) % 1000000) / 1000000.0;
}

constexpr std::uint32_t spans[] = {10, 600, 3600, 3600, 14400, 86400};
constexpr double widths[] = {0.0, 0.1, 0.1, 0.3, 1.0, 1.0, 10.0, 600.0};
constexpr int sizes[][2] = {{500, 250}, {160, 90}, {160, 90}, {40, 30}, {40, 30}, {7, 5}, {1, 1}, {21, 300}};

// Two windows that receive the same samples, clock and settings: one painted
// from the summaries, one by the walk over every sample and bucket (which the
// pixel-path tests hold to the GDI+ calls themselves).
class twin_windows {
public:
    explicit twin_windows(std::uint32_t seed) : state_(seed) {
        for (auto* w : {&summarised_, &walked_}) {
            *w = std::make_unique<brisk_window>();
            (*w)->last_data_tick = now_;
        }
        resize();
        set_span();
        set_average();
        newest_ = 1000.0 + next(state_) % 100000;
        // A history of about one span, at most 150,000 samples.
        rate_ = std::pow(10.0, 0.5 + 1.5 * unit(state_));
        const double history = (0.5 + unit(state_)) * summarised_->x_time * rate_;
        append_in_order(static_cast<std::uint32_t>(std::min(history, 150000.0)) + 1);
    }

    // One to three changes, then a paint of both windows; "" when they agree.
    std::string step_and_compare(int frame) {
        std::string what;
        const std::uint32_t changes = 1 + next(state_) % 3;
        for (std::uint32_t i = 0; i < changes; ++i) what += (i > 0 ? ", " : "") + change();
        render_back_buffer(*summarised_, now_, pixel_path::summaries);
        render_back_buffer(*walked_, now_, pixel_path::locked_view);
        const std::string difference = first_difference(summarised_->back_buffer, walked_->back_buffer);
        const sample_store& a = summarised_->store;
        const sample_store& b = walked_->store;
        if (!difference.empty() || a.win_min != b.win_min || a.win_max != b.win_max || a.y_low != b.y_low ||
            a.y_high != b.y_high) {
            return "frame " + std::to_string(frame) + " after " + what + ": pixel " + difference + ", " +
                   std::to_string(a.samples.size()) + " samples, " +
                   std::to_string(summarised_->client_width) + "x" +
                   std::to_string(summarised_->client_height) + " span " +
                   std::to_string(summarised_->x_time) + " avg " + std::to_string(summarised_->avg_time);
        }
        return "";
    }

    // One random change of the samples, the clock or the settings; returns its name.
    std::string change() {
        const std::uint32_t kind = next(state_) % 100;
        std::string what;
        if (kind < 30) {
            what = "in order";
            append_in_order(1 + next(state_) % (next(state_) % 8 ? 50 : 20000));
        } else if (kind < 42) {
            what = "into the past";
            append_into_past();
        } else if (kind < 52) {
            what = "clock";
            advance_clock();
        } else if (kind < 57) {
            what = "span";
            set_span();
        } else if (kind < 62) {
            what = "average";
            set_average();
        } else if (kind < 66) {
            what = "resize";
            resize();
        } else if (kind < 69) {
            what = "only average";
            for (auto* w : windows()) w->only_avg = !w->only_avg;
        } else if (kind < 71) {
            what = next(state_) % 2 ? "clear all" : "clear outside";
            const bool all = what == "clear all";
            for (auto* w : windows()) all ? w->clear_all() : w->clear_outside();
        } else {
            what = "clock and samples";
            // As a live stream: the samples of the time that passed.
            const double seconds = advance_clock() / 1000.0;
            append_in_order(static_cast<std::uint32_t>(std::min(seconds * rate_, 5000.0)) + 1);
        }
        return what;
    }

    // Pixels the frames had in the marker and curve colours, to see that the
    // sequence drew something worth comparing.
    void count_colours(int& markers, int& curve) {
        gdip_bitmap& bitmap = summarised_->back_buffer;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) {
                markers += bitmap.pixel(x, y) == marker_argb;
                curve += bitmap.pixel(x, y) == avg_argb;
            }
    }

private:
    std::array<brisk_window*, 2> windows() { return {summarised_.get(), walked_.get()}; }

    void add(std::vector<ping_sample>& batch) {
        for (auto* w : windows()) {
            append_samples(w->store, batch.data(), batch.size());
            w->last_data_tick = now_;
        }
    }

    // A value of the usual band, now and then a spike far above or below it.
    double rtt() {
        const std::uint32_t kind = next(state_) % 5000;
        if (kind == 0) return 5000.0 + next(state_) % 1000;
        if (kind == 1) return -50.0 - next(state_) % 100;
        if (kind == 2) return 1e300;
        return level_ + 10.0 * unit(state_);
    }

    void append_in_order(std::uint32_t count) {
        // Now and then after a gap that breaks the curve, or at another rate.
        if (next(state_) % 30 == 0) newest_ += unit(state_) * summarised_->x_time;
        if (next(state_) % 30 == 0) rate_ = std::pow(10.0, 2.5 * unit(state_));
        if (next(state_) % 8 == 0) level_ += -20.0 + 40.0 * unit(state_);
        std::vector<ping_sample> batch;
        for (std::uint32_t i = 0; i < count; ++i) {
            newest_ += (0.5 + unit(state_)) / rate_;
            batch.push_back(ping_sample{newest_, rtt()});
        }
        // Batches arrive unsorted now and then.
        if (next(state_) % 4 == 0)
            for (std::size_t i = batch.size(); i > 1; --i) std::swap(batch[i - 1], batch[next(state_) % i]);
        add(batch);
    }

    void append_into_past() {
        const std::uint32_t count = 1 + next(state_) % 300;
        const double reach = unit(state_) * (next(state_) % 2 ? 2.0 * summarised_->x_time : 30.0);
        std::vector<ping_sample> batch;
        for (std::uint32_t i = 0; i < count; ++i)
            batch.push_back(ping_sample{newest_ - reach * unit(state_), rtt()});
        add(batch);
    }

    std::uint32_t advance_clock() {
        const double pixel_ms = 1000.0 * summarised_->x_time / std::max(summarised_->client_width, 1);
        const std::uint32_t kind = next(state_) % 16;
        const double steps = kind < 12   ? unit(state_)
                             : kind < 15 ? 1.0 + next(state_) % 3
                                         : 1.0 + next(state_) % 40;
        const std::uint32_t elapsed = static_cast<std::uint32_t>(std::min(pixel_ms * steps, 1e9)) + 1;
        now_ += elapsed;
        return elapsed;
    }

    void set_span() {
        const std::uint32_t span = spans[next(state_) % (sizeof spans / sizeof spans[0])];
        for (auto* w : windows()) {
            w->x_time = span;
            w->x_time_changed = true;
        }
    }

    void set_average() {
        const double width = widths[next(state_) % (sizeof widths / sizeof widths[0])];
        for (auto* w : windows()) {
            w->avg_time = width;
            w->avg_changed = true;
        }
    }

    // As WM_SIZE does: a new client size, no back buffer, a forced rescale.
    void resize() {
        const auto& size = sizes[next(state_) % (sizeof sizes / sizeof sizes[0])];
        for (auto* w : windows()) {
            w->client_width = size[0];
            w->client_height = size[1];
            w->store.y_high = y_high_rescale;
            w->back_buffer.reset();
        }
    }

    std::uint32_t state_;
    std::uint32_t now_ = 5000;
    double newest_ = 0.0;
    double level_ = 30.0;
    double rate_ = 10.0; // samples a second
    std::unique_ptr<brisk_window> summarised_;
    std::unique_ptr<brisk_window> walked_;
};

TEST(summary_paths, every_frame_of_random_sessions_matches_the_walk) {
    int markers = 0;
    int curve = 0;
    for (std::uint32_t seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u}) {
        twin_windows twins(seed);
        for (int frame = 0; frame < 150; ++frame) {
            const std::string failure = twins.step_and_compare(frame);
            ASSERT_EQ(failure, "") << "seed " << seed;
        }
        twins.count_colours(markers, curve);
    }
    EXPECT_GT(markers, 0);
    EXPECT_GT(curve, 0);
}

} // namespace

// A change to one bucket inside a block that a column takes whole, on data whose
// columns are flat, so that the bucket's new mean stands out in its column.
TEST(summary_paths, a_bucket_changed_inside_a_summarised_block_shows_at_the_next_paint) {
    const double width = 0.1;
    const struct {
        const char* what;
        double time; // of the one sample added after the first paint
    } changes[] = {{"into a bucket in the middle", 3200.06},
                   {"into the last bucket", 6120.07},
                   {"a new bucket in the middle", 3200.15}};
    for (const auto& change : changes) {
        std::unique_ptr<brisk_window> windows[2];
        for (auto& w : windows) {
            w = std::make_unique<brisk_window>();
            w->client_width = 160;
            w->client_height = 90;
            w->x_time = 14400;
            w->x_time_changed = true;
            w->avg_time = width;
            w->last_data_tick = 1000;
            // 51,200 buckets (a multiple of every block length) of one sample each,
            // at 20 and 30 in turns of 500 s, in the middle of their buckets but the
            // first, which sets the origin; the bucket of 3200.15 stays empty.
            std::vector<ping_sample> samples;
            for (int i = 0; i <= 51200; ++i) {
                const double time = i == 0 ? 1000.0 : 1000.0 + (i + 0.5) * width;
                if (i == 22001) continue;
                samples.push_back(ping_sample{time, static_cast<int>(time / 500.0) % 2 ? 30.0 : 20.0});
            }
            append_samples(w->store, samples.data(), samples.size());
        }
        for (int paint = 0; paint < 2; ++paint) {
            if (paint == 1) {
                const ping_sample sample{change.time, 30.0};
                for (auto& w : windows) append_samples(w->store, &sample, 1);
            }
            // Five seconds after the last sample: the last step ends left of the axis.
            render_back_buffer(*windows[0], 6000, pixel_path::summaries);
            render_back_buffer(*windows[1], 6000, pixel_path::locked_view);
            ASSERT_EQ(windows[0]->store.y_high, windows[1]->store.y_high);
            EXPECT_EQ(first_difference(windows[0]->back_buffer, windows[1]->back_buffer), "")
                << change.what << ", paint " << paint;
        }
    }
}

// The clears force a rescale, which makes every summary stale anyway; here the
// scale comes out the same after them, so only the clears' own record of the
// removed samples keeps the old summaries out of the next paint.
TEST(summary_paths, clears_leave_no_summary_of_the_samples_they_removed) {
    for (const bool all : {true, false}) {
        std::unique_ptr<brisk_window> windows[2];
        // A wave of 20,000 samples over an hour at 160 pixels, after 100 samples a
        // day older (outside the span); the same values reversed in time come back
        // after "Clear whole graph". Whole values sum exactly in any order, so the
        // scale stays.
        std::vector<ping_sample> old_ones;
        std::vector<ping_sample> wave;
        for (int i = 0; i < 100; ++i) old_ones.push_back(ping_sample{i * 0.5, 25.0});
        for (int i = 0; i < 20000; ++i)
            wave.push_back(ping_sample{86400.0 + i * 0.18, std::round(20.0 + 10.0 * std::sin(i / 900.0))});
        std::vector<ping_sample> reversed = wave;
        for (std::size_t i = 0; i < wave.size(); ++i) reversed[i].rtt = wave[wave.size() - 1 - i].rtt;
        for (auto& w : windows) {
            w = std::make_unique<brisk_window>();
            w->client_width = 160;
            w->client_height = 90;
            w->x_time = 3600;
            w->x_time_changed = true;
            w->avg_time = 1.0;
            w->last_data_tick = 1000;
            append_samples(w->store, old_ones.data(), old_ones.size());
            append_samples(w->store, wave.data(), wave.size());
        }
        for (int paint = 0; paint < 2; ++paint) {
            if (paint == 1) {
                for (auto& w : windows) {
                    if (all) {
                        w->clear_all();
                        append_samples(w->store, reversed.data(), reversed.size());
                    } else {
                        w->clear_outside();
                    }
                }
            }
            render_back_buffer(*windows[0], 1000, pixel_path::summaries);
            render_back_buffer(*windows[1], 1000, pixel_path::locked_view);
            EXPECT_EQ(first_difference(windows[0]->back_buffer, windows[1]->back_buffer), "")
                << (all ? "clear all" : "clear outside") << ", paint " << paint;
        }
    }
}
