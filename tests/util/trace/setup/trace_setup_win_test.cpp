#include "util/trace/trace_setup_win.h"

#include "util/trace/console_win.h"

#include "../temp_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The process-wide objects are set up once per process, so one test covers the sequence.
TEST(setup_traces, wires_the_sinks_and_flushes_the_file_sink_at_the_very_end) {
    capture_console_state();
    ASSERT_TRUE(console_info.console_program);
    early_buffer.append(L"sent before start-up\n");
    file_sink.set_stamps(false, false);

    setup_traces();

    // The debugger, file and standard error sinks; the file and standard output sinks; the file sink.
    EXPECT_EQ(debug_channel.sink_count(), 3);
    EXPECT_EQ(output_channel.sink_count(), 2);
    EXPECT_EQ(log_channel.sink_count(), 1);
    EXPECT_FALSE(debug_channel.add_sink(&stderr_sink));
    EXPECT_FALSE(output_channel.add_sink(&stdout_sink));
    EXPECT_FALSE(log_channel.add_sink(&file_sink));
    EXPECT_TRUE(debug_channel.add_sink(&console_sink)); // no channel had it
    EXPECT_EQ(early_buffer.take(), L"");

    const std::string separator = "\r\n\r\n" + std::string(64, '-') + "\r\n\r\n";
    EXPECT_EQ(file_sink.pending_text(), separator + "sent before start-up\r\n");
    EXPECT_EQ(file_sink.ring_size(), 262144);

    // The program configures no log file; a file set here shows the last flush at exit.
    temp_folder folder;
    const std::wstring name = folder.file(L"process.log");
    file_sink.set_file(name);
    output_channel.send("last words\n");
    EXPECT_FALSE(file_exists(name)); // below the threshold: left to the timer
    close_traces();
    EXPECT_EQ(read_whole_file(name), separator + "sent before start-up\r\nlast words\r\n");
    EXPECT_TRUE(file_sink.closing());
    stop_traces();
    file_sink.set_file(L"");
}

} // namespace
