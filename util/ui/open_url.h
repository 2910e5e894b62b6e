// Web page opener: shows a web address in the user's browser.
#pragma once

#include <string>

class os_info;

// A prefix test that compares the characters upper-cased by the global locale's
// wide-character classification. An empty text matches only an empty prefix.
bool starts_with_nocase(const std::wstring& text, const wchar_t* prefix);

// Encloses `text` in double quotes unless it has more than one character and
// both its first and its last are one already. A quoted path followed by
// arguments is therefore enclosed once more.
void quote_if_needed(std::wstring& text);

// Whether `url` goes straight to the default browser's own start command: only
// on Windows XP (ge_501 without ge_502), whose shell handles web addresses
// poorly, and only for "http://" and "https://" addresses. Everything else goes
// to the shell's "open" verb.
bool opens_with_default_browser(const os_info& os, const std::wstring& url);

#ifdef _WIN32

// Opens `url` in the user's browser on the running system (process_os_info).
// True when a browser process was started or the shell accepted the request;
// nothing is reported to the user.
bool open_url(const std::wstring& url);
// The same as if the system were `os`.
bool open_url(const std::wstring& url, const os_info& os);

// Starts a process from `command_line` in `current_directory` (this process's
// own when empty), not inheriting handles. With `wait` it returns only when the
// process has ended; `hidden` asks for its window to be hidden. False when the
// process could not be started.
bool run_process(const std::wstring& command_line, const std::wstring& current_directory, bool wait,
                 bool hidden);

// The start command of the browser the current user chose as default (from
// "Software\Clients\StartMenuInternet"), or empty when the user has chosen none
// or the machine does not know that browser's command.
std::wstring default_browser_command();

#endif
