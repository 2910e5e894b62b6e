// The menu shown for real: a window of our own, the pointer placed, keys typed by another thread.
#include "util/ui/popup_menu_win.h"

#include "tests/poll_until_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

bool has_display() {
    wchar_t display[64];
    return GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0;
}

class item_menu : public popup_menu {
public:
    int first = 0, second = 0;
    std::vector<LPARAM> init_popups;

    int build(int) override {
        destroy_all();
        create_popup();
        append_item(0, L"First", [this] { ++first; });
        append_item(0, L"Second", [this] { ++second; });
        return 0;
    }
    void on_init_popup(LPARAM lparam) override { init_popups.push_back(lparam); }
};

// What the owner window saw; its procedure hands menu traffic to `menu` the way
// the program's main window does.
struct owner_log {
    popup_menu* menu = nullptr;
    int commands = 0;
    int nulls = 0;
};
owner_log owner_seen;

LRESULT CALLBACK owner_proc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    if ((msg == WM_COMMAND || msg == WM_INITMENUPOPUP) && owner_seen.menu != nullptr) {
        if (msg == WM_COMMAND) ++owner_seen.commands;
        bool handled = false;
        const LRESULT result = owner_seen.menu->on_message(msg, wparam, lparam, &handled);
        if (handled) return result;
    }
    if (msg == WM_NULL) ++owner_seen.nulls;
    return DefWindowProcW(window, msg, wparam, lparam);
}

HWND create_owner() {
    static const wchar_t* const class_name = L"echoview_menu_test_owner";
    WNDCLASSW wc = {};
    wc.lpfnWndProc = owner_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = class_name;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, class_name, L"menu owner", WS_POPUP | WS_VISIBLE, 100, 100, 600, 400,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window);
    return window;
}

struct seen_menu {
    std::atomic<bool> found{false};
    std::atomic<bool> closed{false};
    std::atomic<bool> forced{false};
    RECT rect = {};
    HWND foreground = nullptr;
};

struct find_popup {
    DWORD process;
    HWND found;
};

BOOL CALLBACK find_visible_popup(HWND window, LPARAM param) {
    auto* context = reinterpret_cast<find_popup*>(param);
    wchar_t class_name[16] = L"";
    GetClassNameW(window, class_name, 16);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == context->process && lstrcmpW(class_name, L"#32768") == 0 && IsWindowVisible(window)) {
        context->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND visible_popup() {
    find_popup context = {GetCurrentProcessId(), nullptr};
    EnumWindows(find_visible_popup, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

// Each key pressed and released, in one batch of real input: the menu loop takes them in order.
void type_keys(const std::vector<WORD>& keys) {
    std::vector<INPUT> input;
    for (WORD key : keys) {
        INPUT down = {};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        INPUT up = down;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        input.push_back(down);
        input.push_back(up);
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// Waits for the menu to appear, records where it is, types `keys`, and waits for
// it to close. A menu that does not show or does not close is cancelled, so the
// test fails rather than hangs.
void drive_menu(HWND owner, std::vector<WORD> keys, seen_menu& seen) {
    HWND popup = nullptr;
    if (poll_until([&popup] { return (popup = visible_popup()) != nullptr; }, test_limit_ms, 20)) {
        GetWindowRect(popup, &seen.rect);
        seen.foreground = GetForegroundWindow();
        seen.found = true;
        type_keys(keys);
        if (poll_until([] { return visible_popup() == nullptr; }, test_limit_ms, 20)) {
            seen.closed = true;
            return;
        }
    }
    seen.forced = true;
    PostMessageW(owner, WM_CANCELMODE, 0, 0);
    EndMenu();
}

class shown_menu : public testing::Test {
protected:
    // One owner for the suite: under Wine without a window manager, destroying a
    // window that had the foreground takes a couple of seconds.
    static void SetUpTestSuite() {
        if (has_display()) owner = create_owner();
    }
    static void TearDownTestSuite() {
        if (owner != nullptr) DestroyWindow(owner);
        owner = nullptr;
    }

    void SetUp() override {
        if (!has_display()) GTEST_SKIP() << "a shown menu needs a display";
        ASSERT_NE(owner, nullptr);
        owner_seen = owner_log();
        owner_seen.menu = &menu;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    void TearDown() override { owner_seen.menu = nullptr; }

    // Places the pointer, builds and shows the menu while another thread types `keys`.
    void show_at(int x, int y, std::vector<WORD> keys) {
        SetCursorPos(x, y);
        menu.build(0);
        std::thread driver(drive_menu, owner, std::move(keys), std::ref(seen));
        menu.show(owner);
        driver.join();
        ASSERT_TRUE(seen.found) << "the menu never appeared";
        EXPECT_TRUE(seen.closed);
        EXPECT_FALSE(seen.forced) << "the menu did not take the keys and was cancelled";
    }

    static HWND owner;
    item_menu menu;
    seen_menu seen;
};

HWND shown_menu::owner = nullptr;

TEST_F(shown_menu, opens_left_of_the_pointer_and_the_chosen_item_runs_after_show_returns) {
    show_at(700, 300, {VK_DOWN, VK_DOWN, VK_RETURN});
    // The menu's right edge is at the pointer, its top at the pointer's height.
    EXPECT_EQ(seen.rect.right, 700);
    EXPECT_EQ(seen.rect.top, 300);
    EXPECT_GT(seen.rect.right - seen.rect.left, 0);
    EXPECT_EQ(seen.foreground, owner);
    EXPECT_EQ(menu.init_popups.size(), 1u);

    // The choice is posted: nothing ran while show was inside the menu loop.
    EXPECT_EQ(menu.second, 0);
    EXPECT_TRUE(pump_until([] { return owner_seen.commands == 1 && owner_seen.nulls >= 1; }));
    EXPECT_EQ(menu.first, 0);
    EXPECT_EQ(menu.second, 1);
    EXPECT_TRUE(popup_menu::menu_item_table()->empty());
    EXPECT_EQ(menu.menu_handle(), nullptr);
}

TEST_F(shown_menu, dismissed_menu_runs_nothing_and_stays_until_the_next_build) {
    show_at(400, 200, {VK_ESCAPE});
    EXPECT_TRUE(pump_until([] { return owner_seen.nulls >= 1; }));
    EXPECT_EQ(owner_seen.commands, 0);
    EXPECT_EQ(menu.first + menu.second, 0);
    const HMENU kept = menu.menu_handle();
    EXPECT_TRUE(IsMenu(kept));
    EXPECT_EQ(popup_menu::menu_item_table()->size(), 2u);
    menu.build(0);
    // The old handle is gone (unless the new menu took the same value).
    EXPECT_TRUE(!IsMenu(kept) || kept == menu.menu_handle());
    EXPECT_EQ(popup_menu::menu_item_table()->size(), 2u);
    popup_menu::destroy_all();
}

} // namespace
