// The one decision of how a picture of the markers or the curve makes its pixels at a paint.
#pragma once

#include <cstddef>
#include <vector>

// What a picture holds between two paints.
enum class picture_mode {
    stale,   // nothing a paint can build on: the next paint counts every item
    counted, // a count per pixel of the items that set it, which the next paint can follow
    fresh,   // bits only: items change column so often that each paint draws them all again
};

// The way one paint made a picture's pixels.
enum class paint_path { counted, followed, fresh };

// What following the items from one paint's mapping to the next came to.
enum class follow_result {
    followed, // the counts are this paint's
    too_many, // more items changed column than the budget allows: drawing them fresh costs less
    lost,     // the counts cannot be followed (a change too far back, an item without a column)
};

// How many paints took each path: for the tests and the benchmark, which check that
// the cheap path runs as often as it should.
struct paint_paths {
    std::size_t counted = 0;
    std::size_t followed = 0;
    std::size_t fresh = 0;

    std::size_t total() const { return counted + followed + fresh; }
};

// Decides each paint of one picture. The picture supplies three steps:
//   follow(budget) -> follow_result: moves the counts to this paint's mapping, giving up
//     when more than `budget` items would change column;
//   draw_fresh() -> std::size_t: draws every item as bits, without counts, and returns how
//     many items changed column since the paint before (SIZE_MAX when unknown);
//   count_all() -> bool: counts every item again; false when the counts cannot be followed.
// A picture follows while the view only moves on in time (`same_view`), and only while
// the columns grow with the time (`ordered`: a time scale above zero). When a follow gives
// up, it draws fresh until a paint finds at most half the budget changed column: the
// margin keeps a picture near the limit from counting everything at every other paint.
class picture_policy {
public:
    template <class Follow, class DrawFresh, class CountAll>
    paint_path paint(bool same_view, bool ordered, std::size_t budget, Follow follow, DrawFresh draw_fresh,
                     CountAll count_all) {
        bool too_many = false;
        if (mode_ == picture_mode::counted && same_view) {
            const follow_result result = follow(budget);
            if (result == follow_result::followed) return took(paint_path::followed, paths_.followed);
            too_many = result == follow_result::too_many;
        }
        if (too_many || !ordered || mode_ == picture_mode::fresh) {
            const std::size_t moved = draw_fresh();
            // After a follow given up, some starts moved and others did not: `moved` means nothing.
            mode_ = too_many || !ordered || moved > budget / 2 ? picture_mode::fresh : picture_mode::stale;
            return took(paint_path::fresh, paths_.fresh);
        }
        mode_ = count_all() ? picture_mode::counted : picture_mode::stale;
        return took(paint_path::counted, paths_.counted);
    }

    const paint_paths& paths() const { return paths_; }

private:
    static paint_path took(paint_path path, std::size_t& count) {
        ++count;
        return path;
    }

    picture_mode mode_ = picture_mode::stale;
    paint_paths paths_;
};

// Which pixel columns of a picture may differ from those of the paint before:
// the columns a repaint has to copy again.
class changed_columns {
public:
    void reset(int width) { changed_.assign(static_cast<std::size_t>(width > 0 ? width : 0), 0); }
    void mark(int x) { changed_[static_cast<std::size_t>(x)] = 1; }
    bool changed(int x) const {
        return static_cast<std::size_t>(x) < changed_.size() && changed_[static_cast<std::size_t>(x)];
    }

private:
    std::vector<unsigned char> changed_;
};
