#include "util/sys/os_info.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An NT system whose reported numbers are its real ones, with the extended record.
os_facts nt_facts(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                  std::uint8_t product_type = 1, std::uint16_t suite = 0) {
    os_facts facts;
    facts.detected = true;
    facts.extended = true;
    facts.reported.major = major;
    facts.reported.minor = minor;
    facts.reported.build = build;
    facts.reported.platform_id = 2;
    facts.reported.product_type = product_type;
    facts.reported.suite_mask = suite;
    facts.has_real_numbers = true;
    facts.real_major = major;
    facts.real_minor = minor;
    // The system sets flag bits above the build number.
    facts.real_build = 0xF0000000u | build;
    facts.processors = 1;
    facts.lang_id = 0x0409;
    return facts;
}

os_facts windows_9x_facts(std::uint32_t major, std::uint32_t minor, std::uint32_t build, const wchar_t* csd) {
    os_facts facts;
    facts.detected = true;
    facts.extended = true;
    facts.reported.major = major;
    facts.reported.minor = minor;
    facts.reported.build = build;
    facts.reported.platform_id = 1;
    facts.reported.csd_version = csd;
    facts.processors = 1;
    facts.lang_id = 0x0407;
    return facts;
}

TEST(os_info, windows_xp_worked_example) {
    os_facts facts = nt_facts(5, 1, 2600, 1, 0x100);
    facts.reported.sp_major = 3;
    facts.product_name = L"Microsoft Windows XP";
    facts.current_type = L"Uniprocessor Free";
    facts.build_lab = L"2600.xpsp.080413-2111";
    const os_info info(facts);

    EXPECT_TRUE(info.detected);
    EXPECT_FALSE(info.faked);
    EXPECT_EQ(info.version, 501u);
    EXPECT_EQ(info.major, 5u);
    EXPECT_EQ(info.minor, 1u);
    EXPECT_EQ(info.build, 2600u);
    EXPECT_EQ(info.sp_major, 3u);
    EXPECT_EQ(info.sp_version, 300u);
    EXPECT_EQ(info.processors, 1u);
    EXPECT_EQ(info.lang_id, 0x0409u);
    EXPECT_TRUE(info.ge_500_a && info.ge_500_b && info.ge_501);
    EXPECT_FALSE(info.ge_502 || info.ge_600 || info.ge_601 || info.ge_602);
    EXPECT_FALSE(info.is_9x || info.is_98 || info.is_me || info.is_ce || info.is_wow64);
    EXPECT_STREQ(info.short_name, L"Windows XP");
    EXPECT_EQ(info.build_lab, L"2600.xpsp.080413-2111");
    EXPECT_EQ(info.product_name, L"Windows XP Uniprocessor Free");
    EXPECT_EQ(info.edition, L" (Professional)");
    EXPECT_EQ(info.description, L"Windows XP Uniprocessor Free v5.01.2600 (Professional), SP3, LangId 0409");
    EXPECT_EQ(info.version_text, L"5.01.2600 (Professional), SP3");
    EXPECT_EQ(info.short_description, L"Windows XP Uniprocessor Free");
}

TEST(os_info, faked_numbers_keep_the_real_version_and_note_the_reported_one) {
    // A compatibility layer reports XP SP3 on Windows 7.
    os_facts facts = nt_facts(5, 1, 2600, 1, 0x100);
    facts.reported.sp_major = 3;
    facts.real_major = 6;
    facts.real_minor = 1;
    facts.real_build = 0xF0001DB1u; // 7601
    facts.product_name = L"Microsoft Windows XP";
    facts.current_type = L"Multiprocessor Free";
    facts.processors = 4;
    const os_info info(facts);

    EXPECT_TRUE(info.faked);
    EXPECT_EQ(info.version, 601u);
    EXPECT_EQ(info.build, 7601u);
    EXPECT_TRUE(info.ge_601);
    EXPECT_FALSE(info.ge_602);
    EXPECT_EQ(info.product_name, L"Windows 7");
    EXPECT_EQ(info.sp_major, 0u);
    EXPECT_EQ(info.sp_version, 0u);
    EXPECT_EQ(info.edition, L" (faked to 5.01.2600)");
    EXPECT_EQ(info.description, L"Windows 7 (4 procs) v6.01.7601 (faked to 5.01.2600), LangId 0409");
    EXPECT_EQ(info.version_text, L"6.01.7601 (faked to 5.01.2600)");
    EXPECT_EQ(info.short_description, L"Windows 7 (4 procs)");

    // The note follows the edition words; only the low 16 bits of the reported build count.
    facts = nt_facts(6, 2, 0x00A123F0u, 3, 0x2);
    facts.real_major = 10;
    facts.real_minor = 0;
    facts.real_build = 0xF00047BAu; // 18362
    const os_info server(facts);
    EXPECT_TRUE(server.faked);
    EXPECT_EQ(server.version, 1000u);
    EXPECT_EQ(server.build, 18362u);
    EXPECT_EQ(server.product_name, L"Windows 8");
    EXPECT_EQ(server.edition, L" (Server Enterprise Edition) (faked to 6.02.9200)");
    EXPECT_EQ(server.version_text, L"10.00.18362 (Server Enterprise Edition) (faked to 6.02.9200)");

    // Only a build that differs in its low 16 bits counts as faked.
    facts = nt_facts(6, 1, 7601);
    facts.reported.build = 0x00011DB1u;
    EXPECT_FALSE(os_info(facts).faked);
}

