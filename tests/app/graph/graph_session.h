// Random sessions of a graph: samples in order and into the past, clock steps, settings, resizes, clears.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/store/wire_protocol.h"

// Drives a `Target` as a user and Echoprobe would drive a window: it receives
// batches (append(batch, now_tick)), settings (set_span, set_average,
// toggle_only_avg), sizes (resize) and clears (clear(all)). Every choice comes
// from `random`, so a seeded generator or a fuzzer's input makes the session.
template <class Target>
class graph_session {
public:
    graph_session(Target& target, std::function<std::uint32_t()> random)
        : target_(target), random_(std::move(random)) {}

    // The first state: a size, a span, an averaging width and a history of about
    // one span, of at most `most_samples`.
    void start(double most_samples = 150000.0) {
        resize();
        set_span();
        set_average();
        newest_ = 1000.0 + next() % 100000;
        rate_ = std::pow(10.0, 0.5 + 1.5 * unit());
        const double history = (0.5 + unit()) * span_ * rate_;
        append_in_order(static_cast<std::uint32_t>(std::min(history, most_samples)) + 1);
    }

    // One random change of the samples, the clock or the settings; returns its name.
    std::string change() {
        const std::uint32_t kind = next() % 100;
        if (kind < 30) {
            const std::uint32_t most = next() % 8 ? 50 : 20000;
            append_in_order(1 + next() % most);
            return "in order";
        }
        if (kind < 42) {
            append_into_past();
            return "into the past";
        }
        if (kind < 52) {
            advance_clock();
            return "clock";
        }
        if (kind < 57) {
            set_span();
            return "span";
        }
        if (kind < 62) {
            set_average();
            return "average";
        }
        if (kind < 66) {
            resize();
            return "resize";
        }
        if (kind < 69) {
            target_.toggle_only_avg();
            return "only average";
        }
        if (kind < 71) {
            const bool all = next() % 2 == 0;
            target_.clear(all);
            return all ? "clear all" : "clear outside";
        }
        // As a live stream, now and then changing: the samples of the time that passed.
        const double seconds = advance_clock() / 1000.0;
        append_in_order(static_cast<std::uint32_t>(std::min(seconds * rate_, 5000.0)) + 1);
        return "clock and samples";
    }

    // As a steady live stream: the clock moves on by about the window's repaint
    // period, and the samples of the time that passed arrive at the rate and level
    // of the stream so far.
    void live() {
        const std::uint32_t elapsed = 400 + next() % 200;
        now_ += elapsed;
        append_steady(static_cast<std::uint32_t>(std::min(elapsed / 1000.0 * rate_, 5000.0)) + 1);
    }

    // A new size, as the user drags the window's frame.
    void resize(int width, int height) {
        width_ = width;
        target_.resize(width, height);
    }

    std::uint32_t now() const { return now_; }

private:
    std::uint32_t next() { return random_(); }
    double unit() { return static_cast<double>(next() % 1000000) / 1000000.0; }

    void add(const std::vector<ping_sample>& batch) { target_.append(batch, now_); }

    // A value of the usual band, now and then a spike far above or below it.
    double rtt() {
        const std::uint32_t kind = next() % 5000;
        if (kind == 0) return 5000.0 + next() % 1000;
        if (kind == 1) return -50.0 - next() % 100;
        if (kind == 2) return 1e300;
        return level_ + 10.0 * unit();
    }

    void append_in_order(std::uint32_t count) {
        // Now and then after a gap that breaks the curve, or at another rate.
        if (next() % 30 == 0) newest_ += unit() * span_;
        if (next() % 30 == 0) rate_ = std::pow(10.0, 2.5 * unit());
        if (next() % 8 == 0) level_ += -20.0 + 40.0 * unit();
        append_steady(count);
    }

    void append_steady(std::uint32_t count) {
        // Now and then a square wave, whose rows between its two levels only the
        // risers set: where they join blocks, a riser left out shows.
        static constexpr std::uint32_t waves[] = {0, 0, 0, 0, 64, 100, 512, 1000};
        const std::uint32_t wave = waves[next() % (sizeof waves / sizeof waves[0])];
        std::vector<ping_sample> batch;
        for (std::uint32_t i = 0; i < count; ++i) {
            newest_ += (0.5 + unit()) / rate_;
            const double value = rtt();
            batch.push_back(ping_sample{newest_, wave != 0 && (i / wave) % 2 ? value + 15.0 : value});
        }
        // Batches arrive unsorted now and then.
        if (next() % 4 == 0)
            for (std::size_t i = batch.size(); i > 1; --i) std::swap(batch[i - 1], batch[next() % i]);
        add(batch);
    }

    void append_into_past() {
        const std::uint32_t count = 1 + next() % 300;
        const double reach = unit() * (next() % 2 ? 2.0 * span_ : 30.0);
        std::vector<ping_sample> batch;
        for (std::uint32_t i = 0; i < count; ++i)
            batch.push_back(ping_sample{newest_ - reach * unit(), rtt()});
        add(batch);
    }

    // Mostly less than a pixel's time, now and then a few pixels or many.
    std::uint32_t advance_clock() {
        const double pixel_ms = 1000.0 * span_ / std::max(width_, 1);
        const std::uint32_t kind = next() % 16;
        const double steps = kind < 12 ? unit() : kind < 15 ? 1.0 + next() % 3 : 1.0 + next() % 40;
        const std::uint32_t elapsed = static_cast<std::uint32_t>(std::min(pixel_ms * steps, 1e9)) + 1;
        now_ += elapsed;
        return elapsed;
    }

    void set_span() {
        static constexpr std::uint32_t spans[] = {10, 600, 3600, 3600, 14400, 86400};
        span_ = spans[next() % (sizeof spans / sizeof spans[0])];
        target_.set_span(span_);
    }

    void set_average() {
        static constexpr double widths[] = {0.0, 0.1, 0.1, 0.3, 1.0, 1.0, 10.0, 600.0};
        target_.set_average(widths[next() % (sizeof widths / sizeof widths[0])]);
    }

    void resize() {
        static constexpr int sizes[][2] = {{500, 250}, {160, 90}, {160, 90}, {40, 30},
                                           {40, 30},   {7, 5},    {1, 1},    {21, 300}};
        const auto& size = sizes[next() % (sizeof sizes / sizeof sizes[0])];
        resize(size[0], size[1]);
    }

    Target& target_;
    std::function<std::uint32_t()> random_;
    std::uint32_t now_ = 5000;
    std::uint32_t span_ = 60;
    int width_ = 500;
    double newest_ = 0.0;
    double level_ = 30.0;
    double rate_ = 10.0; // samples a second
};

// A reproducible sequence for the tests' random choices: the next value of `state`.
inline std::uint32_t next_random(std::uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 8;
}
