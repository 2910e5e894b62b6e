// Text conversions: Windows code pages <-> UTF-16, and UTF-16 -> UTF-8.
#pragma once

#include <string>

// UTF-16 to UTF-8 with the library's own encoder (no system call, so it also
// serves the host build). A high surrogate waits for the low surrogate that
// must follow it; a lone high surrogate produces nothing, a lone low surrogate
// is encoded as its own value.
std::string to_utf8(const std::wstring& text);

// Encodes one code point; values above 0x1FFFFF get the historical five- and
// six-byte forms. Returns the number of bytes appended to `out`.
int append_utf8(std::string& out, unsigned long code_point);

#ifdef _WIN32

// The code-page conversions wrap MultiByteToWideChar (MB_PRECOMPOSED) and
// WideCharToMultiByte (WC_COMPOSITECHECK, no default character). They report
// failure only through an empty result. A length of -1 means "up to and
// including the terminating NUL", which then also ends up in the result.
std::wstring to_wide(unsigned code_page, const char* text, int length);
std::wstring to_wide(unsigned code_page, const std::string& text);
std::string to_narrow(unsigned code_page, const wchar_t* text, int length);
std::string to_narrow(unsigned code_page, const std::wstring& text);

// The same with the calling thread's ANSI code page (CP_THREAD_ACP).
std::wstring to_wide(const std::string& text);
std::string to_narrow(const std::wstring& text);

// Buffer conversions with the thread's ANSI code page. `length` -1 converts up
// to and including the terminating NUL. `out_length` 0 only asks for the size
// needed. With `truncate` a too small `out` receives the first `out_length`
// characters of the whole conversion (result `out_length`); without it the
// result is 0 then. Any other failure also gives 0.
int convert_to_wide(const char* text, int length, wchar_t* out, int out_length, bool truncate);
int convert_to_narrow(const wchar_t* text, int length, char* out, int out_length, bool truncate);

// Bounded copies of a NUL-terminated text: convert as much as fits and always
// end `out` with a NUL in its last place. A null `text` or a failed conversion
// leaves `out` empty; a null `out` or `out_length` <= 0 does nothing.
void copy_to_wide(wchar_t* out, const char* text, int out_length);
void copy_to_narrow(char* out, const wchar_t* text, int out_length);

#endif
