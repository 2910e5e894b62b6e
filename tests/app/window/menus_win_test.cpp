// The context menu and its submenus as real menus: captions, order, marks and what each item does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/store/sample_intake.h"
#include "app/window/brisk_window_win.h"
#include "app/window/main_window_win.h"
#include "app/window/menus_win.h"
#include "app/window/settings_win.h"
#include "echoview_version.h"
#include "util/sys/handle_owner_win.h"

namespace {

struct item_state {
    std::wstring caption;
    bool checked;
    bool operator==(const item_state& other) const {
        return caption == other.caption && checked == other.checked;
    }
};

std::vector<item_state> items_of(HMENU menu) {
    std::vector<item_state> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
        items.push_back({text, (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) != 0});
    }
    return items;
}

// Stands in for the context menu: holds the submenu entry, as the real one does, without showing anything.
class holder_menu : public popup_menu {
public:
    int build(int) override { return 0; }
    void start() { create_popup(); }
};

class menus_test : public ::testing::Test {
protected:
    void SetUp() override {
        parent.start();
        main_window = &window;
    }
    void TearDown() override {
        popup_menu::destroy_all();
        main_window = nullptr;
    }

    // Builds `sub` as the context menu would and returns its items.
    std::vector<item_state> build(popup_menu& sub) {
        popup_menu::destroy_all();
        parent.start();
        parent.append_submenu(sub, L"sub", 0);
        return items_of(sub.menu_handle());
    }

    // Chooses the item at `position` as the window procedure would receive it.
    void choose(popup_menu& sub, int position) {
        build(sub);
        const UINT id = GetMenuItemID(sub.menu_handle(), position);
        ASSERT_NE(static_cast<UINT>(-1), id);
        EXPECT_EQ(0, window_proc(nullptr, WM_COMMAND, id, 0));
    }

    std::vector<std::wstring> checked(popup_menu& sub) {
        std::vector<std::wstring> marks;
        for (const auto& item : build(sub))
            if (item.checked) marks.push_back(item.caption);
        return marks;
    }

    gdiplus_session gdiplus;
    brisk_window window;
    holder_menu parent;
};

using marks = std::vector<std::wstring>;

TEST_F(menus_test, time_scale_items_mark_the_exact_span_and_set_it) {
    const wchar_t* captions[] = {L"10 secs", L"1 min",    L"5 mins",   L"15 mins", L"1 hour",
                                 L"4 hours", L"12 hours", L"48 hours", L"1 week"};
    const std::uint32_t seconds[] = {10, 60, 300, 900, 3600, 14400, 43200, 172800, 604800};
    const auto items = build(window.time_scale_menu);
    ASSERT_EQ(9u, items.size());
    for (int i = 0; i < 9; ++i) EXPECT_EQ((item_state{captions[i], i == 1}), items[i]);

    window.settings.x_time = 61; // no item's value: no mark at all
    EXPECT_EQ(marks{}, checked(window.time_scale_menu));

    for (int i = 0; i < 9; ++i) {
        window.settings.x_time_changed = false;
        choose(window.time_scale_menu, i);
        EXPECT_EQ(seconds[i], window.settings.x_time);
        EXPECT_TRUE(window.settings.x_time_changed);
        EXPECT_EQ(marks{captions[i]}, checked(window.time_scale_menu));
    }
}

TEST_F(menus_test, average_items_and_only_average_follow_their_rules) {
    const wchar_t* captions[] = {L"No average", L"100 msec", L"300 msec", L"1 sec",
                                 L"3 secs",     L"10 secs",  L"1 min",    L"5 mins",
                                 L"15 mins",    L"1 hour",   L"4 hours",  L"Only average"};
    const double seconds[] = {0.0, 0.1, 0.3, 1, 3, 10, 60, 300, 900, 3600, 14400};
    const auto items = build(window.avg_scale_menu);
    ASSERT_EQ(12u, items.size());
    for (int i = 0; i < 12; ++i) EXPECT_EQ((item_state{captions[i], i == 3}), items[i]) << i;

    for (int i = 0; i < 11; ++i) {
        window.settings.avg_changed = false;
        choose(window.avg_scale_menu, i);
        EXPECT_EQ(seconds[i], window.settings.avg_time) << i;
        EXPECT_TRUE(window.settings.avg_changed);
        EXPECT_EQ(marks{captions[i]}, checked(window.avg_scale_menu));
    }

    // From no averaging, "Only average" switches averaging on at 1 s.
    choose(window.avg_scale_menu, 0);
    window.settings.avg_changed = false;
    choose(window.avg_scale_menu, 11);
    EXPECT_TRUE(window.settings.only_avg);
    EXPECT_EQ(1.0, window.settings.avg_time);
    EXPECT_TRUE(window.settings.avg_changed);
    EXPECT_EQ((marks{L"1 sec", L"Only average"}), checked(window.avg_scale_menu));

    // Off again: the width stays as it was.
    choose(window.avg_scale_menu, 6);
    choose(window.avg_scale_menu, 11);
    EXPECT_FALSE(window.settings.only_avg);
    EXPECT_EQ(60.0, window.settings.avg_time);

    // "No average" while only the average is drawn switches that off.
    choose(window.avg_scale_menu, 11);
    ASSERT_TRUE(window.settings.only_avg);
    choose(window.avg_scale_menu, 0);
    EXPECT_FALSE(window.settings.only_avg);
    EXPECT_EQ(marks{L"No average"}, checked(window.avg_scale_menu));
}

