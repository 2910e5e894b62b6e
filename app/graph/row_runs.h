// Runs of pixel rows of one column, gathered and handed on once.
#pragma once

#include <algorithm>
#include <cstdint>

// Runs of rows of one column, gathered while they overlap or touch and handed
// to `out.column(x, from, to)` once, when a run elsewhere comes or at flush():
// the risers of an unbroken stretch of the curve join end to end, and a fine
// average stacks hundreds of them in one column. All runs take one colour, so
// gathering them changes no pixel.
template <class Out>
class row_runs {
public:
    explicit row_runs(Out& out) : out_(out) {}

    // Rows `from` to `to` of column x (nothing when to < from).
    void add(int x, std::int64_t from, std::int64_t to) {
        if (to < from) return;
        if (active_ && x == x_ && from <= to_ + 1 && to >= from_ - 1) {
            from_ = std::min(from_, from);
            to_ = std::max(to_, to);
            return;
        }
        flush();
        active_ = true;
        x_ = x;
        from_ = from;
        to_ = to;
    }
    void flush() {
        if (active_) out_.column(x_, from_, to_);
        active_ = false;
    }

private:
    Out& out_;
    bool active_ = false;
    int x_ = 0;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
};
