#!/usr/bin/env python3
"""End-to-end tests of the real echoview.exe under Wine, driven by echofeed and X input.

usage: e2e.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR
Scenarios: refused, first_start, window (see the functions of the same names).
"""
import math
import os
import shutil
import sys
import time

from e2e_support import TITLE, check, failure, log, main, poll, wait_exit

BOX_TEXT = ('Echoview is the graphical front-end of Echoprobe.\\n'
            'Please start Echoprobe in an elevated command prompt to ping\\n'
            'and use the -g option to have Echoview display the results.\\n'
            '\\n'
            'Example: echoprobe www.example.com -t -g\\n')

MARKER = (0x8F, 0xA2, 0xFE)
GRID = (0xE0, 0xE0, 0xE0)
AXIS = (0, 0, 0)
AVERAGE = (0x00, 0x22, 0xCC)
MARGIN = 10.0


def refused(s):
    """Without the option: the message box with the exact text and the title as caption, exit code 9."""
    def expect_refusal(process, what):
        out = s.feed('window-text', TITLE)
        check(f'caption {TITLE}' in out, f'{what}: no message box captioned "{TITLE}"')
        texts = [line[5:] for line in out.splitlines() if line.startswith('text ')]
        # Wine keeps the final line break in the box's text; Windows drops it from the label.
        check(any(t in (BOX_TEXT, BOX_TEXT[:-2]) for t in texts), f'{what}: box text differs: {texts!r}')
        check(s.no_window_running(), f'{what}: a main window exists although the option was missing')
        check(process.poll() is None, f'{what}: the program ended before the box was closed')
        def closed():
            # A click into the box gives it the keyboard, whatever else runs on the display.
            s.xdotool('search', '--name', TITLE, 'mousemove', '--window', '%1', '10', '10', 'click', '1')
            s.xdotool('key', 'Return')
            try:
                return [wait_exit(process, timeout=2)]
            except failure:
                return None

        return poll(f'{what}: the box did not close', closed, timeout=20, interval=0)[0]

    rc = expect_refusal(s.start_echoview(), 'no arguments')
    check(rc == 9, f'no arguments: exit code {rc}, not 9')
    log('no arguments: box shown, exit code 9')

    # The option in the program's own path does not count.
    folder = os.path.join(s.work_dir, '--echoprobe')
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, 'echoview.exe')
    shutil.copyfile(s.echoview, copy)
    rc = expect_refusal(s.start_echoview('--echoprob', '-echoprobe', program=copy), 'option only in the path')
    check(rc == 9, f'option only in the path: exit code {rc}, not 9')
    log('option only in the program path and near misses: box shown, exit code 9')


def first_start(s):
    """No key: the default size at a system-chosen place; closing writes every value."""
    s.delete_key()
    process = s.start_echoview('--ECHOPROBE')
    info = s.wait_for_window()
    check(info['window'][2:] == [500, 250], f'default size expected, window is {info["window"]}')
    check(info['samples'] == [0], f'a new window holds samples: {info["samples"]}')
    # Large batches: 125,000 zero samples are taken whole. Wine cannot pass a
    # 4 MB message at all; the sender then gives up and the window must live on.
    s.feed('raw', '--size', '2000000')
    check(s.info()['samples'] == [125000], 'a 2 MB batch was not taken whole')
    rc = s.wine(s.echofeed, 'raw', '--size', '4000000').returncode
    check(rc in (0, 5), f'echofeed raw of 4 MB exited with {rc}')
    expected_count = 125000 + (250000 if rc == 0 else 0)
    check(s.info()['samples'] == [expected_count], 'the window did not survive a 4 MB batch')
    s.close_window(info['client'])
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing, not 0')
    saved = s.saved_settings()
    x, y, w, h = info['window']
    expected = {'x_pos': x & 0xFFFFFFFF, 'y_pos': y & 0xFFFFFFFF, 'x_size': w, 'y_size': h, 'x_time': 60,
                'avg_time': 1000, 'only_avg': 0, 'on_top': 0, 'dpi': 96}
    check(saved == {k: ('REG_DWORD', v) for k, v in expected.items()}, f'saved {saved}, expected {expected}')
    log(f'first start: {w}x{h} at {x},{y}; exit code 0; saved {expected}')


