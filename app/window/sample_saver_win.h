// Writing every stored sample to a CSV file on a thread of its own, and the file's safe replacement.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/store/sample_clock.h"
#include "app/store/wire_protocol.h"

// Writes the samples as CSV (app/store/sample_csv.h) under a temporary name in the folder of
// `path`, then renames it to `path`, replacing a file of that name. Returns 0, or the system's
// error code; on an error no file of the temporary name is left and `path` is as it was.
DWORD write_samples_file(const std::wstring& path, const std::vector<ping_sample>& samples,
                         const sample_clock& clock);

// Posted by a save to the window that started it, with one of these as wParam.
UINT save_message();
constexpr WPARAM save_room_ready = 0; // fill room(), then call write()
constexpr WPARAM save_ended = 1;      // call finish()

// One save at a time, from a copy of the samples, so that the window goes on answering and
// taking samples (which the file then leaves out) while it runs. The copy is the window's to
// make, at one moment under the store's lock, but into memory the save's own thread has made
// ready: fresh memory for a week of samples takes far longer to come into use than to fill.
class sample_saver {
public:
    sample_saver() = default;
    // Waits for a save that is writing (the program must not end with half a file), and
    // abandons one that was not yet handed its samples.
    ~sample_saver();
    sample_saver(const sample_saver&) = delete;
    sample_saver& operator=(const sample_saver&) = delete;

    // Starts a save to `path`: its thread makes room for somewhat more than `count` samples and
    // posts save_room_ready to `notify` (save_ended instead when there is no memory for it).
    // False, starting nothing, while another save has not been finished.
    bool start(std::wstring path, std::size_t count, HWND notify);
    // After save_room_ready: the room, to be filled with the samples and cut to their number.
    std::vector<ping_sample>& room() { return samples_; }
    // Has the thread write what room() holds, then post save_ended.
    void write(const sample_clock& clock);
    // Has the thread end without writing, and waits for it.
    void cancel();
    // From start until finish (or cancel).
    bool busy() const { return worker_.joinable(); }
    // After save_ended: waits for the thread and returns the error (0: saved).
    DWORD finish();
    const std::wstring& path() const { return path_; }

private:
    enum class order { wait, write, cancel };
    void run(std::size_t count, HWND notify);
    void give(order next);

    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable ordered_;
    order order_ = order::wait;
    std::vector<ping_sample> samples_;
    sample_clock clock_;
    std::wstring path_;
    DWORD error_ = 0; // written by the thread before it posts save_ended
};
