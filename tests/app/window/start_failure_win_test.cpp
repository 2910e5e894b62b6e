// A main window that cannot be made is reported and ends the program; a failing receive ends the loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "app/window/brisk_window_win.h"
#include "app/window/main_window_win.h"
#include "tests/poll_until_win.h"
#include "util/ui/message_box_win.h"

namespace {

constexpr DWORD box_wait_ms = 20000;

struct seen_box {
    std::atomic<bool> found{false};
    std::wstring caption;
    std::vector<std::wstring> texts;
};

BOOL CALLBACK collect_child_text(HWND child, LPARAM param) {
    wchar_t text[512];
    const int length = GetWindowTextW(child, text, 512);
    reinterpret_cast<seen_box*>(param)->texts.emplace_back(text, length > 0 ? length : 0);
    return TRUE;
}

BOOL CALLBACK find_dialog(HWND window, LPARAM param) {
    wchar_t class_name[16];
    GetClassNameW(window, class_name, 16);
    if (std::wstring(class_name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// Reads the box that `thread` shows and presses OK. Without a box in time the
// thread is told to quit, so that neither a box nor a message loop waits for ever.
void read_and_close(DWORD thread, seen_box& seen) {
    HWND box = nullptr;
    const auto shown = [&] {
        EnumThreadWindows(thread, find_dialog, reinterpret_cast<LPARAM>(&box));
        return box != nullptr;
    };
    if (!poll_until(shown, box_wait_ms, 20)) {
        PostThreadMessageW(thread, WM_QUIT, 0, 0);
        return;
    }
    wchar_t caption[512];
    const int length = GetWindowTextW(box, caption, 512);
    seen.caption.assign(caption, length > 0 ? length : 0);
    EnumChildWindows(box, collect_child_text, reinterpret_cast<LPARAM>(&seen));
    seen.found = true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// run_main_window with a reader of its box; the exit code.
int run_and_read(seen_box& seen) {
    std::thread reader(read_and_close, GetCurrentThreadId(), std::ref(seen));
    const int code = run_main_window(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    reader.join();
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    return code;
}

bool says(const seen_box& seen, const std::wstring& start) {
    for (const std::wstring& text : seen.texts)
        if (text.compare(0, start.size(), start) == 0 && text.size() > start.size() + 4) return true;
    return false;
}

bool has_display() {
    wchar_t display[64];
    return GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0;
}

// Refuses the creation of windows of the main window class on this thread.
LRESULT CALLBACK refuse_main_window(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
        const wchar_t* name = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && std::wcscmp(name, main_window_class) == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST(run_main_window, a_class_that_cannot_be_registered_is_reported_and_ends_the_program) {
    if (!has_display()) GTEST_SKIP() << "message boxes need a display";
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW taken{};
    taken.lpfnWndProc = DefWindowProcW;
    taken.hInstance = instance;
    taken.lpszClassName = main_window_class;
    ASSERT_NE(0, RegisterClassW(&taken));
    seen_box seen;
    const int code = run_and_read(seen);
    UnregisterClassW(main_window_class, instance);
    EXPECT_TRUE(seen.found) << "no message box";
    EXPECT_EQ(code, exit_no_main_window);
    EXPECT_FALSE(app_title.empty());
    EXPECT_EQ(seen.caption, app_title);
    EXPECT_TRUE(says(seen, L"Echoview cannot open its window.\n\n")) << "without the system's reason";
    EXPECT_EQ(main_window, nullptr);
}

TEST(run_main_window, a_window_that_cannot_be_created_is_reported_and_ends_the_program) {
    if (!has_display()) GTEST_SKIP() << "message boxes need a display";
    const HHOOK hook = SetWindowsHookExW(WH_CBT, refuse_main_window, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    seen_box seen;
    const int code = run_and_read(seen);
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(seen.found) << "no message box";
    EXPECT_EQ(code, exit_no_main_window);
    EXPECT_EQ(seen.caption, app_title);
    EXPECT_TRUE(says(seen, L"Echoview cannot open its window.\n\n")) << "without the system's reason";
    // The class is not left behind.
    WNDCLASSW left{};
    EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), main_window_class, &left));
}

TEST(run_message_loop, returns_the_code_of_wm_quit) {
    PostQuitMessage(7);
    EXPECT_EQ(run_message_loop(), 7);
}

TEST(run_message_loop, ends_when_receiving_keeps_failing) {
    // Receiving for a window that does not exist fails every time.
    HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(run_message_loop(gone), exit_message_loop_failed);
}

} // namespace
