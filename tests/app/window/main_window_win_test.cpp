// The window procedure of the main window, driven with messages in-process, and its texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/window/brisk_window_win.h"
#include "app/window/display_scale_win.h"
#include "app/window/main_window_win.h"
#include "app/window/placement_win.h"
#include "app/window/settings_win.h"
#include "tests/app/window/placement_test_util.h"

// Only for this file's expectations; found by argument-dependent lookup beside RECT.
static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << r.left << ',' << r.top << ' ' << r.right << ',' << r.bottom;
}

namespace {

// The window's settings go here, never to the program's own key.
const wchar_t test_key[] = L"SOFTWARE\\Norvane\\echoview-main-window-test";

class main_window_test : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, test_key);
        new_window();
    }
    void TearDown() override {
        main_window = nullptr;
        RegDeleteTreeW(HKEY_CURRENT_USER, test_key);
    }

    void new_window() {
        main_window = nullptr;
        window = std::make_unique<brisk_window>();
        window->settings_path = test_key;
        main_window = window.get();
    }

    static std::vector<unsigned char> records(std::initializer_list<double> values) {
        std::vector<unsigned char> bytes(values.size() * sizeof(double));
        std::memcpy(bytes.data(), values.begin(), bytes.size());
        return bytes;
    }
    LRESULT copy_data(ULONG_PTR id, const void* data, DWORD size) {
        COPYDATASTRUCT copy{id, size, const_cast<void*>(data)};
        return window_proc(nullptr, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    }
    std::size_t count() const { return window->store.samples.size(); }

    gdiplus_session gdiplus;
    std::unique_ptr<brisk_window> window;
};

TEST_F(main_window_test, copy_data_takes_whole_records_of_batches_only) {
    const auto three = records({10.0, 1.5, 11.0, 2.5, 12.0, 3.5});
    window->last_data_tick = 7;
    EXPECT_EQ(0, copy_data(1, three.data(), 15));
    EXPECT_EQ(0u, count());
    EXPECT_EQ(7u, window->last_data_tick);

    EXPECT_EQ(0, copy_data(1, three.data(), 16));
    ASSERT_EQ(1u, count());
    EXPECT_EQ(10.0, window->store.samples[0].time);
    EXPECT_EQ(1.5, window->store.samples[0].rtt);
    EXPECT_NE(7u, window->last_data_tick);

    EXPECT_EQ(0, copy_data(1, three.data(), 47)); // two records, 15 bytes left over
    EXPECT_EQ(3u, count());
    EXPECT_EQ(0, copy_data(2, three.data(), 48));
    EXPECT_EQ(0, copy_data(0, three.data(), 48));
    EXPECT_EQ(0, copy_data(ULONG_PTR(-1), three.data(), 48));
    EXPECT_EQ(3u, count());
    EXPECT_EQ(1.5, window->store.win_min);
    EXPECT_EQ(2.5, window->store.win_max);
}

TEST_F(main_window_test, malformed_copy_data_is_ignored) {
    window->last_data_tick = 7;
    EXPECT_EQ(0, window_proc(nullptr, WM_COPYDATA, 0, 0)); // no structure at all
    EXPECT_EQ(0, copy_data(1, nullptr, 32));               // a size without data
    EXPECT_EQ(0, copy_data(1, nullptr, 0));
    EXPECT_EQ(0u, count());
    EXPECT_EQ(7u, window->last_data_tick);
}

TEST_F(main_window_test, hostile_sample_values_do_not_reach_the_store) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto bad = records({nan, 1.0, 5.0, nan, inf, 2.0, 6.0, -inf});
    window->last_data_tick = 7;
    EXPECT_EQ(0, copy_data(1, bad.data(), static_cast<DWORD>(bad.size())));
    EXPECT_EQ(0u, count());
    EXPECT_EQ(7u, window->last_data_tick); // nothing arrived, the graph keeps its clock

    const auto extreme = records({-1e300, 1e300, 1e300, -1e300, 0.0, 5e-324});
    EXPECT_EQ(0, copy_data(1, extreme.data(), static_cast<DWORD>(extreme.size())));
    EXPECT_EQ(3u, count());
    EXPECT_EQ(-1e300, window->store.samples.front().time);
}

