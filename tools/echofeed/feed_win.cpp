#include "tools/echofeed/feed_win.h"

#include <cerrno>
#include <cmath>
#include <cwchar>

namespace {

constexpr UINT send_timeout_ms = 5000;

std::wstring own_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

} // namespace

bool arg_list::value(const std::wstring& name, std::wstring& out) {
    if (empty()) {
        std::fwprintf(stderr, L"echofeed: %ls needs a value\n", name.c_str());
        return false;
    }
    out = next();
    return true;
}

bool parse_number(const std::wstring& text, double& out) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    errno = 0;
    const double value = std::wcstod(text.c_str(), &end);
    if (*end != L'\0' || errno == ERANGE) return false;
    out = value;
    return true;
}

bool parse_count(const std::wstring& text, std::uint64_t& out) {
    if (text.empty() || text[0] == L'-') return false;
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (*end != L'\0' || errno == ERANGE) return false;
    out = value;
    return true;
}

int usage_error(const wchar_t* format, const std::wstring& what) {
    std::fwprintf(stderr, L"echofeed: ");
    std::fwprintf(stderr, format, what.c_str());
    std::fwprintf(stderr, L"\n(echofeed help shows the usage)\n");
    return exit_usage;
}

double clock_seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

void sleep_until(double when) {
    for (;;) {
        const double left = when - clock_seconds();
        if (!(left > 0.0)) return;
        Sleep(left > 1.0 ? 1000 : static_cast<DWORD>(left * 1000.0));
        if (left < 0.001) return;
    }
}

bool take_target_option(arg_list& args, target_options& options, bool& bad) {
    const std::wstring& arg = args.peek();
    if (arg == L"--repaint") {
        options.repaint = true;
    } else if (arg == L"--start") {
        options.start = true;
    } else if (arg.rfind(L"--start=", 0) == 0) {
        options.start = true;
        options.program = arg.substr(8);
    } else if (arg == L"--wait") {
        args.next();
        std::wstring text;
        std::uint64_t ms = 0;
        if (!args.value(L"--wait", text) || !parse_count(text, ms) || ms > 3600000) {
            bad = true;
            usage_error(L"--wait takes milliseconds, not '%ls'", text);
        }
        options.wait_ms = static_cast<DWORD>(ms);
        return true;
    } else {
        return false;
    }
    args.next();
    return true;
}

int take_target_options_only(arg_list& args, target_options& options, const wchar_t* command) {
    while (!args.empty()) {
        bool bad = false;
        if (!take_target_option(args, options, bad))
            return usage_error((L"unknown " + std::wstring(command) + L" argument '%ls'").c_str(),
                               args.peek());
        if (bad) return exit_usage;
    }
    return exit_ok;
}

bool echoview_target::connect() {
    hwnd_ = FindWindowW(main_window_class, nullptr);
    if (hwnd_) return true;
    if (!options_.start) {
        std::fwprintf(stderr,
                      L"echofeed: no Echoview window found (class %ls); start Echoview with "
                      L"--echoprobe or give --start\n",
                      main_window_class);
        return false;
    }
    if (!start_program()) return false;
    const double deadline = clock_seconds() + options_.wait_ms / 1000.0;
    while (!(hwnd_ = FindWindowW(main_window_class, nullptr))) {
        if (clock_seconds() > deadline) {
            std::fwprintf(stderr, L"echofeed: Echoview was started but no window appeared within %lu ms\n",
                          static_cast<unsigned long>(options_.wait_ms));
            return false;
        }
        Sleep(50);
    }
    return true;
}

bool echoview_target::start_program() {
    std::wstring program = options_.program.empty() ? own_folder() + L"echoview.exe" : options_.program;
    std::wstring command = L"\"" + program + L"\" --echoprobe";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fwprintf(stderr, L"echofeed: cannot start %ls: error %lu\n", program.c_str(), GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool echoview_target::send(ULONG_PTR id, const void* data, DWORD size) {
    COPYDATASTRUCT copy{id, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG,
                             send_timeout_ms, &result)) {
        const DWORD error = GetLastError();
        if (!IsWindow(hwnd_)) {
            std::fwprintf(stderr, L"echofeed: the Echoview window has gone\n");
        } else {
            std::fwprintf(stderr, L"echofeed: Echoview did not take the batch: error %lu\n", error);
        }
        return false;
    }
    if (options_.repaint) repaint();
    return true;
}

bool echoview_target::send_samples(const std::vector<ping_sample>& samples) {
    if (samples.empty()) return true;
    const std::size_t bytes = samples.size() * sizeof(ping_sample);
    if (bytes > 0x7FFFFFF0u) {
        std::fwprintf(stderr, L"echofeed: batch too large\n");
        return false;
    }
    return send(sample_batch_id, samples.data(), static_cast<DWORD>(bytes));
}

void echoview_target::repaint() {
    InvalidateRect(hwnd_, nullptr, TRUE);
}

long long echoview_target::sample_count() {
    return ask(sample_count_message_name);
}

long long echoview_target::summary_bytes() {
    return ask(summary_bytes_message_name);
}

long long echoview_target::ask(const wchar_t* message_name) {
    const UINT message = RegisterWindowMessageW(message_name);
    DWORD_PTR result = 0;
    if (!message || !SendMessageTimeoutW(hwnd_, message, 0, 0, SMTO_ABORTIFHUNG, send_timeout_ms, &result) ||
        result == 0) {
        return -1;
    }
    return static_cast<long long>(result - 1);
}

csv_recorder::~csv_recorder() {
    if (file_) std::fclose(file_);
}

bool csv_recorder::open(const std::wstring& path) {
    file_ = _wfopen(path.c_str(), L"w");
    if (!file_) {
        std::fwprintf(stderr, L"echofeed: cannot write %ls\n", path.c_str());
        return false;
    }
    std::fprintf(file_, "time,rtt\n");
    return true;
}

void csv_recorder::add(const ping_sample& sample) {
    if (file_) std::fprintf(file_, "%.6f,%.6f\n", sample.time, sample.rtt);
}
