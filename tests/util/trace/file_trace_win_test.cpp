#include "util/trace/file_trace_win.h"

#include "temp_file.h"
#include "tests/poll_until_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// One timer for all tests, ended before main returns, so that its thread does not run on
// into the static destructors.
std::unique_ptr<passive_timer> shared_timer;

class timer_environment final : public ::testing::Environment {
public:
    void SetUp() override { shared_timer = std::make_unique<passive_timer>("trace test"); }
    void TearDown() override { shared_timer.reset(); }
};

const auto* const timer_setup = ::testing::AddGlobalTestEnvironment(new timer_environment);

passive_timer& test_timer() {
    return *shared_timer;
}

const char* const marker = "\r\nbuffer overflow\r\n";

// Whether text written at `sent` (GetTickCount64) may still be waiting for the timer's
// write-out, a second away: a busy machine can hold this thread for longer than that.
bool timer_not_due(ULONGLONG sent) {
    return GetTickCount64() - sent < 900;
}

// Splits text at "\r\n" into lines, each checked to begin with a stamp like "134501'123 "
// that is then removed.
std::vector<std::string> unstamped_lines(const std::string& text) {
    static const std::regex stamp("^[0-2][0-9][0-5][0-9][0-5][0-9]'[0-9]{3} ");
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::smatch found;
        if (std::regex_search(line, found, stamp))
            line.erase(0, static_cast<std::size_t>(found.length(0)));
        else
            line = "<no stamp>" + line;
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return lines;
}

TEST(file_trace, stamps_each_line_and_continues_unfinished_ones) {
    temp_folder folder;
    const std::wstring name = folder.file(L"log.txt");
    {
        file_trace sink(test_timer());
        sink.set_file(name);
        sink.write("a\r\nb\n", true);
        sink.write("two\nlines\n", true);
        sink.write("abc", true);
        sink.write("def\n", true);
        sink.write_wide(L"w\u00e9\n", true);
        sink.flush(false);
        EXPECT_EQ(sink.pending(), 0);
        const std::string content = read_whole_file(name);
        EXPECT_EQ(unstamped_lines(content),
                  (std::vector<std::string>{"a", "b", "two", "lines", "abcdef", "w\xc3\xa9"}));
        EXPECT_EQ(content.find("\r\r"), std::string::npos);
        EXPECT_EQ(sink.file_size(), content.size());

        // Without stamps, and appending to what the file holds.
        sink.set_stamps(false, false);
        sink.write("plain\n", true);
        sink.flush(false);
    }
    const std::string content = read_whole_file(name);
    EXPECT_EQ(content.substr(content.size() - 7), "plain\r\n");
    EXPECT_EQ(content.substr(content.size() - 12), "w\xc3\xa9\r\nplain\r\n");
}

TEST(file_trace, grows_keeping_the_text_and_stops_at_the_limit) {
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    sink.set_sizes(4096, 40000, 1 << 30);
    std::vector<int> sizes;
    std::string expected;
    for (int i = 0; i < 700; ++i) {
        std::string line = "line " + std::to_string(i) + " ........................................\n";
        sink.write(line.c_str(), true);
        line.insert(line.size() - 1, "\r");
        expected += line;
        if (sizes.empty() || sizes.back() != sink.ring_size()) sizes.push_back(sink.ring_size());
        if (sink.ring_size() == 40000) break;
    }
    // Half as much again each time, rounded down to 16 bytes, up to the limit.
    EXPECT_EQ(sizes, (std::vector<int>{4096, 6144, 9216, 13824, 20736, 31104, 40000}));
    EXPECT_EQ(sink.pending_text(), expected);
}

TEST(file_trace, overflow_discards_the_oldest_and_marks_the_gap) {
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    sink.set_sizes(4096, 4096, 1 << 30);
    // Lines of 100 bytes that end in CR LF take as many bytes in the ring as in the text.
    const std::string oldest = std::string(90, 'o') + "0 oldest\r\n";
    const std::string line = std::string(98, 'x') + "\r\n";
    const std::string newest = std::string(92, 'n') + "newest\r\n";
    sink.write(oldest.c_str(), true);
    while (sink.pending() + 100 < 4096) sink.write(line.c_str(), true);
    const int before = sink.pending();
    ASSERT_EQ(before, 4000);
    sink.write(newest.c_str(), true);
    // An eighth of the ring, but at least 1024 bytes, is given up for the marker and the message.
    EXPECT_EQ(sink.pending(), before - 1024 + 19 + 100);
    const std::string text = sink.pending_text();
    EXPECT_EQ(text.substr(0, 76), std::string(74, 'x') + "\r\n");
    EXPECT_EQ(text.find("oldest"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 119), std::string(marker) + newest);
    EXPECT_EQ(text.find(marker), text.size() - 119);

    // The next message that fits comes without a marker.
    sink.write("after\n", true);
    const std::string later = sink.pending_text();
    EXPECT_EQ(later.substr(later.size() - 126), std::string(marker) + newest + "after\r\n");
}

