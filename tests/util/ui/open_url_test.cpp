#include "util/ui/open_url.h"

#include "util/sys/os_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(starts_with_nocase, compares_upper_cased_characters) {
    EXPECT_TRUE(starts_with_nocase(L"http://example.test", L"http://"));
    EXPECT_TRUE(starts_with_nocase(L"HTTP://example.test", L"http://"));
    EXPECT_TRUE(starts_with_nocase(L"hTtPs://example.test", L"HTTPS://"));
    EXPECT_TRUE(starts_with_nocase(L"http://", L"http://"));
    EXPECT_TRUE(starts_with_nocase(L"anything", L""));
    EXPECT_TRUE(starts_with_nocase(L"", L""));
    EXPECT_FALSE(starts_with_nocase(L"", L"h"));
    EXPECT_FALSE(starts_with_nocase(L"http:/", L"http://"));
    EXPECT_FALSE(starts_with_nocase(L"https://example.test", L"http://"));
    EXPECT_FALSE(starts_with_nocase(L"ftp://example.test", L"http://"));
    // A NUL inside the text is an ordinary character that matches no letter.
    EXPECT_FALSE(starts_with_nocase(std::wstring(L"ht\0tp://", 8), L"http://"));
}

TEST(quote_if_needed, encloses_unless_already_enclosed) {
    struct quote_case {
        const wchar_t* text;
        const wchar_t* quoted;
    };
    const quote_case cases[] = {
        {L"\"C:\\Program Files\\Browser\\browser.exe\"", L"\"C:\\Program Files\\Browser\\browser.exe\""},
        {L"C:\\Program Files\\Browser\\browser.exe", L"\"C:\\Program Files\\Browser\\browser.exe\""},
        // Enclosed once more, so that it begins with two quotes.
        {L"\"C:\\browser.exe\" -url", L"\"\"C:\\browser.exe\" -url\""},
        {L"\"", L"\"\"\""},
        {L"\"\"", L"\"\""},
        {L"", L"\"\""},
        {L"C:\\browser.exe\"", L"\"C:\\browser.exe\"\""},
    };
    for (const quote_case& c : cases) {
        std::wstring text = c.text;
        quote_if_needed(text);
        EXPECT_EQ(text, c.quoted);
    }
}

os_info with_flags(bool ge_501, bool ge_502) {
    os_info os;
    os.ge_501 = ge_501;
    os.ge_502 = ge_502;
    return os;
}

TEST(opens_with_default_browser, only_web_addresses_on_windows_xp) {
    const os_info xp = with_flags(true, false);
    EXPECT_TRUE(opens_with_default_browser(xp, L"http://example.test/ping"));
    EXPECT_TRUE(opens_with_default_browser(xp, L"https://example.test/support"));
    EXPECT_TRUE(opens_with_default_browser(xp, L"HTTP://EXAMPLE.TEST/"));
    EXPECT_TRUE(opens_with_default_browser(xp, L"HttpS://example.test/"));
    EXPECT_FALSE(opens_with_default_browser(xp, L"ftp://example.test/"));
    EXPECT_FALSE(opens_with_default_browser(xp, L"mailto:someone@example.test"));
    EXPECT_FALSE(opens_with_default_browser(xp, L"example.test/http://"));
    EXPECT_FALSE(opens_with_default_browser(xp, L""));

    // Server 2003 and later, and a failed detection (both flags clear), use the shell.
    EXPECT_FALSE(opens_with_default_browser(with_flags(true, true), L"http://example.test/"));
    EXPECT_FALSE(opens_with_default_browser(with_flags(false, false), L"http://example.test/"));
    EXPECT_FALSE(opens_with_default_browser(with_flags(false, true), L"http://example.test/"));

    // From detected facts: XP SP3 takes the browser path, XP x64 (5.2) does not.
    os_facts facts;
    facts.detected = true;
    facts.reported = {5, 1, 2600, 2, L"Service Pack 3", 3, 0, 0x100, 1};
    EXPECT_TRUE(opens_with_default_browser(os_info(facts), L"http://example.test/"));
    facts.reported.minor = 2;
    EXPECT_FALSE(opens_with_default_browser(os_info(facts), L"http://example.test/"));
}

} // namespace
