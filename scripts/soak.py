"""Soak of the real Echoview under Wine: fed at 100 samples/s with late and hostile batches mixed in,
its context menu driven by real input (right click, arrow keys, Return) every few seconds, the window
resized now and then. Prints memory, CPU share and sample count each minute. Fails on a crash, a hang
(no answer to a message within 5 s), memory growing faster than the samples, or menu choices that did
not take effect (the settings saved at the end must be those the chosen items set). Run by
scripts/soak.sh."""
import argparse
import os
import random
import re
import time

from echoview_driver import TITLE, cpu_share, failure, log, main_guard, session, stand_in_browser, wait_until, xdotool

RATE = 100  # samples per second of the steady feed
RECORD = 16  # bytes of one sample

TIME_SCALES = [10, 60, 300, 900, 3600, 14400, 43200, 172800, 604800]
AVG_TIMES = [0.0, 0.1, 0.3, 1, 3, 10, 60, 300, 900, 3600, 14400]  # then "Only average"
# Selectable items of the context menu, top to bottom (the separator is skipped by the arrow keys).
TIME_SCALE, AVERAGE_TIME, CLEAR, HELP, CONTACT, ABOUT = range(6)

# Memory may grow with the samples held (the array, its growth reserve, a merge buffer, buckets);
# beyond that only by this much after the first minutes.
BYTES_PER_SAMPLE = 8 * RECORD
SLACK_KIB = 16 * 1024
WARM_UP_MINUTES = 2


class settings_model:
    """What the graph settings must be after the menu items chosen so far."""

    def __init__(self, x_time, avg_time, only_avg):
        self.x_time, self.avg_time, self.only_avg = x_time, avg_time, only_avg

    def set_time_scale(self, seconds):
        self.x_time = seconds

    def set_avg_time(self, seconds):
        self.avg_time = float(seconds)
        if self.avg_time == 0.0:
            self.only_avg = False

    def toggle_only_avg(self):
        self.only_avg = not self.only_avg
        if self.only_avg and self.avg_time == 0.0:
            self.avg_time = 1.0

    def saved(self):
        return {'x_time': self.x_time, 'avg_time': int(self.avg_time * 1000) & 0xFFFFFFFF,
                'only_avg': int(self.only_avg)}


