#include "app/graph/curve_walk.h"

std::size_t first_bucket_after(const sample_store& store) {
    const avg_bucket_list& list = store.buckets;
    std::size_t low = 0;
    std::size_t high = list.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const double end = static_cast<double>(list.index_at(mid)) * store.bucket_width +
                           store.bucket_origin + store.bucket_width;
        if (end <= store.left_time)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

bool step_columns::one_column(double first, double last, int& x) {
    x = known_.column();
    if (known_.holds(first) && known_.holds(last)) return true;
    int a1 = 0;
    int a2 = 0;
    int b1 = 0;
    int b2 = 0;
    if (!steps_.columns_of(first, a1, a2) || !steps_.columns_of(last, b1, b2) || a1 != a2 || b1 != b2 ||
        a1 != b1) {
        return false;
    }
    learn(first, a1, steps_.guess_time_left_of(a1));
    learn(last, a1, last);
    x = a1;
    return true;
}

void step_columns::learn(double time, int x, double guess) {
    known_.learn(time, x, guess, [this](double t, int& column) {
        int end = 0;
        return steps_.columns_of(t, column, end) && end == column;
    });
}
