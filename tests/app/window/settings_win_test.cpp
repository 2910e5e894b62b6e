// Settings under Wine's real registry, on a throwaway key deleted before and after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "app/window/brisk_window_win.h"
#include "app/window/settings_win.h"
#include "util/sys/handle_owner_win.h"

namespace {

const wchar_t test_key[] = L"SOFTWARE\\Norvane\\echoview-settings-test";

class settings_test : public ::testing::Test {
protected:
    void SetUp() override { delete_key(); }
    void TearDown() override { delete_key(); }

    static void delete_key() { RegDeleteTreeW(HKEY_CURRENT_USER, test_key); }

    static void put(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        owned_key key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, test_key, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key.receive(), nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size));
    }
    static void put_dword(const wchar_t* name, std::uint32_t value) {
        put(name, REG_DWORD, &value, sizeof value);
    }

    struct stored {
        bool found = false;
        DWORD type = 0;
        std::vector<BYTE> bytes;
        std::uint32_t dword() const {
            std::uint32_t value = 0;
            if (bytes.size() == 4) memcpy(&value, bytes.data(), 4);
            return value;
        }
    };
    static stored get(const wchar_t* name) {
        stored result;
        owned_key key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, test_key, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
            return result;
        BYTE buffer[64];
        DWORD size = sizeof buffer;
        if (RegQueryValueExW(key.get(), name, nullptr, &result.type, buffer, &size) == ERROR_SUCCESS) {
            result.found = true;
            result.bytes.assign(buffer, buffer + size);
        }
        return result;
    }
    static bool key_exists() {
        owned_key key;
        return RegOpenKeyExW(HKEY_CURRENT_USER, test_key, 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
    }
    static void expect_dword(const wchar_t* name, std::uint32_t value) {
        const stored s = get(name);
        EXPECT_TRUE(s.found) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), s.type) << name;
        EXPECT_EQ(4u, s.bytes.size()) << name;
        EXPECT_EQ(value, s.dword()) << name;
    }
};

TEST_F(settings_test, first_start_uses_defaults_and_exit_writes_every_value) {
    brisk_window window;
    window.x_pos = 7; // overwritten by the defaults
    load_settings(window, test_key);
    EXPECT_EQ(CW_USEDEFAULT, window.x_pos);
    EXPECT_EQ(CW_USEDEFAULT, window.y_pos);
    EXPECT_EQ(500, window.x_size);
    EXPECT_EQ(250, window.y_size);
    EXPECT_EQ(500, window.client_width);
    EXPECT_EQ(250, window.client_height);
    EXPECT_EQ(60u, window.settings.x_time);
    EXPECT_EQ(1.0, window.settings.avg_time);
    EXPECT_FALSE(window.settings.only_avg);
    EXPECT_FALSE(window.on_top);

    save_settings(window, test_key);
    ASSERT_TRUE(key_exists());
    expect_dword(L"x_pos", 0x80000000u);
    expect_dword(L"y_pos", 0x80000000u);
    expect_dword(L"x_size", 500);
    expect_dword(L"y_size", 250);
    expect_dword(L"x_time", 60);
    expect_dword(L"avg_time", 1000);
    expect_dword(L"only_avg", 0);
    expect_dword(L"on_top", 0);
    expect_dword(L"dpi", 96);
}

// The place's DPI comes back as stored; none, 0 and anything above ten times 96 count as 96.
TEST_F(settings_test, the_dpi_of_the_place_is_kept_and_absurd_ones_count_as_96) {
    struct dpi_case {
        bool stored;
        std::uint32_t value;
        std::uint32_t read;
    };
    for (const dpi_case c :
         {dpi_case{false, 0, 96}, dpi_case{true, 0, 96}, dpi_case{true, 120, 120}, dpi_case{true, 144, 144},
          dpi_case{true, 960, 960}, dpi_case{true, 961, 96}, dpi_case{true, 0xFFFFFFFFu, 96}}) {
        SCOPED_TRACE(testing::Message() << "stored " << c.stored << " value " << c.value);
        delete_key();
        if (c.stored) put_dword(L"dpi", c.value);
        brisk_window window;
        load_settings(window, test_key);
        EXPECT_EQ(c.read, window.place_dpi);
        save_settings(window, test_key);
        expect_dword(L"dpi", c.read);
    }
}

