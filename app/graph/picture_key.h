// What a picture's counts were made under: the mapping, the bitmap's size, the averaging and the line rule.
#pragma once

#include <cstring>

#include "app/graph/line_ends.h"
#include "app/graph/view_mapping.h"

// The last paint's mapping and what else its counts depend on. The time at the
// plot's right edge moves at every paint, and a picture follows it; when anything
// else differs (a rescale, a resize, another span, another averaging or line
// rule), the counts are made anew. Numbers compare bit for bit: a NaN is the same
// NaN, and 0.0 differs from -0.0.
struct picture_key {
    view_mapping view;
    int width = -1;
    int height = -1;
    double bucket_width = 0.0;
    double bucket_origin = 0.0;
    line_ends ends;
    int thickness = 1; // of the lines or the marker's arms, at the display's scale

    bool same_but_time(const picture_key& other) const {
        static_assert(sizeof(view_mapping) == 9 * sizeof(double), "doubles only, without padding");
        view_mapping mine = view;
        view_mapping theirs = other.view;
        mine.right_time = theirs.right_time = 0.0;
        const double averaging[] = {bucket_width, bucket_origin, other.bucket_width, other.bucket_origin};
        return std::memcmp(&mine, &theirs, sizeof mine) == 0 &&
               std::memcmp(averaging, averaging + 2, sizeof averaging / 2) == 0 && width == other.width &&
               height == other.height && ends == other.ends && thickness == other.thickness;
    }
};
