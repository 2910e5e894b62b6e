// Saving a week of samples at 10 a second through the window's own save: how long the file
// takes, and the longest time the window meanwhile leaves a message unanswered.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/render/gdiplus_win.h"
#include "app/store/sample_intake.h"
#include "app/window/brisk_window_win.h"
#include "app/window/export_win.h"
#include "app/window/main_window_win.h"

namespace {

using bench_clock = std::chrono::steady_clock;

constexpr std::size_t week_at_10_hz = 7 * 24 * 3600 * 10;
constexpr std::uint32_t week_secs = 7 * 24 * 3600;
constexpr int runs = 3;

double ms_since(bench_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(bench_clock::now() - start).count();
}

// Sends the window message after message from a thread of its own, as another program
// would, and keeps the longest wait for an answer.
class answer_probe {
public:
    explicit answer_probe(HWND hwnd) : thread_([this, hwnd] { run(hwnd); }) {}
    ~answer_probe() {
        stop_ = true;
        thread_.join();
    }
    answer_probe(const answer_probe&) = delete;
    answer_probe& operator=(const answer_probe&) = delete;
    double longest_ms() const { return longest_ms_; }

private:
    void run(HWND hwnd) {
        while (!stop_) {
            const auto start = bench_clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            const double waited = ms_since(start);
            if (waited > longest_ms_) longest_ms_ = waited;
            Sleep(1);
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<double> longest_ms_{0.0};
    std::thread thread_; // last: it runs on the members above
};

void pump_messages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void pump_for(double ms) {
    const auto start = bench_clock::now();
    while (ms_since(start) < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pump_messages();
    }
}

// Samples 100 ms apart for a week, with round-trip times that vary as real ones do.
void fill_week(brisk_window& window) {
    std::vector<ping_sample> batch;
    for (std::size_t i = 0; i < week_at_10_hz; ++i) {
        batch.push_back(
            ping_sample{1.0e6 + static_cast<double>(i) * 0.1, 20.0 + static_cast<double>(i % 997) / 7.0});
        if (batch.size() == 100000 || i + 1 == week_at_10_hz) {
            append_samples(window.store, batch.data(), batch.size());
            batch.clear();
        }
    }
    window.last_data_tick = GetTickCount();
}

long long file_bytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

struct save_figures {
    double seconds = 0.0;    // from the command to the file renamed into place
    double longest_ms = 0.0; // the longest wait of another thread for an answer
    long long bytes = -1;
};

save_figures save_once(brisk_window& window, const std::wstring& path) {
    DeleteFileW(path.c_str());
    save_figures figures;
    const auto start = bench_clock::now();
    {
        const answer_probe probe(window.hwnd);
        start_saving(window, path);
        while (window.saver.busy()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            pump_messages();
        }
        figures.longest_ms = probe.longest_ms();
    }
    figures.seconds = ms_since(start) / 1000.0;
    figures.bytes = file_bytes(path);
    DeleteFileW(path.c_str());
    return figures;
}

// The same wait for answers while the window only idles and repaints, for as long as a save
// took: what the machine itself adds to every figure of the last column.
double idle_longest_ms(double ms) {
    const answer_probe probe(main_window->hwnd);
    pump_for(ms);
    return probe.longest_ms();
}

} // namespace

int main() {
    gdiplus_session gdiplus;
    auto window = std::make_unique<brisk_window>();
    window->settings_saved = true; // the user's settings are not this benchmark's to write
    window->settings.x_time = week_secs;
    window->settings.x_time_changed = true;
    main_window = window.get();
    if (!create_main_window(GetModuleHandleW(nullptr))) {
        std::printf("no window could be made\n");
        return 1;
    }
    ShowWindow(window->hwnd, SW_SHOWNOACTIVATE);
    fill_week(*window);
    pump_for(2000.0); // the first paints of the week, which a window that runs has long done

    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"echoview-save-bench.csv";
    std::printf(
        "Save samples of a 10 Hz week to a CSV file, the window shown and repainting every 500 ms;\n");
    std::printf("another thread sends it messages throughout and keeps its longest wait for an answer;\n");
    std::printf("the last column: the same wait while the window only idles, for as long as the save took\n");
    std::printf("%10s %10s %10s %16s %16s\n", "samples", "file MB", "seconds", "no answer (ms)",
                "idle: no answer");
    for (int run = 0; run < runs; ++run) {
        const save_figures figures = save_once(*window, path);
        std::printf("%10zu %10.1f %10.2f %16.0f %16.0f\n", window->store.samples.size(),
                    static_cast<double>(figures.bytes) / 1e6, figures.seconds, figures.longest_ms,
                    idle_longest_ms(figures.seconds * 1000.0));
    }

    DestroyWindow(window->hwnd);
    main_window = nullptr;
    window.reset();
    return 0;
}
