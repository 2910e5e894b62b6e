// The picture of the plain drawing, for comparing paints with it in tests and benchmarks.
#pragma once

#include <cstdint>

#include "app/render/graph_pixels_win.h"
#include "app/render/render_win.h"

// What render_back_buffer makes of the view, with every marker and line of the
// graph drawn by a GDI+ call instead of from the pictures.
inline gdip_graphics render_plain(graph_view& view, std::uint32_t now_tick) {
    gdip_graphics graphics = prepare_back_buffer(view, now_tick);
    lock_guard hold(view.store.lock);
    if (update_view(view.store, view.client_height))
        draw_samples_plain(view, graphics, draw_frame(view, graphics));
    return graphics;
}
