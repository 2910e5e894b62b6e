// The graph view's change of display scale.
#include "app/render/graph_view_win.h"

namespace {

constexpr double margin_at_base = 10.0; // pixels above and below the plot at 96 DPI

} // namespace

void graph_view::set_scale(display_scale new_scale) {
    scale = new_scale;
    resources.remake(scale);
    lock_guard hold(store.lock);
    store.margin = scale.length(margin_at_base);
    store.y_high = y_high_rescale;
    back_buffer.reset();
}
