#include "util/ui/message_box_win.h"

#include "tests/poll_until_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the box showed, read from its real window by a second thread.
struct seen_box {
    std::wstring caption;
    std::vector<std::wstring> texts;
    LONG_PTR ex_style = 0;
};

BOOL CALLBACK collect_child_text(HWND child, LPARAM param) {
    wchar_t text[512];
    const int length = GetWindowTextW(child, text, 512);
    reinterpret_cast<seen_box*>(param)->texts.emplace_back(text, length > 0 ? length : 0);
    return TRUE;
}

constexpr DWORD box_wait_ms = 20000;

struct find_context {
    DWORD thread_id;
    HWND found;
};

BOOL CALLBACK find_thread_dialog(HWND window, LPARAM param) {
    auto* context = reinterpret_cast<find_context*>(param);
    wchar_t class_name[16];
    GetClassNameW(window, class_name, 16);
    if (GetWindowThreadProcessId(window, nullptr) == context->thread_id &&
        std::wstring(class_name) == L"#32770" && IsWindowVisible(window)) {
        context->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits for the box of `thread_id`, records what it shows and presses OK. A box
// that never shows up must still not leave message_box waiting for ever: the
// thread is then told to quit, which ends a modal loop (and is reposted).
void read_and_close(DWORD thread_id, seen_box& seen, std::atomic<bool>& found) {
    find_context context = {thread_id, nullptr};
    const auto shown = [&] {
        EnumWindows(find_thread_dialog, reinterpret_cast<LPARAM>(&context));
        return context.found != nullptr;
    };
    if (!poll_until(shown, box_wait_ms, 20)) {
        PostThreadMessageW(thread_id, WM_QUIT, 0, 0);
        return;
    }
    wchar_t caption[512];
    const int length = GetWindowTextW(context.found, caption, 512);
    seen.caption.assign(caption, length > 0 ? length : 0);
    EnumChildWindows(context.found, collect_child_text, reinterpret_cast<LPARAM>(&seen));
    found = true;
    PostMessageW(context.found, WM_COMMAND, IDOK, 0);
}

int show_and_read(std::wstring& title, const wchar_t* text, UINT style, seen_box& seen) {
    std::atomic<bool> found{false};
    std::thread reader(read_and_close, GetCurrentThreadId(), std::ref(seen), std::ref(found));
    const int result = message_box(title, nullptr, text, style, nullptr);
    reader.join();
    // The quit message reposted by the box's loop must not end the next test's box.
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    EXPECT_TRUE(found) << "no box appeared within " << box_wait_ms << " ms";
    return result;
}

bool has_display() {
    wchar_t display[64];
    return GetEnvironmentVariableW(L"DISPLAY", display, 64) > 0;
}

bool contains(const std::vector<std::wstring>& texts, const std::wstring& wanted) {
    for (const std::wstring& text : texts)
        if (text == wanted) return true;
    return false;
}

TEST(message_box, shows_the_title_as_caption_and_the_text) {
    if (!has_display()) GTEST_SKIP() << "message boxes need a display";
    std::wstring title = L"Echoview test title";
    seen_box seen;
    EXPECT_EQ(show_and_read(title, L"Line one\nLine two", MB_ICONINFORMATION, seen), IDOK);
    EXPECT_EQ(seen.caption, L"Echoview test title");
    EXPECT_TRUE(contains(seen.texts, L"Line one\nLine two"));
    // A title that was set is kept: the module path is not read.
    EXPECT_EQ(title, L"Echoview test title");
}

TEST(message_box, empty_title_becomes_the_program_path) {
    if (!has_display()) GTEST_SKIP() << "message boxes need a display";
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring title;
    seen_box seen;
    show_and_read(title, L"text", MB_OK, seen);
    EXPECT_EQ(title, std::wstring(path, length));
    EXPECT_EQ(seen.caption, title);
}

} // namespace
