"""What an idle Echoview costs: the real program under Wine, repainted by its own timer, with samples
loaded and nothing arriving. Prints, for each case (samples, span, window size), the CPU time it used
over the measuring period as a share of one core, the median of several runs since single figures vary
a lot, and its memory, threads and file descriptors at the start and the end of the period (so that
growth shows). Run by scripts/bench-idle.sh."""
import argparse
import math
import os
import random
import time

from echoview_driver import cpu_share, failure, linux_process, log, main_guard, session, wineserver_pid, xdotool

WEEK = 604800
HOUR = 3600
BATCH = 100000  # 1.6 MB per message: larger ones are not delivered under Wine

# The cases: visible samples, the span they fill (also the window's time scale), the window's size.
CASES = {
    'empty': (0, WEEK, 500, 250),
    'week-1hz': (WEEK, WEEK, 500, 250),
    'week-10hz': (10 * WEEK, WEEK, 500, 250),
    'week-10hz-large': (10 * WEEK, WEEK, 1920, 1080),
    'hour-10hz-large': (10 * HOUR, HOUR, 1920, 1080),
    'empty-large': (0, WEEK, 1920, 1080),
    'empty-4k': (0, WEEK, 3840, 2100),
    'week-1hz-4k': (WEEK, WEEK, 3840, 2100),
    'week-10hz-4k': (10 * WEEK, WEEK, 3840, 2100),
    'week-1hz-4k-hover': (WEEK, WEEK, 3840, 2100),
}
# Cases whose pointer rests over the middle of the plot, where the readout follows the graph moving
# under it; every other case has the pointer away from the window, in the screen's last corner.
HOVER = {'week-1hz-4k-hover'}


def sample_file(folder, count, span):
    """`count` samples spread evenly over `span` seconds, as a time,rtt CSV file (made once, then reused)."""
    path = os.path.join(folder, f'span-{span}-{count}.csv')
    if os.path.exists(path):
        return path
    step = span / count
    rnd = random.Random(count)
    tmp = path + '.tmp'
    with open(tmp, 'w') as f:
        f.write('time,rtt\n')
        chunk = []
        for i in range(count):
            t = i * step
            # A daily swing, noise and a rare spike: a graph with some shape to it.
            rtt = 20.0 + 6.0 * math.sin(t * 2 * math.pi / 86400) + rnd.gauss(0.0, 1.5)
            if rnd.random() < 0.001:
                rtt += 60.0 * rnd.random()
            chunk.append(f'{t:.3f},{max(rtt, 0.0):.3f}\n')
            if len(chunk) >= 100000:
                f.writelines(chunk)
                chunk = []
        f.writelines(chunk)
    os.replace(tmp, path)
    return path


