#include "util/sys/os_info.h"

#include "util/format/format.h"
#include "util/sys/char_class.h"

namespace {

enum : std::uint32_t {
    platform_win32s = 0,
    platform_9x = 1,
    platform_nt = 2,
    platform_ce = 3,
};

enum : std::uint16_t {
    suite_small_business = 0x0001,
    suite_enterprise = 0x0002,
    suite_back_office = 0x0004,
    suite_terminal = 0x0010,
    suite_small_business_restricted = 0x0020,
    suite_datacenter = 0x0080,
    suite_personal = 0x0200,
    suite_blade = 0x0400,
    suite_security_appliance = 0x1000,
};

enum : std::uint8_t {
    product_workstation = 1,
    product_domain_controller = 2,
    product_server = 3,
};

std::uint32_t low_16(std::uint32_t value) {
    return value & 0xFFFF;
}

bool equal_nocase_ascii(const std::wstring& text, const wchar_t* pattern) {
    std::size_t i = 0;
    for (; pattern[i]; ++i) {
        if (i >= text.size()) return false;
        wchar_t a = text[i];
        wchar_t b = pattern[i];
        if (a >= L'a' && a <= L'z') a = static_cast<wchar_t>(a - 32);
        if (b >= L'a' && b <= L'z') b = static_cast<wchar_t>(b - 32);
        if (a != b) return false;
    }
    return i == text.size();
}

std::wstring without_leading_space(const std::wstring& text) {
    std::size_t start = 0;
    while (start < text.size() && char_has(static_cast<unsigned long>(text[start]), char_space)) ++start;
    return text.substr(start);
}

} // namespace

os_real_numbers real_numbers_of(const os_facts& facts) {
    if (facts.has_real_numbers) return {facts.real_major, facts.real_minor, low_16(facts.real_build)};
    return {facts.reported.major, facts.reported.minor, low_16(facts.reported.build)};
}

bool numbers_faked(const os_facts& facts) {
    const os_real_numbers real = real_numbers_of(facts);
    return real.major != facts.reported.major || real.minor != facts.reported.minor ||
           real.build != low_16(facts.reported.build);
}

bool described_as_nt(const os_facts& facts) {
    return facts.reported.platform_id == platform_nt ||
           (facts.reported.platform_id == platform_9x && numbers_faked(facts));
}

const wchar_t* nt_name(std::uint32_t version) {
    if (version < 500) return L"Windows NT";
    if (version == 500) return L"Windows 2000";
    if (version == 501) return L"Windows XP";
    if (version < 600) return L"Windows Server 2003";
    if (version == 600) return L"Windows Vista";
    if (version == 601) return L"Windows 7";
    return L"Windows 8";
}

const wchar_t* windows_9x_name(std::uint32_t version, wchar_t csd_second) {
    if (version < 400) return L"Windows 95";
    if (version == 400) return csd_second < L'B' ? L"Windows 95" : L"Windows 95 OSR2";
    if (version < 410) return L"Windows 95 OSR2";
    if (version == 410) return csd_second == L'A' ? L"Windows 98 SE" : L"Windows 98";
    if (version < 490) return L"Windows 98 SE";
    return L"Windows Me";
}

os_info::os_info(const os_facts& facts) {
    if (!facts.detected) return;
    detected = true;
    build = facts.reported.build;
    faked = numbers_faked(facts);

    // A layer on NT may pretend to be Windows 9x; the real numbers tell.
    const os_version_record& reported = facts.reported;
    if (described_as_nt(facts)) {
        describe_nt(facts);
    } else if (reported.platform_id == platform_9x) {
        describe_9x(facts);
    } else {
        take_reported_version(reported);
        if (reported.platform_id == platform_win32s) {
            product_name = L"Win32s on Win 3";
        } else if (reported.platform_id == platform_ce) {
            is_ce = true;
            product_name = L"Windows CE";
        } else {
            product_name = L"unknown";
        }
    }

    processors = facts.processors;
    lang_id = facts.lang_id;
    compose_texts();
}

void os_info::take_reported_version(const os_version_record& reported) {
    major = reported.major;
    minor = reported.minor;
    version = major * 100 + minor;
}

void os_info::describe_9x(const os_facts& facts) {
    const os_version_record& reported = facts.reported;
    // These systems also carry their version in the high half of the build
    // number; when it is there, it counts.
    if ((reported.build >> 16) != 0) {
        major = reported.build >> 24;
        minor = (reported.build >> 16) & 0xFF;
    } else {
        major = reported.major;
        minor = reported.minor;
    }
    version = major * 100 + minor;
    is_9x = true;
    is_98 = version >= 410;
    is_me = version >= 490;
    const wchar_t csd_second = reported.csd_version.size() > 1 ? reported.csd_version[1] : L'\0';
    product_name = windows_9x_name(version, csd_second);
    build = low_16(reported.build);
}