TEST_F(main_window_test, a_large_batch_is_taken_whole) {
    const std::size_t n = 1000000;
    std::vector<double> values(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        values[2 * i] = static_cast<double>(n - i); // reversed, so the batch is sorted
        values[2 * i + 1] = static_cast<double>(i % 50);
    }
    EXPECT_EQ(0, copy_data(1, values.data(), static_cast<DWORD>(n * 16 + 9)));
    ASSERT_EQ(n, count());
    EXPECT_EQ(1.0, window->store.samples.front().time);
    EXPECT_EQ(static_cast<double>(n), window->store.samples.back().time);
}

TEST_F(main_window_test, the_count_message_answers_the_number_of_samples_plus_one) {
    const UINT message = RegisterWindowMessageW(sample_count_message_name);
    ASSERT_NE(0u, message);
    EXPECT_EQ(1, window_proc(nullptr, message, 0, 0));
    const auto two = records({1.0, 1.0, 2.0, 2.0});
    copy_data(1, two.data(), 32);
    EXPECT_EQ(3, window_proc(nullptr, message, 0, 0));
}

TEST_F(main_window_test, size_and_position_messages_update_the_record) {
    window->store.y_high = 42.0;
    window->back_buffer = gdip_bitmap(20, 10, PixelFormat24bppRGB);
    ASSERT_TRUE(static_cast<bool>(window->back_buffer));
    window_proc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(612, 301));
    EXPECT_EQ(612, window->client_width);
    EXPECT_EQ(301, window->client_height);
    EXPECT_EQ(-1.0, window->store.y_high);
    EXPECT_FALSE(static_cast<bool>(window->back_buffer));

    window->store.y_high = 42.0;
    window->back_buffer = gdip_bitmap(20, 10, PixelFormat24bppRGB);
    RECT drag{0, 0, 100, 100};
    window_proc(nullptr, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(-1.0, window->store.y_high);
    EXPECT_FALSE(static_cast<bool>(window->back_buffer));
    EXPECT_EQ(612, window->client_width);
}

TEST_F(main_window_test, background_erase_is_swallowed) {
    EXPECT_EQ(1, window_proc(nullptr, WM_ERASEBKGND, 0, 0));
}

DWORD saved(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, test_key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

void set_saved(const wchar_t* name, DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, test_key, name, REG_DWORD, &value, sizeof value);
}

bool key_exists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, test_key, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void drain_quit() {
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
}

TEST_F(main_window_test, settings_are_written_once_at_the_end_of_the_session_or_when_the_window_goes) {
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    window->hwnd = owner;
    window->settings.x_time = 3600;
    EXPECT_EQ(TRUE, window_proc(owner, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    // Another program refused: the session goes on, and nothing is written yet.
    EXPECT_EQ(0, window_proc(owner, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF));
    EXPECT_FALSE(key_exists());
    // The session ends: the process may be ended any time after this returns.
    EXPECT_EQ(0, window_proc(owner, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF));
    EXPECT_EQ(3600u, saved(L"x_time"));
    for (const wchar_t* name : {L"x_pos", L"y_pos", L"x_size", L"y_size", L"avg_time", L"only_avg"})
        EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, test_key, name, RRF_RT_REG_DWORD, nullptr,
                                              nullptr, nullptr))
            << name;
    // Should the window go after all, nothing is written again, by the window or its object.
    set_saved(L"x_time", 10);
    window->settings.x_time = 60;
    window_proc(owner, WM_DESTROY, 0, 0);
    drain_quit();
    main_window = nullptr;
    window.reset();
    EXPECT_EQ(10u, saved(L"x_time"));

    // Without a session's end the window's going writes them, and the object nothing more.
    new_window();
    window->hwnd = owner;
    window->settings.x_time = 900;
    window_proc(owner, WM_DESTROY, 0, 0);
    drain_quit();
    EXPECT_EQ(900u, saved(L"x_time"));
    set_saved(L"x_time", 10);
    main_window = nullptr;
    window.reset();
    EXPECT_EQ(10u, saved(L"x_time"));
    DestroyWindow(owner);
}

// The window as the program makes it, on the real monitors, placed from a stored place.
class created_window_test : public main_window_test {
protected:
    void TearDown() override {
        destroy();
        main_window_test::TearDown();
    }