TEST_F(menus_test, widths_loaded_from_the_registry_mark_their_items_exactly) {
    const wchar_t key[] = L"SOFTWARE\\Norvane\\echoview-menus-test";
    struct {
        DWORD stored_ms;
        marks expected;
    } cases[] = {
        {100, {L"100 msec"}}, {300, {L"300 msec"}}, {0, {L"No average"}}, {1001, {}}, {3600000, {L"1 hour"}}};
    for (const auto& c : cases) {
        RegDeleteTreeW(HKEY_CURRENT_USER, key);
        {
            owned_key handle;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                     nullptr, handle.receive(), nullptr));
            RegSetValueExW(handle.get(), L"avg_time", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&c.stored_ms), 4);
        }
        load_settings(window, key);
        EXPECT_EQ(c.expected, checked(window.avg_scale_menu)) << c.stored_ms;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

TEST_F(menus_test, clear_items_clear_outside_the_view_and_everything) {
    const auto items = build(window.clear_menu);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ((item_state{L"Clear points outside graph", false}), items[0]);
    EXPECT_EQ((item_state{L"Clear whole graph", false}), items[1]);

    const double records[] = {100, 1, 200, 2, 300, 3, 400, 4};
    append_samples(window.store, records, 4);
    {
        lock_guard guard(window.store.lock);
        window.store.left_time = 250; // the view shows the last two
    }
    choose(window.clear_menu, 0);
    ASSERT_EQ(2u, window.store.samples.size());
    EXPECT_EQ(300.0, window.store.samples[0].time);
    choose(window.clear_menu, 1);
    EXPECT_TRUE(window.store.samples.empty());
}

TEST_F(menus_test, context_menu_holds_the_submenus_and_pages_in_order) {
    // The context menu shows itself; a timer closes the menu as soon as its loop runs.
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    window.hwnd = owner;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    window.context_menu.build(0);
    KillTimer(nullptr, timer);

    const std::vector<item_state> expected = {
        {L"Time Scale", false},
        {L"Average Time", false},
        {L"Clear", false},
        {L"", false},
        {L"Help page", false},
        {L"Contact us", false},
        {std::wstring(L"About Echoview ") + ECHOVIEW_VERSION_WTEXT, false}};
    ASSERT_NE(nullptr, window.context_menu.menu_handle());
    EXPECT_EQ(expected, items_of(window.context_menu.menu_handle()));
    EXPECT_EQ(window.time_scale_menu.menu_handle(), GetSubMenu(window.context_menu.menu_handle(), 0));
    EXPECT_EQ(window.avg_scale_menu.menu_handle(), GetSubMenu(window.context_menu.menu_handle(), 1));
    EXPECT_EQ(window.clear_menu.menu_handle(), GetSubMenu(window.context_menu.menu_handle(), 2));
    EXPECT_EQ(9, GetMenuItemCount(window.time_scale_menu.menu_handle()));
    EXPECT_NE(0u, GetMenuState(window.context_menu.menu_handle(), 3, MF_BYPOSITION) & MF_SEPARATOR);

    // A right click while a tree exists starts afresh: the old handles are gone.
    const HMENU old_top = window.context_menu.menu_handle();
    const UINT_PTR again = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    window.context_menu.build(0);
    KillTimer(nullptr, again);
    EXPECT_FALSE(IsMenu(old_top));
    EXPECT_EQ(expected, items_of(window.context_menu.menu_handle()));
    DestroyWindow(owner);
}

} // namespace
