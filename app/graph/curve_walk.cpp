// The walk of the averaging buckets: the first bucket a drawing takes, and the columns of consecutive steps.
#include "app/graph/curve_walk.h"

#include "app/graph/column_starts.h"

std::size_t first_bucket_after(const sample_store& store) {
    const avg_bucket_list& list = store.buckets;
    return partition_index(0, list.size(), [&](std::size_t i) {
        const double end = static_cast<double>(list.index_at(i)) * store.bucket_width + store.bucket_origin +
                           store.bucket_width;
        return end <= store.left_time;
    });
}

void step_columns::learn(double time, int x, double guess) {
    known_.learn(time, x, guess, [this](double t, int& column) {
        int end = 0;
        return steps_.columns_of(t, column, end) && end == column;
    });
}
