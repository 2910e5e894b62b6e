// Main window: its window class, creation, window procedure and the messages it answers.
#include "app/window/main_window_win.h"

#include <cstddef>
#include <limits>
#include <string>

#include "app/render/render_win.h"
#include "app/store/sample_intake.h"
#include "app/window/brisk_window_win.h"
#include "app/window/display_scale_win.h"
#include "app/window/export_win.h"
#include "app/window/icon_win.h"
#include "app/window/placement.h"
#include "app/window/placement_win.h"
#include "app/window/settings_win.h"
#include "app/window/system_menu_win.h"
#include "echoview_version.h"
#include "util/ui/message_box_win.h"

#include <windowsx.h>

const wchar_t main_window_title[] = ECHOVIEW_TITLE_WTEXT;
const wchar_t not_started_by_echoprobe_text[] =
    L"Echoview is the graphical front-end of Echoprobe.\n"
    L"Please start Echoprobe in an elevated command prompt to ping\n"
    L"and use the -g option to have Echoview display the results.\n"
    L"\n"
    L"Example: echoprobe www.example.com -t -g\n";

namespace {

UINT sample_count_message() {
    static const UINT message = RegisterWindowMessageW(sample_count_message_name);
    return message;
}

UINT summary_bytes_message() {
    static const UINT message = RegisterWindowMessageW(summary_bytes_message_name);
    return message;
}

constexpr DWORD main_window_style = WS_OVERLAPPEDWINDOW;

// How far inside the client area's top left corner the menu asked for from the keyboard opens.
constexpr int keyboard_menu_inset = 10;

// Takes a batch only as whole records of a batch-typed message; a null or
// malformed structure is ignored like any other foreign WM_COPYDATA.
void on_copy_data(brisk_window& window, const COPYDATASTRUCT* data) {
    if (!data || data->dwData != sample_batch_id || !data->lpData) return;
    const std::size_t count = data->cbData / sizeof(ping_sample);
    // A batch of which nothing could be stored (all values not finite, or no
    // memory) leaves the graph's notion of the last arrival alone.
    if (append_samples(window.store, data->lpData, count) != 0) {
        window.last_data_tick = GetTickCount();
        window.last_data_local_ms = local_ms_now();
    }
}

// A count as the answer to a query message: plus one, so that 0 means no answer.
LRESULT count_answer(std::size_t count) {
    const auto limit = static_cast<std::size_t>(std::numeric_limits<LRESULT>::max()) - 1;
    return static_cast<LRESULT>(count < limit ? count : limit) + 1;
}

LRESULT sample_count(brisk_window& window) {
    lock_guard guard(window.store.lock);
    return count_answer(window.store.samples.size());
}

LRESULT summary_bytes(brisk_window& window) {
    lock_guard guard(window.store.lock);
    return count_answer(window.pictures.memory_bytes());
}

void on_sizing(brisk_window& window) {
    window.store.y_high = y_high_rescale;
    window.back_buffer.reset();
}

void on_size(brisk_window& window, LPARAM lparam) {
    window.client_width = LOWORD(lparam);
    window.client_height = HIWORD(lparam);
    on_sizing(window);
}

// Only the normal state's place is the window's own: a minimised window reports the place
// and size of an icon (-32000, -32000 and about 160 x 28), a maximised one those of its
// monitor. For those states the system keeps the normal place, which the save takes.
void on_position_changed(brisk_window& window, HWND hwnd, const WINDOWPOS* pos) {
    if (!pos || IsIconic(hwnd) || IsZoomed(hwnd)) return;
    window.x_pos = pos->x;
    window.y_pos = pos->y;
    window.x_size = pos->cx;
    window.y_size = pos->cy;
}

// Writes the settings once a run, at the end of the session or when the window goes; for a
// window that is minimised or maximised, with its normal place.
void save_at_end(brisk_window& window, HWND hwnd) {
    if (window.settings_saved) return;
    placement normal{};
    if ((IsIconic(hwnd) || IsZoomed(hwnd)) && normal_place(hwnd, normal)) {
        window.x_pos = normal.x;
        window.y_pos = normal.y;
        window.x_size = normal.width;
        window.y_size = normal.height;
    }
    save_settings(window, window.settings_path);
    window.settings_saved = true;
}

// Shift+F10 and the menu key send WM_CONTEXTMENU at (-1, -1). A click sends it at the pointer
// once the button comes up, after the menu that WM_RBUTTONDOWN opened: that one goes on to
// DefWindowProcW (which shows the window menu for a click on the title bar) and opens none.
bool on_context_menu(brisk_window& window, HWND hwnd, LPARAM lparam) {
    if (GET_X_LPARAM(lparam) != -1 || GET_Y_LPARAM(lparam) != -1) return false;
    if (IsIconic(hwnd)) {
        // No client area to open it in: at the pointer, as a click would.
        window.context_menu.build(0);
        return true;
    }
    POINT corner{keyboard_menu_inset, keyboard_menu_inset};
    ClientToScreen(hwnd, &corner);
    window.context_menu.open_at(corner);
    return true;
}

// Everything of the window in pixels of `dpi` from now on: the picture, the icons, and the
// place recorded from here on.
void use_dpi(brisk_window& window, HWND hwnd, std::uint32_t dpi) {
    window.set_scale(display_scale{dpi});
    window.place_dpi = dpi;
    window.icons.set(hwnd, dpi);
}

// Moved to a monitor of another scale (or the scale changed): the system suggests the
// place and size that keep the window where it was relative to the pointer and its size
// relative to the screen's text.
void on_dpi_changed(brisk_window& window, HWND hwnd, WPARAM wparam, LPARAM lparam) {
    use_dpi(window, hwnd, usable_dpi(LOWORD(wparam)));
    if (const auto* suggested = reinterpret_cast<const RECT*>(lparam)) {
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
}

void on_destroy(brisk_window& window, HWND hwnd) {
    // No repaint may run once the settings are being saved and the window is gone.
    window.repaint_timer.remove(true);
    window.readout.window_destroyed();
    save_at_end(window, hwnd);
    PostQuitMessage(0);
}

LRESULT handle_message(brisk_window& window, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_DESTROY: on_destroy(window, hwnd); return 0;
        case WM_SIZE: on_size(window, lparam); break;
        case WM_SIZING: on_sizing(window); break;
        case WM_PAINT:
            paint(window, hwnd);
            window.readout.painted(window);
            return 0;
        case repaint_tick_message: window.on_repaint_tick(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_WINDOWPOSCHANGED:
            on_position_changed(window, hwnd, reinterpret_cast<const WINDOWPOS*>(lparam));
            break;
        case WM_COPYDATA: on_copy_data(window, reinterpret_cast<const COPYDATASTRUCT*>(lparam)); return 0;
        case WM_COMMAND:
        case WM_INITMENUPOPUP: {
            bool handled = false;
            const LRESULT result = window.context_menu.on_message(message, wparam, lparam, &handled);
            if (handled) return result;
            break;
        }
        case WM_RBUTTONDOWN: window.context_menu.build(0); break;
        case WM_MOUSEMOVE:
            window.readout.pointer_moved(window, hwnd, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
            break;
        case WM_MOUSELEAVE: window.readout.pointer_left(); return 0;
        case WM_ENTERMENULOOP: window.readout.menu_opened(); break;
        case WM_EXITMENULOOP: window.readout.menu_closed(); break;
        case WM_MOUSEWHEEL:
            if (wheel_time_scale(window.wheel_turned, window.time_scale_menu, hwnd, wparam, lparam)) return 0;
            break;
        case WM_CONTEXTMENU:
            if (on_context_menu(window, hwnd, lparam)) return 0;
            break;
        case WM_SYSCOMMAND:
            if (on_system_command(window, wparam)) return 0;
            break;
        case WM_KEYDOWN:
            if (on_key_down(window, wparam, lparam)) return 0;
            break;
        // At log-off or shutdown the process is ended once WM_ENDSESSION returns, without
        // WM_DESTROY: what the run chose is saved now, or never.
        case WM_QUERYENDSESSION: return TRUE;
        case WM_DPICHANGED: on_dpi_changed(window, hwnd, wparam, lparam); return 0;
        case WM_ENDSESSION:
            if (wparam) save_at_end(window, hwnd);
            return 0;
        default:
            if (message == 0) break;
            if (message == sample_count_message()) return sample_count(window);
            if (message == summary_bytes_message()) return summary_bytes(window);
            if (message == save_message()) {
                on_save_message(window, wparam);
                return 0;
            }
            break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

} // namespace

std::unique_ptr<brisk_window> construct_main_window() {
    auto window = std::make_unique<brisk_window>();
    load_settings(*window, window->settings_path);
    return window;
}

bool create_main_window(HINSTANCE instance) {
    brisk_window& window = *main_window;
    WNDCLASSW window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window.icon = load_icon(main_icon_name, false, false, true);
    window_class.hIcon = window.icon;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = main_window_class;
    if (!RegisterClassW(&window_class)) return false;

    // The stored size is in pixels of the DPI it was saved at (the default one at 96 DPI):
    // the same size relative to the screen's text is that size times the DPI now over that.
    const std::uint32_t dpi = system_dpi();
    const placement stored{window.x_pos, window.y_pos, rescaled_size(window.x_size, window.place_dpi, dpi),
                           rescaled_size(window.y_size, window.place_dpi, dpi)};
    // Whatever the registry held, the window must come up where the user can reach it.
    const placement place = fit_on_monitors(stored, display_monitors(), frame_of_style(main_window_style, 0));
    window.hwnd = CreateWindowExW(0, main_window_class, main_window_title, main_window_style, place.x,
                                  place.y, place.width, place.height, nullptr, nullptr, instance, nullptr);
    if (window.hwnd) {
        // Until the window is shown and reports its place, this is where it is.
        window.x_pos = place.x;
        window.y_pos = place.y;
        window.x_size = place.width;
        window.y_size = place.height;
        use_dpi(window, window.hwnd, dpi);
        // A monitor of its own scale: the size as it would have been made there.
        const std::uint32_t monitor_dpi = window_dpi(window.hwnd);
        if (monitor_dpi != dpi) {
            use_dpi(window, window.hwnd, monitor_dpi);
            SetWindowPos(window.hwnd, nullptr, 0, 0, rescaled_size(place.width, dpi, monitor_dpi),
                         rescaled_size(place.height, dpi, monitor_dpi),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        add_system_menu_items(window);
        return true;
    }
    // Keeps the error of the creation for the caller, and leaves the class
    // free for another try.
    const DWORD error = GetLastError();
    UnregisterClassW(main_window_class, instance);
    SetLastError(error);
    return false;
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!main_window) return DefWindowProcW(hwnd, message, wparam, lparam);
    try {
        return handle_message(*main_window, hwnd, message, wparam, lparam);
    } catch (...) {
        // Nothing may unwind into the system's caller. A paint that failed
        // half way must still validate, or WM_PAINT would come back at once.
        if (message == WM_PAINT) ValidateRect(hwnd, nullptr);
        return message == WM_ERASEBKGND ? 1 : 0;
    }
}

namespace {

// Consecutive failed receives after which the message loop gives up: one alone
// loses a message (Wine reports one for a sent message too large to pass), but
// a receive that fails every time would otherwise keep a core busy for ever.
constexpr int max_failed_receives = 100;

} // namespace

int run_message_loop(HWND filter) {
    MSG msg{};
    int failed = 0;
    for (;;) {
        const BOOL got = GetMessageW(&msg, filter, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) {
            if (++failed >= max_failed_receives) return exit_message_loop_failed;
            continue;
        }
        failed = 0;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int run_main_window(HINSTANCE instance, int show_command) {
    gdiplus_session gdiplus;
    std::unique_ptr<brisk_window> window = construct_main_window();
    main_window = window.get();
    int code = exit_no_main_window;
    if (create_main_window(instance)) {
        ShowWindow(main_window->hwnd, show_command);
        UpdateWindow(main_window->hwnd);
        code = run_message_loop();
        // A loop that gave up leaves the window behind; destroying it still saves
        // the settings (WM_DESTROY) before the program ends.
        if (IsWindow(main_window->hwnd)) DestroyWindow(main_window->hwnd);
    } else {
        // Without a window nothing could ever end the message loop: say why and stop.
        const std::wstring text = L"Echoview cannot open its window.\n\n" + system_error_text(GetLastError());
        message_box(app_title, nullptr, text.c_str(), MB_ICONERROR, nullptr);
    }
    // The window object goes before GDI+ stops, so its drawing resources are
    // released while GDI+ still runs.
    main_window = nullptr;
    window.reset();
    return code;
}
