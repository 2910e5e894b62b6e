#include "util/ui/open_url.h"

#include "util/sys/os_info.h"

#include <locale>

bool starts_with_nocase(const std::wstring& text, const wchar_t* prefix) {
    const std::locale locale;
    const auto& ctype = std::use_facet<std::ctype<wchar_t>>(locale);
    std::size_t i = 0;
    for (; prefix[i]; ++i) {
        if (i >= text.size() || ctype.toupper(text[i]) != ctype.toupper(prefix[i])) return false;
    }
    return true;
}

void quote_if_needed(std::wstring& text) {
    if (text.size() > 1 && text.front() == L'"' && text.back() == L'"') return;
    text.insert(text.begin(), L'"');
    text.push_back(L'"');
}

bool opens_with_default_browser(const os_info& os, const std::wstring& url) {
    return os.ge_501 && !os.ge_502 &&
           (starts_with_nocase(url, L"http://") || starts_with_nocase(url, L"https://"));
}
