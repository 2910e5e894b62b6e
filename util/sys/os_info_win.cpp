#include "util/sys/os_info.h"

#include "util/sys/reg_key_win.h"

#include <windows.h>

namespace {

const wchar_t current_version_key[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// Entry points looked up by name: they are missing on older systems.
template <class F>
F find_entry(const wchar_t* module, const char* name) {
    const HMODULE handle = GetModuleHandleW(module);
    if (!handle) return nullptr;
    const FARPROC proc = GetProcAddress(handle, name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

os_version_record record_of(const OSVERSIONINFOW& info) {
    os_version_record record;
    record.major = info.dwMajorVersion;
    record.minor = info.dwMinorVersion;
    record.build = info.dwBuildNumber;
    record.platform_id = info.dwPlatformId;
    record.csd_version = info.szCSDVersion;
    return record;
}

std::wstring read_text(reg_key& key, const wchar_t* name) {
    std::wstring text;
    if (!key.read_string_trimmed(name, text)) text.clear();
    return text;
}

void read_nt_registry(os_facts& facts) {
    reg_key key;
    if (key.open(current_version_key, HKEY_LOCAL_MACHINE, KEY_READ)) {
        facts.product_name = read_text(key, L"ProductName");
        if (!facts.product_name.empty()) facts.current_type = read_text(key, L"CurrentType");
    }
    if (key.open(current_version_key, HKEY_LOCAL_MACHINE, KEY_READ)) {
        facts.build_lab = read_text(key, L"BuildLabEx");
        if (facts.build_lab.empty()) facts.build_lab = read_text(key, L"BuildLab");
    }
    if (facts.extended) return;

    if (key.open(L"SYSTEM\\CurrentControlSet\\Control\\Windows", HKEY_LOCAL_MACHINE, KEY_READ)) {
        DWORD value = 0;
        if (key.read(L"CSDVersion", &value, sizeof(value), REG_DWORD)) facts.csd_version_value = value;
    }
    if (key.open(L"SYSTEM\\CurrentControlSet\\Control\\ProductOptions", HKEY_LOCAL_MACHINE, KEY_READ))
        facts.product_type = read_text(key, L"ProductType");
}

} // namespace

#ifdef _MSC_VER
// GetVersionExW is what tells whether a compatibility layer changed the numbers.
#pragma warning(disable : 4996)
#endif

os_facts read_os_facts() {
    os_facts facts;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        facts.extended = true;
        facts.reported = record_of(reinterpret_cast<const OSVERSIONINFOW&>(info));
        facts.reported.sp_major = info.wServicePackMajor;
        facts.reported.sp_minor = info.wServicePackMinor;
        facts.reported.suite_mask = info.wSuiteMask;
        facts.reported.product_type = info.wProductType;
    } else {
        OSVERSIONINFOW plain{};
        plain.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(&plain)) return facts;
        facts.reported = record_of(plain);
    }
    facts.detected = true;

    using nt_numbers_fn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    if (const auto nt_numbers = find_entry<nt_numbers_fn>(L"NTDLL", "RtlGetNtVersionNumbers")) {
        DWORD major = 0;
        DWORD minor = 0;
        DWORD build = 0;
        nt_numbers(&major, &minor, &build);
        facts.has_real_numbers = true;
        facts.real_major = major;
        facts.real_minor = minor;
        facts.real_build = build;
    }

    if (described_as_nt(facts)) {
        using wow64_fn = BOOL(WINAPI*)(HANDLE, BOOL*);
        if (const auto is_wow64 = find_entry<wow64_fn>(L"KERNEL32", "IsWow64Process")) {
            BOOL answer = FALSE;
            if (is_wow64(GetCurrentProcess(), &answer)) facts.is_wow64 = answer != FALSE;
        }
        read_nt_registry(facts);
    }

    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    facts.processors = system.dwNumberOfProcessors;
    facts.lang_id = GetSystemDefaultLangID();
    return facts;
}

os_info os_info::detect() {
    return os_info(read_os_facts());
}
