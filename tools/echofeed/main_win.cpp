// echofeed: the stand-in for Echoprobe; feeds a running Echoview with ping samples.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/echofeed/feed_win.h"

namespace {

const wchar_t usage_text[] =
    L"usage: echofeed COMMAND [options]\n"
    L"  ping HOST [-n COUNT] [-i SECONDS] [-w TIMEOUT_MS] [--record FILE]\n"
    L"        ICMP echo to HOST; each reply becomes one sample (time, round-trip ms)\n"
    L"  synth [-n COUNT] [--rate PER_SECOND] [--batch N] [--seed N] [--base MS] [--jitter MS]\n"
    L"        [--spikes CHANCE] [--drift MS_PER_MINUTE] [--record FILE]\n"
    L"        a generated stream; -n 0 runs until interrupted, --rate 0 sends at once\n"
    L"  replay FILE [--speed FACTOR] [--batch N] [--shift]\n"
    L"        samples from a CSV file of time,rtt lines (a third column, as in the files\n"
    L"        Echoview saves, is ignored); --speed 0 sends at once,\n"
    L"        --shift moves the times so that the first sample is now\n"
    L"  raw [--id N] [--hex BYTES | --doubles A,B,...] [--size BYTES] [--null]\n"
    L"        one WM_COPYDATA with any id and content (zero-filled up to --size)\n"
    L"  info   where the Echoview window is, how many samples it holds, whether it has the\n"
    L"         keyboard, and the popup menus open on the screen\n"
    L"  window-text CAPTION   the texts of a top-level window and its children\n"
    L"  tooltip  the place and the lines of text of each tooltip Echoview shows\n"
    L"  close  ask the window to close (WM_CLOSE) and wait up to --wait MS for it to go\n"
    L"  clipboard [--text FILE] [--bitmap FILE] [--empty] [--hold MS]\n"
    L"        the clipboard's text (as UTF-8) and bitmap (as a .bmp file) written to files,\n"
    L"        then emptied if asked; --hold keeps it open for MS milliseconds, as a busy\n"
    L"        program would\n"
    L"  stats  Echoview's CPU time, memory, handles and sample count (exit 5 when it does not answer)\n"
    L"Options of ping, synth, replay, raw, info, tooltip and close:\n"
    L"  --start[=PATH]  start Echoview (--echoprobe) when none runs; default: beside echofeed\n"
    L"  --wait MS       how long to wait for the started window (default 10000)\n"
    L"  --repaint       make the window repaint after every batch\n"
    L"Exit codes: 0 done, 1 usage, 2 no Echoview window, 3 host unknown or no ICMP,\n"
    L"  4 file error or malformed line, 5 window gone or not answering, 6 every ping lost\n";

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"%ls", usage_text);
        return exit_usage;
    }
    const std::wstring command = argv[1];
    arg_list args(std::vector<std::wstring>(argv + 2, argv + argc));
    if (command == L"help" || command == L"--help" || command == L"-h") {
        std::wprintf(L"%ls", usage_text);
        return exit_ok;
    }
    int code = exit_usage;
    if (command == L"ping")
        code = run_ping(args);
    else if (command == L"synth")
        code = run_synth(args);
    else if (command == L"replay")
        code = run_replay(args);
    else if (command == L"raw")
        code = run_raw(args);
    else if (command == L"info")
        code = run_info(args);
    else if (command == L"window-text")
        code = run_window_text(args);
    else if (command == L"tooltip")
        code = run_tooltip(args);
    else if (command == L"stats")
        code = run_stats(args);
    else if (command == L"close")
        code = run_close(args);
    else if (command == L"clipboard")
        code = run_clipboard(args);
    else
        return usage_error(L"unknown command '%ls'", command);
    std::fflush(stdout);
    return code;
}
