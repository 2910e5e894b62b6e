// The readout under the pointer: the sample nearest it, the averaging step under it and the span's
// statistics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/graph/view_mapping.h"
#include "app/store/sample_clock.h"
#include "app/store/sample_extremes.h"
#include "app/store/sample_store.h"

// How near the pointer, in pixels, a marker's centre must lie for its sample to be read out.
constexpr int readout_reach = 4;

// The sample whose marker, as the last paint drew it under `view`, has its centre nearest
// the pixel (x, y), at most `reach` pixels away; of equally near ones the first in time.
// False when no marker is that near (or markers are not drawn). Searches the samples by
// time for the columns within reach, nearest column first, and within a column reads only
// the blocks of samples whose extremes reach the rows within reach. With the store's lock held.
bool nearest_marker(const sample_store& store, sample_extremes& extremes, const view_mapping& view, int x,
                    int y, int reach, std::size_t& index);

// The time at the middle of pixel column x under `view`.
double time_at_column(const view_mapping& view, int x);

// The averaging bucket whose step the last paint drew across pixel column x, the one that
// holds the column's time; null where the curve is not drawn there (outside the plot, no
// average shown, an empty bucket, a mean off the value axis).
const avg_bucket* step_at(const sample_store& store, const view_mapping& view, int x);

// Count, extremes, mean and population standard deviation of the visible samples.
struct span_statistics {
    std::uint32_t count = 0;
    double min = 0.0;
    double mean = 0.0;
    double max = 0.0;
    double sd = 0.0;
};

// From the window statistics the store keeps (win_count, win_sum, win_sum_sq, win_min, win_max).
span_statistics statistics_of(const sample_store& store);

// A round-trip time as text: the tenths the labels show, and further decimals where the value
// has them (up to six).
std::string rtt_text(double value);

// Where the pointer is and what the clock says: the inputs of one readout beside the store.
struct readout_place {
    int x = 0; // the pointer in client pixels
    int y = 0;
    double plot_width = 0.0; // of the last paint that drew the graph
    sample_clock clock;
    std::int64_t now_local_ms = 0; // to tell today from other days
};

// Makes the readout's text, one item a line separated by "\r\n": the time of day at the
// pointer's column, the nearest sample, the averaging step, the span's statistics. The
// statistics line is made again only when the window statistics changed.
class readout_text {
public:
    // With the store's lock held. Empty when there is nothing to read: no sample, or no
    // time scale the pointer can be mapped through.
    std::string make(const sample_store& store, sample_extremes& extremes, const readout_place& place);
    // How many times the statistics line was made.
    std::size_t statistics_lines_made() const { return lines_made_; }

private:
    const std::string& statistics_line(const sample_store& store);

    struct statistics_key {
        std::uint32_t count = 0;
        double sum = 0.0;
        double sum_sq = 0.0;
        double min = 0.0;
        double max = 0.0;
        bool operator==(const statistics_key& other) const;
    };
    statistics_key key_;
    std::size_t lines_made_ = 0;
    std::string line_;
};
