"""What an idle Echoview costs: the real program under Wine, repainted by its own timer, with a week's
span of samples loaded and nothing arriving. Prints, for each sample count, the CPU time it used over
the measuring period as a share of one core, and its memory, threads and file descriptors at the start
and the end of the period (so that growth shows). Run by scripts/bench-idle.sh."""
import argparse
import math
import os
import random
import time

from echoview_driver import cpu_share, failure, linux_process, log, main_guard, session, wineserver_pid

WEEK = 604800
BATCH = 100000  # 1.6 MB per message: larger ones are not delivered under Wine


def sample_file(folder, count):
    """`count` samples spread evenly over one week, as a time,rtt CSV file (made once, then reused)."""
    path = os.path.join(folder, f'week-{count}.csv')
    if os.path.exists(path):
        return path
    step = WEEK / count
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


def measure(run, count, seconds, settle, data_dir, xvfb_pid):
    run.store_settings({'x_pos': 0, 'y_pos': 0, 'x_size': 500, 'y_size': 250, 'x_time': WEEK})
    info = run.start()
    size = info['window'][2:]
    load_seconds = 0.0
    if count:
        path = os.path.relpath(sample_file(data_dir, count))
        started = time.monotonic()
        run.feed('replay', path, '--speed', '0', '--batch', str(BATCH), timeout=900)
        held = run.sample_count()
        load_seconds = time.monotonic() - started
        if held != count:
            raise failure(f'Echoview holds {held} samples after loading {count}')
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
        'count': count, 'size': size, 'load': load_seconds, 'samples': last['samples'][0],
        'cpu': cpu_share(start, end), 'server_cpu': cpu_share(start_server, end_server),
        'xvfb_cpu': cpu_share(start_xvfb, end_xvfb) if xvfb else float('nan'),
        'rss': (start['rss_kib'], end['rss_kib'], peak_rss), 'data': (start['data_kib'], end['data_kib']),
        'threads': (start['threads'], end['threads']), 'fds': (start['fds'], end['fds']),
        'handles': (first['handles'][0], last['handles'][0]), 'seconds': end['when'] - start['when'],
        'summary_bytes': last.get('summary_bytes', [-1])[0],
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--bin', required=True, help='folder of echoview.exe and echofeed.exe')
    parser.add_argument('--work', required=True, help='folder for the sample files and logs')
    parser.add_argument('--seconds', type=float, default=60.0, help='length of each measurement')
    parser.add_argument('--settle', type=float, default=10.0, help='wait after loading, before measuring')
    parser.add_argument('--counts', default=f'0,{WEEK},{10 * WEEK}', help='visible sample counts')
    args = parser.parse_args()
    counts = [int(c) for c in args.counts.split(',')]
    xvfb_pid = int(os.environ['ECHOVIEW_XVFB_PID']) if os.environ.get('ECHOVIEW_XVFB_PID') else None

    run = session(args.bin, args.work)
    rows = []
    try:
        with open('/proc/loadavg') as f:
            log(f'idle benchmark: load average at the start {" ".join(f.read().split()[:3])} '
                f'on {os.cpu_count()} cores; x_time one week, window 500x250, {args.seconds:.0f} s each')
        for count in counts:
            log(f'idle benchmark: {count} samples ...')
            rows.append(measure(run, count, args.seconds, args.settle, args.work, xvfb_pid))
    finally:
        run.close()
    with open('/proc/loadavg') as f:
        load_end = ' '.join(f.read().split()[:3])

    log('')
    log('Echoview idle under Wine, repainted by its own timer, no samples arriving')
    log(f'{"visible samples":>16} {"load s":>7} {"CPU %":>6} {"wineserver %":>12} {"Xvfb %":>7} '
        f'{"RSS MiB start/end/peak":>23} {"VmData MiB start/end":>21} {"threads":>8} {"fds":>8} '
        f'{"summaries B/sample":>19}')
    for r in rows:
        rss = '/'.join(f'{v / 1024:.1f}' for v in r['rss'])
        data = '/'.join(f'{v / 1024:.1f}' for v in r['data'])
        per_sample = f'{r["summary_bytes"] / r["samples"]:.2f}' if r['samples'] else '-'
        log(f'{r["count"]:>16,} {r["load"]:>7.1f} {r["cpu"]:>6.2f} {r["server_cpu"]:>12.2f} {r["xvfb_cpu"]:>7.2f} '
            f'{rss:>23} {data:>21} {"%d/%d" % r["threads"]:>8} {"%d/%d" % r["fds"]:>8} {per_sample:>19}')
    log(f'(CPU: user+system time of the echoview.exe process over {rows[0]["seconds"]:.0f} s from /proc, '
        f'as a share of one core; load average at the end {load_end})')
    week = [r for r in rows if r['count'] == WEEK]
    if week:
        verdict = 'within' if week[0]['cpu'] <= 3.0 else 'ABOVE'
        log(f'aim: at most 3 % of a core with the 1 Hz week at 500x250: {week[0]["cpu"]:.2f} % ({verdict} the aim)')
    empty = [r for r in rows if r['count'] == 0]
    busy = [r for r in rows if r['count'] == 10 * WEEK]
    if empty and busy:
        ratio = busy[0]['cpu'] / max(empty[0]['cpu'], 0.01)
        verdict = 'within' if ratio <= 3.0 else 'ABOVE'
        log(f'aim: the 10 Hz week idles at most 3x the CPU of the empty window: {ratio:.1f}x ({verdict} the aim)')
        per_sample = busy[0]['summary_bytes'] / max(busy[0]['samples'], 1)
        verdict = 'within' if 0 <= per_sample <= 2.0 else 'ABOVE'
        log(f'aim: summaries at most 2 bytes a stored sample: {per_sample:.2f} ({verdict} the aim)')
    grew = [r['count'] for r in rows if r['rss'][1] > r['rss'][0] + 1024 or r['fds'][1] > r['fds'][0]]
    log('memory and descriptors while idle: ' + (f'GREW with {grew} samples' if grew else 'no growth'))
    return 0


if __name__ == '__main__':
    raise SystemExit(main_guard(main))
