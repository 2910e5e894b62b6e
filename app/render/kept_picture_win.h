// What the back buffer holds between paints: its frame, and the marker and curve pixels over it.
#pragma once

#include <cstdint>
#include <vector>

#include "app/graph/column_bits.h"
#include "app/render/back_buffer_view_win.h"

class screen_copy;

// All the frame of a picture depends on (size, colours, value axis, span), and
// what the samples' pixels are drawn under: two paints of one key draw the same
// frame, background, grid, labels and axis, pixel for pixel.
struct frame_key {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t background = 0;
    std::uint32_t span = 0;
    bool only_avg = false;
    bool show_avg = false;
    double values[7] = {}; // y_low, y_high, y_range, y_scale, plot_height, margin, bucket_width

    // Bit for bit, so that -0 and 0 differ and a key with a value that is not a number still matches itself.
    bool operator==(const frame_key& other) const;
};

// The frame's pixels, row by row, as runs of one colour: a frame is mostly
// background and whole grid rows, so it takes little room, and a pixel is
// found again by a search in its row.
class frame_runs {
public:
    void capture(const back_buffer_view& pixels);
    std::uint32_t at(int x, int y) const;

private:
    std::vector<std::uint32_t> starts_; // column of each run
    std::vector<std::uint32_t> colors_; // 0xRRGGBB of each run
    std::vector<std::size_t> rows_;     // index of the first run of each row, and the end
};

// What the back buffer shows, so that a paint can change only what differs:
// the key and pixels of its frame, and the marker and curve bits drawn over it.
class kept_picture {
public:
    // Nothing is known of the back buffer: the next paint draws it whole.
    void forget();
    // The back buffer shows the background alone, all of it changed.
    void keep_background(int width, int height);
    bool shows_background() const { return background_; }

    // Whether the frame of `key` is what the back buffer was drawn on.
    bool holds(const frame_key& key) const { return framed_ && key == key_; }
    double plot_width() const { return plot_width_; }
    // After the frame of `key` was drawn whole: keeps it and its pixels, all of them changed.
    void keep_frame(const frame_key& key, double plot_width, const back_buffer_view& pixels);
    // After the marker and curve bits were drawn over the kept frame (null: none drawn).
    void keep_samples(const column_bits* markers, const column_bits* curve);

    // Writes, over the kept picture, the pixels whose marker or curve bits
    // differ from those kept, into the back buffer and its copy for the screen,
    // and keeps these. False, having written nothing, when the bits do not
    // cover the same pixels as those kept: the caller then draws all.
    bool update(back_buffer_view& pixels, screen_copy& screen, const column_bits* markers,
                const column_bits* curve, std::uint32_t marker_color, std::uint32_t curve_color);

    // The part of the back buffer changed since the last call, as runs of
    // neighbouring columns, each with the rows changed in any of its columns.
    struct changes {
        std::vector<pixel_rect> runs;

        pixel_rect bounds() const {
            pixel_rect all;
            for (const pixel_rect& run : runs) all.add(run);
            return all;
        }
    };
    changes take_changes();

private:
    void update_column(back_buffer_view& pixels, screen_copy& screen, int x, const column_bits* markers,
                       const column_bits* curve, std::uint32_t marker_color, std::uint32_t curve_color);
    void note_changed(const pixel_rect& rect);

    frame_key key_;
    frame_runs frame_;
    double plot_width_ = 0.0;
    column_bits markers_;
    column_bits curve_;
    changes changed_;
    std::vector<unsigned char> rows_; // during update(): the words of 64 rows a column changed in
    bool background_ = false;
    bool framed_ = false;
    bool has_markers_ = false;
    bool has_curve_ = false;
};
