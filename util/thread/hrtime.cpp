#include "util/thread/hrtime.h"

#include "util/format/format.h"

#ifdef _WIN32
#include "util/sys/string_convert.h"
#endif

#include <algorithm>

namespace {

constexpr std::uint64_t initial_rate = 10000000;
constexpr std::uint64_t tick_rate = 1000;
constexpr unsigned calibration_half_ms = 100;
// A slower TSC is too coarse to be worth using.
constexpr std::uint64_t min_tsc_hz = 60000000;
// Thousandths of a percent: the two halves of the first calibration must agree within 1 %.
constexpr std::uint32_t min_congruence = 99000;
// A later calibration only refines the first one; a rate further off than this
// comes from a counter that jumped, not from the longer interval.
constexpr std::uint64_t refine_tolerance_divisor = 10;

const char description_key[] = "hrtime";

// Counts per second over an interval of `ms` milliseconds (not 0), without
// overflowing the multiplication for long intervals.
std::uint64_t rate_per_sec(std::uint64_t counts, std::uint32_t ms) {
    return counts / ms * 1000 + counts % ms * 1000 / ms;
}

std::wstring widen(const std::string& text) {
#ifdef _WIN32
    return to_wide(text);
#else
    // The description is plain ASCII, the same in every ANSI code page.
    return std::wstring(text.begin(), text.end());
#endif
}

} // namespace

hrtime::hrtime(const cpu_info& cpu, const value_name_table& modes, description_map& descriptions,
               hrtime_platform& platform)
    : cpu_(cpu), modes_(modes), descriptions_(descriptions), platform_(platform) {}

void hrtime::set_processors(unsigned count) {
    processors_.store(count, std::memory_order_relaxed);
}

std::uint64_t hrtime::now() {
    reader_kind reader = reader_.load(std::memory_order_acquire);
    if (reader == reader_kind::lazy) {
        // Under the lock so that two first readings choose the source only once.
        lock_guard hold(lock_);
        if (reader_.load(std::memory_order_acquire) == reader_kind::lazy) select_source(hrtime_auto);
        reader = reader_.load(std::memory_order_acquire);
    }
    return read(reader);
}

std::uint64_t hrtime::read(reader_kind reader) {
    switch (reader) {
        case reader_kind::tsc: return read_corrected_tsc();
        case reader_kind::perf: return platform_.perf_counter();
        case reader_kind::ticks: return platform_.tick_count();
        case reader_kind::tsc_raw: return platform_.tsc();
        case reader_kind::lazy:
        case reader_kind::none: break;
    }
    return 0;
}

std::uint64_t hrtime::read_corrected_tsc() {
    lock_guard hold(lock_);
    // Read under the lock: a value read before it could be overtaken by another
    // thread's later reading, and the correction would then add the whole delay
    // to the offset for good.
    const std::uint64_t value = platform_.tsc();
    if (value <= last_tsc_) tsc_offset_ += last_tsc_ - value + 1;
    last_tsc_ = value;
    return value + tsc_offset_;
}

void hrtime::install(reader_kind reader, std::uint64_t rate) {
    ticks_per_sec_.store(rate, std::memory_order_release);
    reader_.store(reader, std::memory_order_release);
}

bool hrtime::select_source(int requested) {
    lock_guard hold(lock_);
    perf_hz_ = 0;
    std::uint64_t hz = 0;
    const bool has_perf = platform_.perf_frequency(hz) && hz != 0;
    if (has_perf) perf_hz_ = hz;
    const bool tsc_present = has_tsc(cpu_);
    // With several processors their counters may disagree, and a thread moves
    // between them: the TSC is then only used when asked for.
    const bool single_processor = processors_.load(std::memory_order_relaxed) == 1;

    int mode = requested;
    if (!modes_.contains(requested)) {
        if (tsc_present && single_processor && calibrate_tsc())
            mode = hrtime_tsc;
        else
            mode = has_perf ? hrtime_perfcnt : hrtime_ticks;
    }

    bool found = true;
    for (bool settled = false; !settled;) {
        switch (mode) {
            case hrtime_tsc:
            case hrtime_tsc_raw:
                // A failed calibration is remembered: the TSC is not taken later
                // with the rate of another source.
                if (tsc_present && (cal_count_ != 0 ? tsc_usable_ : calibrate_tsc())) {
                    install(mode == hrtime_tsc ? reader_kind::tsc : reader_kind::tsc_raw, tsc_hz_);
                    settled = true;
                } else {
                    platform_.trace("Cannot use TSC!\n");
                    mode = has_perf ? hrtime_perfcnt : hrtime_ticks;
                }
                break;
            case hrtime_perfcnt:
                if (has_perf) {
                    // Only for the description: it then tells the TSC rates too.
                    if (cal_count_ == 0 && tsc_present) calibrate_tsc();
                    install(reader_kind::perf, perf_hz_);
                    settled = true;
                } else {
                    platform_.trace("OS performance counter not available\n");
                    mode = tsc_present && single_processor ? hrtime_tsc : hrtime_ticks;
                }
                break;
            case hrtime_ticks:
                install(reader_kind::ticks, tick_rate);
                settled = true;
                break;
            default:
                install(reader_kind::none, initial_rate);
                found = false;
                settled = true;
                break;
        }
    }
    mode_ = mode;
    descriptions_.file(description_key, widen(describe()));
    return found;
}

