#include "util/sys/entry_points_win.h"
#include "util/sys/lib_loader_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

namespace {

// A library that nothing else in this program loads, so its presence in the
// process shows the loader's own references.
const wchar_t test_library[] = L"MSIMG32.DLL";

bool loaded(const wchar_t* library = test_library) {
    return GetModuleHandleW(library) != nullptr;
}

std::wstring real_system_dir() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
    return std::wstring(buffer, length);
}

std::wstring module_path(HMODULE module) {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH + 1);
    return std::wstring(buffer, length);
}

UINT WINAPI unreadable_dir(LPWSTR, UINT) {
    return 0;
}

// Answers as the system does for a name longer than the buffer: the size needed.
UINT WINAPI oversized_dir(LPWSTR buffer, UINT size) {
    if (size > 0) buffer[0] = L'\0';
    return 400;
}

UINT WINAPI missing_dir(LPWSTR buffer, UINT size) {
    const wchar_t path[] = L"C:\\no-such-folder";
    if (size < sizeof path / sizeof path[0]) return sizeof path / sizeof path[0];
    lstrcpyW(buffer, path);
    return sizeof path / sizeof path[0] - 1;
}

UINT WINAPI system_dir_as_windows_dir(LPWSTR buffer, UINT size) {
    return GetSystemDirectoryW(buffer, size);
}

struct alpha_blend_traits {
    using function = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
    static constexpr const wchar_t* library = test_library;
    static constexpr const char* entry = "AlphaBlend";
};

TEST(lib_loader, holders_share_one_load_and_the_last_frees_it) {
    ASSERT_FALSE(loaded());
    lib_loader loader;
    auto first = std::make_unique<fixed_proc<alpha_blend_traits>>(loader);
    ASSERT_NE(first->get(), nullptr);
    EXPECT_EQ(loader.references(test_library), 1);
    const HMODULE module = GetModuleHandleW(test_library);
    ASSERT_NE(module, nullptr);
    // Loaded from the system directory by its full path.
    EXPECT_EQ(lstrcmpiW(module_path(module).c_str(), (real_system_dir() + L"\\MSIMG32.DLL").c_str()), 0);
    EXPECT_EQ(loader.system_dir(), real_system_dir() + L"\\");

    auto second = std::make_unique<dyn_proc>(loader, test_library, "GradientFill");
    ASSERT_NE(second->get(), nullptr);
    EXPECT_EQ(second->get(), GetProcAddress(module, "GradientFill"));
    EXPECT_EQ(loader.references(test_library), 2);

    first.reset();
    EXPECT_EQ(loader.references(test_library), 1);
    EXPECT_TRUE(loaded());
    second.reset();
    EXPECT_EQ(loader.references(test_library), 0);
    EXPECT_FALSE(loaded());
}

TEST(lib_loader, a_missing_entry_point_gives_its_reference_back) {
    ASSERT_FALSE(loaded());
    lib_loader loader;
    {
        dyn_proc missing(loader, test_library, "NoSuchEntryPoint");
        EXPECT_EQ(missing.get(), nullptr);
        EXPECT_EQ(loader.references(test_library), 0);
        EXPECT_FALSE(loaded());
    }
    dyn_proc present(loader, test_library, "TransparentBlt");
    ASSERT_NE(present.get(), nullptr);
    {
        dyn_proc missing(loader, test_library, "NoSuchEntryPoint");
        EXPECT_EQ(missing.get(), nullptr);
        EXPECT_EQ(loader.references(test_library), 1);
    }
    EXPECT_EQ(loader.references(test_library), 1);
    // Without release_on_failure the caller keeps the reference.
    EXPECT_EQ(loader.get_proc(test_library, "NoSuchEntryPoint", false), nullptr);
    EXPECT_EQ(loader.references(test_library), 2);
    loader.release_lib(test_library);
    loader.release_lib(L"NOT-LOADED.DLL");
    EXPECT_EQ(loader.references(test_library), 1);
    EXPECT_TRUE(loaded());
}

TEST(lib_loader, letter_case_makes_different_entries) {
    ASSERT_FALSE(loaded());
    lib_loader loader;
    {
        dyn_proc upper(loader, L"MSIMG32.DLL", "AlphaBlend");
        dyn_proc lower(loader, L"msimg32.dll", "AlphaBlend");
        ASSERT_NE(upper.get(), nullptr);
        EXPECT_EQ(upper.get(), lower.get());
        EXPECT_EQ(loader.references(L"MSIMG32.DLL"), 1);
        EXPECT_EQ(loader.references(L"msimg32.dll"), 1);
        EXPECT_EQ(loader.references(L"Msimg32.dll"), 0);
    }
    EXPECT_FALSE(loaded());
}

TEST(lib_loader, never_loads_by_bare_name) {
    // Keep the library in the process: a bare-name load would then succeed at
    // once, so only the directories decide.
    lib_loader by_path(unreadable_dir, unreadable_dir);
    const std::wstring full_path = real_system_dir() + L"\\msimg32.dll";
    dyn_proc anchor(by_path, full_path, "AlphaBlend");
    ASSERT_NE(anchor.get(), nullptr);
    EXPECT_EQ(by_path.references(full_path), 1);
    ASSERT_TRUE(loaded());

    EXPECT_EQ(by_path.get_proc(test_library, "AlphaBlend", true), nullptr);
    EXPECT_EQ(by_path.system_dir(), L"");
    EXPECT_EQ(by_path.windows_dir(), L"");

    lib_loader too_long(oversized_dir, oversized_dir);
    EXPECT_EQ(too_long.get_proc(test_library, "AlphaBlend", true), nullptr);
    EXPECT_EQ(too_long.system_dir(), L"");

    // The Windows directory is the fallback when the system directory has no such library.
    lib_loader fallback(missing_dir, system_dir_as_windows_dir);
    EXPECT_EQ(fallback.system_dir(), L"C:\\no-such-folder\\");
    const FARPROC proc = fallback.get_proc(test_library, "AlphaBlend", true);
    EXPECT_EQ(proc, anchor.get());
    if (proc) fallback.release_lib(test_library);
}

TEST(lib_loader, the_entry_points_of_start_up) {
    lib_loader loader;
    {
        common_controls_entry common_controls(loader);
        layered_window_entry layered_window(loader);
        mouse_tracking_entry mouse_tracking(loader);
        named_entry_pair named(loader);
        EXPECT_NE(common_controls.get(), nullptr);
        EXPECT_NE(layered_window.get(), nullptr);
        EXPECT_NE(mouse_tracking.get(), nullptr);
        EXPECT_EQ(loader.references(L"COMCTL32.DLL"), 2);
        EXPECT_EQ(loader.references(L"USER32.DLL"), 1);
        // The pair's names are stored scrambled and resolve to real entry points.
        EXPECT_NE(named.first.get(), nullptr);
        EXPECT_NE(named.second.get(), nullptr);
        EXPECT_EQ(named.first.library()[0], L'.');
        EXPECT_EQ(loader.references(named.first.library()), 2);
        // The bar classes are registered.
        WNDCLASSEXW status_bar = {};
        status_bar.cbSize = sizeof status_bar;
        EXPECT_TRUE(GetClassInfoExW(nullptr, STATUSCLASSNAMEW, &status_bar));
    }
    EXPECT_EQ(loader.references(L"COMCTL32.DLL"), 0);
    EXPECT_EQ(loader.references(L"USER32.DLL"), 0);
}

} // namespace
