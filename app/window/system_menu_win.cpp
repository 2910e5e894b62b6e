// The items Echoview adds to the window's system menu, and the keys that choose two of them.
#include "app/window/system_menu_win.h"

#include "app/window/brisk_window_win.h"
#include "app/window/export_win.h"

namespace {

// The mnemonics t, p and v: the standard items take r, m, s, n, x and c.
constexpr wchar_t on_top_text[] = L"Always on &top";
constexpr wchar_t copy_graph_text[] = L"Co&py graph\tCtrl+C";
constexpr wchar_t save_samples_text[] = L"Sa&ve samples...\tCtrl+S";

// The low four bits of WM_SYSCOMMAND's wParam are the system's.
constexpr WPARAM system_command_mask = 0xFFF0;

// Bit 30 of a key message: the key was already down (a repeat).
constexpr LPARAM key_was_down = 1 << 30;

void show_on_top(HWND hwnd, bool on_top) {
    SetWindowPos(hwnd, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    CheckMenuItem(GetSystemMenu(hwnd, FALSE), command_on_top,
                  MF_BYCOMMAND | (on_top ? MF_CHECKED : MF_UNCHECKED));
}

bool key_down(int key) {
    return GetKeyState(key) < 0;
}

} // namespace

void add_system_menu_items(brisk_window& window) {
    const HMENU menu = GetSystemMenu(window.hwnd, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, command_on_top, on_top_text);
    AppendMenuW(menu, MF_STRING, command_copy_graph, copy_graph_text);
    AppendMenuW(menu, MF_STRING, command_save_samples, save_samples_text);
    show_on_top(window.hwnd, window.on_top);
}

bool on_system_command(brisk_window& window, WPARAM command) {
    switch (command & system_command_mask) {
        case command_on_top:
            window.on_top = !window.on_top;
            show_on_top(window.hwnd, window.on_top);
            return true;
        case command_copy_graph: copy_graph(window); return true;
        case command_save_samples: save_samples(window); return true;
        default: return false;
    }
}

bool on_key_down(brisk_window& window, WPARAM key, LPARAM flags) {
    // Ctrl alone: Ctrl+Alt is AltGr on many keyboards, and types a character.
    if ((flags & key_was_down) || !key_down(VK_CONTROL) || key_down(VK_MENU) || key_down(VK_SHIFT))
        return false;
    if (key == 'C') {
        copy_graph(window);
        return true;
    }
    if (key == 'S') {
        save_samples(window);
        return true;
    }
    return false;
}