    void destroy() {
        if (window && IsWindow(window->hwnd.load())) DestroyWindow(window->hwnd.load());
        drain_quit();
        UnregisterClassW(main_window_class, GetModuleHandleW(nullptr));
    }

    // A new window object, its settings as if loaded, and its window; the window's rectangle.
    RECT create_at(placement stored) {
        destroy();
        new_window();
        window->x_pos = stored.x;
        window->y_pos = stored.y;
        window->x_size = stored.width;
        window->y_size = stored.height;
        RECT rect{};
        EXPECT_TRUE(create_main_window(GetModuleHandleW(nullptr)));
        GetWindowRect(window->hwnd.load(), &rect);
        return rect;
    }
};

TEST_F(created_window_test, a_stored_place_on_no_monitor_opens_on_the_nearest_one) {
    const std::vector<monitor_area> monitors = display_monitors();
    ASSERT_FALSE(monitors.empty());
    // The primary monitor first, as the system sees it.
    const placement primary = monitors.front().monitor;
    EXPECT_EQ(0, primary.x);
    EXPECT_EQ(0, primary.y);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), primary.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), primary.height);
    const placement work = monitors.front().work;
    RECT primary_work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &primary_work, 0));
    EXPECT_EQ(primary_work.left, work.x);
    EXPECT_EQ(primary_work.top, work.y);
    EXPECT_EQ(primary_work.right, work.x + work.width);
    EXPECT_EQ(primary_work.bottom, work.y + work.height);

    // Kept: the title bar lies on the work area.
    const RECT kept = create_at({work.x + 100, work.y + 50, 500, 250});
    EXPECT_EQ((RECT{work.x + 100, work.y + 50, work.x + 600, work.y + 300}), kept);
    // The title bar above the work area: moved down onto it, the size kept. The window
    // records where it came up, and that is what it saves.
    const RECT above = create_at({work.x + 100, work.y - 200, 500, 250});
    EXPECT_EQ((RECT{work.x + 100, work.y, work.x + 600, work.y + 250}), above);
    EXPECT_EQ(work.y, window->y_pos);
    // Right of every monitor: moved left just far enough, when this is the rightmost monitor.
    placement right_most = work;
    for (const monitor_area& m : monitors)
        if (m.work.x + m.work.width > right_most.x + right_most.width) right_most = m.work;
    const RECT beyond = create_at({right_most.x + right_most.width + 300, right_most.y + 100, 500, 250});
    EXPECT_EQ((RECT{right_most.x + right_most.width - 500, right_most.y + 100,
                    right_most.x + right_most.width, right_most.y + 350}),
              beyond);
}

TEST_F(created_window_test, closed_minimised_or_maximised_it_saves_its_normal_place) {
    const monitor_area primary = display_monitors().front();
    const placement work = primary.work;
    for (const int state : {SW_MINIMIZE, SW_MAXIMIZE}) {
        create_at({work.x + 60, work.y + 40, 520, 300});
        const HWND hwnd = window->hwnd.load();
        ShowWindow(hwnd, SW_SHOWNORMAL);
        SetWindowPos(hwnd, nullptr, work.x + 150, work.y + 130, 610, 330, SWP_NOZORDER | SWP_NOACTIVATE);
        const placement normal{work.x + 150, work.y + 130, 610, 330};
        EXPECT_EQ(normal, (placement{window->x_pos, window->y_pos, window->x_size, window->y_size}));

        ShowWindow(hwnd, state);
        ASSERT_TRUE(state == SW_MINIMIZE ? IsIconic(hwnd) : IsZoomed(hwnd)) << state;
        // The icon's place or the monitor's is not the window's own.
        EXPECT_EQ(normal, (placement{window->x_pos, window->y_pos, window->x_size, window->y_size})) << state;

        // Where it will be restored to may change meanwhile (another program may set it):
        // the system's normal place is what is saved. It is given in workspace coordinates,
        // whose origin is the top left corner of the work area.
        WINDOWPLACEMENT restore{};
        restore.length = sizeof restore;
        ASSERT_TRUE(GetWindowPlacement(hwnd, &restore));
        restore.rcNormalPosition = {170, 140, 170 + 600, 140 + 320};
        restore.showCmd = state == SW_MINIMIZE ? SW_SHOWMINIMIZED : SW_SHOWMAXIMIZED;
        ASSERT_TRUE(SetWindowPlacement(hwnd, &restore));
        DestroyWindow(hwnd);
        drain_quit();
        const placement expected{primary.work.x - primary.monitor.x + 170,
                                 primary.work.y - primary.monitor.y + 140, 600, 320};
        EXPECT_EQ(expected, (placement{static_cast<std::int32_t>(saved(L"x_pos")),
                                       static_cast<std::int32_t>(saved(L"y_pos")),
                                       static_cast<std::int32_t>(saved(L"x_size")),
                                       static_cast<std::int32_t>(saved(L"y_size"))}))
            << state;
    }
}

