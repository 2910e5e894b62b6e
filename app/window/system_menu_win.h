// The window's system menu: its standard items, then always on top, copy graph and save samples.
#pragma once

#include <windows.h>

struct brisk_window;

// The commands of the added items. The system's own lie from 0xF000 up, and it uses the low
// four bits of every command itself, so these keep clear of both.
constexpr UINT command_on_top = 0x0110;
constexpr UINT command_copy_graph = 0x0120;
constexpr UINT command_save_samples = 0x0130;

// Appends a separator and the three items to the window's system menu, and puts the window
// on top when the settings say so.
void add_system_menu_items(brisk_window& window);

// WM_SYSCOMMAND: runs an added item; false for the system's own commands.
bool on_system_command(brisk_window& window, WPARAM command);

// WM_KEYDOWN: Ctrl+C copies the graph, Ctrl+S saves the samples; false for any other key.
bool on_key_down(brisk_window& window, WPARAM key, LPARAM flags);
