// Graph rendering: the paint of the main window and the drawing of the graph into its back buffer.
#pragma once

#include <cstdint>

#include "app/window/brisk_window_win.h"

// How the bulk of the pixels reach the back buffer: the clear, the sample markers
// and the average curve. `gdiplus` makes one GDI+ call per pixel of a marker and
// per line; `locked_view` writes the same pixels into one locked view of the bitmap,
// which costs far less per pixel. The locked view is used only where it gives the
// same pixels: an opaque background, and the curve only when GDI+'s line ends
// could be learnt (see back_buffer_view_win.h); otherwise those go through GDI+.
// `locked_view_gdiplus_curve` is the locked view with the curve drawn by GDI+ after
// the view is released: what `locked_view` falls back to when the line ends are
// not known. `summaries` writes the same pixels into the locked view from the
// store's block summaries, without visiting every visible sample and bucket; it
// falls back to `locked_view` where the summaries cannot follow the time scale.
// The others walk sample by sample and bucket by bucket.
enum class pixel_path { gdiplus, locked_view, locked_view_gdiplus_curve, summaries };

// The whole WM_PAINT handling of the window: brings the view up to date, draws
// into the back buffer and copies it to the window between BeginPaint and EndPaint.
void paint(brisk_window& window);

// The part of paint before the copy, with `now_tick` standing for GetTickCount():
// makes the back buffer when there is none (client size, 24 bits per pixel),
// clears it, applies changed settings and, when samples are visible, draws the
// graph. Returns the graphics object on the back buffer; paint keeps it until the
// copy is done.
gdip_graphics render_back_buffer(brisk_window& window, std::uint32_t now_tick,
                                 pixel_path path = pixel_path::summaries);

// Draws grid lines with labels, the value axis, the sample markers and the average
// curve through `graphics`, which draws into the owner window's back buffer, and
// recomputes win_min and win_max from the visible samples. The caller holds
// store.lock and has run set_time_window and scale_y.
void draw_graph(sample_store& store, gdip_graphics& graphics, pixel_path path = pixel_path::summaries);

// Sets the five pixels of the marker centred on (x, y) in the window's back buffer
// in point_color; pixels outside the bitmap are skipped.
void draw_marker(brisk_window& window, sample_store& store, int x, int y);
