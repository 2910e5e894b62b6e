// lib_loader: optional system entry points, each library loaded once by full path and freed with its last
// holder.
#pragma once

#include "util/sys/critical_section.h"

#include <windows.h>

#include <map>
#include <string>

// GetSystemDirectoryW's contract: fills `buffer` of `size` characters and
// returns the length, 0 on failure, or the size needed when it does not fit.
using directory_reader = UINT(WINAPI*)(LPWSTR buffer, UINT size);

// Library names are compared exactly (letter case counts). A library is only
// ever loaded from the system directory or, failing that, the Windows
// directory, never through the search order of a bare name; a name holding a
// '\' is loaded as given, and one beginning with '.' is stored scrambled.
class lib_loader {
public:
    // The readers are replaceable to examine directories that cannot be read.
    explicit lib_loader(directory_reader read_system_dir = GetSystemDirectoryW,
                        directory_reader read_windows_dir = GetWindowsDirectoryW);
    lib_loader(const lib_loader&) = delete;
    lib_loader& operator=(const lib_loader&) = delete;

    // Takes one reference of `library` (loading it the first time) and looks
    // up `entry` (scrambled when it begins with '.'). Null when the library
    // could not be loaded - its reference then stays taken - or when the entry
    // point is missing; in that case `release_on_failure` gives the reference back.
    FARPROC get_proc(const std::wstring& library, const std::string& entry, bool release_on_failure);
    // Drops one reference; the last one frees the library. Unknown names are ignored.
    void release_lib(const std::wstring& library);

    // References held on `library`, 0 when it has no entry.
    long references(const std::wstring& library) const;
    // The directories with a trailing '\', empty when they could not be read.
    std::wstring system_dir() const;
    std::wstring windows_dir() const;

private:
    struct entry {
        HMODULE handle;
        LONG count;
    };
    struct cached_dir {
        directory_reader reader;
        bool read;
        std::wstring path;
    };

    HMODULE load_lib(const std::wstring& library);
    const std::wstring& directory(cached_dir& dir) const;

    mutable critical_section lock_;
    std::map<std::wstring, entry> libraries_;
    mutable cached_dir system_dir_;
    mutable cached_dir windows_dir_;
};

// Function pointers of different types are converted through void (*)(), the
// one form that is meant to hold any of them.
template <class Function>
Function function_cast(FARPROC proc) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// An entry point named at run time: resolved at construction, its library
// reference released at destruction when it was found.
class dyn_proc {
public:
    dyn_proc(lib_loader& loader, const std::wstring& library, const std::string& entry);
    ~dyn_proc();
    dyn_proc(const dyn_proc&) = delete;
    dyn_proc& operator=(const dyn_proc&) = delete;

    FARPROC get() const { return proc_; }
    template <class Function>
    Function as() const {
        return function_cast<Function>(proc_);
    }
    const std::wstring& library() const { return library_; }
    const std::string& entry() const { return entry_; }

private:
    lib_loader& loader_;
    std::wstring library_;
    std::string entry_;
    FARPROC proc_;
};

// An entry point whose library, name and type are constants of `Traits`
// (`library`, `entry`, `function`).
template <class Traits>
class fixed_proc {
public:
    using function = typename Traits::function;

    explicit fixed_proc(lib_loader& loader)
        : loader_(loader),
          proc_(function_cast<function>(loader.get_proc(Traits::library, Traits::entry, true))) {}
    ~fixed_proc() {
        if (proc_) loader_.release_lib(Traits::library);
    }
    fixed_proc(const fixed_proc&) = delete;
    fixed_proc& operator=(const fixed_proc&) = delete;

    // Null when the system does not offer the entry point.
    function get() const { return proc_; }

private:
    lib_loader& loader_;
    function proc_;
};

// The process-wide loader.
extern lib_loader process_lib_loader;