// The width of an icon the window was given, 0 without one.
int icon_width(HWND hwnd, WPARAM which) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, which, 0));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

// The label font's height in pixels.
float font_px(const gdip_font& font) {
    Gdiplus::REAL size = 0;
    Gdiplus::DllExports::GdipGetFontSize(font.get(), &size);
    return size;
}

// The stored size was saved at another DPI: the window comes up as large relative to the
// screen's text as it was. A change of scale takes the system's suggested place and draws the
// picture at the new scale; the place saved is then in pixels of the new DPI, and says so.
TEST_F(created_window_test, sizes_follow_the_dpi_they_were_saved_at_and_a_change_of_scale) {
    const std::uint32_t dpi = window_dpi(nullptr);
    const placement work = display_monitors().front().work;
    destroy();
    new_window();
    window->x_pos = work.x + 20;
    window->y_pos = work.y + 30;
    window->x_size = 2 * 400;
    window->y_size = 2 * 200;
    window->place_dpi = 2 * dpi;
    ASSERT_TRUE(create_main_window(GetModuleHandleW(nullptr)));
    const HWND hwnd = window->hwnd.load();
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ((RECT{work.x + 20, work.y + 30, work.x + 420, work.y + 230}), rect);
    EXPECT_EQ(dpi, window->scale.dpi);
    EXPECT_FLOAT_EQ(12.0f * dpi / 96, font_px(window->resources.label_font));
    EXPECT_EQ(static_cast<int>(32 * dpi / 96), icon_width(hwnd, ICON_BIG));
    EXPECT_EQ(static_cast<int>(16 * dpi / 96), icon_width(hwnd, ICON_SMALL));

    RECT suggested{work.x + 40, work.y + 50, work.x + 40 + 600, work.y + 50 + 300};
    EXPECT_EQ(0,
              SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested)));
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(suggested, rect);
    EXPECT_EQ(144u, window->scale.dpi);
    EXPECT_EQ(2, window->scale.thickness());
    EXPECT_FLOAT_EQ(18.0f, font_px(window->resources.label_font));
    EXPECT_EQ(15.0, window->store.margin);
    EXPECT_EQ(48, icon_width(hwnd, ICON_BIG));
    EXPECT_EQ(24, icon_width(hwnd, ICON_SMALL));

    DestroyWindow(hwnd);
    drain_quit();
    EXPECT_EQ(600u, saved(L"x_size"));
    EXPECT_EQ(300u, saved(L"y_size"));
    EXPECT_EQ(144u, saved(L"dpi"));
}

// Handles the repaint ticks waiting for the window; how many there were.
int handle_ticks(HWND hwnd) {
    MSG msg;
    int ticks = 0;
    while (PeekMessageW(&msg, hwnd, repaint_tick_message, repaint_tick_message, PM_REMOVE)) {
        DispatchMessageW(&msg);
        ++ticks;
    }
    return ticks;
}

// What the window's client area shows, read back through a DC of the window,
// as 0xRRGGBB row by row.
std::vector<std::uint32_t> shown_pixels(HWND hwnd, int width, int height) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const HDC window_dc = GetDC(hwnd);
    const HDC memory = CreateCompatibleDC(window_dc);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ before = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<const std::uint32_t*>(bits)[i] & 0xFFFFFF;
    SelectObject(memory, before);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, window_dc);
    return pixels;
}

