// The resources built into echoview.exe and echofeed.exe: the icon group, the manifest and the
// version, read from the real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/window/app_texts.h"
#include "app/window/icon_win.h"
#include "app/window/main_window_win.h"
#include "app/window/menus_win.h"
#include "app/window/settings_win.h"
#include "tests/util/trace/recording_sink.h"

namespace {

// One entry of an icon group as stored (14 bytes, 2-byte aligned), read field by field.
struct group_icon_entry {
    int width;
    int height;
    int color_count;
    int bit_count;
    DWORD bytes_in_res;
    WORD id;
};

template <class T>
T read_at(const BYTE* data, std::size_t offset) {
    T value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

group_icon_entry read_entry(const BYTE* data) {
    return {
        data[0], data[1], data[2], read_at<WORD>(data, 6), read_at<DWORD>(data, 8), read_at<WORD>(data, 12)};
}

constexpr std::size_t group_header_size = 6;
constexpr std::size_t group_entry_size = 14;

// The programs live in bin/ beside this test's tests/ folder.
std::wstring program_path(const wchar_t* name = L"echoview.exe") {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring own(path, n);
    own.resize(own.find_last_of(L"\\/"));
    own.resize(own.find_last_of(L"\\/") + 1);
    return own + L"bin\\" + name;
}

class program_resources : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExW(program_path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module) << "echoview.exe not found beside the tests (build it first)";
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::pair<const BYTE*, DWORD> resource(const wchar_t* name, const wchar_t* type) {
        HRSRC found = FindResourceW(module, name, type);
        if (!found) return {nullptr, 0};
        return {static_cast<const BYTE*>(LockResource(LoadResource(module, found))),
                SizeofResource(module, found)};
    }
    HMODULE module = nullptr;
};

TEST_F(program_resources, icon_group_holds_three_sizes_in_three_colour_depths) {
    const auto group = resource(L"IDR_0MAIN", RT_GROUP_ICON);
    ASSERT_NE(nullptr, group.first);
    ASSERT_GE(group.second, group_header_size);
    ASSERT_EQ(1, read_at<WORD>(group.first, 2));
    const WORD count = read_at<WORD>(group.first, 4);
    ASSERT_EQ(group_header_size + count * group_entry_size, group.second);
    std::set<std::pair<int, int>> images;
    for (WORD i = 0; i < count; ++i) {
        const group_icon_entry entry = read_entry(group.first + group_header_size + i * group_entry_size);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bit_count == 4 ? 16 : 0, entry.color_count);
        const auto image = resource(MAKEINTRESOURCEW(entry.id), RT_ICON);
        EXPECT_NE(nullptr, image.first);
        EXPECT_EQ(entry.bytes_in_res, image.second);
        images.insert({entry.width, entry.bit_count});
    }
    const std::set<std::pair<int, int>> expected{{48, 4},  {32, 4},  {16, 4},  {48, 24}, {32, 24},
                                                 {16, 24}, {48, 32}, {32, 32}, {16, 32}};
    EXPECT_EQ(expected, images);
}

TEST_F(program_resources, icons_load_at_each_size) {
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(module, L"IDR_0MAIN", IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, icon) << size;
        if (icon) DestroyIcon(icon);
    }
}

TEST_F(program_resources, manifest_asks_for_the_invoker_level_without_ui_access) {
    const auto manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest.first);
    const std::string text(reinterpret_cast<const char*>(manifest.first), manifest.second);
    EXPECT_NE(std::string::npos, text.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, text.find("uiAccess=\"false\""));
    EXPECT_EQ(std::string::npos, text.find("requireAdministrator"));
}

TEST_F(program_resources, manifest_declares_awareness_of_each_monitors_scale) {
    const auto manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest.first);
    const std::string text(reinterpret_cast<const char*>(manifest.first), manifest.second);
    EXPECT_NE(std::string::npos, text.find(">PerMonitorV2, PerMonitor</dpiAwareness>"));
    EXPECT_NE(std::string::npos, text.find(">true/pm</dpiAware>"));
}

