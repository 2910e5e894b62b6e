// Settings persistence: window placement and graph choices under the user's registry key.
#pragma once

#include <cstdint>

struct brisk_window;

// The key under HKEY_CURRENT_USER that holds the REG_DWORD values: the window's place and
// size, the three graph choices, "on_top", and the DPI the place was taken at ("dpi").
extern const wchar_t settings_key[];

// Puts the defaults into the window's placement and averaging width, then
// overwrites them with the stored values that exist; sets the first estimate of
// the client size. x_time and only_avg keep their values unless stored ones exist;
// on_top is true only for a stored REG_DWORD 1.
// `key_path` (under HKEY_CURRENT_USER) is another key only in tests.
void load_settings(brisk_window& window, const wchar_t* key_path = settings_key);

// Writes the values; the key is created when missing. Failures are silent.
void save_settings(brisk_window& window, const wchar_t* key_path = settings_key);

// The averaging width in whole milliseconds as it is stored: rounded to the
// nearest millisecond (a width read as n ms is saved as n ms again), low 32 bits
// kept; 0 for a width that is not a number or out of every integer range.
std::uint32_t avg_time_to_ms(double avg_time);
