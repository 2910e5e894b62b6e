// message_box: a standard Windows message box captioned with the process-wide title.
#pragma once

#include <windows.h>

#include <string>

// The caption of every message box; empty until the entry point sets it.
extern std::wstring app_title;

// Shows a box owned by `owner` (the desktop window when null) with `title` as
// its caption; an empty `title` is first set to the program's path ("Message"
// if that cannot be read) and keeps it. MB_SETFOREGROUND is always added; a
// non-null `icon` names an icon resource of module_instance that replaces the
// style's icon. Returns what MessageBoxIndirectW returns.
int message_box(std::wstring& title, HWND owner, const wchar_t* text, UINT style, const wchar_t* icon);

// The system's text for an error code (FormatMessageW), without its trailing line break;
// "Error N." when the system has none.
std::wstring system_error_text(DWORD error);
