// What the counts of a picture were made under, but for the time at the plot's right edge.
#pragma once

#include <cstring>

#include "app/graph/view_mapping.h"

// The mapping, the bitmap's size and the line rule a picture's counts were made
// under, less the time at the right edge, which moves at every paint and which
// a picture follows: when anything here differs (a rescale, a resize, another
// span, another averaging), the counts are made anew. Compared bit for bit: a
// NaN is the same NaN, and 0.0 differs from -0.0.
struct picture_key {
    picture_key() = default;
    picture_key(const view_mapping& view, int width, int height, double bucket_width = 0.0,
                double bucket_origin = 0.0, const void* line_rule = nullptr)
        : values{view.y_low,   view.y_high,     view.y_scale, view.plot_height, view.margin,
                 view.x_scale, view.plot_width, bucket_width, bucket_origin},
          size{width, height}, ends(line_rule) {}

    bool same(const picture_key& other) const {
        return std::memcmp(values, other.values, sizeof values) == 0 && size[0] == other.size[0] &&
               size[1] == other.size[1] && ends == other.ends;
    }

    double values[9] = {};
    int size[2] = {-1, -1};
    const void* ends = nullptr;
};
