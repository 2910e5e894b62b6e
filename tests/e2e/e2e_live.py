#!/usr/bin/env python3
"""End-to-end tests of the live graph and its context menu: real echoview.exe under Wine, real X input.

usage: e2e_live.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR
Scenarios: menus, pages, live, no_icon (see the functions of the same names).
"""
import os
import re
import subprocess
import sys
import time

from e2e_support import TITLE, VERSION, check, failure, log, main, poll, stand_in_browser, wait_exit
import make_icon  # noqa: E402  (beside the driver in scripts/)

MARKER = (0x8F, 0xA2, 0xFE)
AVERAGE = (0x00, 0x22, 0xCC)
ABOUT_TEXT = f'Echoview {VERSION}\\n\\nThe graphical front-end of Echoprobe.\\n\\nwww.norvane.example\\n'
HELP_PAGE = f'http://www.norvane.example/ping?echoview-{VERSION}'
CONTACT_PAGE = f'http://www.norvane.example/support?echoview-{VERSION}'

# Seconds on the sender's clock and round-trip times; the newest is T0.
T0 = 80000.0
SAMPLES = [(T0 - 3400, 22.0), (T0 - 2600, 48.0), (T0 - 1800, 35.0), (T0 - 1400, 62.0), (T0 - 600, 12.0),
           (T0 - 200, 44.0), (T0, 38.0)]
SETTINGS = {'x_pos': 40, 'y_pos': 30, 'x_size': 520, 'y_size': 300, 'x_time': 3600, 'avg_time': 0, 'only_avg': 0}


def doubles(samples):
    return ','.join(f'{v!r}' for sample in samples for v in sample)


def count_colour(shot, client, colour):
    cx, cy, cw, ch = client
    return sum(1 for y in range(ch) for x in range(cw) if shot.at(cx + x, cy + y) == colour)


def marker_columns(shot, client):
    """The x of each marker centre (a plus of five marker pixels) in the client area."""
    cx, cy, cw, ch = client
    found = []
    for y in range(1, ch - 1):
        for x in range(1, cw - 1):
            if all(shot.at(cx + x + dx, cy + y + dy) == MARKER for dx, dy in ((0, 0), (-1, 0), (1, 0), (0, -1), (0, 1))):
                found.append(x)
    return sorted(found)


def window_icons():
    """The icons Wine gave the main window's X window (from its class icon): [(size, ARGB values)]."""
    out = subprocess.run(['xdotool', 'search', '--name', TITLE], capture_output=True, text=True, timeout=30).stdout
    icons = []
    for window in out.split():
        prop = subprocess.run(['xprop', '-id', window, '-notype', '32c', '_NET_WM_ICON'], capture_output=True,
                              text=True, timeout=30).stdout
        values = [int(v) for v in re.findall(r'\d+', prop.partition('=')[2])]
        while len(values) >= 2 and len(values) >= 2 + values[0] * values[1]:
            w, h = values[0], values[1]
            if w == h:
                icons.append((w, values[2:2 + w * h]))
            values = values[2 + w * h:]
    return icons


def shows_our_icon():
    """True when one of the window's icons is the one scripts/make_icon.py draws (not Wine's default)."""
    for size, argb in window_icons():
        if size not in make_icon.SIZES:
            continue
        drawn = make_icon.draw(size)
        opaque = [(x, y) for y in range(size) for x in range(size) if drawn[y][x] is not None]
        same = sum(1 for x, y in opaque
                   if argb[y * size + x] & 0xFFFFFF == (drawn[y][x][0] << 16 | drawn[y][x][1] << 8 | drawn[y][x][2]))
        if opaque and same >= 0.9 * len(opaque):
            return True
    return False


