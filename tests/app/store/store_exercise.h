// Store exerciser for tests and fuzzing: drives a sample_store with random operations and checks it
// against a plain reference after every step.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/store/sample_intake.h"
#include "app/store/scaling.h"

namespace store_exercise {

inline std::uint64_t bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline bool same_double(double a, double b) {
    return bits(a) == bits(b);
}

// What the store must hold: every finite sample it was given and not cleared, and
// the buckets that adding them one by one, in arrival order, produces.
class reference {
public:
    void append(const std::vector<ping_sample>& batch, double width) {
        for (const ping_sample& s : batch) {
            if (!std::isfinite(s.time) || !std::isfinite(s.rtt)) continue;
            samples_.push_back(s);
            add(s.time, s.rtt, width);
        }
    }
    void rebuild_from(const std::vector<ping_sample>& stored, double width) {
        buckets_.clear();
        origin_ = -1.0;
        shift_ = 0;
        for (const ping_sample& s : stored) add(s.time, s.rtt, width);
    }
    void clear() { samples_.clear(); }
    void remove_before(double left) {
        samples_.erase(std::remove_if(samples_.begin(), samples_.end(),
                                      [left](const ping_sample& s) { return s.time < left; }),
                       samples_.end());
    }

    std::string compare(const sample_store& store) const {
        std::ostringstream out;
        const std::vector<ping_sample>& got = store.samples;
        for (std::size_t i = 1; i < got.size(); ++i) {
            if (got[i].time < got[i - 1].time) {
                out << "samples not ascending at " << i;
                return out.str();
            }
        }
        if (got.size() != samples_.size()) {
            out << "stored " << got.size() << " samples, expected " << samples_.size();
            return out.str();
        }
        if (sorted_bits(got) != sorted_bits(samples_)) return "stored samples differ from those given";
        if (store.buckets.size() != buckets_.size()) {
            out << store.buckets.size() << " buckets, expected " << buckets_.size();
            return out.str();
        }
        if (!buckets_.empty() && !same_double(store.bucket_origin, origin_)) return "bucket origin differs";
        if (buckets_.empty() && store.bucket_origin != -1.0 && store.samples.empty())
            return "bucket origin set without buckets";
        std::size_t i = 0;
        for (const auto& [j, b] : buckets_) {
            const avg_bucket& g = store.buckets.bucket_at(i);
            if (store.buckets.index_at(i) != j || g.count != b.count ||
                !same_double(g.sum_time, b.sum_time) || !same_double(g.sum_rtt, b.sum_rtt)) {
                out << "bucket " << j << " differs";
                return out.str();
            }
            ++i;
        }
        return std::string();
    }

private:
    static std::vector<std::pair<std::uint64_t, std::uint64_t>>
    sorted_bits(const std::vector<ping_sample>& v) {
        std::vector<std::pair<std::uint64_t, std::uint64_t>> b;
        b.reserve(v.size());
        for (const ping_sample& s : v) b.emplace_back(bits(s.time), bits(s.rtt));
        std::sort(b.begin(), b.end());
        return b;
    }

    // The averaging rule written out plainly: one map entry per bucket index.
    void add(double time, double rtt, double width) {
        if (!(width > 0.0) || !std::isfinite(width)) return;
        if (buckets_.empty()) {
            origin_ = time;
            shift_ = 0;
        }
        const double q = (time - origin_) / width;
        const double limit = avg_bucket_list::index_limit;
        if (!(q > -limit && q < limit)) return;
        std::int64_t k = static_cast<std::int64_t>(q);
        if (k < 0) {
            if (static_cast<double>(shift_) + static_cast<double>(-k) > limit) return;
            shift_ += -k;
            origin_ -= static_cast<double>(-k) * width;
            std::map<std::int64_t, avg_bucket> moved;
            for (const auto& [j, b] : buckets_) moved[j - k] = b;
            buckets_.swap(moved);
            k = 0;
        }
        avg_bucket& b = buckets_[k];
        b.sum_time += time;
        b.count += 1;
        b.sum_rtt += rtt;
    }

    std::vector<ping_sample> samples_;
    std::map<std::int64_t, avg_bucket> buckets_;
    double origin_ = -1.0;
    std::int64_t shift_ = 0;
};

// The window statistics against a recomputation from the samples.
inline std::string check_window(const sample_store& store) {
    std::ostringstream out;
    const std::size_t n = store.samples.size();
    if (store.first_visible > n) return "first_visible past the end";
    if (store.win_count != n - store.first_visible) {
        out << "win_count " << store.win_count << ", window holds " << n - store.first_visible;
        return out.str();
    }
    long double sum = 0, sum_sq = 0, abs_all = 0, sq_all = 0;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (std::size_t i = 0; i < n; ++i) {
        const long double x = store.samples[i].rtt;
        abs_all += std::fabs(x);
        sq_all += x * x;
        if (i < store.first_visible) continue;
        sum += x;
        sum_sq += x * x;
        lo = std::min(lo, store.samples[i].rtt);
        hi = std::max(hi, store.samples[i].rtt);
    }
    if (store.win_count > 0 && (store.win_min > lo || store.win_max < hi))
        return "window extremes do not cover the window";
    const long double big = DBL_MAX / 4;
    if (abs_all < big && sq_all < big) {
        if (!std::isfinite(store.win_sum) || !std::isfinite(store.win_sum_sq))
            return "window sums not finite";
        if (std::fabs(store.win_sum - sum) > 1e-9L * abs_all + 1e-300L) {
            out << "win_sum " << store.win_sum << ", recomputed " << static_cast<double>(sum);
            return out.str();
        }
        if (std::fabs(store.win_sum_sq - sum_sq) > 1e-9L * sq_all + 1e-300L) {
            out << "win_sum_sq " << store.win_sum_sq << ", recomputed " << static_cast<double>(sum_sq);
            return out.str();
        }
    } else if (sum_sq < big && !std::isfinite(store.win_sum_sq)) {
        return "win_sum_sq not finite for a finite window";
    }
    return std::string();
}

// The axis after scale_y.
inline std::string check_axis(const sample_store& store) {
    if (!std::isfinite(store.y_low) || !std::isfinite(store.y_high)) return "axis edge not finite";
    if (!std::isfinite(store.y_scale)) return "y_scale not finite";
    return std::string();
}

// Supplies the choices of one session: random numbers in tests, input bytes when fuzzing.
using choice_source = std::function<std::uint32_t()>;

class session {
public:
    explicit session(choice_source next) : next_(std::move(next)) {}

