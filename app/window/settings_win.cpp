// Settings persistence: window placement and graph choices read from and written to the registry.
#include "app/window/settings_win.h"

#include <windows.h>

#include <cmath>

#include "app/window/brisk_window_win.h"
#include "app/window/placement.h"
#include "echoview_version.h"
#include "util/sys/reg_key_win.h"

const wchar_t settings_key[] = ECHOVIEW_SETTINGS_KEY_WTEXT;

namespace {

constexpr std::uint32_t default_avg_ms = 1000;

bool open_settings(reg_key& key, const wchar_t* key_path) {
    return key.create(key_path, HKEY_CURRENT_USER, 0, KEY_ALL_ACCESS);
}

// A missing value, or one of another size, leaves the destination as it was. A
// 4-byte value of another type is still taken: its bytes are already in place.
void read_dword(reg_key& key, const wchar_t* name, void* destination) {
    key.read(name, destination, sizeof(std::uint32_t), REG_DWORD);
}

void write_dword(reg_key& key, const wchar_t* name, std::uint32_t value) {
    key.write(name, &value, sizeof value, REG_DWORD);
}

} // namespace

std::uint32_t avg_time_to_ms(double avg_time) {
    // Plain truncation would save a stored 1001 ms as 1000 (1001 / 1000.0 * 1000
    // lies just below 1001), losing a millisecond at every start.
    const double ms = std::round(avg_time * 1000.0);
    if (!(ms > -9.0e18 && ms < 9.0e18)) return 0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(ms));
}

void load_settings(brisk_window& window, const wchar_t* key_path) {
    window.x_pos = CW_USEDEFAULT;
    window.y_pos = CW_USEDEFAULT;
    window.x_size = default_window_width;
    window.y_size = default_window_height;
    window.place_dpi = base_dpi;
    std::uint32_t avg_ms = default_avg_ms;

    reg_key key;
    if (open_settings(key, key_path)) {
        read_dword(key, L"x_pos", &window.x_pos);
        read_dword(key, L"y_pos", &window.y_pos);
        read_dword(key, L"x_size", &window.x_size);
        read_dword(key, L"y_size", &window.y_size);
        read_dword(key, L"x_time", &window.settings.x_time);
        read_dword(key, L"avg_time", &avg_ms);
        std::uint32_t only_avg = 0;
        if (key.read(L"only_avg", &only_avg, sizeof only_avg, REG_DWORD))
            window.settings.only_avg = only_avg != 0;
        std::uint32_t dpi = 0;
        read_dword(key, L"dpi", &dpi);
        window.place_dpi = usable_dpi(dpi);
        // Unlike only_avg, only a 1 counts: a value some other program wrote must not pin the
        // window above every other.
        std::uint32_t on_top = 0;
        window.on_top = key.read(L"on_top", &on_top, sizeof on_top, REG_DWORD) && on_top == 1;
    }
    window.client_width = window.x_size;
    window.client_height = window.y_size;
    window.settings.avg_time = avg_ms / 1000.0;
    key.close();
}

void save_settings(brisk_window& window, const wchar_t* key_path) {
    const std::uint32_t avg_ms = avg_time_to_ms(window.settings.avg_time);
    reg_key key;
    if (!open_settings(key, key_path)) return;
    write_dword(key, L"x_pos", static_cast<std::uint32_t>(window.x_pos));
    write_dword(key, L"y_pos", static_cast<std::uint32_t>(window.y_pos));
    write_dword(key, L"x_size", static_cast<std::uint32_t>(window.x_size));
    write_dword(key, L"y_size", static_cast<std::uint32_t>(window.y_size));
    write_dword(key, L"x_time", window.settings.x_time);
    write_dword(key, L"avg_time", avg_ms);
    write_dword(key, L"only_avg", window.settings.only_avg ? 1u : 0u);
    write_dword(key, L"dpi", window.place_dpi);
    write_dword(key, L"on_top", window.on_top ? 1u : 0u);
    key.close();
}
