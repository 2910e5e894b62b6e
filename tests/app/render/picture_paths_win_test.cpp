// Paints from the pictures give, frame after frame of random sessions, the pixels of the plain drawing.
#include "tests/app/render/render_scene_win.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/store/sample_intake.h"
#include "tests/app/graph/graph_session.h"

namespace {

// Two views that receive the same samples, clock and settings: one painted as
// the window paints, keeping its back buffer from paint to paint, one by the
// plain drawing from nothing, every marker and line a GDI+ call.
class twin_views {
public:
    twin_views() {
        for (auto& view : views_) view = std::make_unique<graph_view>();
    }

    void append(const std::vector<ping_sample>& batch, std::uint32_t now) {
        for (auto& view : views_)
            if (append_samples(view->store, batch.data(), batch.size()) != 0) view->last_data_tick = now;
    }
    void set_span(std::uint32_t seconds) {
        for (auto& view : views_) {
            view->settings.x_time = seconds;
            view->settings.x_time_changed = true;
        }
    }
    void set_average(double seconds) {
        for (auto& view : views_) {
            view->settings.avg_time = seconds;
            view->settings.avg_changed = true;
        }
    }
    void toggle_only_avg() {
        for (auto& view : views_) view->settings.only_avg = !view->settings.only_avg;
    }
    // As WM_SIZE does: a new client size, no back buffer, a forced rescale.
    void resize(int width, int height) {
        for (auto& view : views_) {
            view->client_width = width;
            view->client_height = height;
            view->store.y_high = y_high_rescale;
            view->back_buffer.reset();
        }
    }
    void clear(bool all) {
        for (auto& view : views_)
            all ? clear_all(view->store, view->client_height)
                : clear_outside(view->store, view->client_height);
    }

    // Both paints at `now`; "" when they agree, and when every pixel the kept
    // back buffer changed lies in the part it reported changed.
    std::string frame(std::uint32_t now) {
        graph_view& painted = *views_[0];
        graph_view& plain = *views_[1];
        render_for_screen(painted, now);
        render_plain(plain, now);
        const std::string pixel = first_difference(painted.back_buffer, plain.back_buffer);
        const std::string unreported = changed_outside(painted);
        if (!unreported.empty()) return "pixel " + unreported + " changed outside the part reported changed";
        const std::string unshown = screen_difference(painted);
        if (!unshown.empty()) return "pixel " + unshown + " differs in the copy for the screen";
        markers_ += count_colour(painted.back_buffer, marker_argb);
        curve_ += count_colour(painted.back_buffer, avg_argb);
        const sample_store& a = painted.store;
        const sample_store& b = plain.store;
        if (pixel.empty() && a.win_min == b.win_min && a.win_max == b.win_max && a.y_low == b.y_low &&
            a.y_high == b.y_high)
            return "";
        return "pixel " + pixel + ", " + std::to_string(a.samples.size()) + " samples, " +
               std::to_string(painted.client_width) + "x" + std::to_string(painted.client_height) + " span " +
               std::to_string(painted.settings.x_time) + " avg " + std::to_string(painted.settings.avg_time);
    }

    // Pixels painted in the marker and curve colours so far, to see that the
    // session drew something worth comparing.
    int markers() const { return markers_; }
    int curve() const { return curve_; }
    // Paints that kept the back buffer and changed only a part of it, or nothing.
    int kept() const { return kept_; }

private:
    // The first pixel that differs from the last paint's outside the part the
    // paint reported changed, as "x,y"; "" when none does.
    std::string changed_outside(graph_view& painted) {
        const pixel_rect changed = painted.picture.take_changes().bounds();
        const bool whole = changed.left == 0 && changed.top == 0 &&
                           changed.right == painted.back_buffer.width() &&
                           changed.bottom == painted.back_buffer.height();
        if (!whole) ++kept_;
        std::vector<Gdiplus::ARGB> pixels = all_pixels(painted.back_buffer);
        const int width = painted.back_buffer.width();
        std::string found;
        if (pixels.size() == last_.size()) {
            for (std::size_t i = 0; i < pixels.size() && found.empty(); ++i) {
                const int x = static_cast<int>(i) % width;
                const int y = static_cast<int>(i) / width;
                const bool inside =
                    x >= changed.left && x < changed.right && y >= changed.top && y < changed.bottom;
                if (pixels[i] != last_[i] && !inside) found = std::to_string(x) + "," + std::to_string(y);
            }
        }
        last_ = std::move(pixels);
        return found;
    }

    // The first pixel of the painted view's screen copy that differs from its back buffer, as "x,y".
    static std::string screen_difference(graph_view& painted) {
        if (!painted.screen.in_step()) return "0,0 (out of step)";
        const int width = painted.back_buffer.width();
        const std::vector<Gdiplus::ARGB> pixels = all_pixels(painted.back_buffer);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const int x = static_cast<int>(i) % width;
            const int y = static_cast<int>(i) / width;
            if ((pixels[i] & 0xFFFFFF) != painted.screen.rgb(x, y))
                return std::to_string(x) + "," + std::to_string(y);
        }
        return "";
    }

    std::array<std::unique_ptr<graph_view>, 2> views_;
    std::vector<Gdiplus::ARGB> last_; // the painted view's pixels after its last paint
    int markers_ = 0;
    int curve_ = 0;
    int kept_ = 0;
};

// The plain drawing costs a GDI+ call per marker pixel and per line, so these
// sessions start smaller than those of the pictures' own tests, which compare
// the same pixels without GDI+ under every line rule.
TEST(picture_paths, every_frame_of_random_sessions_matches_the_plain_drawing) {
    int markers = 0;
    int curve = 0;
    int kept = 0;
    for (std::uint32_t seed : {1u, 2u, 3u, 5u, 8u}) {
        twin_views twins;
        std::uint32_t state = seed;
        graph_session<twin_views> session(twins, [&state] { return next_random(state); });
        session.start(20000.0);
        for (int frame = 0; frame < 60; ++frame) {
            std::string what;
            for (std::uint32_t changes = 1 + next_random(state) % 3; changes > 0; --changes)
                what += session.change() + " ";
            const std::string failure = twins.frame(session.now());
            ASSERT_EQ(failure, "") << "seed " << seed << " frame " << frame << " after " << what;
        }
        markers += twins.markers();
        curve += twins.curve();
        kept += twins.kept();
    }
    EXPECT_GT(markers, 0);
    EXPECT_GT(curve, 0);
    EXPECT_GT(kept, 100);
}

} // namespace
