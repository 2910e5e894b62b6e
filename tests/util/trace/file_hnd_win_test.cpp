#include "util/trace/file_hnd_win.h"

#include "temp_file.h"

#include <gtest/gtest.h>

namespace {

constexpr int read_existing = file_hnd::mode_read | file_hnd::mode_binary;
constexpr int write_new = file_hnd::mode_write | file_hnd::mode_create | file_hnd::mode_truncate;

TEST(file_hnd, reads_lines_with_every_kind_of_end) {
    temp_folder folder;
    const std::wstring name = folder.file(L"lines.txt");
    write_whole_file(name, "a\r\nb\rc\n");
    file_hnd file;
    ASSERT_TRUE(file.open(name, read_existing, file_hnd::share_read));
    EXPECT_EQ(file.last_error(), 0);
    std::string line;
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(line, "a");
    EXPECT_EQ(file.line_end(), file_hnd::end_cr_lf);
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(line, "b");
    EXPECT_EQ(file.line_end(), file_hnd::end_cr);
    EXPECT_TRUE(file.holds_pushback());
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(line, "c");
    EXPECT_EQ(file.line_end(), file_hnd::end_lf);
    EXPECT_FALSE(file.read_line(line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(file.line_end(), file_hnd::end_of_file);
}

TEST(file_hnd, last_line_without_end_and_lone_cr_at_the_end) {
    temp_folder folder;
    const std::wstring name = folder.file(L"tail.txt");
    write_whole_file(name, "x\ntail");
    file_hnd file;
    ASSERT_TRUE(file.open(name, read_existing, file_hnd::share_read));
    std::string line;
    ASSERT_TRUE(file.read_line(line));
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(line, "tail");
    EXPECT_EQ(file.line_end(), file_hnd::end_of_file);
    EXPECT_FALSE(file.read_line(line));
    file.close();

    write_whole_file(name, "end\r");
    ASSERT_TRUE(file.open(name, read_existing, file_hnd::share_read));
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(line, "end");
    EXPECT_EQ(file.line_end(), file_hnd::end_cr);
    EXPECT_FALSE(file.holds_pushback());
    EXPECT_FALSE(file.read_line(line));
}

TEST(file_hnd, held_byte_is_delivered_first_and_counted_by_tell_and_seek) {
    temp_folder folder;
    const std::wstring name = folder.file(L"held.txt");
    write_whole_file(name, "ab\rcdef");
    file_hnd file;
    ASSERT_TRUE(file.open(name, read_existing, file_hnd::share_read));
    std::string line;
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(line, "ab");
    ASSERT_TRUE(file.holds_pushback());
    // The handle stands after 'c', but 'c' has not been read yet.
    EXPECT_EQ(file.tell(), 3);

    // The handle stays where it was: the held byte comes from memory.
    char buffer[8] = {};
    EXPECT_EQ(file.read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], 'c');
    EXPECT_EQ(file.tell(), 4);

    // Held byte again; a relative seek counts from before it and drops it.
    ASSERT_TRUE(file.seek(0, 0) == 0);
    ASSERT_TRUE(file.read_line(line));
    ASSERT_TRUE(file.holds_pushback());
    EXPECT_EQ(file.seek(1, 1), 4);
    EXPECT_FALSE(file.holds_pushback());
    EXPECT_EQ(file.read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "def");

    // An absolute seek drops it too.
    ASSERT_TRUE(file.seek(0, 0) == 0);
    ASSERT_TRUE(file.read_line(line));
    ASSERT_TRUE(file.holds_pushback());
    EXPECT_EQ(file.seek(5, 0), 5);
    EXPECT_FALSE(file.holds_pushback());
    EXPECT_EQ(file.read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "ef");

    // A held byte plus more from the file in one read.
    ASSERT_TRUE(file.seek(0, 0) == 0);
    ASSERT_TRUE(file.read_line(line));
    EXPECT_EQ(file.read(buffer, 8), 4);
    EXPECT_EQ(std::string(buffer, 4), "cdef");
}

TEST(file_hnd, counts_of_zero_or_less_and_wrong_direction) {
    temp_folder folder;
    const std::wstring name = folder.file(L"counts.txt");
    file_hnd file;
    ASSERT_TRUE(file.open(name, write_new, file_hnd::share_exclusive));
    char buffer[4] = {'x', 'y', 'z', 'w'};
    EXPECT_EQ(file.read(buffer, 1), -1); // not open for reading
    std::string line = "stale";
    EXPECT_FALSE(file.read_line(line)); // a failing read ends the line at once
    EXPECT_EQ(line, "");
    EXPECT_EQ(file.line_end(), file_hnd::end_of_file);
    EXPECT_EQ(file.write(buffer, -5), 0);
    EXPECT_EQ(file.write(buffer, 2), 2);
    EXPECT_TRUE(file.write_text("pq"));
    EXPECT_TRUE(file.write_char('!'));
    EXPECT_TRUE(file.write_text_wide(L"W"));
    EXPECT_EQ(file.size(), 6u);
    ASSERT_TRUE(file.close());
    EXPECT_EQ(read_whole_file(name), "xypq!W");

    ASSERT_TRUE(file.open(name, read_existing, file_hnd::share_read));
    EXPECT_EQ(file.write(buffer, 1), -1); // not open for writing
    EXPECT_EQ(file.read(buffer, -1), 0);  // a negative count never reaches the system
    EXPECT_EQ(file.tell(), 0);
    EXPECT_EQ(file.read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "xypq");
    wchar_t wide = 0;
    char narrow = 0;
    EXPECT_TRUE(file.read_char(narrow));
    EXPECT_EQ(narrow, '!');
    EXPECT_TRUE(file.read_char_wide(wide));
    EXPECT_EQ(wide, L'W');
    EXPECT_FALSE(file.read_char_wide(wide));
}

TEST(file_hnd, read_char_wide_gives_back_the_bytes_beyond_one_character) {
    temp_folder folder;
    const std::wstring name = folder.file(L"wide.txt");
    write_whole_file(name, "abcdefghij");
    file_hnd file;
    ASSERT_TRUE(file.open(name, read_existing, file_hnd::share_read));
    wchar_t ch = 0;
    ASSERT_TRUE(file.read_char_wide(ch));
    EXPECT_EQ(ch, L'a');
    EXPECT_EQ(file.tell(), 1);
    ASSERT_TRUE(file.read_char_wide(ch));
    EXPECT_EQ(ch, L'b');
}

TEST(file_hnd, invalid_mode_words_and_shares_fail_with_minus_one) {
    temp_folder folder;
    const std::wstring name = folder.file(L"modes.txt");
    file_hnd file;
    EXPECT_FALSE(file.open(name, 0x0003 | file_hnd::mode_create, file_hnd::share_read));
    EXPECT_EQ(file.last_error(), -1);
    EXPECT_FALSE(file.is_open());
    EXPECT_FALSE(file.open(name, file_hnd::mode_write | file_hnd::mode_temporary, file_hnd::share_read));
    EXPECT_EQ(file.last_error(), -1);
    EXPECT_FALSE(file.open(name, write_new, 0x25));
    EXPECT_EQ(file.last_error(), -1);
    EXPECT_FALSE(file_exists(name));

    // The system's own refusal comes with its error code.
    EXPECT_FALSE(file.open(name, read_existing, file_hnd::share_read));
    EXPECT_EQ(file.last_error(), ERROR_FILE_NOT_FOUND);

    // Temporary together with create: the file goes when the handle closes.
    ASSERT_TRUE(file.open(name, write_new | file_hnd::mode_temporary, file_hnd::share_read_write));
    EXPECT_EQ(file.last_error(), 0);
    EXPECT_TRUE(file_exists(name));
    EXPECT_TRUE(file.close());
    EXPECT_FALSE(file_exists(name));
}

TEST(file_hnd, dispositions_and_truncate) {
    temp_folder folder;
    const std::wstring name = folder.file(L"disp.txt");
    file_hnd file;
    // Create + exclusive makes a new file only.
    ASSERT_TRUE(file.open(name, file_hnd::mode_write | file_hnd::mode_create | file_hnd::mode_exclusive,
                          file_hnd::share_read));
    EXPECT_TRUE(file.write_text("0123456789"));
    file.close();
    EXPECT_FALSE(file.open(name, file_hnd::mode_write | file_hnd::mode_create | file_hnd::mode_exclusive,
                           file_hnd::share_read));
    EXPECT_EQ(file.last_error(), ERROR_FILE_EXISTS);

    // Create alone keeps the content; the sink's way of appending.
    ASSERT_TRUE(file.open(name, 0x8101, file_hnd::share_read));
    EXPECT_EQ(file.seek(0, 2), 10);
    EXPECT_TRUE(file.write_text("ab"));
    EXPECT_EQ(file.seek(4, 0), 4);
    EXPECT_TRUE(file.truncate());
    EXPECT_EQ(file.size(), 4u);
    file.close();
    EXPECT_EQ(read_whole_file(name), "0123");

    // Truncate opens an existing file empty, and fails on a missing one.
    ASSERT_TRUE(file.open(name, file_hnd::mode_read_write | file_hnd::mode_truncate, file_hnd::share_read));
    EXPECT_EQ(file.size(), 0u);
    file.close();
    EXPECT_FALSE(file.open(folder.file(L"none.txt"), file_hnd::mode_write | file_hnd::mode_truncate,
                           file_hnd::share_read));
    EXPECT_EQ(file.last_error(), ERROR_FILE_NOT_FOUND);
}

TEST(file_hnd, share_argument_reaches_the_system) {
    temp_folder folder;
    const std::wstring name = folder.file(L"share.txt");
    write_whole_file(name, "s");
    file_hnd first, second;
    ASSERT_TRUE(first.open(name, file_hnd::mode_write, file_hnd::share_read));
    EXPECT_TRUE(second.open(name, file_hnd::mode_read, file_hnd::share_read_write));
    second.close();
    EXPECT_FALSE(second.open(name, file_hnd::mode_write, file_hnd::share_read_write));
    EXPECT_EQ(second.last_error(), ERROR_SHARING_VIOLATION);
    first.close();
    ASSERT_TRUE(first.open(name, file_hnd::mode_read, file_hnd::share_exclusive));
    EXPECT_FALSE(second.open(name, file_hnd::mode_read, file_hnd::share_read_write));
    EXPECT_EQ(second.last_error(), ERROR_SHARING_VIOLATION);
}

} // namespace
