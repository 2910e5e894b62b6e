#include "util/sys/reg_key_win.h"

#include <vector>

namespace {

HKEY root_or_machine(HKEY root) {
    return root != nullptr ? root : HKEY_LOCAL_MACHINE;
}

bool is_string_type(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Most string values fit here, sparing the heap and a second query.
constexpr DWORD string_buffer_bytes = 256;

} // namespace

reg_key::~reg_key() {
    close();
}

reg_key::reg_key(reg_key&& other) noexcept : handle_(other.handle_), last_error_(other.last_error_) {
    other.handle_ = closed_handle();
    other.last_error_ = ERROR_SUCCESS;
}

reg_key& reg_key::operator=(reg_key&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        last_error_ = other.last_error_;
        other.handle_ = closed_handle();
        other.last_error_ = ERROR_SUCCESS;
    }
    return *this;
}

bool reg_key::create(const wchar_t* subkey, HKEY root, DWORD options, REGSAM access) {
    close();
    DWORD disposition = 0;
    last_error_ = RegCreateKeyExW(root_or_machine(root), subkey, 0, nullptr, options, access, nullptr,
                                  &handle_, &disposition);
    if (last_error_ != ERROR_SUCCESS) handle_ = closed_handle();
    return is_open();
}

bool reg_key::open(const wchar_t* subkey, HKEY root, REGSAM access) {
    close();
    last_error_ = RegOpenKeyExW(root_or_machine(root), subkey, 0, access, &handle_);
    if (last_error_ != ERROR_SUCCESS) handle_ = closed_handle();
    return is_open();
}

bool reg_key::close() {
    if (!is_open()) {
        last_error_ = ERROR_SUCCESS;
        return true;
    }
    last_error_ = RegCloseKey(handle_);
    handle_ = closed_handle();
    return last_error_ == ERROR_SUCCESS;
}

// The closed marker is not a key; the system would only fail on it anyway.
bool reg_key::fail_when_closed() {
    if (is_open()) return false;
    last_error_ = ERROR_INVALID_HANDLE;
    return true;
}

bool reg_key::write(const wchar_t* name, const void* data, DWORD size, DWORD type) {
    if (fail_when_closed()) return false;
    last_error_ = RegSetValueExW(handle_, name, 0, type, static_cast<const BYTE*>(data), size);
    return last_error_ == ERROR_SUCCESS;
}

bool reg_key::read(const wchar_t* name, void* data, DWORD size, DWORD type) {
    if (fail_when_closed()) return false;
    // Without a destination the system would only report the size, and the
    // read would pass without reading anything.
    if (data == nullptr && size != 0) {
        last_error_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    // Asking for the size first keeps a value of another size out of the
    // caller's buffer: a shorter one would otherwise overwrite part of it
    // although the read fails.
    DWORD stored_type = REG_NONE;
    DWORD byte_count = 0;
    last_error_ = RegQueryValueExW(handle_, name, nullptr, &stored_type, nullptr, &byte_count);
    if (last_error_ != ERROR_SUCCESS) return false;
    if (byte_count != size) {
        last_error_ = ERROR_MORE_DATA;
        return false;
    }
    byte_count = size;
    last_error_ =
        RegQueryValueExW(handle_, name, nullptr, &stored_type, static_cast<BYTE*>(data), &byte_count);
    if (last_error_ != ERROR_SUCCESS) return false;
    if (byte_count != size) {
        last_error_ = ERROR_MORE_DATA;
        return false;
    }
    // The bytes of a value of the right size are kept even when its type is
    // wrong: the settings take a 4-byte REG_BINARY number as it is.
    if (stored_type != type) {
        last_error_ = ERROR_INVALID_FUNCTION;
        return false;
    }
    return true;
}

bool reg_key::read_string(const wchar_t* name, std::wstring& out) {
    if (fail_when_closed()) return false;
    wchar_t local[string_buffer_bytes / sizeof(wchar_t)];
    DWORD type = REG_NONE;
    DWORD byte_count = string_buffer_bytes;
    last_error_ =
        RegQueryValueExW(handle_, name, nullptr, &type, reinterpret_cast<BYTE*>(local), &byte_count);
    if (last_error_ != ERROR_SUCCESS && last_error_ != ERROR_MORE_DATA) return false;
    if (!is_string_type(type)) {
        last_error_ = ERROR_INVALID_FUNCTION;
        return false;
    }
    if (last_error_ == ERROR_SUCCESS) {
        out.assign(local, byte_count / sizeof(wchar_t));
        return true;
    }
    // byte_count now holds the size needed; the value may still change
    // before the second query, which then fails or is checked again.
    std::vector<wchar_t> heap(byte_count / sizeof(wchar_t) + 1);
    byte_count = static_cast<DWORD>(heap.size() * sizeof(wchar_t));
    last_error_ =
        RegQueryValueExW(handle_, name, nullptr, &type, reinterpret_cast<BYTE*>(heap.data()), &byte_count);
    if (last_error_ != ERROR_SUCCESS) return false;
    if (!is_string_type(type)) {
        last_error_ = ERROR_INVALID_FUNCTION;
        return false;
    }
    out.assign(heap.data(), byte_count / sizeof(wchar_t));
    return true;
}

bool reg_key::read_string_trimmed(const wchar_t* name, std::wstring& out) {
    if (!read_string(name, out)) return false;
    while (!out.empty() && out.back() == L'\0') out.pop_back();
    return true;
}
