#include "util/sys/handle_owner_win.h"

#include <gtest/gtest.h>

#include <io.h>

#include <cstdio>
#include <string>
#include <utility>

namespace {

// A handle the process no longer has: the system refuses to describe it.
bool is_open(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(handle_owner, one_owner_closes_once_and_a_move_hands_the_handle_over) {
    owned_handle first(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE raw = first.get();
    ASSERT_TRUE(first);

    owned_handle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(raw, second.get());
    {
        owned_handle third;
        third = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_TRUE(is_open(raw));
    }
    EXPECT_FALSE(is_open(raw));

    // Handed out by receive() and given up by detach(): then it is the caller's to close.
    owned_handle kept;
    HANDLE* slot = kept.receive();
    EXPECT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), slot, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    const HANDLE detached = kept.detach();
    EXPECT_FALSE(kept);
    EXPECT_TRUE(is_open(detached));
    CloseHandle(detached);

    // A file that could not be opened is INVALID_HANDLE_VALUE, which is no handle to own.
    const owned_file missing(CreateFileW(L"C:\\no such folder\\no such file", GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
}

// A stream is closed with its last owner, not before, and closing it writes out its buffer: the
// system handle under it goes, and the text is in the file.
TEST(handle_owner, the_last_owner_of_a_stream_closes_it) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
    ASSERT_NE(0u, GetTempFileNameW(folder, L"ho", 0, path));
    HANDLE system_handle = nullptr;
    {
        owned_stream last;
        {
            owned_stream first(_wfopen(path, L"wb"));
            ASSERT_TRUE(first);
            system_handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(first.get())));
            ASSERT_TRUE(is_open(system_handle));
            EXPECT_LE(0, std::fputs("kept\n", first.get()));
            last = std::move(first);
            EXPECT_FALSE(first);
        }
        EXPECT_TRUE(is_open(system_handle));
    }
    EXPECT_FALSE(is_open(system_handle));

    {
        const owned_stream read_back(_wfopen(path, L"rb"));
        ASSERT_TRUE(read_back);
        char text[16] = {};
        const std::size_t n = std::fread(text, 1, sizeof text, read_back.get());
        EXPECT_EQ("kept\n", std::string(text, n));
    }
    EXPECT_TRUE(DeleteFileW(path));

    // A stream that could not be opened is null, which is no stream to close.
    const owned_stream missing(_wfopen(L"C:\\no such folder\\no such file", L"rb"));
    EXPECT_FALSE(missing);
}

} // namespace
