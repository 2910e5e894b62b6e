// The readout's tooltip over a real window, and the wheel's messages, in-process under the real system.
#include "app/window/readout_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render/render_win.h"
#include "app/store/sample_intake.h"

namespace {

// A painted graph of a minute of samples in a window of its own.
class readout_window_test : public ::testing::Test {
protected:
    void SetUp() override {
        view.client_width = 400;
        view.client_height = 200;
        view.settings.x_time = 60;
        view.settings.x_time_changed = true;
        view.settings.avg_time = 0.0;
        std::vector<ping_sample> samples;
        for (int i = 0; i <= 60; ++i) samples.push_back(ping_sample{1000.0 + i, 20.0 + i % 5});
        append_samples(view.store, samples.data(), samples.size());
        view.last_data_tick = GetTickCount();
        render_back_buffer(view, view.last_data_tick);
        owner = CreateWindowExW(0, L"STATIC", L"readout test", WS_POPUP | WS_VISIBLE, 50, 50, 400, 200,
                                nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner);
        readout.window_destroyed();
    }

    std::wstring tooltip_text() const {
        wchar_t text[512] = {};
        SendMessageW(readout.tooltip(), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool tooltip_visible() const { return readout.tooltip() && IsWindowVisible(readout.tooltip()); }
    // The marker of sample i: where the pointer must be to read it.
    POINT marker_of(std::size_t i) const {
        const view_mapping mapping(view.store, view.plot_width);
        POINT at{};
        int x = 0;
        int y = 0;
        EXPECT_TRUE(mapping.marker_column(view.store.samples[i].time, x));
        EXPECT_TRUE(mapping.marker_row(view.store.samples[i].rtt, y));
        at.x = x;
        at.y = y;
        return at;
    }

    gdiplus_session gdiplus;
    graph_view view;
    pointer_readout readout;
    HWND owner = nullptr;
};

TEST_F(readout_window_test,
       the_tooltip_reads_the_marker_under_the_pointer_and_goes_for_a_menu_or_the_leaving) {
    ASSERT_TRUE(view.graph_drawn);
    const POINT at = marker_of(30); // 1030 s, rtt 20
    readout.pointer_moved(view, owner, at);
    ASSERT_NE(readout.tooltip(), nullptr);
    wchar_t name[32] = {};
    GetClassNameW(readout.tooltip(), name, 32);
    EXPECT_EQ(std::wstring(name), L"tooltips_class32");
    EXPECT_TRUE(tooltip_visible());
    const std::wstring text = tooltip_text();
    EXPECT_NE(text.find(L"\r\nSample 20.0 at "), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"\r\nIn view: 61 samples, min 20.0, mean 21.97, max 24.0, sd 1.43"),
              std::wstring::npos)
        << text;

    // Beside the pointer, not over it.
    RECT tip{};
    GetWindowRect(readout.tooltip(), &tip);
    POINT screen = at;
    ClientToScreen(owner, &screen);
    EXPECT_FALSE(PtInRect(&tip, screen));

    readout.menu_opened();
    EXPECT_FALSE(tooltip_visible());
    readout.painted(view);
    EXPECT_FALSE(tooltip_visible()) << "a paint while the menu is open brings it back";
    readout.menu_closed();
    readout.pointer_moved(view, owner, marker_of(31));
    EXPECT_TRUE(tooltip_visible());
    EXPECT_NE(tooltip_text().find(L"\r\nSample 21.0 at "), std::wstring::npos) << tooltip_text();

    readout.pointer_left();
    EXPECT_FALSE(tooltip_visible());
    readout.painted(view);
    EXPECT_FALSE(tooltip_visible()) << "a paint after the pointer left brings it back";
}

TEST_F(readout_window_test, the_wheel_over_the_window_steps_the_span_as_the_menu_does) {
    menus::_time_scale_menu menu(view.settings);
    wheel_notches notches;
    POINT inside{200, 100};
    ClientToScreen(owner, &inside);
    const auto wheel = [&](int delta, POINT at) {
        return wheel_time_scale(notches, menu, owner, MAKEWPARAM(0, static_cast<WORD>(delta)),
                                MAKELPARAM(at.x, at.y));
    };
    view.settings.x_time_changed = false;
    EXPECT_TRUE(wheel(WHEEL_DELTA, inside));
    EXPECT_EQ(view.settings.x_time, 10u);
    EXPECT_TRUE(view.settings.x_time_changed);
    view.settings.x_time_changed = false;
    EXPECT_TRUE(wheel(WHEEL_DELTA, inside));
    EXPECT_EQ(view.settings.x_time, 10u);
    EXPECT_FALSE(view.settings.x_time_changed) << "at the shortest span a notch changes nothing";
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(wheel(-WHEEL_DELTA / 3, inside));
    EXPECT_EQ(view.settings.x_time, 60u);
    EXPECT_TRUE(view.settings.x_time_changed);

    const POINT outside{inside.x + 400, inside.y};
    EXPECT_FALSE(wheel(-WHEEL_DELTA, outside));
    EXPECT_EQ(view.settings.x_time, 60u);
}

} // namespace