void os_info::describe_nt(const os_facts& facts) {
    const os_real_numbers real = real_numbers_of(facts);
    major = real.major;
    minor = real.minor;
    build = real.build;
    version = major * 100 + minor;
    ge_500_a = version >= 500;
    ge_500_b = version >= 500;
    ge_501 = version >= 501;
    ge_502 = version >= 502;
    ge_600 = version >= 600;
    ge_601 = version >= 601;
    ge_602 = version >= 602;
    short_name = nt_name(version);
    is_wow64 = facts.is_wow64;

    std::wstring name = facts.product_name;
    if (!name.empty()) {
        static const std::wstring maker = L"Microsoft ";
        if (name.compare(0, maker.size(), maker) == 0) name.erase(0, maker.size());
        name += L' ';
        name += facts.current_type;
    }
    product_name = name;
    build_lab = facts.build_lab;
    // A faked version would be contradicted by the registry's name.
    if (product_name.empty() || faked) product_name = short_name;
    if (is_wow64) product_name += L" on WoW64";

    const os_version_record& reported = facts.reported;
    if (facts.extended) {
        sp_major = faked ? 0 : reported.sp_major;
        sp_version = faked ? 0 : reported.sp_major * 100u + reported.sp_minor;
        append_edition_words(reported);
    } else {
        sp_version = (facts.csd_version_value >> 8) * 100 + (facts.csd_version_value & 0xFF);
        sp_major = sp_version / 100;
        if (equal_nocase_ascii(facts.product_type, L"WINNT"))
            edition += L" Workstation";
        else if (equal_nocase_ascii(facts.product_type, L"SERVERNT"))
            edition += L" Server";
    }
    if (!edition.empty()) edition = L" (" + without_leading_space(edition) + L")";
    if (faked) {
        edition += (basic_format<wchar_t>(L" (faked to %?.%02?.%?)")
                    << reported.major << reported.minor << low_16(reported.build))
                       .str();
    }
}

void os_info::append_edition_words(const os_version_record& reported) {
    const std::uint32_t type = reported.product_type;
    const std::uint32_t suite = reported.suite_mask;
    bool server_word = false;
    bool edition_word = false;

    if (type == product_workstation && reported.major == 4) edition += L" Workstation";
    if (type == product_workstation && version == 500) edition += L" Professional";
    if (type == product_workstation && version == 501 && !(suite & suite_personal))
        edition += L" Professional";
    if (suite & suite_personal) edition += L" Home";
    if (suite & suite_back_office) edition += L" BackOffice";
    if (suite & suite_terminal) edition += L" Terminal Services";
    if (suite & suite_small_business_restricted) {
        edition += L" Restricted Small Business";
        server_word = true;
    } else if (suite & suite_small_business) {
        edition += L" Small Business";
        server_word = true;
    }
    if (suite & suite_datacenter) {
        edition += L" Datacenter";
        if (version == 500)
            server_word = true;
        else
            edition_word = true;
    }
    if ((suite & suite_enterprise) && version == 500) edition += L" Advanced";
    if (server_word || type == product_domain_controller || type == product_server)
        edition += type == product_domain_controller ? L" Domain Controller" : L" Server";
    if (suite & suite_blade) {
        edition += L" Web";
        edition_word = true;
    }
    // Windows 2000 says "Advanced Server", not "Enterprise Edition".
    if ((suite & suite_enterprise) && !(reported.major == 5 && reported.minor == 0))
        edition += L" Enterprise Edition";
    else if (edition_word)
        edition += L" Edition";
    if (suite & suite_security_appliance) edition += L" Security Appliance";
}

void os_info::compose_texts() {
    const std::wstring procs =
        processors != 1 ? (basic_format<wchar_t>(L" (%u procs)") << processors).str() : std::wstring();
    std::wstring service_pack;
    if (!faked && sp_version != 0) {
        service_pack = sp_version % 100 != 0 ? (basic_format<wchar_t>(L", SP%,.2?") << sp_version).str()
                                             : (basic_format<wchar_t>(L", SP%?") << sp_version / 100).str();
    }
    const std::wstring none;
    description = (basic_format<wchar_t>(L"%?%?%? v%,.2?.%?%?%?, LangId %04x")
                   << product_name << none << procs << version << build << edition << service_pack << lang_id)
                      .str();
    short_description = (basic_format<wchar_t>(L"%?%?") << product_name << procs).str();
    version_text =
        (basic_format<wchar_t>(L"%,.2?.%?%?%?%?") << version << build << edition << service_pack << none)
            .str();
}