void hrtime::tick_edge_sample(std::uint64_t& tsc, std::uint32_t& tick) {
    const int previous = platform_.raise_priority();
    const std::uint32_t start = platform_.tick_count();
    std::uint32_t current;
    do {
        current = platform_.tick_count();
    } while (current == start);
    tsc = platform_.tsc();
    platform_.restore_priority(previous);
    tick = current;
}

bool hrtime::calibrate_tsc() {
    lock_guard hold(lock_);
    const bool first = cal_count_++ == 0;
    std::uint64_t mid_tsc = 0;
    std::uint32_t mid_tick = 0;
    if (first) {
        tick_edge_sample(cal_start_tsc_, cal_start_tick_);
        platform_.sleep_ms(calibration_half_ms);
        tick_edge_sample(mid_tsc, mid_tick);
        while (static_cast<std::uint32_t>(platform_.tick_count() - mid_tick) < calibration_half_ms) {}
    }
    std::uint64_t end_tsc = 0;
    std::uint32_t end_tick = 0;
    tick_edge_sample(end_tsc, end_tick);
    if (!first) return refine_tsc_rate(end_tsc, end_tick);

    // Tick differences are taken modulo 2^32, so an interval across the wrap
    // of the tick count measures right; each one spans at least one tick edge.
    tsc_hz_ = rate_per_sec(end_tsc - cal_start_tsc_, end_tick - cal_start_tick_);
    tsc_rate1_ = rate_per_sec(mid_tsc - cal_start_tsc_, mid_tick - cal_start_tick_);
    tsc_rate2_ = rate_per_sec(end_tsc - mid_tsc, end_tick - mid_tick);
    if (tsc_rate2_ < min_tsc_hz) return false;
    congruence_ = static_cast<std::uint32_t>(std::min(tsc_rate1_, tsc_rate2_) * 100000 /
                                             std::max(tsc_rate1_, tsc_rate2_));
    if (congruence_ < min_congruence) return false;
    tsc_usable_ = true;
    const reader_kind reader = reader_.load(std::memory_order_acquire);
    if (reader == reader_kind::tsc || reader == reader_kind::tsc_raw) install(reader, tsc_hz_);
    return true;
}

// A later calibration measures over the whole time since the first sample. A
// counter that went back, a tick count that wrapped more than once in between
// or any other jump gives a rate that is kept out: callers divide by it.
bool hrtime::refine_tsc_rate(std::uint64_t end_tsc, std::uint32_t end_tick) {
    const std::uint32_t elapsed_ms = end_tick - cal_start_tick_;
    if (end_tsc <= cal_start_tsc_ || elapsed_ms == 0) return false;
    const std::uint64_t counts = end_tsc - cal_start_tsc_;
    // Beyond this the rate exceeds 64 bits: certainly not a real counter.
    if (counts / elapsed_ms > UINT64_MAX / 1000) return false;
    const std::uint64_t refined = rate_per_sec(counts, elapsed_ms);
    const std::uint64_t change = refined > tsc_hz_ ? refined - tsc_hz_ : tsc_hz_ - refined;
    if (refined < min_tsc_hz || change > tsc_hz_ / refine_tolerance_divisor) return false;
    tsc_hz_ = refined;
    const reader_kind reader = reader_.load(std::memory_order_acquire);
    if (reader == reader_kind::tsc || reader == reader_kind::tsc_raw) install(reader, tsc_hz_);
    return tsc_usable_;
}

std::string hrtime::describe() const {
    lock_guard hold(lock_);
    switch (mode_) {
        case hrtime_tsc:
        case hrtime_tsc_raw:
            return (basic_format<char>("Using %?CPU TSC running at %#,.3? MHz; congruence=%#,.3?%%\n")
                    << (mode_ == hrtime_tsc ? "" : "raw ") << tsc_hz_ / 1000 << congruence_)
                .str();
        case hrtime_perfcnt: {
            std::string text =
                (basic_format<char>("Using performance counter running at %#,.3? MHz") << perf_hz_ / 1000)
                    .str();
            if (tsc_rate2_ != 0)
                text +=
                    (basic_format<char>("; TSC=%?/%? MHz") << tsc_rate1_ / 1000000 << tsc_rate2_ / 1000000)
                        .str();
            return text + "\n";
        }
        case hrtime_ticks:
            return (basic_format<char>("Using OS tick counter, granularity %? Hz\n") << ticks_per_sec())
                .str();
        default: return "No high-resolution timer found.\n";
    }
}

int hrtime::mode() const {
    lock_guard hold(lock_);
    return mode_;
}

std::uint64_t hrtime::tsc_hz() const {
    lock_guard hold(lock_);
    return tsc_hz_;
}

std::uint64_t hrtime::perf_hz() const {
    lock_guard hold(lock_);
    return perf_hz_;
}

std::uint64_t hrtime::tsc_rate1() const {
    lock_guard hold(lock_);
    return tsc_rate1_;
}

std::uint64_t hrtime::tsc_rate2() const {
    lock_guard hold(lock_);
    return tsc_rate2_;
}

std::uint32_t hrtime::congruence() const {
    lock_guard hold(lock_);
    return congruence_;
}

unsigned hrtime::cal_count() const {
    lock_guard hold(lock_);
    return cal_count_;
}

bool hrtime::tsc_usable() const {
    lock_guard hold(lock_);
    return tsc_usable_;
}