TEST(file_trace, discarding_never_gives_up_more_than_is_pending) {
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    sink.set_sizes(4096, 4096, 1 << 30);
    sink.write("small\n", true);
    const std::string huge(5000, 'h');
    sink.write(huge.c_str(), true);
    // The marker, then as much of the message as fits: the ring is exactly full.
    EXPECT_EQ(sink.pending(), 4096);
    const std::string text = sink.pending_text();
    ASSERT_EQ(text.size(), 4096u);
    EXPECT_EQ(text.substr(0, 19), marker);
    EXPECT_EQ(text.substr(19), std::string(4096 - 19, 'h'));

    // A full ring goes on working: the next message discards and marks again.
    sink.write("\nnext\n", true);
    EXPECT_LT(sink.pending(), 4096);
    const std::string later = sink.pending_text();
    EXPECT_EQ(later.substr(later.size() - 27), std::string(marker) + "\r\nnext\r\n");
}

TEST(file_trace, unallocated_ring_drops_the_message_and_marks_the_loss) {
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    // Without leave to defer, the first message cannot allocate the ring.
    sink.write("lost\n", false);
    EXPECT_EQ(sink.ring_size(), 0);
    EXPECT_EQ(sink.pending(), 0);
    sink.write("kept\n", true);
    EXPECT_EQ(sink.ring_size(), 4096);
    EXPECT_EQ(sink.pending_text(), std::string(marker) + "kept\r\n");
}

TEST(file_trace, size_limit_zero_switches_the_sink_off) {
    temp_folder folder;
    const std::wstring name = folder.file(L"off.txt");
    {
        file_trace sink(test_timer());
        sink.set_file(name);
        sink.set_sizes(4096, 0, 1);
        sink.write("dropped\n", true);
        sink.flush(true);
        EXPECT_EQ(sink.pending(), 0);
        EXPECT_EQ(sink.ring_size(), 0);
    }
    EXPECT_FALSE(file_exists(name));
}

TEST(file_trace, rotates_to_the_backup_name) {
    temp_folder folder;
    const std::wstring name = folder.file(L"rot.txt");
    const std::wstring backup = folder.file(L"rot.bak");
    write_whole_file(backup, "old backup\r\n");
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    sink.set_file(name, backup, 10);
    sink.write("first\n", true);
    sink.flush(true);
    EXPECT_EQ(read_whole_file(name), "first\r\n");
    EXPECT_EQ(read_whole_file(backup), "old backup\r\n");
    sink.write("second\n", true);
    sink.flush(false); // the final flush never rotates
    EXPECT_EQ(read_whole_file(name), "first\r\nsecond\r\n");
    sink.write("third\n", true);
    sink.flush(true);
    EXPECT_FALSE(file_exists(name));
    EXPECT_EQ(read_whole_file(backup), "first\r\nsecond\r\nthird\r\n");
    EXPECT_EQ(sink.file_size(), 22u);
    sink.write("fourth\n", true);
    sink.flush(true);
    EXPECT_EQ(read_whole_file(name), "fourth\r\n");
}

TEST(file_trace, writes_at_the_threshold_at_once_and_otherwise_on_the_timer) {
    temp_folder folder;
    const std::wstring name = folder.file(L"deferred.txt");
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    sink.set_sizes(4096, 4096, 16);
    sink.set_file(name);
    const ULONGLONG sent = GetTickCount64();
    sink.write("short\n", true);
    const bool written_at_once = file_exists(name);
    const auto pending = sink.pending();
    if (timer_not_due(sent)) {
        EXPECT_FALSE(written_at_once);
        EXPECT_EQ(pending, 7);
    }
    EXPECT_TRUE(poll_until([&] { return read_whole_file(name) == "short\r\n"; }));
    // The timer's write-out may still be finishing its pass: a write-out already under
    // way takes the next text too, so let it end before testing the one made at once.
    test_timer().sync();
    EXPECT_EQ(sink.pending(), 0);

    sink.write("beyond the threshold\n", true);
    EXPECT_EQ(read_whole_file(name), "short\r\nbeyond the threshold\r\n");
    EXPECT_EQ(sink.pending(), 0);
}

