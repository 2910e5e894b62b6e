// Console state and console writers: where standard output and standard error go, and text sent there.
#pragma once

#include <windows.h>

#include <string>

// Captured once at start-up, before the console sinks are connected, and read-only
// afterwards. Constant-initialised: until capture_console_state() runs, nothing counts
// as a console program and the writers have no handles.
struct console_state {
    HANDLE output = nullptr;
    HANDLE input = nullptr;
    HANDLE error = nullptr;
    // Built as a console program (its image's subsystem), so standard streams exist.
    bool console_program = false;
    // Not a character device: text goes through the runtime's streams, in the OEM code page.
    bool stdout_redirected = false;
    bool stderr_redirected = false;
    WORD initial_attributes = 0;
    SHORT window_left = 0;
    SHORT window_top = 0;
};

extern console_state console_info;

// Fills console_info from the standard handles and the console screen buffer.
void capture_console_state();

// UTF-16 text (or narrow text in the thread's ANSI code page) to the console output.
void console_write_wide(const std::wstring& text);
void console_write(const std::string& text);

// To standard output: the runtime's stream in the OEM code page when redirected, else
// the console.
void stdout_write(const std::string& text);
void stdout_write_wide(const std::wstring& text);

// The same for standard error.
void stderr_write(const std::string& text);
void stderr_write_wide(const std::wstring& text);
