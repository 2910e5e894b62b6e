// The sample markers and the average curve of a drawing pass: from the pictures, or by plain GDI+ calls.
#pragma once

#include "app/graph/column_bits.h"
#include "app/render/back_buffer_view_win.h"
#include "app/render/graph_view_win.h"

// The marker and curve pixels of a drawing pass, as the pictures give them.
struct sample_bits {
    const column_bits* markers = nullptr; // none while only the average shows
    const column_bits* curve = nullptr;   // none without a curve, or when GDI+ must draw it
    bool curve_by_gdiplus = false;        // GDI+'s line ends could not be learnt
};

// The pixels of the markers and the average curve of the visible samples, for a
// back buffer of `width` by `height`, from the pictures, and win_min and
// win_max; with the store's lock held. False, having changed nothing, where the
// pictures cannot serve: a time scale whose columns they cannot follow.
bool picture_bits(graph_view& view, double plot_width, int width, int height, sample_bits& bits);

// The markers in point_color, then the curve over them in avg_color.
void draw_sample_bits(back_buffer_view& pixels, const sample_bits& bits);

// Draws the markers and the average curve of the visible samples into the back
// buffer and sets win_min and win_max, with the store's lock held. The pixels come
// from the pictures, through one locked view of the bitmap, so that a paint costs
// what the window's pixels need, not what the history holds. Where the pictures
// cannot serve (a time scale whose columns they cannot follow, a bitmap that
// cannot be locked), it draws plainly; the curve also goes through GDI+ when
// GDI+'s line ends could not be learnt.
void draw_samples(graph_view& view, gdip_graphics& graphics, double plot_width);

// Sets the pixels of the marker centred on (x, y) at the view's scale (five at 96 DPI) in
// the back buffer in point_color, one GDI+ call each; pixels outside the bitmap are skipped.
void draw_marker(graph_view& view, int x, int y);

// The plain drawing, the pixels the pictures must give: draw_marker for every
// marker and a GDI+ line for every riser and step of the curve.
void draw_samples_plain(graph_view& view, gdip_graphics& graphics, double plot_width);
