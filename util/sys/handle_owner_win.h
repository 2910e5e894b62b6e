// handle_owner: the one move-only owner of a Win32 handle, with an alias per kind of handle.
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

namespace handle_detail {

template <class Handle>
bool not_null(Handle handle) {
    return handle != nullptr;
}

// CreateFileW answers INVALID_HANDLE_VALUE, not null, when it fails.
inline bool file_handle_valid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The release functions as plain functions of this program: the address of an imported
// system function is no constant a template argument may hold on every compiler.
inline void close_handle(HANDLE handle) {
    CloseHandle(handle);
}
inline void destroy_menu(HMENU menu) {
    DestroyMenu(menu);
}
inline void close_key(HKEY key) {
    RegCloseKey(key);
}
inline void free_local(HLOCAL memory) {
    LocalFree(memory);
}
inline void destroy_icon(HICON icon) {
    DestroyIcon(icon);
}
inline void close_stream(std::FILE* stream) {
    std::fclose(stream);
}
inline void delete_dc(HDC dc) {
    DeleteDC(dc);
}
template <class Object>
void delete_gdi_object(Object object) {
    DeleteObject(object);
}

} // namespace handle_detail

// Owns one handle and releases it with `release` when it goes or is replaced. A handle
// for which `valid` is false (null, or INVALID_HANDLE_VALUE for files) is never released.
// Moving leaves the source empty; copying is not possible: a handle has one owner.
template <class Handle, void (*release)(Handle), bool (*valid)(Handle) = handle_detail::not_null<Handle>>
class handle_owner {
public:
    handle_owner() = default;
    explicit handle_owner(Handle handle) : handle_(handle) {}
    ~handle_owner() { reset(); }
    handle_owner(handle_owner&& other) noexcept : handle_(other.detach()) {}
    handle_owner& operator=(handle_owner&& other) noexcept {
        if (this != &other) reset(other.detach());
        return *this;
    }
    handle_owner(const handle_owner&) = delete;
    handle_owner& operator=(const handle_owner&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return valid(handle_); }

    // Releases the handle held so far and takes `handle`.
    void reset(Handle handle = Handle()) {
        const Handle old = std::exchange(handle_, handle);
        if (valid(old)) release(old);
    }
    // Gives the handle up without releasing it.
    Handle detach() { return std::exchange(handle_, Handle()); }
    // For a call that hands out a new handle through a pointer: the old one is released first.
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Handle();
};

// Kernel objects: threads, processes, events.
using owned_handle = handle_owner<HANDLE, handle_detail::close_handle>;
// What CreateFileW opens.
using owned_file = handle_owner<HANDLE, handle_detail::close_handle, handle_detail::file_handle_valid>;
using owned_menu = handle_owner<HMENU, handle_detail::destroy_menu>;
using owned_key = handle_owner<HKEY, handle_detail::close_key>;
// An icon loaded at a size of the caller's (not shared).
using owned_icon = handle_owner<HICON, handle_detail::destroy_icon>;
// Memory the system allocated for the caller (FormatMessageW's buffer, for one).
using owned_local = handle_owner<HLOCAL, handle_detail::free_local>;
// A C runtime stream (what _wfopen opens): closing it writes what its buffer still holds.
using owned_stream = handle_owner<std::FILE*, handle_detail::close_stream>;
// A memory DC of CreateCompatibleDC's. Deleting it deletes nothing selected into it: a bitmap
// selected there outlives it, and is deleted after it.
using owned_dc = handle_owner<HDC, handle_detail::delete_dc>;
// Pens, brushes, fonts, bitmaps, regions: everything DeleteObject takes.
template <class Object>
using owned_gdi = handle_owner<Object, handle_detail::delete_gdi_object<Object>>;