// Paints the window's client area in a colour the graph never has, straight
// through a DC of the window, as a stale picture the next copy shows through.
constexpr std::uint32_t stale_rgb = 0xFF00FF;
void paint_stale(HWND hwnd) {
    const HDC dc = GetDC(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    const HBRUSH brush = CreateSolidBrush(RGB(0xFF, 0x00, 0xFF));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    GdiFlush();
    ReleaseDC(hwnd, dc);
}

// The columns of the window that show something other than the stale colour,
// from the first to the last (right < left: none); every pixel of the window
// that is not stale must show what the back buffer's screen copy holds.
struct copied_columns {
    int left = INT_MAX;
    int right = INT_MIN;
    std::string failure;
};
copied_columns copied_since_stale(HWND hwnd, const brisk_window& view) {
    const int width = view.client_width;
    const int height = view.client_height;
    const std::vector<std::uint32_t> shown = shown_pixels(hwnd, width, height);
    copied_columns copied;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = shown[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                            static_cast<std::size_t>(x)];
            if (rgb == stale_rgb) continue;
            copied.left = std::min(copied.left, x);
            copied.right = std::max(copied.right, x);
            if (copied.failure.empty() && rgb != view.screen.rgb(x, y))
                copied.failure =
                    "pixel " + std::to_string(x) + "," + std::to_string(y) + " is not the picture's";
        }
    }
    return copied;
}

// Ticks the timer's callback posted are handled as one when the window comes to
// them; the tick copies the whole picture to the window after a change of
// everything, nothing when nothing changed, and the few columns of one new
// sample, there and then: it asks for no paint.
TEST_F(created_window_test, the_repaint_tick_copies_only_what_changed) {
    const placement work = display_monitors().front().work;
    create_at({work.x + 60, work.y + 40, 520, 300});
    const HWND hwnd = window->hwnd.load();
    window->settings.x_time = 604800; // a column of about twenty minutes: the clock moves nothing
    window->settings.x_time_changed = true;
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    std::vector<double> batch;
    for (int i = 0; i < 100; ++i) batch.insert(batch.end(), {1000.0 + i, 10.0 + i % 10});
    copy_data(sample_batch_id, batch.data(), static_cast<DWORD>(batch.size() * sizeof(double)));

    paint_stale(hwnd);
    window->invalidate();
    window->invalidate();
    EXPECT_EQ(1, handle_ticks(hwnd));
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    copied_columns copied = copied_since_stale(hwnd, *window);
    EXPECT_EQ("", copied.failure);
    EXPECT_EQ(0, copied.left);
    EXPECT_EQ(window->client_width - 1, copied.right);
    // The value axis is scaled to the extremes the paint before found: settled at the second tick.
    window->invalidate();
    handle_ticks(hwnd);

    paint_stale(hwnd);
    window->invalidate();
    EXPECT_EQ(1, handle_ticks(hwnd));
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    copied = copied_since_stale(hwnd, *window);
    EXPECT_GT(copied.left, copied.right)
        << "nothing changed, columns " << copied.left << " to " << copied.right;

    const double sample[] = {1099.9, 14.5}; // at the mean: the value axis stays
    copy_data(sample_batch_id, sample, sizeof sample);
    window->invalidate();
    EXPECT_EQ(1, handle_ticks(hwnd));
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    copied = copied_since_stale(hwnd, *window);
    EXPECT_EQ("", copied.failure);
    EXPECT_LE(copied.left, copied.right);
    EXPECT_LT(copied.right - copied.left, 20) << copied.left << " to " << copied.right;
    EXPECT_GT(copied.left, window->client_width / 2) << copied.left;

    // What the system uncovers is still painted from the picture, whole.
    paint_stale(hwnd);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    copied = copied_since_stale(hwnd, *window);
    EXPECT_EQ("", copied.failure);
    EXPECT_EQ(0, copied.left);
    EXPECT_EQ(window->client_width - 1, copied.right);

    // Once the window is gone, no tick reaches it.
    DestroyWindow(hwnd);
    drain_quit();
    window->invalidate();
    EXPECT_EQ(0, handle_ticks(nullptr));
}

TEST(main_window_texts, no_window_object_means_default_handling) {
    main_window = nullptr;
    // Before the object exists, messages go to DefWindowProcW, which erases nothing here.
    EXPECT_EQ(0, window_proc(nullptr, WM_ERASEBKGND, 0, 0));
}

} // namespace
