// The graph settings a paint brings into the store, and the view (scale and range) it brings up to date.
#include "app/store/view_settings.h"

#include "app/store/scaling.h"

void apply_view_settings(sample_store& store, view_settings& settings, std::uint32_t idle_ms,
                         std::int32_t client_height) {
    store.only_avg = settings.only_avg;
    store.idle_secs = static_cast<double>(idle_ms) / 1000.0;
    store.span_secs = settings.x_time;

    if (settings.x_time_changed) {
        lock_guard hold(store.lock);
        recompute_window(store, client_height);
    }
    settings.x_time_changed = false;

    if (settings.avg_changed) {
        store.show_avg = settings.avg_time > 0.0;
        if (store.show_avg) store.bucket_width = settings.avg_time;
        {
            lock_guard hold(store.lock);
            rebuild_buckets(store);
        }
        settings.avg_changed = false;
    }
}

bool update_view(sample_store& store, std::int32_t client_height) {
    if (store.samples.empty() || store.first_visible >= store.samples.size()) return false;
    set_time_window(store);
    scale_y(store, client_height);
    return true;
}
