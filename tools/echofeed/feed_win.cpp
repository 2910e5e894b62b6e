#include "tools/echofeed/feed_win.h"

#include <cerrno>
#include <cmath>
#include <cwchar>
#include <iterator>

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

int usage_error(const wchar_t* format, const std::wstring& first, const std::wstring& second) {
    std::fwprintf(stderr, L"echofeed: ");
    std::fwprintf(stderr, format, first.c_str(), second.c_str());
    std::fwprintf(stderr, L"\n(echofeed help shows the usage)\n");
    return exit_usage;
}

option flag_option(std::vector<std::wstring> names, std::function<void()> set) {
    auto take = [set = std::move(set)](const std::wstring&) {
        set();
        return true;
    };
    return option{std::move(names), std::move(take), nullptr, true};
}

option value_option(std::vector<std::wstring> names, const wchar_t* bad_value,
                    std::function<bool(const std::wstring& value)> take) {
    return option{std::move(names), std::move(take), bad_value, false};
}

std::function<bool(const std::wstring&)> text_in(std::wstring& out) {
    return [&out](const std::wstring& text) {
        out = text;
        return true;
    };
}

std::function<bool(const std::wstring&)> number_in(double& out, double low, double high) {
    return [&out, low, high](const std::wstring& text) {
        double value = 0.0;
        // Written so that NaN is out of every range.
        if (!parse_number(text, value) || !(value >= low && value <= high)) return false;
        out = value;
        return true;
    };
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

namespace {

std::vector<option> target_option_list(target_options& target) {
    return {
        flag_option({L"--repaint"}, [&target] { target.repaint = true; }),
        flag_option({L"--start"}, [&target] { target.start = true; }),
        value_option({L"--start="}, nullptr,
                     [&target](const std::wstring& path) {
                         target.start = true;
                         target.program = path;
                         return true;
                     }),
        value_option({L"--wait"}, L"--wait takes milliseconds, not '%ls'",
                     count_in(target.wait_ms, 0, 3600000)),
    };
}

// The option of `options` that `arg` names; `attached` tells whether the value is the rest of `arg`
// ("--start=PATH"), which is then in `value`.
const option* find_option(const std::vector<option>& options, const std::wstring& arg, bool& attached,
                          std::wstring& value) {
    for (const option& o : options) {
        for (const std::wstring& name : o.names) {
            attached = !name.empty() && name.back() == L'=';
            if (attached ? arg.rfind(name, 0) == 0 : arg == name) {
                if (attached) value = arg.substr(name.size());
                return &o;
            }
        }
    }
    return nullptr;
}

} // namespace

int parse_options(arg_list& args, const wchar_t* command, std::vector<option> options, target_options* target,
                  std::wstring* operand) {
    if (target) {
        std::vector<option> all = target_option_list(*target);
        all.insert(all.end(), std::make_move_iterator(options.begin()),
                   std::make_move_iterator(options.end()));
        options = std::move(all);
    }
    while (!args.empty()) {
        const std::wstring arg = args.next();
        bool attached = false;
        std::wstring value;
        const option* o = find_option(options, arg, attached, value);
        if (!o) {
            if (operand && operand->empty() && !arg.empty() && arg[0] != L'-') {
                *operand = arg;
                continue;
            }
            return usage_error(L"unknown %ls argument '%ls'", command, arg);
        }
        // A flag takes nothing, and an attached value is there already; any other value is the
        // next argument, whose absence args.value reports.
        if ((o->flag || attached || args.value(arg, value)) && o->take(value)) continue;
        return o->bad_value ? usage_error(o->bad_value, value, arg) : exit_usage;
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
    // Echoview runs on by itself: its handles are not needed here.
    owned_handle thread(process.hThread);
    owned_handle started(process.hProcess);
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

bool csv_recorder::open(const std::wstring& path) {
    file_.reset(_wfopen(path.c_str(), L"w"));
    if (!file_) {
        std::fwprintf(stderr, L"echofeed: cannot write %ls\n", path.c_str());
        return false;
    }
    std::fprintf(file_.get(), "time,rtt\n");
    return true;
}

void csv_recorder::add(const ping_sample& sample) {
    if (file_) std::fprintf(file_.get(), "%.6f,%.6f\n", sample.time, sample.rtt);
}
