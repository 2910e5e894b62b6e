// echofeed ping: real ICMP echo requests, each reply sent to Echoview as one sample.
#include <winsock2.h>
#include <ws2tcpip.h>

// The ICMP declarations need winsock2 first, and the IP types of ipexport.
#include <ipexport.h>

#include <iphlpapi.h>

#include <icmpapi.h>

#include <algorithm>
#include <cstdio>

#include "tools/echofeed/feed_win.h"

namespace {

struct ping_options {
    std::wstring host;
    std::uint64_t count = 0; // 0: until interrupted
    double interval = 1.0;   // seconds between requests
    DWORD timeout_ms = 1000;
    std::wstring record;
    target_options target;
};

struct ping_totals {
    std::uint64_t sent = 0;
    std::uint64_t lost = 0;
    double min = 0.0;
    double max = 0.0;
    double sum = 0.0;

    void reply(double rtt) {
        const std::uint64_t received = sent - lost;
        min = received == 1 ? rtt : std::min(min, rtt);
        max = received == 1 ? rtt : std::max(max, rtt);
        sum += rtt;
    }
};

volatile LONG stop_requested = 0;

BOOL WINAPI on_console_break(DWORD) {
    InterlockedExchange(&stop_requested, 1);
    return TRUE;
}

class winsock_session {
public:
    winsock_session() { ok_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~winsock_session() {
        if (ok_) WSACleanup();
    }
    winsock_session(const winsock_session&) = delete;
    winsock_session& operator=(const winsock_session&) = delete;
    bool ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};

void close_icmp(HANDLE icmp) {
    IcmpCloseHandle(icmp);
}
// IcmpCreateFile answers INVALID_HANDLE_VALUE when it fails, as CreateFileW does.
using owned_icmp = handle_owner<HANDLE, close_icmp, handle_detail::file_handle_valid>;

int parse_ping_options(arg_list& args, ping_options& o) {
    const int code = parse_options(
        args, L"ping",
        {
            value_option({L"-n", L"--count"}, L"bad count '%ls'", count_in(o.count, 0, UINT64_MAX)),
            value_option({L"-i", L"--interval"}, L"bad interval '%ls' (seconds)",
                         number_in(o.interval, 0.0, 3600.0)),
            value_option({L"-w", L"--timeout"}, L"bad timeout '%ls' (milliseconds)",
                         count_in(o.timeout_ms, 1, 60000)),
            value_option({L"--record"}, nullptr, text_in(o.record)),
        },
        &o.target, &o.host);
    if (code != exit_ok) return code;
    return o.host.empty() ? usage_error(L"ping needs a host") : exit_ok;
}

bool resolve_ipv4(const std::wstring& host, IPAddr& address) {
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    ADDRINFOW* found = nullptr;
    const int error = GetAddrInfoW(host.c_str(), nullptr, &hints, &found);
    if (error != 0 || !found) {
        std::fwprintf(stderr, L"echofeed: host unknown: %ls (error %d)\n", host.c_str(), error);
        return false;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    FreeAddrInfoW(found);
    return true;
}

// One echo request; true with the round-trip time in milliseconds when a reply came.
bool echo_once(HANDLE icmp, IPAddr address, DWORD timeout_ms, double& sent_at, double& rtt_ms) {
    char payload[32] = "echofeed echo request payload";
    unsigned char reply[sizeof(ICMP_ECHO_REPLY) + sizeof payload + 64];
    sent_at = clock_seconds();
    const DWORD replies =
        IcmpSendEcho(icmp, address, payload, sizeof payload, nullptr, reply, sizeof reply, timeout_ms);
    const double done = clock_seconds();
    if (replies == 0) return false;
    if (reinterpret_cast<const ICMP_ECHO_REPLY*>(reply)->Status != IP_SUCCESS) return false;
    rtt_ms = (done - sent_at) * 1000.0;
    return true;
}

void print_summary(const ping_options& options, const ping_totals& totals) {
    const std::uint64_t received = totals.sent - totals.lost;
    std::wprintf(L"%ls: sent %llu, lost %llu", options.host.c_str(),
                 static_cast<unsigned long long>(totals.sent), static_cast<unsigned long long>(totals.lost));
    if (received > 0) {
        std::wprintf(L", rtt min/avg/max %.3f/%.3f/%.3f ms", totals.min, totals.sum / received, totals.max);
    }
    std::wprintf(L"\n");
}

} // namespace

int run_ping(arg_list& args) {
    ping_options options;
    if (const int code = parse_ping_options(args, options)) return code;
    winsock_session winsock;
    IPAddr address = 0;
    if (!winsock.ok() || !resolve_ipv4(options.host, address)) return exit_host;
    const owned_icmp icmp(IcmpCreateFile());
    if (!icmp) {
        std::fwprintf(stderr, L"echofeed: ICMP is not available: error %lu\n", GetLastError());
        return exit_host;
    }
    csv_recorder recorder;
    if (!options.record.empty() && !recorder.open(options.record)) return exit_file;
    echoview_target target(options.target);
    if (!target.connect()) return exit_no_window;

    SetConsoleCtrlHandler(on_console_break, TRUE);
    ping_totals totals;
    double next = clock_seconds();
    while ((options.count == 0 || totals.sent < options.count) && !stop_requested) {
        double sent_at = 0.0;
        double rtt = 0.0;
        ++totals.sent;
        if (echo_once(icmp.get(), address, options.timeout_ms, sent_at, rtt)) {
            totals.reply(rtt);
            const ping_sample sample{sent_at, rtt};
            recorder.add(sample);
            if (!target.send_samples({sample})) {
                print_summary(options, totals);
                return exit_send_failed;
            }
        } else {
            ++totals.lost;
        }
        next += options.interval;
        if (options.count == 0 || totals.sent < options.count) sleep_until(next);
    }
    print_summary(options, totals);
    return totals.sent > 0 && totals.lost == totals.sent ? exit_all_lost : exit_ok;
}
