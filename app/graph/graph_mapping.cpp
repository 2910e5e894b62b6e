#include "app/graph/graph_mapping.h"

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
