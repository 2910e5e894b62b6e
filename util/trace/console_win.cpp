#include "util/trace/console_win.h"

#include "util/sys/string_convert.h"

#include <cstdio>
#include <vector>

console_state console_info;

namespace {

bool redirected(HANDLE stream) {
    return GetFileType(stream) != FILE_TYPE_CHAR;
}

bool built_as_console_program() {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
    if (!base) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

void write_console(HANDLE console, const std::wstring& text) {
    // WriteConsoleW takes a DWORD count; trace text is far shorter, but stay in range.
    const wchar_t* next = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        DWORD chunk = left > 0x10000 ? 0x10000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteConsoleW(console, next, chunk, &written, nullptr) || written == 0) return;
        next += written;
        left -= written;
    }
}

// CharToOemA keeps the length; text with an embedded NUL ends there, as fputs would.
void put_oem(const std::string& text, FILE* stream) {
    std::vector<char> oem(text.c_str(), text.c_str() + text.size() + 1);
    CharToOemA(text.c_str(), oem.data());
    std::fputs(oem.data(), stream);
}

} // namespace

void capture_console_state() {
    console_state state;
    state.output = GetStdHandle(STD_OUTPUT_HANDLE);
    state.input = GetStdHandle(STD_INPUT_HANDLE);
    state.error = GetStdHandle(STD_ERROR_HANDLE);
    state.console_program = built_as_console_program();
    state.stdout_redirected = redirected(state.output);
    state.stderr_redirected = redirected(state.error);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(state.output, &info)) {
        state.initial_attributes = info.wAttributes & 0xFF;
        state.window_left = info.srWindow.Left;
        state.window_top = info.srWindow.Top;
    }
    console_info = state;
}

void console_write_wide(const std::wstring& text) {
    write_console(console_info.output, text);
}

void console_write(const std::string& text) {
    console_write_wide(to_wide(text));
}

void stdout_write(const std::string& text) {
    if (console_info.stdout_redirected)
        put_oem(text, stdout);
    else
        console_write(text);
}

void stdout_write_wide(const std::wstring& text) {
    if (console_info.stdout_redirected)
        put_oem(to_narrow(text), stdout);
    else
        write_console(console_info.output, text);
}

void stderr_write(const std::string& text) {
    if (console_info.stderr_redirected)
        put_oem(text, stderr);
    else
        write_console(console_info.error, to_wide(text));
}

void stderr_write_wide(const std::wstring& text) {
    if (console_info.stderr_redirected)
        put_oem(to_narrow(text), stderr);
    else
        write_console(console_info.error, text);
}
