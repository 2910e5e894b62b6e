#include "util/trace/file_trace_win.h"

#include "util/format/format.h"
#include "util/sys/date_time.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Retry delays of a write-out that left text pending: soon when it made progress (more
// text arrived meanwhile), after a second when the file could not be opened or took
// nothing (a full disk would otherwise be retried every millisecond for ever).
constexpr unsigned retry_soon_ms = 1;
constexpr unsigned retry_later_ms = 1000;

// Constant-initialised so that close_traces can run after every static destructor.
file_trace* exit_sink = nullptr;

} // namespace

file_trace::file_trace(passive_timer& timer) : timer_(timer) {}

file_trace::~file_trace() {
    if (exit_sink == this) exit_sink = nullptr;
    {
        lock_guard guard(lock_);
        closing_ = true;
    }
    // A running once-entry has already cleared the request, so removing it cannot wait
    // for that write-out: a whole pass of the timer can. Never with the lock held, which
    // the write-out needs.
    timer_request_.remove(true);
    wait_for_timer();
    {
        lock_guard guard(lock_);
        write_out(guard, false);
    }
    if (delete_at_exit_) {
        if (!file_name_.empty()) DeleteFileW(file_name_.c_str());
        if (!backup_name_.empty()) DeleteFileW(backup_name_.c_str());
    }
}

void file_trace::wait_for_timer() {
    if (timer_.thread_id() != GetCurrentThreadId()) timer_.sync();
}

void file_trace::stop_timer() {
    flush(true);
    timer_request_.remove(true);
    wait_for_timer();
}

void file_trace::set_exit_sink(file_trace* sink) {
    exit_sink = sink;
}

void file_trace::flush_exit_sink() {
    file_trace* sink = exit_sink;
    if (!sink) return;
    lock_guard guard(sink->lock_);
    if (sink->pending_ == 0 || sink->closing_ || sink->writing_) return;
    sink->closing_ = true;
    sink->write_out(guard, false);
}

void file_trace::set_sizes(int initial_size, int max_size, int flush_threshold) {
    lock_guard guard(lock_);
    initial_size_ = std::max(initial_size, 0);
    max_size_ = std::max(max_size, 0);
    flush_threshold_ = std::max(flush_threshold, 0);
}

void file_trace::set_file(const std::wstring& file_name, const std::wstring& backup_name,
                          std::uint64_t max_file_size) {
    lock_guard guard(lock_);
    file_name_ = file_name;
    backup_name_ = backup_name;
    max_file_size_ = max_file_size;
}

void file_trace::set_open_mode(int mode_word) {
    lock_guard guard(lock_);
    open_mode_ = mode_word;
}

void file_trace::set_stamps(bool with_time, bool with_ms) {
    lock_guard guard(lock_);
    with_time_ = with_time;
    with_ms_ = with_ms;
}

void file_trace::set_suspended(bool suspended) {
    lock_guard guard(lock_);
    suspended_ = suspended;
}

void file_trace::set_delete_at_exit(bool delete_at_exit) {
    lock_guard guard(lock_);
    delete_at_exit_ = delete_at_exit;
}

void file_trace::set_self_owned(bool self_owned) {
    lock_guard guard(lock_);
    self_owned_ = self_owned;
}

int file_trace::pending() const {
    lock_guard guard(lock_);
    return pending_;
}

int file_trace::ring_size() const {
    lock_guard guard(lock_);
    return ring_size_;
}

bool file_trace::closing() const {
    lock_guard guard(lock_);
    return closing_;
}

std::uint64_t file_trace::file_size() const {
    lock_guard guard(lock_);
    return file_size_;
}

std::string file_trace::pending_text() const {
    lock_guard guard(lock_);
    std::string text;
    text.reserve(static_cast<std::size_t>(pending_));
    for (int i = 0, at = read_index_; i < pending_; ++i, at = (at + 1) % ring_size_)
        text.push_back(ring_[at]);
    return text;
}

void file_trace::write(const char* text, bool may_defer) {
    if (!text) return;
    lock_guard guard(lock_);
    if (max_size_ == 0) return;
    const std::int64_t length = static_cast<std::int64_t>(std::strlen(text));
    if (length + pending_ >= ring_size_ || pending_ >= flush_threshold_) write_out(guard, may_defer);
    if (may_defer && (length + pending_) * 8 >= static_cast<std::int64_t>(ring_size_) * 7) grow(guard);
    if (length + pending_ >= ring_size_) {
        overflowed_ = true;
        // While a write-out reads the ring, its oldest text cannot be given up; a ring
        // that could not be allocated at all has nothing to give up.
        if (writing_ || ring_size_ == 0) return;
        discard_oldest();
    }
    if (overflowed_) {
        overflowed_ = false;
        append(overflow_marker, static_cast<int>(std::strlen(overflow_marker)));
    }
    render_stamp();
    append_lines(text);
    schedule(guard, may_defer);
}

void file_trace::discard_oldest() {
    int discard = std::min(std::max(ring_size_ / 8, 1024), ring_size_ / 2);
    // Never more than there is: giving up more would leave pending negative.
    discard = std::min(discard, pending_);
    read_index_ = (read_index_ + discard) % ring_size_;
    pending_ -= discard;
}

void file_trace::append(const char* data, int length) {
    int room = ring_size_ - pending_;
    if (length > room) length = room;
    while (length > 0) {
        int run = std::min(length, ring_size_ - write_index_);
        std::memcpy(ring_.get() + write_index_, data, static_cast<std::size_t>(run));
        data += run;
        length -= run;
        pending_ += run;
        write_index_ = (write_index_ + run) % ring_size_;
    }
}

