// The worker that writes a CSV file of samples, and the file written under a temporary name.
#include "app/window/sample_saver_win.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

#include "app/store/sample_csv.h"
#include "util/sys/handle_owner_win.h"

namespace {

// The text of a week of samples costs seconds of a processor: it is made in blocks of this
// many samples, as many blocks at once as there are processors (up to a limit), then written
// in order.
constexpr std::size_t block_samples = 1 << 16;
constexpr unsigned max_formatting_threads = 4;

unsigned formatting_threads() {
    const unsigned processors = std::thread::hardware_concurrency();
    return processors < 1 ? 1 : (processors > max_formatting_threads ? max_formatting_threads : processors);
}

// Threads that are waited for however their owner is left.
struct joined_threads {
    std::vector<std::thread> list;
    ~joined_threads() {
        for (std::thread& thread : list)
            if (thread.joinable()) thread.join();
    }
};

std::wstring folder_of(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    return path.substr(0, slash + 1);
}

bool write_all(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// The save's threads come after the window's own whenever both want a processor.
void yield_to_window() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

// The lines of a block of samples from `first` on; false when there was no memory for them.
bool format_block(std::string& text, const std::vector<ping_sample>& samples, std::size_t first,
                  const sample_clock& clock) noexcept {
    yield_to_window();
    try {
        text.clear();
        const std::size_t end = std::min(samples.size(), first + block_samples);
        for (std::size_t i = first; i < end; ++i) append_sample_csv(text, samples[i], clock);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

DWORD write_csv(HANDLE file, const std::vector<ping_sample>& samples, const sample_clock& clock) {
    if (!write_all(file, sample_csv_header)) return GetLastError();
    const unsigned threads = formatting_threads();
    std::vector<std::string> texts(threads);
    std::vector<char> made(threads, 0); // not vector<bool>: each thread writes its own element
    for (std::size_t round = 0; round < samples.size(); round += threads * block_samples) {
        {
            joined_threads helpers;
            for (unsigned t = 1; t < threads; ++t)
                helpers.list.emplace_back(
                    [&, t] { made[t] = format_block(texts[t], samples, round + t * block_samples, clock); });
            made[0] = format_block(texts[0], samples, round, clock);
        }
        for (unsigned t = 0; t < threads; ++t) {
            if (!made[t]) return ERROR_NOT_ENOUGH_MEMORY;
            if (!write_all(file, texts[t])) return GetLastError();
        }
    }
    return FlushFileBuffers(file) ? 0 : GetLastError();
}

// The file under its temporary name, written and closed.
DWORD write_temporary(const wchar_t* temporary, const std::vector<ping_sample>& samples,
                      const sample_clock& clock) {
    const owned_file file(
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    try {
        return write_csv(file.get(), samples, clock);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (const std::system_error&) {
        return ERROR_NO_SYSTEM_RESOURCES; // no thread could be started
    }
}

} // namespace

DWORD write_samples_file(const std::wstring& path, const std::vector<ping_sample>& samples,
                         const sample_clock& clock) {
    // In the same folder, so that the rename cannot turn into a copy that could fail half way.
    wchar_t temporary[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(folder_of(path).c_str(), L"evw", 0, temporary)) return GetLastError();
    DWORD error = write_temporary(temporary, samples, clock);
    if (!error && !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) DeleteFileW(temporary);
    return error;
}

UINT save_message() {
    static const UINT message = RegisterWindowMessageW(L"echoview_save");
    return message;
}

sample_saver::~sample_saver() {
    if (busy()) cancel();
}

bool sample_saver::start(std::wstring path, std::size_t count, HWND notify) {
    if (busy()) return false;
    path_ = std::move(path);
    error_ = 0;
    order_ = order::wait;
    worker_ = std::thread([this, count, notify] { run(count, notify); });
    return true;
}

void sample_saver::run(std::size_t count, HWND notify) {
    yield_to_window();
    try {
        // Room for what arrives before the window copies; made as zeros, which brings every
        // page of it into use here rather than during the copy.
        samples_.assign(count + count / 16 + 4096, ping_sample{});
    } catch (const std::bad_alloc&) {
        error_ = ERROR_NOT_ENOUGH_MEMORY;
        PostMessageW(notify, save_message(), save_ended, 0);
        return;
    }
    PostMessageW(notify, save_message(), save_room_ready, 0);
    {
        std::unique_lock<std::mutex> hold(mutex_);
        ordered_.wait(hold, [this] { return order_ != order::wait; });
        if (order_ == order::cancel) return;
    }
    error_ = write_samples_file(path_, samples_, clock_);
    std::vector<ping_sample>().swap(samples_);
    PostMessageW(notify, save_message(), save_ended, 0);
}

void sample_saver::give(order next) {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        order_ = next;
    }
    ordered_.notify_one();
}

void sample_saver::write(const sample_clock& clock) {
    clock_ = clock;
    give(order::write);
}

void sample_saver::cancel() {
    give(order::cancel);
    if (worker_.joinable()) worker_.join();
    std::vector<ping_sample>().swap(samples_);
}

DWORD sample_saver::finish() {
    if (worker_.joinable()) worker_.join();
    return error_;
}