// The version resource of a program as Windows hands it to any caller (file properties).
class version_info {
public:
    explicit version_info(const std::wstring& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) data_.clear();
    }
    bool found() const { return !data_.empty(); }
    const VS_FIXEDFILEINFO* fixed() {
        void* value = nullptr;
        UINT length = 0;
        if (!found() || !VerQueryValueW(data_.data(), L"\\", &value, &length) ||
            length < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }
    // A text of the U.S. English, Unicode table; empty when there is none.
    std::wstring text(const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!found() || !VerQueryValueW(data_.data(), path.c_str(), &value, &length) || length == 0)
            return {};
        return std::wstring(static_cast<const wchar_t*>(value), length - 1);
    }

private:
    std::vector<BYTE> data_;
};

TEST(program_version, both_programs_carry_the_version_and_the_maker) {
    struct expected_program {
        const wchar_t* file;
        const wchar_t* description_start;
    };
    for (const expected_program program :
         {expected_program{L"echoview.exe", L"Echoview"}, expected_program{L"echofeed.exe", L"Echofeed"}}) {
        SCOPED_TRACE(testing::Message() << "program " << testing::PrintToString(std::wstring(program.file)));
        version_info info(program_path(program.file));
        ASSERT_TRUE(info.found()) << "no version resource";
        const VS_FIXEDFILEINFO* fixed = info.fixed();
        ASSERT_NE(nullptr, fixed);
        EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
        EXPECT_EQ(MAKELONG(0, 5), fixed->dwFileVersionMS);
        EXPECT_EQ(0u, fixed->dwFileVersionLS);
        EXPECT_EQ(MAKELONG(0, 5), fixed->dwProductVersionMS);
        EXPECT_EQ(0u, fixed->dwProductVersionLS);
        EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
        EXPECT_EQ(L"5.0.0.0", info.text(L"FileVersion"));
        EXPECT_EQ(L"5.00", info.text(L"ProductVersion"));
        EXPECT_EQ(L"Norvane", info.text(L"CompanyName"));
        EXPECT_EQ(L"Echoview", info.text(L"ProductName"));
        EXPECT_EQ(program.file, info.text(L"OriginalFilename"));
        EXPECT_EQ(0u, info.text(L"FileDescription").rfind(program.description_start, 0));
        EXPECT_NE(std::wstring::npos, info.text(L"LegalCopyright").find(L"Norvane"));
    }
}

// Every text that names the version says what the file properties say.
TEST(program_version, texts_carry_the_version_of_the_resource) {
    version_info info(program_path());
    const std::wstring version = info.text(L"ProductVersion");
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(L"Echoview " + version + L" - www.norvane.example", main_window_title);
    EXPECT_EQ(L"Echoview " + version + L"\n\nThe graphical front-end of Echoprobe.\n\nwww.norvane.example\n",
              about_text);
    EXPECT_EQ(L"?echoview-" + version, url_suffix);
    EXPECT_EQ(L"http://www.norvane.example/ping?echoview-" + version, help_page_address());
    EXPECT_EQ(L"http://www.norvane.example/support?echoview-" + version, contact_page_address());
    // Generated with the title: its backslashes are the key's separators, not escapes.
    EXPECT_EQ(std::wstring(L"SOFTWARE\\Norvane\\echoview"), settings_key);
}

TEST_F(program_resources, manifest_names_the_file_version) {
    const auto manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest.first);
    const std::string text(reinterpret_cast<const char*>(manifest.first), manifest.second);
    EXPECT_NE(std::string::npos, text.find("name=\"Norvane.Echoview\" version=\"5.0.0.0\""));
}

TEST(load_icon, retries_three_times_each_failure_traced) {
    // The channel keeps its sinks until the process ends.
    static recording_sink output;
    ASSERT_TRUE(output_channel.add_sink(&output));
    EXPECT_EQ(nullptr, load_icon(L"NO_SUCH_ICON", false, false, true, 0));
    const std::wregex three_lines(L"(load_icon\\(NO_SUCH_ICON\\) error [1-9][0-9]*\n){3}");
    EXPECT_TRUE(std::regex_match(output.wide, three_lines)) << testing::PrintToString(output.wide);
    output.wide.clear();
    EXPECT_EQ(nullptr, load_icon(L"NO_SUCH_ICON", false, true, false, 0));
    EXPECT_EQ(L"", output.wide) << "without retries nothing is traced";
}

} // namespace