TEST_F(settings_test, on_top_is_set_by_a_stored_one_only) {
    struct stored_on_top {
        DWORD type;
        std::uint64_t value;
        DWORD size;
        bool on_top;
    };
    const stored_on_top cases[] = {
        {REG_DWORD, 1, 4, true},           {REG_DWORD, 0, 4, false},  {REG_DWORD, 2, 4, false},
        {REG_DWORD, 0xFFFFFFFF, 4, false}, {REG_BINARY, 1, 4, false}, {REG_QWORD, 1, 8, false},
    };
    for (const stored_on_top& c : cases) {
        put(L"on_top", c.type, &c.value, c.size);
        brisk_window window;
        window.on_top = !c.on_top; // the load decides, whatever the field held
        load_settings(window, test_key);
        EXPECT_EQ(c.on_top, window.on_top) << "type " << c.type << " value " << c.value;
        save_settings(window, test_key);
        expect_dword(L"on_top", c.on_top ? 1 : 0);
    }
}

TEST_F(settings_test, stored_values_are_honoured_and_written_back_unchanged) {
    put_dword(L"x_pos", static_cast<std::uint32_t>(-40));
    put_dword(L"y_pos", 30);
    put_dword(L"x_size", 640);
    put_dword(L"y_size", 360);
    put_dword(L"x_time", 600);
    put_dword(L"avg_time", 100);
    put_dword(L"only_avg", 5);
    brisk_window window;
    load_settings(window, test_key);
    EXPECT_EQ(-40, window.x_pos);
    EXPECT_EQ(30, window.y_pos);
    EXPECT_EQ(640, window.x_size);
    EXPECT_EQ(360, window.y_size);
    EXPECT_EQ(640, window.client_width);
    EXPECT_EQ(360, window.client_height);
    EXPECT_EQ(600u, window.settings.x_time);
    EXPECT_DOUBLE_EQ(0.1, window.settings.avg_time);
    EXPECT_TRUE(window.settings.only_avg);

    save_settings(window, test_key);
    expect_dword(L"x_pos", static_cast<std::uint32_t>(-40));
    expect_dword(L"x_time", 600);
    expect_dword(L"avg_time", 100);
    expect_dword(L"only_avg", 1);
}

TEST_F(settings_test, window_fields_are_what_save_writes) {
    brisk_window window;
    load_settings(window, test_key);
    window.x_pos = -32000; // a minimised window reports this
    window.y_pos = -32000;
    window.x_size = 160;
    window.y_size = 28;
    window.settings.x_time = 3600;
    window.settings.avg_time = 0.1;
    window.settings.only_avg = true;
    save_settings(window, test_key);
    expect_dword(L"x_pos", static_cast<std::uint32_t>(-32000));
    expect_dword(L"x_size", 160);
    expect_dword(L"y_size", 28);
    expect_dword(L"x_time", 3600);
    expect_dword(L"avg_time", 100);
    expect_dword(L"only_avg", 1);
}

TEST_F(settings_test, every_stored_millisecond_count_survives_a_load_and_save) {
    // n / 1000.0 * 1000 lies just below n for many n (1001 is the first); the
    // stored value must not shrink by one at every start.
    for (std::uint32_t ms : {1u, 100u, 999u, 1001u, 1003u, 4095u, 86399999u, 0xFFFFFFFFu}) {
        put_dword(L"avg_time", ms);
        brisk_window window;
        load_settings(window, test_key);
        EXPECT_DOUBLE_EQ(ms / 1000.0, window.settings.avg_time);
        save_settings(window, test_key);
        expect_dword(L"avg_time", ms);
    }
}