void file_trace::append_lines(const char* text) {
    const int stamp_length = static_cast<int>(std::strlen(stamp_));
    while (*text) {
        const char* end = std::strchr(text, '\n');
        if (at_line_start_) {
            append(stamp_, stamp_length);
            at_line_start_ = false;
        }
        if (!end) {
            append(text, static_cast<int>(std::strlen(text)));
            return;
        }
        append(text, static_cast<int>(end - text));
        if (end > text && end[-1] == '\r')
            append("\n", 1);
        else
            append("\r\n", 2);
        at_line_start_ = true;
        text = end + 1;
    }
}

void file_trace::render_stamp() {
    std::size_t used = 0;
    stamp_[0] = '\0';
    if (with_time_) {
        const packed_time now = packed_local_time();
        {
            basic_sformat<char> time(stamp_, sizeof stamp_, time_format_);
            time << now.hour() << now.minute() << now.second();
            time.finish();
            used = time.length();
        }
        if (with_ms_) {
            basic_sformat<char> ms(stamp_ + used, sizeof stamp_ - used, ms_format_);
            ms << now.milliseconds();
            ms.finish();
            used += ms.length();
        }
        basic_sformat<char> separator(stamp_ + used, sizeof stamp_ - used, stamp_separator_);
        separator.finish();
        used += separator.length();
    }
    basic_sformat<char> suffix(stamp_ + used, sizeof stamp_ - used, stamp_suffix_);
}

void file_trace::grow(lock_guard& guard) {
    if (ring_size_ >= max_size_ || writing_ || growing_) return;
    // In 64 bits: half as much again of a ring near 2 GB does not fit in an int.
    std::int64_t next = ((static_cast<std::int64_t>(ring_size_) * 3 / 2 + 15) / 16) * 16;
    next = std::max<std::int64_t>(next, initial_size_);
    next = std::min<std::int64_t>(next, max_size_);
    if (next <= ring_size_) return;
    growing_ = true;
    guard.release();
    std::unique_ptr<char[]> bigger(new (std::nothrow) char[static_cast<std::size_t>(next)]);
    guard.retake();
    if (bigger) {
        // Text appended while the lock was released is copied too.
        for (int i = 0, at = read_index_; i < pending_; ++i, at = (at + 1) % ring_size_)
            bigger[i] = ring_[at];
        ring_.swap(bigger);
        ring_size_ = static_cast<int>(next);
        read_index_ = 0;
        write_index_ = pending_;
    }
    growing_ = false;
    guard.release();
    bigger.reset();
    guard.retake();
}

void file_trace::schedule(lock_guard& guard, bool may_defer) {
    if (!may_defer || file_name_.empty() || writing_ || suspended_ || closing_) return;
    const bool runs = timer_runs();
    if (pending_ >= flush_threshold_ || (static_cast<unsigned>(open_mode_) & write_through_bit) || !runs)
        write_out(guard, may_defer);
    if (pending_ > 0 && runs && !writing_) arm_timer(deferred_delay_ms);
}

bool file_trace::timer_runs() const {
    return timer_.has_thread() && timer_.accepts_entries();
}

void file_trace::arm_timer(unsigned delay_ms) {
    if (closing_ || !timer_runs()) return;
    // A request that is already pending is kept.
    timer_.add(
        timer_request_, [this] { on_timer(); }, delay_ms, base_timer::flag_once, false);
}

void file_trace::on_timer() {
    // Runs on the timer's thread: nothing may leave it by an exception.
    try {
        lock_guard guard(lock_);
        if (closing_) return;
        write_out(guard, true);
        if (!self_owned_) return;
        self_owned_ = false;
        guard.release();
        delete this;
    } catch (...) {}
}

void file_trace::flush(bool may_defer) {
    lock_guard guard(lock_);
    write_out(guard, may_defer);
}

void file_trace::write_out(lock_guard& guard, bool may_defer) {
    if (file_name_.empty() || writing_ || growing_ || suspended_ || pending_ == 0) return;
    writing_ = true;
    const std::wstring name = file_name_;
    const int mode_word = open_mode_;
    guard.release();
    unsigned retry_ms = retry_later_ms;
    file_hnd file;
    if (file.open(name, mode_word, file_hnd::share_read)) {
        prepare_file(guard, file);
        guard.retake();
        bool progress = false;
        while (pending_ > 0) {
            const int run = std::min(pending_, ring_size_ - read_index_);
            const char* from = ring_.get() + read_index_;
            guard.release();
            const int written = file.write(from, run);
            guard.retake();
            if (written <= 0) break;
            progress = true;
            pending_ -= written;
            read_index_ = (read_index_ + written) % ring_size_;
        }
        const bool rotating = may_defer && !suspended_ && !backup_name_.empty();
        const std::wstring backup = backup_name_;
        const std::uint64_t limit = max_file_size_;
        guard.release();
        file_written(guard, file);
        const std::uint64_t size = file.size();
        if (rotating && size > limit) rotate(file, name, backup);
        guard.retake();
        file_size_ = size;
        guard.release();
        if (progress) retry_ms = retry_soon_ms;
    }
    file.close();
    guard.retake();
    writing_ = false;
    if (may_defer && pending_ > 0) arm_timer(retry_ms);
}

void file_trace::prepare_file(lock_guard&, file_hnd& file) {
    file.seek(0, 2);
}

void file_trace::file_written(lock_guard&, file_hnd&) {}

// Failures are ignored: the next write-out simply goes on with the file that is there.
void file_trace::rotate(file_hnd& file, const std::wstring& name, const std::wstring& backup) {
    file.close();
    DeleteFileW(backup.c_str());
    MoveFileW(name.c_str(), backup.c_str());
    // Matters only when the move failed: the next write-out starts a fresh log either way.
    DeleteFileW(name.c_str());
}
