#include "util/sys/string_convert.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

// UTF-8, UTF-7 and a few stateful code pages reject MB_PRECOMPOSED and
// WC_COMPOSITECHECK with ERROR_INVALID_FLAGS; the thread's ANSI code page can
// be one of them, so such a refusal is answered by converting without flags.
int multi_to_wide(UINT code_page, const char* text, int length, wchar_t* out, int out_length) {
    const int result = MultiByteToWideChar(code_page, MB_PRECOMPOSED, text, length, out, out_length);
    if (result == 0 && GetLastError() == ERROR_INVALID_FLAGS)
        return MultiByteToWideChar(code_page, 0, text, length, out, out_length);
    return result;
}

int wide_to_multi(UINT code_page, const wchar_t* text, int length, char* out, int out_length) {
    const int result =
        WideCharToMultiByte(code_page, WC_COMPOSITECHECK, text, length, out, out_length, nullptr, nullptr);
    if (result == 0 && GetLastError() == ERROR_INVALID_FLAGS)
        return WideCharToMultiByte(code_page, 0, text, length, out, out_length, nullptr, nullptr);
    return result;
}

// A length the system would misread: null text, zero, or negative other than -1.
bool usable_input(const void* text, int length) {
    return text != nullptr && (length > 0 || length == -1);
}

// std::string sizes beyond INT_MAX cannot be passed to the system at all.
bool fits_int(std::size_t size) {
    return size <= static_cast<std::size_t>(INT_MAX);
}

template <typename Out, typename In, typename Convert>
std::basic_string<Out> convert_two_pass(UINT code_page, const In* text, int length, Convert convert) {
    std::basic_string<Out> out;
    if (!usable_input(text, length)) return out;
    const int needed = convert(code_page, text, length, nullptr, 0);
    if (needed <= 0) return out;
    out.resize(static_cast<std::size_t>(needed));
    const int written = convert(code_page, text, length, &out[0], needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

template <typename Out, typename In, typename Convert>
int convert_buffer(const In* text, int length, Out* out, int out_length, bool truncate, Convert convert) {
    if (!usable_input(text, length) || out_length < 0 || (out_length > 0 && out == nullptr)) return 0;
    if (out_length == 0) return convert(CP_THREAD_ACP, text, length, nullptr, 0);
    if (!truncate) return convert(CP_THREAD_ACP, text, length, out, out_length);
    const int needed = convert(CP_THREAD_ACP, text, length, nullptr, 0);
    if (needed <= 0) return 0;
    if (needed <= out_length) return convert(CP_THREAD_ACP, text, length, out, out_length);
    std::vector<Out> whole(static_cast<std::size_t>(needed));
    if (convert(CP_THREAD_ACP, text, length, whole.data(), needed) <= 0) return 0;
    std::copy(whole.begin(), whole.begin() + out_length, out);
    return out_length;
}

} // namespace

std::wstring to_wide(unsigned code_page, const char* text, int length) {
    return convert_two_pass<wchar_t>(code_page, text, length, multi_to_wide);
}

std::wstring to_wide(unsigned code_page, const std::string& text) {
    if (!fits_int(text.size())) return std::wstring();
    return to_wide(code_page, text.data(), static_cast<int>(text.size()));
}

std::string to_narrow(unsigned code_page, const wchar_t* text, int length) {
    return convert_two_pass<char>(code_page, text, length, wide_to_multi);
}

std::string to_narrow(unsigned code_page, const std::wstring& text) {
    if (!fits_int(text.size())) return std::string();
    return to_narrow(code_page, text.data(), static_cast<int>(text.size()));
}

std::wstring to_wide(const std::string& text) {
    return to_wide(CP_THREAD_ACP, text);
}

std::string to_narrow(const std::wstring& text) {
    return to_narrow(CP_THREAD_ACP, text);
}

int convert_to_wide(const char* text, int length, wchar_t* out, int out_length, bool truncate) {
    return convert_buffer(text, length, out, out_length, truncate, multi_to_wide);
}

int convert_to_narrow(const wchar_t* text, int length, char* out, int out_length, bool truncate) {
    return convert_buffer(text, length, out, out_length, truncate, wide_to_multi);
}

void copy_to_wide(wchar_t* out, const char* text, int out_length) {
    if (out == nullptr || out_length <= 0) return;
    if (convert_to_wide(text, -1, out, out_length, true) == 0) {
        out[0] = L'\0';
        return;
    }
    out[out_length - 1] = L'\0';
}

void copy_to_narrow(char* out, const wchar_t* text, int out_length) {
    if (out == nullptr || out_length <= 0) return;
    if (convert_to_narrow(text, -1, out, out_length, true) == 0) {
        out[0] = '\0';
        return;
    }
    out[out_length - 1] = '\0';
}
