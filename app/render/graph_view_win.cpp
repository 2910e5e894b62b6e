// The graph view's change of display scale.
#include "app/render/graph_view_win.h"

namespace {

// At 96 DPI, in pixels.
constexpr double margin_at_base = 10.0;    // above and below the plot
constexpr double plot_left_at_base = 10.0; // left of the plot

} // namespace

void graph_view::set_scale(display_scale new_scale) {
    scale = new_scale;
    resources.remake(scale);
    lock_guard hold(store.lock);
    store.margin = scale.length(margin_at_base);
    store.plot_left = scale.length(plot_left_at_base);
    store.y_high = y_high_rescale;
    back_buffer.reset();
}
