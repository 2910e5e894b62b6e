// The walk of the visible samples: their extremes, and the centres of the markers they draw.
#pragma once

#include "app/graph/view_mapping.h"
#include "app/store/sample_store.h"

// Walks the samples from first_visible to the end: lowers `low` and raises
// `high` to each round-trip time, with strict comparisons in time order, and,
// when `markers`, hands the centre of each marker drawn to `put(x, y)`.
template <class Put>
void walk_samples(const sample_store& store, const view_mapping& view, bool markers, double& low,
                  double& high, Put put) {
    const ping_sample* const first = store.samples.data() + store.first_visible;
    const ping_sample* const end = store.samples.data() + store.samples.size();
    for (const ping_sample* sample = first; sample < end; ++sample) {
        const double rtt = sample->rtt;
        if (rtt < low) low = rtt;
        if (rtt > high) high = rtt;
        int x = 0;
        int y = 0;
        if (markers && view.marker_row(rtt, y) && view.marker_column(sample->time, x)) put(x, y);
    }
}
