#include "util/trace/console_win.h"

#include "util/trace/console_trace_win.h"

#include "temp_file.h"

#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>
#include <fcntl.h>

namespace {

// Replaces console_info for one test and restores it afterwards.
class console_info_scope {
public:
    console_info_scope() : saved_(console_info) {}
    ~console_info_scope() { console_info = saved_; }
    console_info_scope(const console_info_scope&) = delete;
    console_info_scope& operator=(const console_info_scope&) = delete;

private:
    console_state saved_;
};

// Sends the runtime's standard error stream to a file while it lives.
class stderr_to_file {
public:
    explicit stderr_to_file(const std::wstring& name) {
        std::fflush(stderr);
        saved_ = _dup(2);
        int file = _wopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0600);
        _dup2(file, 2);
        _close(file);
    }
    ~stderr_to_file() {
        std::fflush(stderr);
        _dup2(saved_, 2);
        _close(saved_);
    }
    stderr_to_file(const stderr_to_file&) = delete;
    stderr_to_file& operator=(const stderr_to_file&) = delete;

private:
    int saved_ = -1;
};

TEST(console_state, capture_sees_the_standard_handles) {
    console_info_scope scope;
    capture_console_state();
    EXPECT_EQ(console_info.output, GetStdHandle(STD_OUTPUT_HANDLE));
    EXPECT_EQ(console_info.input, GetStdHandle(STD_INPUT_HANDLE));
    EXPECT_EQ(console_info.error, GetStdHandle(STD_ERROR_HANDLE));
    EXPECT_TRUE(console_info.console_program); // the test executable is one
    EXPECT_EQ(console_info.stdout_redirected, GetFileType(console_info.output) != FILE_TYPE_CHAR);
    EXPECT_EQ(console_info.stderr_redirected, GetFileType(console_info.error) != FILE_TYPE_CHAR);
}

TEST(stderr_trace, redirected_stream_gets_oem_text_and_only_in_a_console_program) {
    temp_folder folder;
    const std::wstring name = folder.file(L"stderr.txt");
    console_info_scope scope;
    console_info.stderr_redirected = true;
    stderr_trace sink;
    {
        stderr_to_file redirect(name);
        console_info.console_program = false;
        sink.write("hidden\n", true);
        console_info.console_program = true;
        sink.write("narrow\n", true);
        sink.write_wide(L"wide\n", true);
    }
    EXPECT_EQ(read_whole_file(name), "narrow\nwide\n");
}

// Reads back what a screen buffer shows on its first row.
std::wstring first_row(HANDLE buffer, int length) {
    std::wstring row(static_cast<std::size_t>(length), L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(buffer, &row[0], static_cast<DWORD>(length), COORD{0, 0}, &read);
    row.resize(read);
    return row;
}

HANDLE new_screen_buffer() {
    return CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr, CONSOLE_TEXTMODE_BUFFER,
                                     nullptr);
}

TEST(stderr_trace, console_text_goes_to_the_error_handle) {
    HANDLE out_buffer = new_screen_buffer();
    if (out_buffer == INVALID_HANDLE_VALUE && AllocConsole()) out_buffer = new_screen_buffer();
    HANDLE error_buffer = new_screen_buffer();
    // Wine's console without a window hands out screen buffers it cannot write to.
    DWORD written = 0;
    if (out_buffer == INVALID_HANDLE_VALUE || error_buffer == INVALID_HANDLE_VALUE ||
        !WriteConsoleW(out_buffer, L" ", 1, &written, nullptr))
        GTEST_SKIP() << "no writable console screen buffer here";
    SetConsoleCursorPosition(out_buffer, COORD{0, 0});
    {
        console_info_scope scope;
        console_info.console_program = true;
        console_info.output = out_buffer;
        console_info.error = error_buffer;
        console_info.stdout_redirected = false;
        console_info.stderr_redirected = false;
        stderr_trace errors;
        errors.write("E1", true);
        errors.write_wide(L"E\u00e92", true);
        stdout_trace output;
        output.write("O", true);
        console_trace console;
        console.write_wide(L"C", true);
    }
    EXPECT_EQ(first_row(error_buffer, 5), L"E1E\u00e92");
    EXPECT_EQ(first_row(out_buffer, 2), L"OC");
    CloseHandle(out_buffer);
    CloseHandle(error_buffer);
}

} // namespace