TEST_F(settings_test, avg_time_conversion_of_odd_widths) {
    EXPECT_EQ(100u, avg_time_to_ms(0.1));
    EXPECT_EQ(14400000u, avg_time_to_ms(14400.0));
    EXPECT_EQ(0u, avg_time_to_ms(0.0));
    EXPECT_EQ(0u, avg_time_to_ms(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(0u, avg_time_to_ms(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(0u, avg_time_to_ms(1e300));
    EXPECT_EQ(1u, avg_time_to_ms(4294967.297)); // low 32 bits of 4294967297
}

TEST_F(settings_test, a_four_byte_value_of_another_type_is_taken_except_for_only_avg) {
    const std::int32_t x = 123;
    put(L"x_pos", REG_BINARY, &x, sizeof x);
    const std::uint32_t one = 1;
    put(L"only_avg", REG_BINARY, &one, sizeof one);
    brisk_window window;
    load_settings(window, test_key);
    EXPECT_EQ(123, window.x_pos);
    EXPECT_FALSE(window.settings.only_avg);
    save_settings(window, test_key);
    expect_dword(L"x_pos", 123); // rewritten as REG_DWORD
    expect_dword(L"only_avg", 0);
}

TEST_F(settings_test, values_of_another_size_count_as_missing) {
    const unsigned char two[2] = {0x34, 0x12};
    put(L"x_size", REG_BINARY, two, sizeof two);
    const std::uint64_t wide = 0x0000000100000200ull;
    put(L"y_size", REG_QWORD, &wide, sizeof wide);
    const wchar_t text[] = L"800";
    put(L"x_time", REG_SZ, text, sizeof text);
    put(L"avg_time", REG_BINARY, nullptr, 0);
    const std::uint64_t only = 1;
    put(L"only_avg", REG_QWORD, &only, sizeof only);
    brisk_window window;
    load_settings(window, test_key);
    EXPECT_EQ(500, window.x_size);
    EXPECT_EQ(250, window.y_size);
    EXPECT_EQ(60u, window.settings.x_time);
    EXPECT_EQ(1.0, window.settings.avg_time);
    EXPECT_FALSE(window.settings.only_avg);
}

TEST_F(settings_test, extreme_values_are_kept_as_stored) {
    put_dword(L"x_pos", 0x7FFFFFFF);
    put_dword(L"x_size", 0x80000000u);
    put_dword(L"y_size", 0);
    put_dword(L"x_time", 0);
    put_dword(L"avg_time", 0);
    brisk_window window;
    load_settings(window, test_key);
    EXPECT_EQ(0x7FFFFFFF, window.x_pos);
    EXPECT_EQ(std::numeric_limits<std::int32_t>::min(), window.x_size);
    EXPECT_EQ(0, window.y_size);
    EXPECT_EQ(0u, window.settings.x_time);
    EXPECT_EQ(0.0, window.settings.avg_time);
    save_settings(window, test_key);
    expect_dword(L"x_size", 0x80000000u);
    expect_dword(L"x_time", 0);
    expect_dword(L"avg_time", 0);
}

TEST_F(settings_test, an_unreachable_key_leaves_the_defaults_and_writes_nothing) {
    // Key names are limited to 255 characters.
    const std::wstring bad_key = std::wstring(test_key) + L"\\" + std::wstring(300, L'k');
    brisk_window window;
    window.settings.x_time = 90;
    load_settings(window, bad_key.c_str());
    EXPECT_EQ(CW_USEDEFAULT, window.x_pos);
    EXPECT_EQ(500, window.x_size);
    EXPECT_EQ(90u, window.settings.x_time);
    EXPECT_EQ(1.0, window.settings.avg_time);
    save_settings(window, bad_key.c_str());
    EXPECT_FALSE(get(L"x_size").found);
}

} // namespace