def rest_pointer(case, client):
    """The pointer where the case wants it: the display puts it in the middle of the screen, which lies over
    a large window and not over a small one. Over the plot it comes from outside the window, so that the
    window hears of it even where the last run left it there."""
    width, height = (int(v) for v in xdotool('getdisplaygeometry').stdout.split())
    xdotool('mousemove', str(width - 1), str(height - 1))
    if case in HOVER:
        time.sleep(0.5)
        xdotool('mousemove', str(client[0] + client[2] // 2), str(client[1] + client[3] // 2))


def measure(run, case, seconds, settle, data_dir, xvfb_pid):
    count, span, width, height = CASES[case]
    run.store_settings({'x_pos': 0, 'y_pos': 0, 'x_size': width, 'y_size': height, 'x_time': span})
    info = run.start()
    size = info['client'][2:]
    load_seconds = 0.0
    if count:
        path = os.path.relpath(sample_file(data_dir, count, span))
        started = time.monotonic()
        run.feed('replay', path, '--speed', '0', '--batch', str(BATCH), timeout=900)
        held = run.sample_count()
        load_seconds = time.monotonic() - started
        if held != count:
            raise failure(f'Echoview holds {held} samples after loading {count}')
    rest_pointer(case, info['client'])
    time.sleep(settle)

    echoview = run.linux()
    server = linux_process(wineserver_pid(run.prefix))
    xvfb = linux_process(xvfb_pid) if xvfb_pid else None
    first = run.stats()
    start = echoview.snapshot()
    start_server = server.snapshot()
    start_xvfb = xvfb.snapshot() if xvfb else None
    peak_rss = start['rss_kib']
    end = start
    while end['when'] - start['when'] < seconds:
        time.sleep(min(5.0, max(0.1, seconds - (end['when'] - start['when']))))
        run.check_alive()
        end = echoview.snapshot()
        peak_rss = max(peak_rss, end['rss_kib'])
    end_server = server.snapshot()
    end_xvfb = xvfb.snapshot() if xvfb else None
    last = run.stats()
    code = run.stop()
    if code != 0:
        raise failure(f'Echoview exited with code {code}')
    return {
        'case': case, 'count': count, 'span': span, 'size': size, 'load': load_seconds, 'samples': last['samples'][0],
        'cpu': cpu_share(start, end), 'server_cpu': cpu_share(start_server, end_server),
        'xvfb_cpu': cpu_share(start_xvfb, end_xvfb) if xvfb else float('nan'),
        'rss': (start['rss_kib'], end['rss_kib'], peak_rss), 'data': (start['data_kib'], end['data_kib']),
        'threads': (start['threads'], end['threads']), 'fds': (start['fds'], end['fds']),
        'handles': (first['handles'][0], last['handles'][0]), 'seconds': end['when'] - start['when'],
        'summary_bytes': last.get('summary_bytes', [-1])[0],
    }


def median_run(runs):
    """The run of median CPU share, with the CPU shares of all runs."""
    ordered = sorted(runs, key=lambda r: r['cpu'])
    row = dict(ordered[len(ordered) // 2])
    row['cpus'] = [r['cpu'] for r in runs]
    return row


def print_aims(rows):
    by_case = {r['case']: r for r in rows}
    week, empty, busy = by_case.get('week-1hz'), by_case.get('empty'), by_case.get('week-10hz')
    if week:
        verdict = 'within' if week['cpu'] <= 3.0 else 'ABOVE'
        log(f'aim: at most 3 % of a core with the 1 Hz week at 500x250: {week["cpu"]:.2f} % ({verdict} the aim)')
    if empty and busy:
        ratio = busy['cpu'] / max(empty['cpu'], 0.01)
        verdict = 'within' if ratio <= 3.0 else 'ABOVE'
        log(f'aim: the 10 Hz week idles at most 3x the CPU of the empty window: {ratio:.1f}x ({verdict} the aim)')
        per_sample = busy['summary_bytes'] / max(busy['samples'], 1)
        verdict = 'within' if 0 <= per_sample <= 2.0 else 'ABOVE'
        log(f'aim: summaries at most 2 bytes a stored sample, the window\'s pictures included: {per_sample:.2f} '
            f'({verdict} the aim)')
    large, filled = by_case.get('week-10hz-large'), by_case.get('hour-10hz-large')
    if large and filled:
        ratio = large['cpu'] / max(filled['cpu'], 0.01)
        verdict = 'within' if ratio <= 1.5 else 'ABOVE'
        log(f'aim: the 10 Hz week at 1920x1080 idles at most 1.5x the filled hour at that size: '
            f'{ratio:.2f}x ({verdict} the aim)')
    print_4k_aims(by_case)


def print_4k_aims(by_case):
    empty, large, huge = by_case.get('empty'), by_case.get('empty-large'), by_case.get('empty-4k')
    if empty and huge:
        ratio = huge['cpu'] / max(empty['cpu'], 0.01)
        verdict = 'within' if ratio <= 1.5 else 'ABOVE'
        log(f'aim: the empty window at 3840x2100 idles at most 1.5x the empty one at 500x250: {ratio:.2f}x '
            f'({verdict} the aim)')
    for case in ('week-1hz-4k', 'week-10hz-4k'):
        row = by_case.get(case)
        if row and large:
            ratio = row['cpu'] / max(large['cpu'], 0.01)
            verdict = 'within' if ratio <= 1.5 else 'ABOVE'
            log(f'aim: {case} at 3840x2100 idles at most 1.5x the empty window at 1920x1080: {ratio:.2f}x '
                f'({verdict} the aim)')
    away, hover = by_case.get('week-1hz-4k'), by_case.get('week-1hz-4k-hover')
    if away and hover:
        log(f'the readout under a resting pointer, following the graph, adds {hover["cpu"] - away["cpu"]:.2f} % '
            f'of a core to the 1 Hz week at 3840x2100')


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--bin', required=True, help='folder of echoview.exe and echofeed.exe')
    parser.add_argument('--work', required=True, help='folder for the sample files and logs')
    parser.add_argument('--seconds', type=float, default=30.0, help='length of each measurement')
    parser.add_argument('--settle', type=float, default=10.0, help='wait after loading, before measuring')
    parser.add_argument('--runs', type=int, default=3, help='runs of each case, of which the median is shown')
    parser.add_argument('--cases', default=','.join(CASES), help='cases to run, of ' + ', '.join(CASES))
    args = parser.parse_args()
    cases = args.cases.split(',')
    unknown = [c for c in cases if c not in CASES]
    if unknown or args.runs < 1:
        parser.error(f'unknown cases {unknown}' if unknown else '--runs must be at least 1')
    xvfb_pid = int(os.environ['ECHOVIEW_XVFB_PID']) if os.environ.get('ECHOVIEW_XVFB_PID') else None

    run = session(args.bin, args.work)
    rows = []
    try:
        with open('/proc/loadavg') as f:
            log(f'idle benchmark: load average at the start {" ".join(f.read().split()[:3])} '
                f'on {os.cpu_count()} cores; {args.runs} runs of {args.seconds:.0f} s each case')
        for case in cases:
            runs = []
            for n in range(args.runs):
                log(f'idle benchmark: {case}, run {n + 1} of {args.runs} ...')
                runs.append(measure(run, case, args.seconds, args.settle, args.work, xvfb_pid))
            rows.append(median_run(runs))
    finally:
        run.close()
    with open('/proc/loadavg') as f:
        load_end = ' '.join(f.read().split()[:3])

    log('')
    log('Echoview idle under Wine, repainted by its own timer, no samples arriving (median run of each case)')
    log(f'{"case":>17} {"samples":>10} {"span s":>7} {"window":>10} {"load s":>7} {"CPU %":>6} '
        f'{"CPU % of the runs":>20} {"wineserver %":>12} {"Xvfb %":>7} {"RSS MiB start/end/peak":>23} '
        f'{"VmData MiB start/end":>21} {"threads":>8} {"fds":>8} {"summaries B/sample":>19}')
    for r in rows:
        rss = '/'.join(f'{v / 1024:.1f}' for v in r['rss'])
        data = '/'.join(f'{v / 1024:.1f}' for v in r['data'])
        per_sample = f'{r["summary_bytes"] / r["samples"]:.2f}' if r['samples'] else '-'
        window = 'x'.join(str(v) for v in r['size'])
        cpus = ' '.join(f'{c:.2f}' for c in r['cpus'])
        log(f'{r["case"]:>17} {r["count"]:>10,} {r["span"]:>7} {window:>10} {r["load"]:>7.1f} {r["cpu"]:>6.2f} '
            f'{cpus:>20} {r["server_cpu"]:>12.2f} {r["xvfb_cpu"]:>7.2f} {rss:>23} {data:>21} '
            f'{"%d/%d" % r["threads"]:>8} {"%d/%d" % r["fds"]:>8} {per_sample:>19}')
    log(f'(CPU: user+system time of the echoview.exe process over {rows[0]["seconds"]:.0f} s from /proc, '
        f'as a share of one core; window: the client size; load average at the end {load_end})')
    print_aims(rows)
    grew = [r['case'] for r in rows if r['rss'][1] > r['rss'][0] + 1024 or r['fds'][1] > r['fds'][0]]
    log('memory and descriptors while idle: ' + (f'GREW in {grew}' if grew else 'no growth'))
    return 0


if __name__ == '__main__':
    raise SystemExit(main_guard(main))
