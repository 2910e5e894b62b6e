// Helpers shared by the formatter tests: run one format in narrow and wide form.
#pragma once

#include "util/format/format.h"

#include <string>

template <class C>
std::basic_string<C> widen(const std::string& text) {
    std::basic_string<C> out;
    for (char ch : text) out.push_back(static_cast<C>(static_cast<unsigned char>(ch)));
    return out;
}

// Formats `format` (ASCII) with `args` by basic_format<C> and returns str().
template <class C, class... Args>
std::basic_string<C> run_format(const std::string& format, const Args&... args) {
    std::basic_string<C> wide_format = widen<C>(format);
    basic_format<C> out(wide_format.c_str());
    (void)(out << ... << args);
    return out.str();
}

// The narrow result, after checking that the wide formatter gives the same text.
template <class... Args>
std::string run_both(const std::string& format, const Args&... args) {
    std::string narrow = run_format<char>(format, args...);
    std::wstring wide = run_format<wchar_t>(format, args...);
    return wide == widen<wchar_t>(narrow) ? narrow : "narrow '" + narrow + "' differs from wide";
}