class soak:
    def __init__(self, run, rnd, minutes, menus=True):
        self.run = run
        self.menus = menus
        self.rnd = rnd
        self.minutes = minutes
        self.model = settings_model(60, 1.0, False)
        self.counts = {}
        self.clock_offset = 0.0
        self.feeder = None
        self.opened_pages = os.path.join(run.work_dir, 'opened-pages.log')
        self.pages_expected = 0

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    # Set-up.
    def browser_stand_in(self):
        """The help and contact items open the web browser: a stand-in records the address instead."""
        stand_in_browser(os.path.join(self.run.work_dir, 'bin'), self.opened_pages)

    def calibrate_clock(self):
        """The feeder stamps samples with the performance counter; late batches need its value now."""
        path = os.path.join(self.run.work_dir, 'clock.csv')
        before = time.monotonic()
        self.run.feed('synth', '-n', '1', '--rate', '0', '--record', os.path.relpath(path))
        after = time.monotonic()
        with open(path) as f:
            stamp = float(f.read().splitlines()[1].split(',')[0])
        self.clock_offset = stamp - (before + after) / 2

    def start(self):
        self.browser_stand_in()
        self.run.store_settings({'x_pos': 40, 'y_pos': 40, 'x_size': 500, 'y_size': 250, 'x_time': 60,
                                 'avg_time': 1000, 'only_avg': 0})
        self.run.start()
        found = xdotool('search', '--name', '^' + re.escape(TITLE) + '$').stdout.split()
        if len(found) != 1:
            raise failure(f'expected one Echoview window on the display, found {len(found)}')
        self.window_id = found[0]
        self.calibrate_clock()
        self.feeder = self.run.start_helper('synth', '-n', '0', '--rate', str(RATE), '--batch', '10', '--base',
                                            '20', '--jitter', '3', '--spikes', '0.01', '--drift', '2', '--seed',
                                            str(self.rnd.randrange(1 << 31)), name='feeder')

    # Checks.
    def check(self):
        """Echoview runs and answers within 5 s, and the feeder is still sending."""
        self.run.check_alive()
        if self.feeder.poll() is not None:
            message = self.run.helper_log('feeder')
            if self.feeder.returncode == 5:
                raise failure(f'the feeder could not deliver a batch (Echoview hung or gone): {message}')
            raise failure(f'the feeder ended with exit code {self.feeder.returncode}: {message}')
        return self.run.stats()

    # Input.
    def visible_windows(self):
        return len(xdotool('search', '--onlyvisible', '--pid', str(self.run.process.pid)).stdout.split())

    def client_point(self):
        """A random point well inside the client area, in screen coordinates."""
        geometry = xdotool('getwindowgeometry', '--shell', self.window_id).stdout
        g = dict(line.split('=', 1) for line in geometry.split() if '=' in line)
        x, y, w, h = (int(g[k]) for k in ('X', 'Y', 'WIDTH', 'HEIGHT'))
        return x + self.rnd.randint(w // 5, max(w // 5, 4 * w // 5)), y + self.rnd.randint(h // 5, max(h // 5, 4 * h // 5))

    def keys(self, *names):
        xdotool('key', '--delay', '60', *names)

    def open_menu(self):
        """Right click in the client area; waits until the context menu shows."""
        base = self.visible_windows()
        x, y = self.client_point()
        xdotool('mousemove', str(x), str(y))
        xdotool('click', '3')
        if not wait_until(lambda: self.visible_windows() > base, 10):
            raise failure('the context menu did not appear within 10 s of a right click')
        return base

    def menu_closed(self, base):
        if not wait_until(lambda: self.visible_windows() <= base, 10):
            raise failure('the context menu did not close within 10 s')

    def choose(self, top, sub=None):
        """Chooses top-level item `top`, or item `sub` of its submenu, with the keyboard."""
        base = self.open_menu()
        self.keys(*['Down'] * (top + 1))
        if sub is not None:
            # Right opens the submenu with its first item selected.
            self.keys('Right', *['Down'] * sub)
        self.keys('Return')
        self.menu_closed(base)

    def menu_action(self):
        roll = self.rnd.random()
        if roll < 0.3:
            i = self.rnd.randrange(len(TIME_SCALES))
            self.choose(TIME_SCALE, i)
            self.model.set_time_scale(TIME_SCALES[i])
            self.count('time scale')
        elif roll < 0.6:
            i = self.rnd.randrange(len(AVG_TIMES) + 1)
            self.choose(AVERAGE_TIME, i)
            if i < len(AVG_TIMES):
                self.model.set_avg_time(AVG_TIMES[i])
            else:
                self.model.toggle_only_avg()
            self.count('average time')
        elif roll < 0.72:
            self.choose(CLEAR, 0)
            self.count('clear outside')
        elif roll < 0.75:
            self.choose(CLEAR, 1)
            self.count('clear all')
        elif roll < 0.85:
            base = self.open_menu()
            self.keys(*['Down'] * self.rnd.randint(0, 3), 'Escape', 'Escape')
            self.menu_closed(base)
            self.count('dismissed')
        elif roll < 0.92:
            self.about()
        else:
            self.choose(self.rnd.choice([HELP, CONTACT]))
            self.pages_expected += 1
            self.count('web page')

    def boxes(self):
        """Visible windows of Echoview with a caption other than the main window: message boxes
        (menus have no caption)."""
        found = xdotool('search', '--onlyvisible', '--pid', str(self.run.process.pid), '--name', '.')
        return [w for w in found.stdout.split() if w != self.window_id]

    def about(self):
        self.open_menu()
        self.keys(*['Down'] * (ABOUT + 1), 'Return')
        box = wait_until(self.boxes, 10)
        if not box:
            raise failure('the About box did not appear within 10 s')
        # Without a window manager the keyboard follows the pointer: into the box, a click, then
        # Return until it closes (the first key after the click may only activate the box).
        xdotool('mousemove', '--window', box[0], '10', '10', 'click', '1')
        for _ in range(5):
            self.keys('Return')
            if wait_until(lambda: not self.boxes(), 2):
                break
        else:
            raise failure('the About box did not close on Return within 10 s')
        self.count('about')

    def resize(self):
        w, h = self.rnd.choice([(self.rnd.randint(300, 900), self.rnd.randint(150, 600)), (160, 90), (500, 250)])
        xdotool('windowsize', self.window_id, str(w), str(h))
        self.count('resize')

    # Hostile and late batches, one each time.
    def hostile(self):
        now = time.monotonic() + self.clock_offset
        late = ','.join(f'{now - s:.6f},{r}' for s, r in ((1.5, 30), (40, 25), (10, 22), (59, 28), (0.2, 21)))
        batches = [
            ('late', ['--doubles', late]),
            ('very late', ['--doubles', '0,10,-1e9,12,1,11']),
            ('bad values', ['--doubles', f'{now:.6f},nan,{now:.6f},inf,{now:.6f},-inf,{now:.6f},-5,'
                                         f'{now:.6f},1e308,{now:.6f},0']),
            ('bad times', ['--doubles', 'nan,20,inf,20,-inf,20']),
            ('ragged size', ['--doubles', f'{now:.6f},20,5']),
            ('short', ['--doubles', '5']),
            ('other id', ['--id', '2', '--doubles', f'{now:.6f},20']),
            ('id 0', ['--id', '0', '--doubles', f'{now:.6f},20']),
            ('no data', ['--null', '--size', '16']),
            ('empty', ['--size', '0']),
            ('large late', ['--size', str(50000 * RECORD)]),
        ]
        name, args = batches[self.counts.get('hostile', 0) % len(batches)]
        self.run.feed('raw', *args)
        self.count('hostile')

    # The run.
    def report(self, minute, stats, before, after):
        rss = after['rss_kib'] / 1024
        log(f'minute {minute:3d}: samples {stats["samples"][0]:>9,}  RSS {rss:7.1f} MiB  '
            f'VmData {after["data_kib"] / 1024:7.1f} MiB  CPU {cpu_share(before, after):5.1f} %  '
            f'threads {after["threads"]}  fds {after["fds"]}', )

    def check_memory(self, snapshot, samples):
        """After the warm-up, memory may grow only with the largest number of samples held."""
        if self.baseline is None:
            return
        rss0, peak0 = self.baseline
        allowed = rss0 + SLACK_KIB + max(0, self.peak_samples - peak0) * BYTES_PER_SAMPLE / 1024
        if snapshot['rss_kib'] > allowed:
            raise failure(f'memory grew faster than the samples: RSS {snapshot["rss_kib"] / 1024:.1f} MiB, '
                          f'at most {allowed / 1024:.1f} MiB expected for {self.peak_samples:,} samples at most '
                          f'(after the warm-up: {rss0 / 1024:.1f} MiB, {peak0:,} samples)')

    def loop(self):
        linux = self.run.linux()
        started = time.monotonic()
        end = started + self.minutes * 60
        minute_start = linux.snapshot()
        next_minute = started + 60
        next_menu = started + self.rnd.uniform(2, 5)
        next_hostile = started + self.rnd.uniform(4, 8)
        next_resize = started + self.rnd.uniform(20, 40)
        self.baseline = None
        self.peak_samples = 0
        minute = 0
        while True:
            now = time.monotonic()
            wake = min(next_minute, next_menu, next_hostile, next_resize, end)
            if wake > now:
                time.sleep(min(wake - now, 2.0))
                stats = self.check()
                self.peak_samples = max(self.peak_samples, stats['samples'][0])
                continue
            if now >= next_minute or now >= end:
                minute += 1
                stats = self.check()
                snapshot = linux.snapshot()
                self.peak_samples = max(self.peak_samples, stats['samples'][0])
                self.report(minute, stats, minute_start, snapshot)
                if minute == WARM_UP_MINUTES or (self.baseline is None and now >= end):
                    self.baseline = (snapshot['rss_kib'], self.peak_samples)
                self.check_memory(snapshot, stats['samples'][0])
                minute_start = snapshot
                next_minute += 60
                if now >= end:
                    return
            elif now >= next_menu:
                if self.menus:
                    self.menu_action()
                next_menu = time.monotonic() + self.rnd.uniform(2, 5)
            elif now >= next_hostile:
                self.hostile()
                next_hostile = time.monotonic() + self.rnd.uniform(6, 12)
            elif now >= next_resize:
                self.resize()
                next_resize = time.monotonic() + self.rnd.uniform(30, 60)

    def finish(self):
        """Stops the feed, closes the window as a user would and checks what was saved."""
        self.feeder.kill()
        self.feeder.wait(timeout=10)
        code = self.run.stop()
        if code != 0:
            raise failure(f'Echoview exited with code {code} when closed')
        saved = self.run.saved_dwords()
        expected = self.model.saved()
        wrong = {k: (saved.get(k), v) for k, v in expected.items() if saved.get(k) != v}
        if wrong:
            raise failure('the saved settings are not those the chosen menu items set '
                          '(name: saved, expected): ' + ', '.join(f'{k}: {s}, {e}' for k, (s, e) in wrong.items()))
        if self.pages_expected:
            opened = wait_until(lambda: self.opened_count() >= self.pages_expected, 10)
            if not opened:
                raise failure(f'{self.pages_expected} web pages chosen, {self.opened_count()} opened')

    def opened_count(self):
        try:
            with open(self.opened_pages) as f:
                return len(f.read().splitlines())
        except OSError:
            return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('minutes', type=float, help='how long to run')
    parser.add_argument('--bin', required=True, help='folder of echoview.exe and echofeed.exe')
    parser.add_argument('--work', required=True, help='folder for logs and stand-ins')
    parser.add_argument('--seed', type=int, default=None, help='seed of the random choices')
    parser.add_argument('--no-menus', action='store_true', help='leave the context menu alone')
    args = parser.parse_args()
    if not args.minutes > 0:
        parser.error('MINUTES must be positive')
    seed = args.seed if args.seed is not None else random.randrange(1 << 31)
    log(f'soak: {args.minutes:g} minutes, seed {seed}')
    run = session(args.bin, args.work)
    s = soak(run, random.Random(seed), args.minutes, menus=not args.no_menus)
    try:
        s.start()
        s.loop()
        s.finish()
    finally:
        run.close()
        if s.counts:
            log('soak: ' + ', '.join(f'{k} {v}' for k, v in sorted(s.counts.items())))
    log(f'soak: passed ({args.minutes:g} minutes, seed {seed})')
    return 0


if __name__ == '__main__':
    raise SystemExit(main_guard(main))
