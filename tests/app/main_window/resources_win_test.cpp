// The resources built into echoview.exe: the icon group and the manifest, read from the real file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

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

// echoview.exe lives in bin/ beside this test's tests/ folder.
std::wstring program_path() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring own(path, n);
    own.resize(own.find_last_of(L"\\/"));
    own.resize(own.find_last_of(L"\\/") + 1);
    return own + L"bin\\echoview.exe";
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

} // namespace