    // Runs up to `steps` operations; returns the first violation found, or "".
    std::string run(int steps) {
        for (int step = 0; step < steps; ++step) {
            const std::uint32_t op = next_() % 16;
            if (op < 7) {
                append();
            } else if (op < 11) {
                paint();
            } else if (op < 12) {
                recompute_window(store_, height());
            } else if (op < 13) {
                change_width();
            } else if (op < 14) {
                clear_all(store_, height());
                ref_.clear();
                ref_.rebuild_from(store_.samples, store_.bucket_width);
            } else if (op < 15) {
                const double left = store_.left_time;
                clear_outside(store_, height());
                ref_.remove_before(left);
                ref_.rebuild_from(store_.samples, store_.bucket_width);
            } else {
                scale_y(store_, height());
            }
            std::string e = ref_.compare(store_);
            if (e.empty()) e = check_window(store_);
            if (e.empty()) e = check_axis(store_);
            if (!e.empty()) return describe(step, "op " + std::to_string(op), e);
        }
        return std::string();
    }

    const sample_store& store() const { return store_; }

private:
    static std::string describe(int step, const std::string& op, const std::string& what) {
        return "step " + std::to_string(step) + " (" + op + "): " + what;
    }

    double unit() { return (next_() % 1000001) / 1000000.0; }

    int height() {
        static const int heights[] = {250, 230, 1000, 21, 20, 0, -5, 100000};
        return heights[next_() % 8];
    }

    double hostile() {
        static const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        1e300,
                                        -1e300,
                                        DBL_MAX,
                                        -DBL_MAX,
                                        -0.0,
                                        4.9e-324,
                                        -1.0,
                                        -12.5,
                                        1e20,
                                        1e9,
                                        3e9};
        return values[next_() % (sizeof values / sizeof values[0])];
    }

    double some_time() {
        if (store_.samples.empty() || next_() % 2) return clock_ - 100.0 * unit();
        return store_.samples[next_() % store_.samples.size()].time;
    }

    void append() {
        const std::uint32_t shape = next_() % 8;
        std::size_t n = 1 + next_() % 40;
        if (next_() % 16 == 0) n = 100 + next_() % 400;
        std::vector<ping_sample> batch;
        for (std::size_t i = 0; i < n; ++i) {
            ping_sample s{0.0, 20.0 + 10.0 * unit()};
            if (next_() % 10 == 0) s.rtt = 1000.0 * unit();
            switch (shape) {
                case 0:
                case 1:
                case 2: // in order
                    clock_ += 2.0 * unit();
                    s.time = clock_;
                    break;
                case 3: // out of order, anywhere in what is stored
                    s.time = some_time();
                    break;
                case 4: // reversed
                    s.time = clock_ + 50.0 - 0.5 * static_cast<double>(i);
                    break;
                case 5: // equal times
                    s.time = i == 0 || next_() % 4 == 0 ? some_time() : batch.back().time;
                    break;
                case 6: // hostile values in either field
                    s.time = clock_ + unit();
                    if (next_() % 2) s.rtt = hostile();
                    if (next_() % 3 == 0) s.time = hostile();
                    break;
                default: // far apart: a day, a week, the sender's clock restarting
                    clock_ += next_() % 2 ? 86400.0 * unit() : 604800.0;
                    s.time = next_() % 5 == 0 ? 100.0 * unit() : clock_;
                    break;
            }
            batch.push_back(s);
        }
        append_samples(store_, batch.data(), batch.size());
        ref_.append(batch, store_.bucket_width);
    }

    void paint() {
        static const std::uint32_t spans[] = {10, 60, 600, 3600, 86400, 604800, 0, 4000000000u};
        store_.span_secs = spans[next_() % 8];
        store_.idle_secs = next_() % 4 == 0 ? 0.0 : 30.0 * unit();
        if (store_.samples.empty() || store_.first_visible >= store_.samples.size()) return;
        set_time_window(store_);
        scale_y(store_, height());
    }

    void change_width() {
        static const double widths[] = {0.1, 1.0,  10.0,   0.001, 3600.0,
                                        0.0, -1.0, 1e-300, 1e300, std::numeric_limits<double>::quiet_NaN()};
        store_.bucket_width = widths[next_() % 10];
        rebuild_buckets(store_);
        ref_.rebuild_from(store_.samples, store_.bucket_width);
    }

    choice_source next_;
    sample_store store_;
    reference ref_;
    double clock_ = 1000.0;
};

} // namespace store_exercise