# Samples of the picture. Times in seconds, round-trip times in milliseconds.
T0 = 50000.0
EARLY = [(T0 - 3000, 40.0), (T0 - 2000, 55.0), (T0 - 1000, 30.0)]
LATE = [(T0 - 3400, 22.0), (T0 - 2600, 48.0), (T0 - 1800, 35.0), (T0 - 1400, 62.0), (T0 - 600, 12.0),
        (T0 - 200, 44.0), (T0, 38.0)]
SETTINGS = {'x_pos': 60, 'y_pos': 40, 'x_size': 520, 'y_size': 300, 'x_time': 3600, 'avg_time': 0, 'only_avg': 0}


def doubles(samples):
    return ','.join(f'{v!r}' for sample in samples for v in sample)


def send_batches(s):
    """Batches that must change nothing, and batches that must, checked by the window's count."""
    def expect_count(n, what):
        got = s.info()['samples']
        check(got == [n], f'after {what}: {got} samples, expected {n}')

    s.feed('raw', '--doubles', doubles(EARLY[:1]), '--size', '15')
    expect_count(0, '15 bytes')
    s.feed('raw', '--id', '2', '--doubles', doubles(EARLY))
    s.feed('raw', '--id', '0', '--doubles', doubles(EARLY))
    expect_count(0, 'dwData 2 and 0')
    s.feed('raw', '--null', '--size', '32')
    s.feed('raw', '--size', '0')
    expect_count(0, 'no data')
    s.feed('raw', '--doubles', 'nan,1,1,nan,inf,2,3,-inf,-inf,4,5,inf')
    expect_count(0, 'records with values that are not finite')
    s.feed('raw', '--doubles', doubles(EARLY[:1]))
    expect_count(1, '16 bytes')
    s.feed('raw', '--doubles', doubles(EARLY[1:]) + ',0.5', '--size', '47')
    expect_count(3, '47 bytes')
    s.feed('raw', '--doubles', doubles(LATE))
    expect_count(10, 'the last batch')


def expected_axis(samples, client_height):
    """The value axis as a fresh scaling of these samples gives it."""
    n = len(samples)
    total = sum(r for _, r in samples)
    total_sq = sum(r * r for _, r in samples)
    mean = total / n
    sd = math.sqrt(max((total_sq - total * total / n) / n, 0.0))
    hi = mean + 5 * sd
    if not hi < max(r for _, r in samples):
        hi = max(r for _, r in samples)
    low = min(r for _, r in samples) - sd * 0.125
    high = hi + sd * 0.5
    plot_height = client_height - 2 * MARGIN
    return low, high, plot_height, plot_height / (high - low)


def nice_step(h, low, span):
    if span <= 0 or h <= 0:
        return low
    n = max(h / 100.0, 2.0)
    f = 10 ** math.floor(math.log10(span / n))
    g = span / f / n
    step = 5 * f if g >= 3.5 else 2 * f if g >= 1.5 else f
    if low + span < math.ceil(low / step) * step + step:
        step /= 2
    return step


def find_axis(shot, client, top, bottom):
    """The column of the value axis: the one most covered by black between the plot's top and bottom."""
    cx, cy, cw, _ = client
    best, best_count = None, 0
    for x in range(cw):
        count = sum(1 for y in range(top, bottom + 1) if shot.at(cx + x, cy + y) == AXIS)
        if count > best_count:
            best, best_count = x, count
    check(best is not None and best_count >= (bottom - top) * 0.9, 'no value axis line in the screenshot')
    return best


def has_marker(shot, client, x, y):
    cx, cy = client[0], client[1]
    for dx in (0, -1, 1):
        for dy in (0, -1, 1):
            px, py = cx + x + dx, cy + y + dy
            if all(shot.at(px + ox, py + oy) == MARKER for ox, oy in ((0, 0), (-1, 0), (1, 0), (0, -1), (0, 1))):
                return True
    return False


