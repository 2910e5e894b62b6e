// load_icon: the window class icon from the program's resources (or a file), with retries.
#pragma once

#include <windows.h>

// Loads an icon resource of module_instance (or, with `from_file`, an icon file):
// the small system size with `small`, else the resource's default size. With
// `retry`, up to three attempts, each failure traced to the output channel and
// followed by a pause of `retry_pause_ms`. Null when every attempt failed.
HICON load_icon(const wchar_t* name, bool from_file, bool small, bool retry, unsigned retry_pause_ms = 2000);

// The name of the program's icon group resource.
extern const wchar_t main_icon_name[];
