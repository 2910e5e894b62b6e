// What a graph keeps of its store between paints: the extremes, and the pictures a paint draws from.
#pragma once

#include <cstddef>

#include "app/graph/curve_picture.h"
#include "app/graph/marker_picture.h"
#include "app/store/sample_extremes.h"
#include "app/store/sample_store.h"

// The block extremes of the samples and the pictures of the markers and the
// curve. They follow one store, whose change marks they take: whatever owns the
// store owns these beside it.
struct graph_pictures {
    sample_extremes extremes;
    marker_picture markers;
    curve_picture curve;

    // Takes what changed in the store since the last call; with the store's lock held.
    void follow(sample_store& store) {
        const std::size_t samples = store.sample_changes.take();
        extremes.changed_from(samples);
        markers.changed_from(samples);
        curve.changed_from(store.buckets.changes().take());
    }
    std::size_t memory_bytes() const {
        return extremes.memory_bytes() + markers.memory_bytes() + curve.memory_bytes();
    }
};