def check_picture(shot, client, idle):
    samples = EARLY + LATE
    cx, cy, cw, ch = client
    low, high, plot_height, y_scale = expected_axis(samples, ch)

    def y_of(v):
        return int(plot_height - (v - low) * y_scale + MARGIN)

    axis_x = find_axis(shot, client, int(MARGIN), int(MARGIN + plot_height))
    plot_width = axis_x - 10 + 0.5
    x_scale = plot_width / SETTINGS['x_time']
    right_time = max(t for t, _ in samples) + idle
    for t, r in samples:
        x = int(plot_width - (right_time - t) * x_scale + 10)
        check(has_marker(shot, client, x, y_of(r)), f'no marker for ({t}, {r}) near ({x}, {y_of(r)})')
    marker_pixels = sum(1 for y in range(ch) for x in range(cw) if shot.at(cx + x, cy + y) == MARKER)
    check(marker_pixels == 5 * len(samples), f'{marker_pixels} marker pixels, expected {5 * len(samples)}')

    step = nice_step(int(plot_height), low, high - low)
    value = math.ceil(low / step) * step
    rows = []
    while True:
        rows.append((value, y_of(value)))
        value += step
        if not value <= high:
            break
    for value, row in rows:
        grid = sum(1 for x in range(10, axis_x) if shot.at(cx + x, cy + row) == GRID)
        check(grid >= 0.9 * (axis_x - 10) - 15, f'grid line of {value} not at row {row} ({grid} grid pixels)')
        ink = sum(1 for x in range(axis_x + 3, cw) for y in range(row - 7, row + 8)
                  if shot.at(cx + x, cy + y) == AXIS)
        check(ink >= 5, f'no label text right of the axis at row {row} for {value}')
    blue = sum(1 for y in range(ch) for x in range(cw) if shot.at(cx + x, cy + y) == AVERAGE)
    check(blue == 0, f'{blue} pixels of the average curve although averaging is off')
    log(f'picture: axis at x={axis_x}, y range {low:.3f}..{high:.3f}, step {step:g}, '
        f'grid rows {[r for _, r in rows]}, {len(samples)} markers where the formulas put them')


def expect_picture(s, name, client, sent):
    """Waits for the screen to show the picture of the samples sent at `sent` (time.time())."""
    def shown():
        idle = time.time() - sent
        check_picture(s.screenshot(name), client, idle)
        return True

    poll(f'the window did not show the expected picture ({name}.ppm in the work folder)', shown, timeout=20,
         interval=0.2)


def window(s):
    """With the option: the saved place and size, the batches, the picture, and the settings at exit."""
    s.delete_key()
    s.store_settings(SETTINGS)
    process = s.start_echoview('/X--EchoProbe=yes')
    info = s.wait_for_window()
    check(info['window'] == [60, 40, 520, 300], f'window at {info["window"]}, not at the saved 60,40 520x300')
    log(f'window of class brisk_mainwnd at the saved place and size: {info["window"]}')

    send_batches(s)
    sent = time.time()
    info = s.info(repaint=True)
    expect_picture(s, 'e2e-window', info['client'], sent)

    # A place and size of the user's choosing are what the exit saves.
    s.xdotool('search', '--name', TITLE, 'windowmove', '%@', '150', '130')
    s.xdotool('search', '--name', TITLE, 'windowsize', '%@', '610', '330')

    def moved_and_resized():
        now = s.info(repaint=True)
        return now if now['window'] != info['window'] and now['client'][2:] != info['client'][2:] else None

    moved = poll('the window was not moved and resized', moved_and_resized, timeout=10, interval=0.2)
    # The next paint draws into a new back buffer of the new size, with the axis rescaled.
    expect_picture(s, 'e2e-resized', moved['client'], sent)
    s.close_window(moved['client'])
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing, not 0')
    x, y, w, h = moved['window']
    expected = dict(SETTINGS, x_pos=x, y_pos=y, x_size=w, y_size=h, on_top=0, dpi=96)
    saved = s.saved_settings()
    check(saved == {k: ('REG_DWORD', v & 0xFFFFFFFF) for k, v in expected.items()},
          f'saved {saved}, expected {expected}')
    log(f'closed with exit code 0; saved {expected}')


if __name__ == '__main__':
    sys.exit(main([refused, first_start, window]))