TEST(file_trace, suspended_sink_keeps_collecting) {
    temp_folder folder;
    const std::wstring name = folder.file(L"suspended.txt");
    file_trace sink(test_timer());
    sink.set_stamps(false, false);
    sink.set_sizes(4096, 4096, 1);
    sink.set_file(name);
    sink.set_suspended(true);
    sink.write("held\n", true);
    sink.flush(true);
    EXPECT_FALSE(file_exists(name));
    EXPECT_EQ(sink.pending_text(), "held\r\n");
    sink.set_suspended(false);
    sink.flush(true);
    EXPECT_EQ(read_whole_file(name), "held\r\n");
}

// A sink whose write-out reports each file it opens; the write-out in the timer's thread
// can be held at that point.
class observed_trace final : public file_trace {
public:
    explicit observed_trace(passive_timer& timer) : file_trace(timer) {}

    std::atomic<int> opened{0};
    std::atomic<bool> block_timer_write{false};
    std::atomic<bool> timer_write_entered{false};
    std::atomic<bool> release_timer_write{false};
    std::atomic<bool> refuse_bytes{false};

protected:
    void prepare_file(lock_guard& lock, file_hnd& file) override {
        ++opened;
        file_trace::prepare_file(lock, file);
        if (refuse_bytes) file.close(); // every write now fails: no progress
        if (block_timer_write && GetCurrentThreadId() == test_timer().thread_id()) {
            timer_write_entered = true;
            poll_until([this] { return release_timer_write.load(); });
        }
    }
};

TEST(file_trace, write_out_without_progress_retries_after_a_second) {
    temp_folder folder;
    const std::wstring name = folder.file(L"full.txt");
    observed_trace sink(test_timer());
    sink.set_sizes(4096, 4096, 1);
    sink.set_file(name);
    sink.refuse_bytes = true;
    sink.write("never written\n", true);
    const ULONGLONG first = GetTickCount64();
    EXPECT_EQ(sink.opened, 1);
    // Two retries: a machine that is busy can only make them later, never sooner.
    ASSERT_TRUE(poll_until([&] { return sink.opened >= 3; }));
    const ULONGLONG elapsed = GetTickCount64() - first;
    // Within the tick count's resolution, no retry before a second has passed...
    EXPECT_GE(elapsed, 2 * 1000u - 2 * 32u);
    // ... and no more than one a second since (retrying at once would open the file
    // thousands of times).
    EXPECT_LE(sink.opened, 2 + static_cast<int>(elapsed / 1000));
    EXPECT_GT(sink.pending(), 0);
    sink.refuse_bytes = false;
}

TEST(file_trace, destruction_waits_for_a_write_out_the_timer_has_started) {
    temp_folder folder;
    const std::wstring name = folder.file(L"race.txt");
    auto* sink = new observed_trace(test_timer());
    sink->set_stamps(false, false);
    sink->set_file(name);
    sink->block_timer_write = true;
    sink->write("from the timer\n", true);
    ASSERT_TRUE(poll_until([&] { return sink->timer_write_entered.load(); }));
    // The once-entry has cleared its request already; only waiting for the timer's pass
    // keeps the destructor from freeing the ring under the running write-out.
    std::thread releaser([sink] {
        poll_until([sink] { return sink->closing(); });
        sink->release_timer_write = true;
    });
    delete sink;
    releaser.join();
    // Written once, by the timer's write-out that the destructor waited for.
    EXPECT_EQ(read_whole_file(name), "from the timer\r\n");
}

