#include "util/sys/os_info.h"

#include "tests/util/sys/probe_child_win.h"
#include "util/format/format.h"
#include "util/sys/reg_key_win.h"
#include "util/sys/string_convert.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

namespace {

const wchar_t probe_test[] = L"os_info_probe.DISABLED_report";

std::wstring flag(bool value) {
    return value ? L"1" : L"0";
}

// Run only in a probe child: reports the process-wide description built before main.
TEST(os_info_probe, DISABLED_report) {
    const os_info& info = process_os_info;
    std::wstring report;
    basic_strformat<wchar_t> out(report);
    out.set_format(
        L"version=%?\nbuild=%?\nsp_version=%?\nfaked=%?\nge_501=%?\nge_502=%?\nge_600=%?\nge_602=%?\n")
        << info.version << info.build << info.sp_version << flag(info.faked) << flag(info.ge_501)
        << flag(info.ge_502) << flag(info.ge_600) << flag(info.ge_602);
    out.set_format(L"processors=%?\nproduct_name=%?\nshort_name=%?\nedition=%?\nversion_text=%?\n")
        << info.processors << info.product_name << info.short_name << info.edition << info.version_text;
    out.finish();
    ASSERT_TRUE(probe::write_report(report));
}

unsigned system_processors() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return system.dwNumberOfProcessors;
}

// Wine's default: Windows 7 SP1 with the numbers unchanged.
TEST(os_info_detection, running_system) {
    if (!probe::under_wine()) GTEST_SKIP() << "the expected numbers are Wine's";
    const os_info& info = process_os_info;
    EXPECT_TRUE(info.detected);
    EXPECT_FALSE(info.faked);
    EXPECT_EQ(info.version, 601u);
    EXPECT_EQ(info.major, 6u);
    EXPECT_EQ(info.minor, 1u);
    EXPECT_EQ(info.build, 7601u);
    EXPECT_EQ(info.sp_version, 100u);
    EXPECT_EQ(info.sp_major, 1u);
    EXPECT_TRUE(info.ge_500_a && info.ge_500_b && info.ge_501 && info.ge_502 && info.ge_600 && info.ge_601);
    EXPECT_FALSE(info.ge_602 || info.is_9x || info.is_ce || info.is_wow64);
    EXPECT_EQ(info.processors, system_processors());
    EXPECT_EQ(info.lang_id, GetSystemDefaultLangID());
    EXPECT_STREQ(info.short_name, L"Windows 7");
    // Wine's registry names "Microsoft Windows 7"; the maker's word is dropped.
    EXPECT_EQ(info.product_name.rfind(L"Windows 7", 0), 0u) << to_utf8(info.product_name);
    EXPECT_EQ(info.version_text, L"6.01.7601, SP1");
    const std::wstring procs =
        info.processors == 1 ? L"" : L" (" + std::to_wstring(info.processors) + L" procs)";
    EXPECT_EQ(info.short_description, info.product_name + procs);
    EXPECT_EQ(info.description, (basic_format<wchar_t>(L"%? v6.01.7601, SP1, LangId %04x")
                                 << info.short_description << info.lang_id)
                                    .str());

    // Detection again gives the same description.
    const os_info again = os_info::detect();
    EXPECT_EQ(again.description, info.description);
    EXPECT_EQ(again.build_lab, info.build_lab);
}

// Wine reports the version chosen for an executable's name under AppDefaults
// (what winecfg sets per application), so a copy of this executable under a
// name of its own sees that version while every other process is unaffected.
class reported_version : public ::testing::Test {
protected:
    std::map<std::string, std::string> probe_as(const wchar_t* wine_version) {
        const std::wstring name =
            L"os_probe_" + std::to_wstring(GetCurrentProcessId()) + L"_" + wine_version + L".exe";
        const std::wstring copy = folder.file(name);
        EXPECT_TRUE(CopyFileW(probe::this_executable().c_str(), copy.c_str(), FALSE)) << GetLastError();
        const std::wstring key_path = L"Software\\Wine\\AppDefaults\\" + name;
        {
            reg_key key;
            EXPECT_TRUE(key.create(key_path.c_str(), HKEY_CURRENT_USER, 0, KEY_ALL_ACCESS))
                << key.last_error();
            const std::wstring value = wine_version;
            EXPECT_TRUE(
                key.write(L"Version", value.c_str(), static_cast<DWORD>((value.size() + 1) * 2), REG_SZ));
        }
        const auto report = probe::run(copy, probe_test, folder);
        RegDeleteTreeW(HKEY_CURRENT_USER, key_path.c_str());
        DeleteFileW(copy.c_str());
        EXPECT_TRUE(report.has_value()) << "no report from the probe running as " << to_utf8(wine_version);
        return report ? probe::parse_report(*report) : std::map<std::string, std::string>{};
    }

    void SetUp() override {
        if (!probe::under_wine()) GTEST_SKIP() << "the version is chosen through Wine's registry";
    }

    probe::temp_folder folder;
};

TEST_F(reported_version, windows_xp) {
    auto fields = probe_as(L"winxp");
    EXPECT_EQ(fields["version"], "501");
    EXPECT_EQ(fields["build"], "2600");
    EXPECT_EQ(fields["faked"], "0");
    // The web page opener's own case: XP and nothing newer.
    EXPECT_EQ(fields["ge_501"], "1");
    EXPECT_EQ(fields["ge_502"], "0");
    EXPECT_EQ(fields["short_name"], "Windows XP");
    EXPECT_EQ(fields["version_text"], "5.01.2600 (Professional), SP3");
    EXPECT_EQ(fields["processors"], std::to_string(system_processors()));
}

TEST_F(reported_version, windows_xp_64_bit) {
    auto fields = probe_as(L"winxp64");
    EXPECT_EQ(fields["version"], "502");
    EXPECT_EQ(fields["build"], "3790");
    EXPECT_EQ(fields["faked"], "0");
    EXPECT_EQ(fields["ge_501"], "1");
    EXPECT_EQ(fields["ge_502"], "1");
    EXPECT_EQ(fields["ge_600"], "0");
    EXPECT_EQ(fields["sp_version"], "200");
    EXPECT_EQ(fields["short_name"], "Windows Server 2003");
    EXPECT_EQ(fields["version_text"], "5.02.3790, SP2");
}

// Without a manifest that names Windows 10, the reported numbers stop at 6.2
// while the system's own say 10.0.
TEST_F(reported_version, windows_10_reports_faked_numbers) {
    auto fields = probe_as(L"win10");
    EXPECT_EQ(fields["version"], "1000");
    EXPECT_EQ(fields["faked"], "1");
    EXPECT_EQ(fields["ge_602"], "1");
    EXPECT_EQ(fields["sp_version"], "0");
    EXPECT_EQ(fields["product_name"], "Windows 8");
    EXPECT_EQ(fields["edition"], " (faked to 6.02.9200)");
    EXPECT_NE(fields["build"], "9200");
    EXPECT_EQ(fields["version_text"], "10.00." + fields["build"] + " (faked to 6.02.9200)");
}

} // namespace