TEST(os_info, edition_rules) {
    struct edition_case {
        std::uint32_t major, minor;
        std::uint8_t type;
        std::uint16_t suite;
        const wchar_t* edition;
    };
    const edition_case cases[] = {
        {4, 0, 1, 0, L" (Workstation)"},
        {4, 0, 3, 0x0004, L" (BackOffice Server)"},
        {5, 0, 1, 0, L" (Professional)"},
        {5, 0, 3, 0x0002, L" (Advanced Server)"},
        {5, 0, 3, 0x0080, L" (Datacenter Server)"},
        {5, 0, 2, 0x0010, L" (Terminal Services Domain Controller)"},
        {5, 1, 1, 0x0200, L" (Home)"},
        {5, 1, 1, 0x0100, L" (Professional)"},
        {5, 2, 3, 0x0002, L" (Server Enterprise Edition)"},
        {5, 2, 3, 0x0080, L" (Datacenter Server Edition)"},
        {5, 2, 3, 0x0400, L" (Server Web Edition)"},
        {5, 2, 1, 0x0021, L" (Restricted Small Business Server)"},
        {5, 2, 1, 0x0001, L" (Small Business Server)"},
        {5, 2, 2, 0, L" (Domain Controller)"},
        {5, 2, 3, 0x1000, L" (Server Security Appliance)"},
        {6, 0, 3, 0x0082, L" (Datacenter Server Enterprise Edition)"},
        {6, 1, 1, 0, L""},
    };
    for (const edition_case& c : cases) {
        const os_info info(nt_facts(c.major, c.minor, 1000, c.type, c.suite));
        EXPECT_EQ(info.edition, c.edition)
            << c.major << "." << c.minor << " type " << int(c.type) << " suite " << c.suite;
    }
}

TEST(os_info, without_extended_record_the_registry_gives_service_pack_and_product_type) {
    os_facts facts = nt_facts(4, 0, 1381);
    facts.extended = false;
    facts.reported.sp_major = 9; // not valid in the plain record
    facts.csd_version_value = 0x0600;
    facts.product_type = L"winnt";
    os_info info(facts);
    EXPECT_EQ(info.sp_version, 600u);
    EXPECT_EQ(info.sp_major, 6u);
    EXPECT_EQ(info.edition, L" (Workstation)");
    EXPECT_EQ(info.version_text, L"4.00.1381 (Workstation), SP6");
    EXPECT_EQ(info.product_name, L"Windows NT");

    facts.csd_version_value = 0x0301;
    facts.product_type = L"ServerNT";
    info = os_info(facts);
    EXPECT_EQ(info.sp_version, 301u);
    EXPECT_EQ(info.sp_major, 3u);
    EXPECT_EQ(info.edition, L" (Server)");
    EXPECT_EQ(info.version_text, L"4.00.1381 (Server), SP3.01");

    facts.product_type = L"LanmanNT";
    EXPECT_EQ(os_info(facts).edition, L"");
}

TEST(os_info, registry_names_and_processor_count) {
    os_facts facts = nt_facts(6, 1, 7601);
    facts.reported.sp_major = 1;
    facts.product_name = L"Microsoft Windows 7";
    facts.current_type = L"Multiprocessor Free";
    facts.processors = 4;
    os_info info(facts);
    EXPECT_EQ(info.product_name, L"Windows 7 Multiprocessor Free");
    EXPECT_EQ(info.short_description, L"Windows 7 Multiprocessor Free (4 procs)");
    EXPECT_EQ(info.description, L"Windows 7 Multiprocessor Free (4 procs) v6.01.7601, SP1, LangId 0409");

    // Only the exact prefix is removed; a missing type still leaves its blank.
    facts.product_name = L"microsoft Windows 7";
    facts.current_type.clear();
    EXPECT_EQ(os_info(facts).product_name, L"microsoft Windows 7 ");

    // No registry name: the table's name; a 32-bit process on 64-bit Windows says so.
    facts.product_name.clear();
    facts.is_wow64 = true;
    facts.processors = 0;
    info = os_info(facts);
    EXPECT_TRUE(info.is_wow64);
    EXPECT_EQ(info.product_name, L"Windows 7 on WoW64");
    EXPECT_EQ(info.short_description, L"Windows 7 on WoW64 (0 procs)");

    // Without the system's own numbers the reported ones count and nothing is faked.
    facts = nt_facts(5, 2, 3790);
    facts.has_real_numbers = false;
    facts.reported.sp_major = 2;
    info = os_info(facts);
    EXPECT_FALSE(info.faked);
    EXPECT_EQ(info.version_text, L"5.02.3790, SP2");
    EXPECT_STREQ(info.short_name, L"Windows Server 2003");
}

