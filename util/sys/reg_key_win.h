// reg_key: the owner of one open registry key, with typed reads and writes.
#pragma once

#include <windows.h>

#include <string>

// Every operation answers with a success flag and keeps the Win32 error code
// of its last system call in last_error(); nothing throws except allocation in
// read_string. Names are UTF-16. A root of 0 means HKEY_LOCAL_MACHINE.
class reg_key {
public:
    reg_key() = default;
    ~reg_key();
    reg_key(const reg_key&) = delete;
    reg_key& operator=(const reg_key&) = delete;
    // A moved-from key is closed.
    reg_key(reg_key&& other) noexcept;
    reg_key& operator=(reg_key&& other) noexcept;

    // Both close any key open before; the key is created when missing.
    bool create(const wchar_t* subkey, HKEY root, DWORD options, REGSAM access);
    bool open(const wchar_t* subkey, HKEY root, REGSAM access);
    // True when nothing was open or the close succeeded; the key is closed
    // afterwards either way.
    bool close();

    // Succeeds only for a value of exactly `size` bytes and registry `type`.
    // A value of another size fails with ERROR_MORE_DATA and leaves `data`
    // untouched; one of the right size but another type fails with
    // ERROR_INVALID_FUNCTION after its bytes were stored into `data`.
    bool read(const wchar_t* name, void* data, DWORD size, DWORD type);
    bool write(const wchar_t* name, const void* data, DWORD size, DWORD type);

    // REG_SZ or REG_EXPAND_SZ (unexpanded) text as stored, terminating NULs
    // included; `out` is changed only on success. A value of another type
    // fails with ERROR_INVALID_FUNCTION.
    bool read_string(const wchar_t* name, std::wstring& out);
    // The same without the trailing NULs.
    bool read_string_trimmed(const wchar_t* name, std::wstring& out);

    HKEY handle() const { return handle_; }
    LONG last_error() const { return last_error_; }
    bool is_open() const { return handle_ != closed_handle(); }

private:
    // All bits set, not zero, marks a closed key.
    static HKEY closed_handle() { return reinterpret_cast<HKEY>(static_cast<INT_PTR>(-1)); }
    bool fail_when_closed();

    HKEY handle_ = closed_handle();
    LONG last_error_ = ERROR_SUCCESS;
};
