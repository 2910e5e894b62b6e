#include "util/sys/handle_owner_win.h"

#include <gtest/gtest.h>

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

} // namespace
