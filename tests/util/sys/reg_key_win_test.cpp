#include "util/sys/reg_key_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const wchar_t test_key[] = L"Software\\Norvane\\echoview-tests\\reg_key";

HKEY closed_marker() {
    return reinterpret_cast<HKEY>(static_cast<INT_PTR>(-1));
}

// Every test starts from a key that did not exist before and leaves nothing behind.
class reg_key_test : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, test_key);
        ASSERT_TRUE(key.create(test_key, HKEY_CURRENT_USER, 0, KEY_ALL_ACCESS)) << key.last_error();
    }
    void TearDown() override {
        key.close();
        RegDeleteTreeW(HKEY_CURRENT_USER, test_key);
    }
    void store(const wchar_t* name, const void* data, DWORD size, DWORD type) {
        ASSERT_EQ(RegSetValueExW(key.handle(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    // The system itself adds a terminator that the count leaves out when one
    // follows in memory; a sentinel after the stored part keeps it out.
    void store_text(const wchar_t* name, const std::wstring& text, DWORD bytes, DWORD type = REG_SZ) {
        const std::wstring guarded = text + L'!';
        store(name, guarded.c_str(), bytes, type);
    }

    reg_key key;
};

TEST(reg_key, new_object_is_closed) {
    reg_key fresh;
    EXPECT_EQ(fresh.handle(), closed_marker());
    EXPECT_EQ(fresh.last_error(), 0);
    EXPECT_FALSE(fresh.is_open());
}

TEST_F(reg_key_test, open_missing_key_fails_and_stays_closed) {
    reg_key other;
    EXPECT_FALSE(
        other.open(L"Software\\Norvane\\echoview-tests\\reg_key\\missing", HKEY_CURRENT_USER, KEY_READ));
    EXPECT_EQ(other.last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(other.handle(), closed_marker());
}

TEST_F(reg_key_test, create_makes_the_key_and_open_finds_it) {
    reg_key other;
    EXPECT_TRUE(other.open(test_key, HKEY_CURRENT_USER, KEY_READ));
    EXPECT_EQ(other.last_error(), 0);
    // Opening again on an open object closes the first key and opens the second.
    EXPECT_TRUE(
        other.create(L"Software\\Norvane\\echoview-tests\\reg_key\\child", HKEY_CURRENT_USER, 0, KEY_READ));
    reg_key child;
    EXPECT_TRUE(child.open(L"child", key.handle(), KEY_READ));
}

TEST_F(reg_key_test, root_zero_means_local_machine) {
    reg_key machine;
    EXPECT_TRUE(machine.open(L"Software", nullptr, KEY_READ)) << machine.last_error();
    EXPECT_FALSE(machine.open(L"Software\\Norvane\\echoview-tests\\reg_key", nullptr, KEY_READ));
}

TEST_F(reg_key_test, dword_round_trip) {
    const DWORD written = 0x12345678;
    EXPECT_TRUE(key.write(L"number", &written, 4, REG_DWORD));
    DWORD read = 0;
    EXPECT_TRUE(key.read(L"number", &read, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), 0);
    EXPECT_EQ(read, written);
}

TEST_F(reg_key_test, missing_value_fails_with_the_system_code) {
    DWORD read = 7;
    EXPECT_FALSE(key.read(L"absent", &read, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(read, 7u);
}

TEST_F(reg_key_test, value_of_another_size_fails_and_leaves_the_destination_alone) {
    const unsigned char two[2] = {0xAA, 0xBB};
    store(L"short", two, 2, REG_BINARY);
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    store(L"long", eight, 8, REG_DWORD);
    DWORD read = 0x11223344;
    EXPECT_FALSE(key.read(L"short", &read, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_MORE_DATA);
    EXPECT_EQ(read, 0x11223344u);
    EXPECT_FALSE(key.read(L"long", &read, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_MORE_DATA);
    EXPECT_EQ(read, 0x11223344u);
}

TEST_F(reg_key_test, read_without_destination_fails) {
    const DWORD number = 3;
    store(L"number", &number, 4, REG_DWORD);
    EXPECT_FALSE(key.read(L"number", nullptr, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_PARAMETER);
}

TEST_F(reg_key_test, right_size_of_another_type_fails_but_is_stored) {
    const unsigned char four[4] = {0x78, 0x56, 0x34, 0x12};
    store(L"binary", four, 4, REG_BINARY);
    DWORD read = 0;
    EXPECT_FALSE(key.read(L"binary", &read, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(read, 0x12345678u);
}

TEST_F(reg_key_test, long_string_needs_the_second_query) {
    const std::wstring text(300, L'x');
    store_text(L"long", text + L'\0', static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    std::wstring out;
    EXPECT_TRUE(key.read_string(L"long", out));
    EXPECT_EQ(key.last_error(), 0);
    EXPECT_EQ(out, text + L'\0');
    EXPECT_TRUE(key.read_string_trimmed(L"long", out));
    EXPECT_EQ(out, text);
}

TEST_F(reg_key_test, string_at_the_local_buffer_size) {
    const std::wstring text(128, L'y');
    store_text(L"fits", text, 256);
    store_text(L"over", text + L'z', 258);
    std::wstring out;
    EXPECT_TRUE(key.read_string(L"fits", out));
    EXPECT_EQ(out, text);
    EXPECT_TRUE(key.read_string(L"over", out));
    EXPECT_EQ(out, text + L'z');
}

TEST_F(reg_key_test, trimmed_string_with_and_without_terminator) {
    store_text(L"with", std::wstring(L"abc", 4), 8);
    store_text(L"without", L"abc", 6);
    std::wstring out;
    EXPECT_TRUE(key.read_string(L"with", out));
    EXPECT_EQ(out, std::wstring(L"abc", 4));
    EXPECT_TRUE(key.read_string_trimmed(L"with", out));
    EXPECT_EQ(out, L"abc");
    EXPECT_TRUE(key.read_string(L"without", out));
    EXPECT_EQ(out, L"abc");
    EXPECT_TRUE(key.read_string_trimmed(L"without", out));
    EXPECT_EQ(out, L"abc");
    store_text(L"nuls", std::wstring(L"a\0b\0\0", 5), 10);
    EXPECT_TRUE(key.read_string_trimmed(L"nuls", out));
    EXPECT_EQ(out, std::wstring(L"a\0b", 3));
}

TEST_F(reg_key_test, odd_byte_count_drops_the_half_character) {
    store_text(L"odd", L"abcd", 7);
    std::wstring out;
    EXPECT_TRUE(key.read_string(L"odd", out));
    EXPECT_EQ(out, L"abc");
}

TEST_F(reg_key_test, expand_string_is_returned_unexpanded) {
    store_text(L"expand", std::wstring(L"%SystemRoot%\\x", 15), 30, REG_EXPAND_SZ);
    std::wstring out;
    EXPECT_TRUE(key.read_string_trimmed(L"expand", out));
    EXPECT_EQ(out, L"%SystemRoot%\\x");
}

TEST_F(reg_key_test, default_value_is_read_by_empty_name) {
    store_text(L"", std::wstring(L"default", 8), 16);
    std::wstring out;
    EXPECT_TRUE(key.read_string_trimmed(L"", out));
    EXPECT_EQ(out, L"default");
}

TEST_F(reg_key_test, non_string_values_are_refused_and_out_is_kept) {
    const DWORD number = 5;
    store(L"number", &number, 4, REG_DWORD);
    const std::string blob(300, 'b');
    store(L"blob", blob.data(), 300, REG_BINARY);
    std::wstring out = L"kept";
    EXPECT_FALSE(key.read_string(L"number", out));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(key.read_string(L"blob", out));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(key.read_string_trimmed(L"absent", out));
    EXPECT_EQ(key.last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(out, L"kept");
}

TEST_F(reg_key_test, close_twice_succeeds_and_clears_the_error) {
    DWORD read = 0;
    EXPECT_FALSE(key.read(L"absent", &read, 4, REG_DWORD));
    EXPECT_TRUE(key.close());
    EXPECT_EQ(key.last_error(), 0);
    EXPECT_EQ(key.handle(), closed_marker());
    EXPECT_FALSE(key.read(L"absent", &read, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(key.close());
    EXPECT_EQ(key.last_error(), 0);
}

TEST_F(reg_key_test, closed_key_refuses_every_access) {
    key.close();
    const DWORD number = 1;
    std::wstring out;
    EXPECT_FALSE(key.write(L"number", &number, 4, REG_DWORD));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(key.read_string(L"number", out));
    EXPECT_EQ(key.last_error(), ERROR_INVALID_HANDLE);
}

TEST_F(reg_key_test, read_only_key_cannot_write) {
    reg_key reader;
    ASSERT_TRUE(reader.open(test_key, HKEY_CURRENT_USER, KEY_READ));
    const DWORD number = 1;
    EXPECT_FALSE(reader.write(L"number", &number, 4, REG_DWORD));
    EXPECT_EQ(reader.last_error(), ERROR_ACCESS_DENIED);
}

TEST_F(reg_key_test, move_hands_over_the_key) {
    reg_key moved(std::move(key));
    EXPECT_FALSE(key.is_open());
    const DWORD number = 9;
    EXPECT_TRUE(moved.write(L"number", &number, 4, REG_DWORD));
    reg_key target;
    ASSERT_TRUE(target.open(L"Software", HKEY_CURRENT_USER, KEY_READ));
    target = std::move(moved);
    EXPECT_FALSE(moved.is_open());
    DWORD read = 0;
    EXPECT_TRUE(target.read(L"number", &read, 4, REG_DWORD));
    EXPECT_EQ(read, 9u);
}

} // namespace
