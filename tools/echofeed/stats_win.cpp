// echofeed stats: what the running Echoview costs (CPU time, memory, handles) and whether it answers.
#include "tools/echofeed/feed_win.h"

// After <windows.h>, which psapi.h needs.
#include <psapi.h>

#include <cstdio>

namespace {

double filetime_ms(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
}

unsigned long long kib(SIZE_T bytes) {
    return static_cast<unsigned long long>(bytes) / 1024u;
}

} // namespace

int run_stats(arg_list& args) {
    target_options target_opts;
    if (const int code = parse_options(args, L"stats", {}, &target_opts)) return code;
    echoview_target target(target_opts);
    if (!target.connect()) return exit_no_window;

    // Asked first: a window that does not answer within the send time limit is hung, and the
    // figures of a hung process say little.
    const long long samples = target.sample_count();
    if (samples < 0) {
        std::fwprintf(stderr, L"echofeed: Echoview did not answer within 5 s\n");
        return exit_send_failed;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(target.hwnd(), &pid);
    const owned_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        std::fwprintf(stderr, L"echofeed: cannot open the Echoview process %lu: error %lu\n",
                      static_cast<unsigned long>(pid), GetLastError());
        return exit_send_failed;
    }
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    DWORD handles = 0;
    if (!GetProcessTimes(process.get(), &created, &ended, &kernel, &user) ||
        !K32GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                 sizeof memory) ||
        !GetProcessHandleCount(process.get(), &handles)) {
        std::fwprintf(stderr, L"echofeed: cannot read the figures of process %lu: error %lu\n",
                      static_cast<unsigned long>(pid), GetLastError());
        return exit_send_failed;
    }
    std::wprintf(L"pid %lu\n", static_cast<unsigned long>(pid));
    std::wprintf(L"cpu_ms %.0f\n", filetime_ms(kernel) + filetime_ms(user));
    std::wprintf(L"working_set_kib %llu\n", kib(memory.WorkingSetSize));
    std::wprintf(L"private_kib %llu\n", kib(memory.PrivateUsage));
    std::wprintf(L"handles %lu\n", static_cast<unsigned long>(handles));
    std::wprintf(L"gdi_objects %lu\n",
                 static_cast<unsigned long>(GetGuiResources(process.get(), GR_GDIOBJECTS)));
    std::wprintf(L"user_objects %lu\n",
                 static_cast<unsigned long>(GetGuiResources(process.get(), GR_USEROBJECTS)));
    std::wprintf(L"samples %lld\n", samples);
    std::wprintf(L"summary_bytes %lld\n", target.summary_bytes());
    return exit_ok;
}