class graph:
    """One running Echoview with the test samples, and the menu driven by real input."""

    def __init__(self, s, settings=SETTINGS):
        self.s = s
        s.delete_key()
        s.store_settings(settings)
        self.process = s.start_echoview('--echoprobe')
        self.info = s.wait_for_window()
        poll('the class icon on the window', shows_our_icon, 10)
        self.pointer_away()

    def pointer_away(self):
        """The pointer below the window, so that the readout it shows over the graph is not in the pictures."""
        x, y, w, h = self.info['window']
        self.s.xdotool('mousemove', str(x + w // 2), str(y + h + 40))

    def feed(self, samples=SAMPLES):
        self.s.feed('raw', '--doubles', doubles(samples))

    def shot(self, name):
        """The client area only, in one quick capture (screen coordinates kept)."""
        return self.s.screenshot(name, crop=self.info['client'])

    def open_menu(self, dx=200, dy=120):
        """A right click inside the client area; the menu's rectangle once it is on the screen."""
        cx, cy = self.info['client'][0], self.info['client'][1]
        self.s.xdotool('search', '--name', TITLE, 'windowraise', '%@')
        self.s.xdotool('mousemove', str(cx + dx), str(cy + dy), 'click', '3')
        return poll('the context menu', lambda: self.s.info().get('menu'), 10)

    def choose(self, *keys):
        """Opens the menu and picks an item with the keyboard; waits until the menu has gone."""
        self.open_menu()
        self.s.xdotool('key', '--delay', '80', *keys)
        poll('the menu to close', lambda: 'menu' not in self.s.info(), 10)
        self.pointer_away()

    def close(self):
        self.s.close_window(self.info['client'])
        rc = wait_exit(self.process)
        check(rc == 0, f'exit code {rc} after closing, not 0')


def picture(g, name, expect, timeout=10.0):
    """Polls screenshots until `expect(shot)` holds: the menus change nothing before the next repaint tick."""
    last = {}

    def attempt():
        last['shot'] = g.shot(name)
        return expect(last['shot'])

    return poll(f'picture {name}', attempt, timeout, interval=0.2)


def menus(s):
    """A right click opens the menu at the cursor; the keyboard changes span, averaging, clears; all saved at exit."""
    g = graph(s)
    g.feed()
    client = g.info['client']
    picture(g, 'menus-start', lambda shot: count_colour(shot, client, MARKER) == 5 * len(SAMPLES)
            and count_colour(shot, client, AVERAGE) == 0)

    rect = g.open_menu(dx=200, dy=120)
    at = (client[0] + 200, client[1] + 120)
    check(rect[0] + rect[2] == at[0] and rect[1] == at[1],
          f'menu at {rect}: its right edge and top should be at the cursor {at}')
    s.xdotool('key', 'Escape')
    poll('the menu to close', lambda: 'menu' not in s.info(), 10)
    log(f'right click at {at}: menu {rect[2]}x{rect[3]} with its top right corner there')

    # Average Time, "5 mins": the blue curve appears.
    g.choose('Down', 'Down', 'Right', *['Down'] * 7, 'Return')
    picture(g, 'menus-average', lambda shot: count_colour(shot, client, AVERAGE) > 20
            and count_colour(shot, client, MARKER) > 0)
    # Average Time, "Only average": the markers go.
    g.choose('Down', 'Down', 'Right', 'Up', 'Return')
    picture(g, 'menus-only-average', lambda shot: count_colour(shot, client, MARKER) == 0
            and count_colour(shot, client, AVERAGE) > 20)
    g.choose('Down', 'Down', 'Right', 'Up', 'Return')  # markers back
    g.choose('Down', 'Down', 'Right', 'Return')  # "No average"
    picture(g, 'menus-no-average', lambda shot: count_colour(shot, client, AVERAGE) == 0
            and count_colour(shot, client, MARKER) == 5 * len(SAMPLES))
    # Time Scale, "10 secs": only the newest sample is left in view (fed again so that it is recent).
    g.choose('Down', 'Right', 'Return')
    g.feed(SAMPLES[-1:])
    picture(g, 'menus-ten-seconds', lambda shot: count_colour(shot, client, MARKER) == 5)
    log('average 5 mins, only average on and off, no average, span 10 secs: each seen in the next paints')

    # Clear, "Clear points outside graph": the samples older than the view go; then everything.
    check(s.info()['samples'] == [len(SAMPLES) + 1], 'unexpected sample count before the clears')
    g.choose('Down', 'Down', 'Down', 'Right', 'Return')
    check(s.info()['samples'] == [2], f'after clearing outside the view: {s.info()["samples"]} samples, not 2')
    g.choose('Down', 'Down', 'Down', 'Right', 'Down', 'Return')
    check(s.info()['samples'] == [0], 'after clearing the whole graph samples remain')
    picture(g, 'menus-cleared', lambda shot: count_colour(shot, client, MARKER) == 0)
    log('clear outside the view kept the two newest samples; clear whole graph left none')
    g.choose('Down', 'Down', 'Right', *['Down'] * 7, 'Return')  # "5 mins" again, to be saved

    g.close()
    saved = {k: v for k, (_, v) in s.saved_settings().items()}
    for name, value in (('x_time', 10), ('avg_time', 300000), ('only_avg', 0)):
        check(saved.get(name) == value, f'saved {name} is {saved.get(name)}, not {value}')
    log(f'saved after exit: x_time {saved["x_time"]}, avg_time {saved["avg_time"]}, only_avg {saved["only_avg"]}')


def pages(s):
    """Help page and Contact us reach the browser with their exact addresses; About shows its box."""
    record = os.path.join(s.work_dir, 'opened.txt')
    stand_in_browser(os.path.join(s.work_dir, 'browser'), record)
    g = graph(s)

    def opened():
        if not os.path.exists(record):
            return None
        with open(record) as f:
            return f.read().split()

    g.choose('Up', 'Up', 'Up', 'Return')
    got = poll('the help page to reach the browser', opened, 20)
    check(got == [HELP_PAGE], f'the browser was given {got}, not {HELP_PAGE}')
    g.choose('Up', 'Up', 'Return')
    got = poll('the contact page to reach the browser', lambda: (opened() or [None])[1:], 20)
    check(got == [CONTACT_PAGE], f'the browser was given {got}, not {CONTACT_PAGE}')
    log(f'help and contact pages opened: {HELP_PAGE}, {CONTACT_PAGE}')

    g.open_menu()
    s.xdotool('key', 'Up', 'Return')
    box = poll('the About box', lambda: about_texts(s), 10)
    check(any(t in (ABOUT_TEXT, ABOUT_TEXT[:-2]) for t in box), f'About box text differs: {box!r}')
    for _ in range(5):
        s.xdotool('search', '--name', TITLE, 'key', 'Return')
        try:
            poll('the About box to close', lambda: not about_texts(s), 2)
            break
        except failure:
            pass
    check(not about_texts(s), 'the About box did not close')
    log('About box shown with its exact text and the program title as caption, closed with Return')
    g.close()


def about_texts(s):
    """The About texts among the child windows of every top-level window captioned with the title."""
    out = s.feed('window-text', TITLE, expect=None)
    return [line[5:] for line in out.splitlines() if line.startswith('text ') and f'Echoview {VERSION}\\n' in line]


def live(s):
    """The graph shows new samples and scrolls on its own, with no repaint asked for; closing saves and exits 0."""
    g = graph(s, dict(SETTINGS, x_time=10))
    client = g.info['client']
    now = 1000.0
    sent = time.monotonic()
    g.feed([(now, 30.0), (now + 1, 40.0)])

    def both(name):
        columns = marker_columns(g.shot(name), client)
        return columns if len(columns) == 2 else None

    # Only the window's own repaint tick can bring the batch to the screen.
    first = poll('the two markers of the batch without an outside repaint', lambda: both('live-first'), 30, 0.2)
    seen = time.monotonic() - sent
    # The samples are 1 s apart, so their distance is the scroll of one second.
    per_second = first[1] - first[0]
    check(per_second > 0, f'markers at {first}')

    def scrolled():
        columns = both('live-second')
        return columns if columns and first[0] - columns[0] >= per_second else None

    second = poll('the graph to scroll left by a second', scrolled, 30, 0.2)
    taken = time.monotonic()
    shift = first[0] - second[0]
    # The markers keep their distance, and no picture can show more scroll than the time since the batch.
    check(abs((second[1] - second[0]) - per_second) <= 1, f'markers at {first}, then at {second}')
    check(shift <= (taken - sent) * per_second + 2,
          f'markers moved {shift} px in {taken - sent:.2f} s at {per_second} px/s')
    log(f'samples shown {seen:.2f} s after the batch; without input the graph moved {shift} px left '
        f'({per_second} px/s)')
    # Closed without input, as the demo closes it on a user's display: WM_CLOSE from echofeed.
    s.feed('close', '--wait', '20000')
    rc = wait_exit(g.process)
    check(rc == 0, f'exit code {rc} after echofeed close, not 0')
    saved = {k: v for k, (_, v) in s.saved_settings().items()}
    names = {'x_pos', 'y_pos', 'x_size', 'y_size', 'x_time', 'avg_time', 'only_avg', 'on_top', 'dpi'}
    check(saved.get('x_time') == 10 and set(saved) == names, f'settings not saved at exit: {saved}')


def no_icon(s):
    """A build without the icon resource starts after three attempts, each traced on the output channel."""
    s.delete_key()
    program = os.path.join(s.bin_dir, 'echoview_noicon.exe')
    log_path = os.path.join(s.work_dir, 'noicon.log')
    if os.path.exists(log_path):
        os.remove(log_path)
    # The test build writes its output channel to this file (a Windows path of the same file).
    os.environ['ECHOVIEW_TEST_LOG'] = 'Z:' + log_path.replace('/', '\\')
    try:
        started = time.time()
        p = s.start_echoview('--echoprobe', program=program)
        info = s.wait_for_window(timeout=60)
        waited = time.time() - started
    finally:
        del os.environ['ECHOVIEW_TEST_LOG']
    check(waited >= 5.5, f'the window came after {waited:.1f} s; three attempts with 2 s pauses take 6')
    poll('an icon on the window', window_icons, 10)
    check(not shows_our_icon(), 'the window shows our icon although the resource is missing')
    s.close_window(info['client'])
    rc = wait_exit(p)
    check(rc == 0, f'exit code {rc}')
    with open(log_path, errors='replace') as f:
        lines = re.findall(r'load_icon\(IDR_0MAIN\) error (\d+)', f.read())
    check(len(lines) == 3, f'{len(lines)} trace lines of load_icon, not 3: {lines}')
    log(f'started after {waited:.1f} s without our icon; three lines "load_icon(IDR_0MAIN) error {lines[0]}"')


if __name__ == '__main__':
    sys.exit(main([menus, pages, live, no_icon]))
