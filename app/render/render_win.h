// Graph rendering: the paint of a window and the drawing of its graph into the back buffer.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/render/graph_view_win.h"

// The whole WM_PAINT handling of the window: brings the back buffer up to date
// (unless refresh just did, for this paint, at the client size) and copies the
// part of it the system asks for to the window between BeginPaint and EndPaint.
void paint(graph_view& view, HWND hwnd);

// The repaint tick, on the user-interface thread: brings the back buffer up to
// date and copies only the part that changed to the window, there and then
// (asks for it to be painted where it cannot).
void refresh(graph_view& view, HWND hwnd);

// The part of paint before the copy, with `now_tick` standing for GetTickCount():
// makes the back buffer when there is none, applies changed settings and, under
// the store's lock, brings the view up to date and the back buffer with it.
// Where the frame (size, value axis, labels, span, averaging) is the one the
// back buffer was drawn on, only the marker and curve pixels that changed are
// written; otherwise everything is drawn again. Returns the graphics object on
// the back buffer, if one was needed; paint keeps it until the copy is done.
gdip_graphics render_back_buffer(graph_view& view, std::uint32_t now_tick);

// render_back_buffer for a window: also brings the screen's copy of the back
// buffer up to date, from which paint copies to the window. What changed since
// the last call is left in view.picture (take_changes).
gdip_graphics render_for_screen(graph_view& view, std::uint32_t now_tick);

// Makes the back buffer when there is none (client size, 24 bits per pixel),
// clears it and applies changed settings to the store, for a drawing from
// nothing. Returns the graphics object on the back buffer.
gdip_graphics prepare_back_buffer(graph_view& view, std::uint32_t now_tick);

// Draws grid lines with labels, the value axis, the sample markers and the average
// curve through `graphics`, which draws into the back buffer, and recomputes
// win_min and win_max from the visible samples. The caller holds store.lock and
// has brought the view up to date (update_view).
void draw_graph(graph_view& view, gdip_graphics& graphics);

// The first part of draw_graph: grid lines with labels and the value axis. Sets
// x_scale and returns the width of the plot.
double draw_frame(graph_view& view, gdip_graphics& graphics);
