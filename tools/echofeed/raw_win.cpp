// echofeed raw, info, window-text and tooltip: arbitrary messages for bad-input tests, and what tests ask.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/echofeed/feed_win.h"

namespace {

constexpr std::uint64_t max_raw_size = 256u << 20;

struct raw_options {
    std::uint64_t id = 1;
    std::vector<unsigned char> bytes;
    bool sized = false;
    std::uint64_t size = 0;
    bool null_data = false;
    target_options target;
};

int hex_digit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool parse_hex(const std::wstring& text, std::vector<unsigned char>& out) {
    int high = -1;
    for (wchar_t c : text) {
        if (c == L' ' || c == L':' || c == L',') continue;
        const int digit = hex_digit(c);
        if (digit < 0) return false;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<unsigned char>(high * 16 + digit));
            high = -1;
        }
    }
    return high < 0;
}

// Comma-separated numbers (nan, inf and -inf included), each as 8 little-endian bytes.
bool parse_doubles(const std::wstring& text, std::vector<unsigned char>& out) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(L',', start);
        const std::wstring item =
            text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        double value = 0.0;
        if (!parse_number(item, value)) return false;
        unsigned char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        out.insert(out.end(), bytes, bytes + sizeof value);
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return true;
}

int parse_raw_options(arg_list& args, raw_options& o) {
    auto size = [&o, in_range = count_in(o.size, 0, max_raw_size)](const std::wstring& text) {
        o.sized = true;
        return in_range(text);
    };
    auto hex = [&o](const std::wstring& text) { return parse_hex(text, o.bytes); };
    auto doubles = [&o](const std::wstring& text) { return parse_doubles(text, o.bytes); };
    return parse_options(args, L"raw",
                         {
                             value_option({L"--id"}, L"bad --id '%ls'", count_in(o.id, 0, UINT64_MAX)),
                             value_option({L"--size"}, L"bad --size '%ls' (at most 256 MiB)", size),
                             value_option({L"--hex"}, L"bad --hex '%ls'", hex),
                             value_option({L"--doubles"}, L"bad --doubles '%ls'", doubles),
                             flag_option({L"--null"}, [&o] { o.null_data = true; }),
                         },
                         &o.target);
}

} // namespace

int run_raw(arg_list& args) {
    raw_options options;
    if (const int code = parse_raw_options(args, options)) return code;
    // Sizes beyond the given bytes are filled with zeros, so the system never
    // copies from beyond our buffer.
    if (options.sized && !options.null_data) options.bytes.resize(static_cast<std::size_t>(options.size));
    echoview_target target(options.target);
    if (!target.connect()) return exit_no_window;
    // With --null the size is sent as given, with no bytes behind it.
    const DWORD size = static_cast<DWORD>(options.null_data ? options.size : options.bytes.size());
    const void* data = options.null_data || options.bytes.empty() ? nullptr : options.bytes.data();
    if (!target.send(static_cast<ULONG_PTR>(options.id), data, size)) return exit_send_failed;
    std::wprintf(L"raw: sent %lu bytes with id %llu\n", static_cast<unsigned long>(size),
                 static_cast<unsigned long long>(options.id));
    return exit_ok;
}

namespace {

// One line "menu LEFT TOP WIDTH HEIGHT" for every popup menu on the screen (the
// system's menu window class), so that a test can see where a menu opened.
void print_open_menus() {
    struct lister {
        static BOOL CALLBACK top(HWND hwnd, LPARAM) {
            wchar_t name[16] = {};
            if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 16) > 0 &&
                std::wstring(name) == L"#32768") {
                RECT r{};
                GetWindowRect(hwnd, &r);
                std::wprintf(L"menu %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            }
            return TRUE;
        }
    };
    EnumWindows(lister::top, 0);
}

} // namespace

