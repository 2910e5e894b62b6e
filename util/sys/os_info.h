// os_info: which Windows this process runs on, identified once at start-up, with its descriptive texts.
#pragma once

#include <cstdint>
#include <string>

// The part of OSVERSIONINFOEXW that the description uses, free of the Windows
// headers so that the description can be composed and tested anywhere.
struct os_version_record {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platform_id = 0; // 0 Win32s, 1 Windows 95/98/Me, 2 NT, 3 CE
    std::wstring csd_version;      // szCSDVersion
    // Valid only in the extended record.
    std::uint16_t sp_major = 0;
    std::uint16_t sp_minor = 0;
    std::uint16_t suite_mask = 0;
    std::uint8_t product_type = 0; // 1 workstation, 2 domain controller, 3 server
};

// Everything detection takes from the system. The description is composed from
// these facts alone, so that any Windows can be described from given inputs.
struct os_facts {
    bool detected = false; // GetVersionExW answered
    bool extended = false; // ... with the extended record
    os_version_record reported;

    // RtlGetNtVersionNumbers, when the system has it; build as it returns it
    // (the flag bits above the low 16 are ignored).
    bool has_real_numbers = false;
    std::uint32_t real_major = 0;
    std::uint32_t real_minor = 0;
    std::uint32_t real_build = 0;

    bool is_wow64 = false;

    // Registry texts, without trailing NULs; empty when missing. Only those of
    // an NT-family system are used.
    std::wstring product_name; // CurrentVersion "ProductName"
    std::wstring current_type; // CurrentVersion "CurrentType"
    std::wstring build_lab;    // "BuildLabEx", or "BuildLab" when that is missing or empty
    // Used only without the extended record.
    std::uint32_t csd_version_value = 0; // Control\Windows "CSDVersion", 0 when unreadable
    std::wstring product_type;           // ProductOptions "ProductType"

    std::uint32_t processors = 0;
    std::uint32_t lang_id = 0;
};

// The real major, minor and low 16 bits of the build: those of the system when
// it told them, else the reported ones.
struct os_real_numbers {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
};
os_real_numbers real_numbers_of(const os_facts& facts);

// A compatibility layer made GetVersionExW report other numbers than the system's own.
bool numbers_faked(const os_facts& facts);

// NT, and also a 9x platform id whose numbers were faked (a layer on NT that pretends 9x).
bool described_as_nt(const os_facts& facts);

// Names of the tables, by version (major * 100 + minor).
const wchar_t* nt_name(std::uint32_t version);
// `csd_second` is the second character of szCSDVersion (0 when it has none).
const wchar_t* windows_9x_name(std::uint32_t version, wchar_t csd_second);

// The fields in this order, numbers and flags zero and texts empty wherever
// detection leaves them (everything when GetVersionExW failed).
class os_info {
public:
    // Empty: as when detection failed.
    os_info() = default;
    // Composed from given facts.
    explicit os_info(const os_facts& facts);

#ifdef _WIN32
    // Identifies the running system.
    static os_info detect();
#endif

    std::uint32_t version = 0; // major * 100 + minor
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t sp_major = 0;
    std::uint32_t lang_id = 0;
    std::uint32_t processors = 0;
    std::uint32_t sp_version = 0; // service pack major * 100 + minor
    bool detected = false;
    bool ge_500_a = false; // the two 500 flags follow the same rule
    bool ge_500_b = false;
    bool is_9x = false;
    bool is_98 = false;
    bool is_me = false;
    bool is_ce = false;
    bool is_wow64 = false;
    bool ge_501 = false;
    bool ge_502 = false;
    bool ge_600 = false;
    bool ge_601 = false;
    bool ge_602 = false;
    bool faked = false;
    std::wstring product_name;
    std::wstring edition;
    std::wstring description;
    std::wstring version_text;
    std::wstring short_description;
    // Points into the constant NT name table; an empty text outside NT.
    const wchar_t* short_name = L"";
    std::wstring build_lab;

private:
    void take_reported_version(const os_version_record& reported);
    void describe_nt(const os_facts& facts);
    void describe_9x(const os_facts& facts);
    void append_edition_words(const os_version_record& reported);
    void compose_texts();
};

#ifdef _WIN32
// Everything detection needs, read from the running system.
os_facts read_os_facts();

// The process-wide description, filled before the entry point runs and only
// read afterwards, from any thread, without a lock.
extern const os_info process_os_info;
#endif
