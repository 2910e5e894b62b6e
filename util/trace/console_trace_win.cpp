#include "util/trace/console_trace_win.h"

#include "util/sys/string_convert.h"
#include "util/trace/console_win.h"

#include <windows.h>

void stdout_trace::write_wide(const wchar_t* text, bool) {
    if (text && console_info.console_program) stdout_write_wide(text);
}

void stdout_trace::write(const char* text, bool) {
    if (text && console_info.console_program) stdout_write(text);
}

void stderr_trace::write_wide(const wchar_t* text, bool) {
    if (text && console_info.console_program) stderr_write_wide(text);
}

void stderr_trace::write(const char* text, bool) {
    if (text && console_info.console_program) stderr_write(text);
}

void console_trace::write_wide(const wchar_t* text, bool) {
    if (!text) return;
    if (console_info.console_program)
        console_write_wide(text);
    else
        MessageBoxW(nullptr, text, L"Debug message", MB_OK | MB_ICONWARNING);
}

void console_trace::write(const char* text, bool may_defer) {
    if (text) write_wide(to_wide(std::string(text)).c_str(), may_defer);
}
