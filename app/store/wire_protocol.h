// The wire protocol of the Echoview window: how a sender finds it, feeds it and asks what it holds.
#pragma once

#include <cstdint>
#include <type_traits>

// The class of the main window; senders find the window by it.
inline constexpr wchar_t main_window_class[] = L"brisk_mainwnd";

// dwData of a WM_COPYDATA whose bytes are ping_sample records. Bytes after the
// last whole record are ignored; a message with any other dwData is ignored whole.
inline constexpr std::uintptr_t sample_batch_id = 1;

// Name of a registered window message that the main window answers with the
// number of stored samples plus one (0 means the window does not know it). It
// reads nothing but the count, so any process may ask; the tests use it to see
// what the store took in.
inline constexpr wchar_t sample_count_message_name[] = L"echoview_sample_count";

// Likewise answered with the bytes the graph keeps of the samples (extremes and pictures),
// plus one: the benchmarks weigh them against the samples.
inline constexpr wchar_t summary_bytes_message_name[] = L"echoview_summary_bytes";

// One record as Echoprobe sends it and as the store keeps it: 16 bytes,
// little-endian, no padding.
struct ping_sample {
    double time; // seconds on the sender's clock
    double rtt;  // round-trip time in the sender's unit
};
static_assert(sizeof(ping_sample) == 16, "ping_sample must be exactly 16 bytes");
static_assert(std::is_trivially_copyable<ping_sample>::value, "ping_sample is copied bytewise");
static_assert(std::is_standard_layout<ping_sample>::value, "ping_sample is a wire record");