TEST(file_trace, concurrent_senders_while_the_ring_grows_and_is_written) {
    temp_folder folder;
    const std::wstring name = folder.file(L"busy.txt");
    constexpr int senders = 4;
    constexpr int lines_each = 1500;
    int grown_to = 0;
    {
        file_trace sink(test_timer());
        sink.set_stamps(false, false);
        sink.set_sizes(256, 1 << 20, 700);
        sink.set_file(name);
        std::vector<std::thread> threads;
        for (int t = 0; t < senders; ++t)
            threads.emplace_back([&sink, t] {
                for (int i = 0; i < lines_each; ++i) {
                    std::string line = "sender " + std::to_string(t) + " line " + std::to_string(i) + "\n";
                    sink.write(line.c_str(), true);
                }
            });
        for (std::thread& thread : threads) thread.join();
        grown_to = sink.ring_size();
    }
    // Each sender's lines arrive in order and whole, except where the ring was full: a
    // sender that finds it so while a write-out runs loses its line, otherwise the oldest
    // text is given up, which can cut a line (or an earlier marker). A marker follows
    // either loss. Text read from anywhere else than the ring would show up as foreign
    // characters.
    std::istringstream content(read_whole_file(name));
    std::string line;
    int next[senders] = {};
    int total = 0;
    int markers = 0;
    int cut_lines = 0;
    while (std::getline(content, line)) {
        if (line == "\r") continue; // the blank line before a marker
        const std::string marker_line = "buffer overflow\r";
        if (line.size() <= marker_line.size() &&
            marker_line.compare(marker_line.size() - line.size(), line.size(), line) == 0) {
            ++markers;
            continue;
        }
        ASSERT_EQ(line.find_first_not_of("sendrli 0123456789\r"), std::string::npos) << line;
        ASSERT_EQ(line.back(), '\r') << line;
        int sender = -1, number = -1;
        char tail = 0;
        if (std::sscanf(line.c_str(), "sender %d line %d%c", &sender, &number, &tail) != 3) {
            ++cut_lines;
            continue;
        }
        ASSERT_TRUE(sender >= 0 && sender < senders) << line;
        ASSERT_GE(number, next[sender]) << line;
        if (markers == 0) {
            ASSERT_EQ(number, next[sender]) << line;
        }
        next[sender] = number + 1;
        ++total;
    }
    EXPECT_LE(cut_lines, markers);
    EXPECT_GT(total, 0);
    EXPECT_GT(grown_to, 256);
}

TEST(file_trace, exit_flush_reaches_only_a_living_sink) {
    temp_folder folder;
    const std::wstring name = folder.file(L"exit.txt");
    {
        file_trace sink(test_timer());
        sink.set_stamps(false, false);
        sink.set_file(name);
        file_trace::set_exit_sink(&sink);
        const ULONGLONG sent = GetTickCount64();
        sink.write("at exit\n", true);
        const bool written_at_once = file_exists(name);
        if (timer_not_due(sent)) {
            EXPECT_FALSE(written_at_once);
        }
        file_trace::flush_exit_sink();
        EXPECT_EQ(read_whole_file(name), "at exit\r\n");
        EXPECT_TRUE(sink.closing());
        // A closing sink is not flushed twice.
        sink.write("late\n", false);
        file_trace::flush_exit_sink();
        EXPECT_EQ(read_whole_file(name), "at exit\r\n");
    }
    // The destructor wrote the rest and took the sink off the exit flush.
    EXPECT_EQ(read_whole_file(name), "at exit\r\nlate\r\n");
    alignas(file_trace) unsigned char storage[sizeof(file_trace)];
    auto* gone = new (storage) file_trace(test_timer());
    file_trace::set_exit_sink(gone);
    gone->~file_trace();
    std::memset(storage, 0xFF, sizeof storage);
    file_trace::flush_exit_sink();
    EXPECT_EQ(read_whole_file(name), "at exit\r\nlate\r\n");
}

// Set by the destructor of a self-owned sink, which the timer deletes.
std::atomic<bool> self_owned_gone{false};

class self_owned_trace final : public file_trace {
public:
    using file_trace::file_trace;
    ~self_owned_trace() override { self_owned_gone = true; }
};

TEST(file_trace, self_owned_sink_is_deleted_after_its_timer_write_out) {
    temp_folder folder;
    const std::wstring name = folder.file(L"owned.txt");
    auto* sink = new self_owned_trace(test_timer());
    sink->set_stamps(false, false);
    sink->set_file(name);
    sink->set_self_owned(true);
    sink->write("owned\n", true);
    EXPECT_TRUE(poll_until([] { return self_owned_gone.load(); }));
    EXPECT_EQ(read_whole_file(name), "owned\r\n");
}

TEST(file_trace, delete_at_exit_removes_log_and_backup) {
    temp_folder folder;
    const std::wstring name = folder.file(L"temp.txt");
    const std::wstring backup = folder.file(L"temp.bak");
    write_whole_file(backup, "b");
    {
        file_trace sink(test_timer());
        sink.set_file(name, backup, 1000000);
        sink.set_delete_at_exit(true);
        sink.write("x\n", true);
        sink.flush(true);
        EXPECT_TRUE(file_exists(name));
    }
    EXPECT_FALSE(file_exists(name));
    EXPECT_FALSE(file_exists(backup));
}

} // namespace