TEST(os_info, nt_name_table) {
    EXPECT_STREQ(nt_name(351), L"Windows NT");
    EXPECT_STREQ(nt_name(400), L"Windows NT");
    EXPECT_STREQ(nt_name(500), L"Windows 2000");
    EXPECT_STREQ(nt_name(501), L"Windows XP");
    EXPECT_STREQ(nt_name(502), L"Windows Server 2003");
    EXPECT_STREQ(nt_name(599), L"Windows Server 2003");
    EXPECT_STREQ(nt_name(600), L"Windows Vista");
    EXPECT_STREQ(nt_name(601), L"Windows 7");
    EXPECT_STREQ(nt_name(602), L"Windows 8");
    EXPECT_STREQ(nt_name(1000), L"Windows 8");
}

TEST(os_info, windows_9x_family) {
    // The version in the high half of the build number wins over the reported one.
    os_info info(windows_9x_facts(4, 0, 0x040A08AEu, L" A"));
    EXPECT_TRUE(info.detected);
    EXPECT_TRUE(info.is_9x && info.is_98);
    EXPECT_FALSE(info.is_me);
    EXPECT_EQ(info.version, 410u);
    EXPECT_EQ(info.build, 2222u);
    EXPECT_EQ(info.product_name, L"Windows 98 SE");
    EXPECT_STREQ(info.short_name, L"");
    EXPECT_FALSE(info.ge_500_a || info.ge_500_b || info.ge_501);
    EXPECT_EQ(info.description, L"Windows 98 SE v4.10.2222, LangId 0407");

    EXPECT_EQ(os_info(windows_9x_facts(4, 10, 1998, L" ")).product_name, L"Windows 98");
    EXPECT_EQ(os_info(windows_9x_facts(4, 10, 1998, L"")).product_name, L"Windows 98");
    EXPECT_EQ(os_info(windows_9x_facts(4, 0, 950, L" A")).product_name, L"Windows 95");
    EXPECT_EQ(os_info(windows_9x_facts(4, 0, 950, L" B")).product_name, L"Windows 95 OSR2");
    EXPECT_EQ(os_info(windows_9x_facts(4, 0, 950, L" C")).product_name, L"Windows 95 OSR2");
    EXPECT_EQ(os_info(windows_9x_facts(4, 3, 1214, L"")).product_name, L"Windows 95 OSR2");
    EXPECT_EQ(os_info(windows_9x_facts(4, 20, 1214, L"")).product_name, L"Windows 98 SE");
    info = os_info(windows_9x_facts(4, 90, 3000, L" "));
    EXPECT_EQ(info.product_name, L"Windows Me");
    EXPECT_TRUE(info.is_me);
    EXPECT_STREQ(windows_9x_name(395, 0), L"Windows 95");

    // Platform 1 with faked numbers is an NT system pretending.
    os_facts facts = windows_9x_facts(4, 10, 0x040A08AEu, L" A");
    facts.has_real_numbers = true;
    facts.real_major = 5;
    facts.real_minor = 1;
    facts.real_build = 2600;
    info = os_info(facts);
    EXPECT_TRUE(info.faked);
    EXPECT_FALSE(info.is_9x);
    EXPECT_EQ(info.version, 501u);
    EXPECT_TRUE(info.ge_501);
    EXPECT_EQ(info.product_name, L"Windows XP");
    EXPECT_EQ(info.edition, L" (faked to 4.10.2222)");
}

TEST(os_info, other_platforms_and_failed_detection) {
    os_facts facts;
    facts.detected = true;
    facts.reported.major = 3;
    facts.reported.minor = 10;
    facts.reported.build = 0x1234ABCDu;
    facts.processors = 1;
    os_info info(facts);
    EXPECT_EQ(info.product_name, L"Win32s on Win 3");
    EXPECT_EQ(info.version, 310u);
    EXPECT_EQ(info.build, 0x1234ABCDu);
    EXPECT_FALSE(info.ge_500_a);

    facts.reported.platform_id = 3;
    info = os_info(facts);
    EXPECT_TRUE(info.is_ce);
    EXPECT_EQ(info.product_name, L"Windows CE");

    facts.reported.platform_id = 7;
    EXPECT_EQ(os_info(facts).product_name, L"unknown");

    facts.detected = false;
    facts.reported.platform_id = 2;
    info = os_info(facts);
    EXPECT_FALSE(info.detected);
    EXPECT_EQ(info.version, 0u);
    EXPECT_EQ(info.processors, 0u);
    EXPECT_FALSE(info.ge_500_a || info.ge_501);
    EXPECT_TRUE(info.product_name.empty() && info.description.empty() && info.version_text.empty() &&
                info.short_description.empty() && info.edition.empty());
    EXPECT_STREQ(info.short_name, L"");
}

} // namespace
