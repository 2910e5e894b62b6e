#include "util/trace/trace_channel_win.h"

#include "recording_sink.h"

#include <gtest/gtest.h>

namespace {

TEST(trace_channel, every_sink_once_in_order) {
    trace_channel channel;
    recording_sink first, second;
    EXPECT_TRUE(channel.add_sink(&first));
    EXPECT_TRUE(channel.add_sink(&second));
    EXPECT_FALSE(channel.add_sink(&first));
    EXPECT_EQ(channel.sink_count(), 2);
    channel.send("n\n");
    channel.send_wide(L"w\n");
    EXPECT_EQ(first.narrow, "n\n");
    EXPECT_EQ(first.wide, L"w\n");
    EXPECT_EQ(second.narrow, "n\n");
    EXPECT_TRUE(second.deferrable);

    // A full list refuses the next sink and keeps every earlier one.
    recording_sink more[trace_channel::max_sinks - 2];
    for (recording_sink& sink : more) EXPECT_TRUE(channel.add_sink(&sink));
    EXPECT_EQ(channel.sink_count(), trace_channel::max_sinks);
    recording_sink refused;
    EXPECT_FALSE(channel.add_sink(&refused));
    channel.send("x");
    EXPECT_EQ(first.narrow, "n\nx");
    EXPECT_EQ(more[trace_channel::max_sinks - 3].narrow, "x");
    EXPECT_EQ(refused.narrow, "");
}

TEST(trace_channel, switched_off_channel_falls_back_to_the_early_buffer) {
    early_buffer.take();
    trace_channel channel;
    recording_sink sink;
    channel.add_sink(&sink);
    channel.switch_off();
    // Switched off at exit, a process-wide channel is still sent to; the text then must
    // not reach the sinks, which may be gone already.
    EXPECT_FALSE(channel.active());
    EXPECT_EQ(0, channel.sink_count());
    EXPECT_FALSE(channel.add_sink(&sink));
    channel.send("late \xe9 ");
    channel.send_wide(L"wide \u20ac");
    EXPECT_EQ(sink.narrow, "");
    EXPECT_EQ(early_buffer.take(), L"late ? wide \u20ac");
    EXPECT_EQ(early_buffer.take(), L"");

    const std::string long_text(300, 'z');
    channel.send(long_text.c_str());
    channel.send("more");
    EXPECT_EQ(early_buffer.take(), std::wstring(255, L'z'));
}

TEST(trace_channel, process_wide_channels_are_usable_and_entry_points_reach_them) {
    // These channels are process-wide and keep the sink until the process ends.
    static recording_sink sink;
    ASSERT_TRUE(debug_channel.add_sink(&sink));
    ASSERT_TRUE(output_channel.add_sink(&sink));
    send_debug("d1\n");
    send_debug(std::string("d2\n"));
    send_output("o1\n");
    send_output(L"o2\n");
    EXPECT_EQ(sink.narrow, "d1\nd2\no1\n");
    EXPECT_EQ(sink.wide, L"o2\n");
}

} // namespace