int run_info(arg_list& args) {
    target_options target_opts;
    if (const int code = parse_options(args, L"info", {}, &target_opts)) return code;
    echoview_target target(target_opts);
    if (!target.connect()) return exit_no_window;
    if (target_opts.repaint) target.repaint();
    RECT window{};
    RECT client{};
    GetWindowRect(target.hwnd(), &window);
    GetClientRect(target.hwnd(), &client);
    POINT origin{0, 0};
    ClientToScreen(target.hwnd(), &origin);
    std::wprintf(L"window %ld %ld %ld %ld\n", window.left, window.top, window.right - window.left,
                 window.bottom - window.top);
    std::wprintf(L"client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    std::wprintf(L"samples %lld\n", target.sample_count());
    // Whether the window is the one that takes the keyboard: input tests wait for it.
    std::wprintf(L"foreground %d\n", GetForegroundWindow() == target.hwnd() ? 1 : 0);
    print_open_menus();
    return exit_ok;
}

// Asks the window to close as its close box would, without the pointer or the keyboard (a demo on
// the user's own display must not take them); waits up to --wait MS for the window to go.
int run_close(arg_list& args) {
    target_options target_opts;
    if (const int code = parse_options(args, L"close", {}, &target_opts)) return code;
    echoview_target target(target_opts);
    if (!target.connect()) return exit_no_window;
    PostMessageW(target.hwnd(), WM_CLOSE, 0, 0);
    const DWORD started = GetTickCount();
    while (IsWindow(target.hwnd())) {
        if (GetTickCount() - started >= target_opts.wait_ms) return exit_send_failed;
        Sleep(50);
    }
    return exit_ok;
}

// Prints the caption and then the text of each child window, one per line with line
// breaks shown as \n, for every top-level window with `caption` (a message box shares
// its caption with the main window).
int run_window_text(arg_list& args) {
    if (args.empty()) return usage_error(L"window-text needs a caption");
    const std::wstring caption = args.next();
    struct finder {
        const std::wstring* caption;
        std::vector<HWND> found;
        static BOOL CALLBACK top(HWND hwnd, LPARAM self) {
            auto& me = *reinterpret_cast<finder*>(self);
            wchar_t text[512] = {};
            GetWindowTextW(hwnd, text, 512);
            if (*me.caption == text) me.found.push_back(hwnd);
            return TRUE;
        }
        static BOOL CALLBACK child(HWND hwnd, LPARAM) {
            wchar_t text[2048];
            const int n = GetWindowTextW(hwnd, text, 2048);
            std::wstring line;
            for (int i = 0; i < n; ++i)
                line += text[i] == L'\n' ? std::wstring(L"\\n") : std::wstring(1, text[i]);
            std::wprintf(L"text %ls\n", line.c_str());
            return TRUE;
        }
    } windows{&caption, {}};
    for (int i = 0; i < 100; ++i) {
        EnumWindows(finder::top, reinterpret_cast<LPARAM>(&windows));
        if (!windows.found.empty()) break;
        Sleep(100);
    }
    if (windows.found.empty()) {
        std::fwprintf(stderr, L"echofeed: no window with the caption \"%ls\"\n", caption.c_str());
        return exit_no_window;
    }
    for (HWND hwnd : windows.found) {
        std::wprintf(L"caption %ls\n", caption.c_str());
        EnumChildWindows(hwnd, finder::child, 0);
    }
    return exit_ok;
}

namespace {

// The text of a window of another process, asked with a time limit: a hung window does not hang us.
std::wstring text_of(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, 5000, &copied)) {
        return L"";
    }
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

} // namespace

// For every visible tooltip control (the system's class "tooltips_class32") of the Echoview
// window's process: "tooltip LEFT TOP WIDTH HEIGHT", then "line TEXT" for each line of its
// text as WM_GETTEXT gives it, as a screen reader would read it.
int run_tooltip(arg_list& args) {
    target_options target_opts;
    if (const int code = parse_options(args, L"tooltip", {}, &target_opts)) return code;
    echoview_target target(target_opts);
    if (!target.connect()) return exit_no_window;
    struct lister {
        DWORD process;
        static BOOL CALLBACK top(HWND hwnd, LPARAM self) {
            wchar_t name[32] = {};
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process != reinterpret_cast<lister*>(self)->process || !IsWindowVisible(hwnd) ||
                GetClassNameW(hwnd, name, 32) == 0 || std::wstring(name) != L"tooltips_class32") {
                return TRUE;
            }
            RECT r{};
            GetWindowRect(hwnd, &r);
            std::wprintf(L"tooltip %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            const std::wstring text = text_of(hwnd);
            std::size_t start = 0;
            while (start <= text.size()) {
                std::size_t end = text.find(L'\n', start);
                if (end == std::wstring::npos) end = text.size();
                std::wstring line = text.substr(start, end - start);
                if (!line.empty() && line.back() == L'\r') line.pop_back();
                std::wprintf(L"line %ls\n", line.c_str());
                start = end + 1;
            }
            return TRUE;
        }
    } tooltips{0};
    GetWindowThreadProcessId(target.hwnd(), &tooltips.process);
    EnumWindows(lister::top, reinterpret_cast<LPARAM>(&tooltips));
    return exit_ok;
}
