// file_trace: the log file sink, collecting time-stamped text in a ring and writing it out in batches.
#pragma once

#include "util/sys/critical_section.h"
#include "util/thread/timer_win.h"
#include "util/trace/file_hnd_win.h"
#include "util/trace/trace_channel_win.h"

#include <cstdint>
#include <memory>
#include <string>

// Text is copied into a ring under the sink's lock; write-outs happen when enough is
// pending or, deferred, from a one-shot request on the timer the sink is attached to.
// File I/O, ring allocation and release run with the lock released, so senders are never
// held up by the disk. Without a file name nothing is written to disk: the ring keeps the
// newest text, discarding the oldest when full.
class file_trace : public trace_base {
public:
    // The timer carries the deferred write-outs; it must outlive the sink.
    explicit file_trace(passive_timer& timer);
    // Flushes once more (without deferring), ends the timer request, waiting for a
    // write-out that the timer has already started, deletes the files if asked to.
    ~file_trace() override;

    void write(const char* text, bool may_defer) override;
    // Writes out what is pending.
    void flush(bool may_defer) override;

    // Configuration, meant for before the first message. `max_size` 0 switches the sink
    // off. Sizes are clamped to 0 and above.
    void set_sizes(int initial_size, int max_size, int flush_threshold);
    // An empty `backup_name` means no rotation; otherwise the log moves there once a
    // write-out leaves it larger than `max_file_size` bytes.
    void set_file(const std::wstring& file_name, const std::wstring& backup_name = {},
                  std::uint64_t max_file_size = 0);
    void set_open_mode(int mode_word);
    void set_stamps(bool with_time, bool with_ms);
    // While suspended nothing is written out or rotated; the ring keeps collecting.
    void set_suspended(bool suspended);
    // The destructor deletes the log file and its backup.
    void set_delete_at_exit(bool delete_at_exit);
    // The next timer write-out destroys the sink (which must come from new) afterwards.
    void set_self_owned(bool self_owned);

    // Exit hook of start-up: writes out what is pending, then ends the timer request,
    // waiting for a write-out that the timer runs (unless called on the timer's thread).
    void stop_timer();

    // The sink that close_traces() flushes, if it still exists.
    static void set_exit_sink(file_trace* sink);
    // The last action at exit: writes out the exit sink's pending text, unless it is being
    // destroyed or a write-out runs. Touches no sink that was destroyed.
    static void flush_exit_sink();

    // State, read under the lock.
    int pending() const;
    int ring_size() const;
    bool closing() const;
    std::uint64_t file_size() const;
    // The pending text, oldest first.
    std::string pending_text() const;

    static constexpr const char* overflow_marker = "\r\nbuffer overflow\r\n";
    static constexpr unsigned write_through_bit = 0x10000;
    static constexpr unsigned deferred_delay_ms = 1000;

protected:
    // Called with the lock released on the freshly opened file: moves to its end.
    virtual void prepare_file(lock_guard& lock, file_hnd& file);
    // Called with the lock released after the pending text was written; does nothing.
    virtual void file_written(lock_guard& lock, file_hnd& file);

private:
    void write_out(lock_guard& guard, bool may_defer);
    void grow(lock_guard& guard);
    void discard_oldest();
    void append(const char* data, int length);
    void append_lines(const char* text);
    void render_stamp();
    void schedule(lock_guard& guard, bool may_defer);
    void arm_timer(unsigned delay_ms);
    void rotate(file_hnd& file, const std::wstring& name, const std::wstring& backup);
    void on_timer();
    bool timer_runs() const;
    void wait_for_timer();

    std::unique_ptr<char[]> ring_;
    char stamp_[32] = {};
    int ring_size_ = 0;
    int flush_threshold_ = 1024;
    int initial_size_ = 4096;
    int max_size_ = 32768;
    int pending_ = 0;
    int write_index_ = 0;
    int read_index_ = 0;
    mutable critical_section lock_;
    std::wstring file_name_;
    std::wstring backup_name_;
    std::uint64_t file_size_ = 0;
    std::uint64_t max_file_size_ = 0;
    int open_mode_ = 0x8101;
    const char* time_format_ = "%02?%02?%02?";
    const char* ms_format_ = "'%03?";
    const char* stamp_separator_ = " ";
    const char* stamp_suffix_ = "";
    passive_timer& timer_;
    timer_handle timer_request_;
    bool writing_ = false;
    // The ring is being replaced (the lock is released meanwhile): no write-out may read
    // it and no second grower may start.
    bool growing_ = false;
    bool at_line_start_ = true;
    bool with_ms_ = true;
    bool with_time_ = true;
    bool closing_ = false;
    bool self_owned_ = false;
    bool delete_at_exit_ = false;
    bool suspended_ = false;
    bool overflowed_ = false;
};
