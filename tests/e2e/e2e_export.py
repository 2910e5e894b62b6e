#!/usr/bin/env python3
"""End-to-end tests of the system menu's items: always on top, the copy of the graph to the clipboard and
the samples saved as CSV, with real input under Wine; the clipboard is read by echofeed, another Wine program.

usage: e2e_export.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR
Scenarios: on_top, copy, save, save_refused (see the functions of the same names).
"""
import datetime
import os
import re
import subprocess
import sys

from e2e_support import TITLE, check, failure, log, main, poll, wait_exit

WEEK = 7 * 24 * 3600
# A week visible, so that the picture moves by a pixel in about twenty minutes only.
SETTINGS = {'x_pos': 40, 'y_pos': 30, 'x_size': 520, 'y_size': 300, 'x_time': WEEK, 'avg_time': 0, 'only_avg': 0}
T0 = 2_000_000.0
# Older than the visible week: stored (and saved), never shown (nor copied).
HIDDEN = [(T0 - WEEK - 5000.5, 30.0), (T0 - WEEK - 100.0, 0.1)]
SHOWN = [(T0 - 500000.0, 22.125), (T0 - 400000.25, 1e-3), (T0 - 300000.0, 48.0), (T0 - 200000.5, 35.0),
         (T0 - 86400.0, 62.5), (T0 - 3600.0, 0.1), (T0 - 0.125, 44.0), (T0, 38.0)]
LOCAL_TIME = re.compile(r'^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}$')


def windows_path(path):
    """The path as Wine programs name it: the Linux root is drive Z:."""
    return 'Z:' + path.replace('/', '\\')


def doubles(samples):
    return ','.join(f'{v!r}' for sample in samples for v in sample)


def start(s, settings=SETTINGS):
    """Starts Echoview with these settings; the pointer then waits below its window, so that the readout it
    would show over the graph is in no picture."""
    s.store_settings(settings)
    process = s.start_echoview('--echoprobe')
    info = s.wait_for_window()
    x, y, w, h = info['window']
    s.xdotool('mousemove', str(x + w // 2), str(y + h + 40))
    return process, info


def x_windows(name):
    out = subprocess.run(['xdotool', 'search', '--name', name], capture_output=True, text=True, timeout=30).stdout
    return set(out.split())


def give_keys(s, window):
    """Gives the X window the keyboard explicitly: without a window manager it would follow the pointer."""
    s.xdotool('windowraise', window)
    s.xdotool('windowfocus', '--sync', window)


def main_window_keys(s):
    (window,) = poll('one X window of the title', lambda: (lambda w: w if len(w) == 1 else None)(
        x_windows('^' + re.escape(TITLE) + '$')), 10)
    give_keys(s, window)
    poll('the main window to have the keyboard', lambda: s.info().get('foreground') == [1], 10)


def close(s, process, info):
    s.close_window(info['client'])
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing, not 0')


def csv_rows(text):
    """The lines after the header as (time, rtt, local time); the header must be the file's own."""
    lines = text.splitlines()
    check(lines and lines[0] == 'time,rtt,local_time', f'first line {lines[:1]}, not the header')
    rows = []
    for line in lines[1:]:
        time, rtt, local = line.split(',')
        check(LOCAL_TIME.match(local), f'local time "{local}" is not YYYY-MM-DD HH:MM:SS.mmm')
        rows.append((float(time), float(rtt), datetime.datetime.strptime(local, '%Y-%m-%d %H:%M:%S.%f')))
    return rows


def check_rows(rows, samples, what):
    """The rows hold exactly these samples, in order, with local times a sample's distance from the newest apart."""
    check([r[:2] for r in rows] == samples, f'{what}: samples {[r[:2] for r in rows]}, not {samples}')
    newest_time, newest_local = rows[-1][0], rows[-1][2]
    for time, _, local in rows:
        gap = datetime.timedelta(milliseconds=round((newest_time - time) * 1000))
        check(newest_local - local == gap, f'{what}: local time {local} of {time} is not {gap} before {newest_local}')
    now = datetime.datetime.now()
    check(abs(now - newest_local) < datetime.timedelta(minutes=5),
          f'{what}: the newest sample\'s local time {newest_local} is not about now ({now})')


class bitmap:
    """A .bmp file of 24 bits a pixel, rows bottom-up, as echofeed writes the clipboard's CF_DIB."""

    def __init__(self, path):
        with open(path, 'rb') as f:
            data = f.read()
        check(data[:2] == b'BM', 'the clipboard bitmap file is no BMP')
        self.offset = int.from_bytes(data[10:14], 'little')
        self.width = int.from_bytes(data[18:22], 'little', signed=True)
        self.height = int.from_bytes(data[22:26], 'little', signed=True)
        bits = int.from_bytes(data[28:30], 'little')
        check(bits == 24 and self.height > 0, f'the clipboard bitmap has {bits} bits a pixel, height {self.height}')
        self.row = (self.width * 3 + 3) & ~3
        self.data = data

    def at(self, x, y):
        i = self.offset + (self.height - 1 - y) * self.row + 3 * x
        b, g, r = self.data[i:i + 3]
        return r, g, b


def system_menu_shot(s, info, name):
    """Opens the system menu with Alt+Space and returns its screenshot and rectangle; leaves it open."""
    main_window_keys(s)
    s.xdotool('key', 'alt+space')
    rect = poll('the system menu', lambda: s.info().get('menu'), 10)
    return s.screenshot(name, crop=rect), rect


def choose(s, key):
    s.xdotool('key', key)
    poll('the menu to close', lambda: 'menu' not in s.info(), 10)


def pixels(shot, rect):
    return [shot.at(rect[0] + x, rect[1] + y) for y in range(rect[3]) for x in range(rect[2])]


def on_top(s):
    """Alt+Space, then 't': the check mark comes and goes, the choice is saved and a restart brings it back.
    A stored value other than 1 counts as off."""
    process, info = start(s, dict(SETTINGS, on_top=5))
    unchecked, rect = system_menu_shot(s, info, 'menu-unchecked')
    choose(s, 't')
    checked, rect2 = system_menu_shot(s, info, 'menu-checked')
    check(rect2 == rect, f'the menu opened at {rect2}, not where it did before ({rect})')
    changed = [(x, y) for y in range(rect[3]) for x in range(rect[2])
               if unchecked.at(rect[0] + x, rect[1] + y) != checked.at(rect[0] + x, rect[1] + y)]
    check(changed, 'choosing "Always on top" changed nothing in the menu: no check mark')
    check(max(x for x, _ in changed) < rect[2] // 4,
          f'the menu changed beyond its check mark column: {len(changed)} pixels up to x {max(x for x, _ in changed)}')
    s.xdotool('key', 'Escape')
    poll('the menu to close', lambda: 'menu' not in s.info(), 10)
    close(s, process, info)
    check(s.saved_dwords().get('on_top') == 1, f'on_top saved as {s.saved_dwords().get("on_top")}, not 1')
    log(f'Alt+Space, t: a check mark of {len(changed)} pixels at the left of the menu; on_top saved as 1')

    process, info = start(s, dict(SETTINGS, on_top=1))
    again, rect3 = system_menu_shot(s, info, 'menu-restarted')
    check(rect3 == rect and pixels(again, rect) == pixels(checked, rect),
          'after a restart the menu does not show the check mark it had')
    choose(s, 't')
    restored, _ = system_menu_shot(s, info, 'menu-unchecked-again')
    check(pixels(restored, rect) == pixels(unchecked, rect), 'choosing it again did not take the check mark away')
    s.xdotool('key', 'Escape')
    poll('the menu to close', lambda: 'menu' not in s.info(), 10)
    close(s, process, info)
    check(s.saved_dwords().get('on_top') == 0, f'on_top saved as {s.saved_dwords().get("on_top")}, not 0')
    log('restarted: checked as saved; chosen again: unchecked, on_top saved as 0')


def read_clipboard(s, name):
    text = os.path.join(s.work_dir, name + '.txt')
    bmp = os.path.join(s.work_dir, name + '.bmp')
    for path in (text, bmp):
        if os.path.exists(path):
            os.remove(path)
    s.feed('clipboard', '--text', windows_path(text), '--bitmap', windows_path(bmp))
    with open(text, encoding='utf-8', newline='') as f:
        return f.read(), bitmap(bmp)


def copy(s):
    """Ctrl+C: the clipboard holds the client area as the screen shows it, and the visible samples as CSV.
    While another program keeps the clipboard open, a message box says so and the clipboard keeps its data."""
    process, info = start(s)
    s.feed('raw', '--doubles', doubles(HIDDEN + SHOWN))
    poll('the samples', lambda: s.info()['samples'] == [len(HIDDEN + SHOWN)], 10)
    main_window_keys(s)
    s.feed('clipboard', '--empty')  # what an earlier test left there must not pass for the copy
    s.xdotool('key', 'ctrl+c')

    def copied():
        text, image = read_clipboard(s, 'copy')
        return (text, image) if text.startswith('time,rtt,local_time') else None

    text, image = poll('the samples on the clipboard', copied, 10)
    shot = s.screenshot('copy-screen', crop=info['client'])
    check('\r\n' in text and '\n' not in text.replace('\r\n', ''), 'the clipboard text does not end its lines with CR LF')
    check_rows(csv_rows(text), SHOWN, 'clipboard text')
    cx, cy, cw, ch = info['client']
    check((image.width, image.height) == (cw, ch), f'bitmap {image.width}x{image.height}, client area {cw}x{ch}')
    differ = [(x, y) for y in range(ch) for x in range(cw) if image.at(x, y) != shot.at(cx + x, cy + y)]
    check(not differ, f'{len(differ)} pixels of the bitmap differ from the screen, the first at {differ[:3]}')
    log(f'Ctrl+C: a {cw}x{ch} bitmap equal to the screen, and the {len(SHOWN)} visible of {len(HIDDEN + SHOWN)} '
        f'samples as text')

    holder = s.start_helper('clipboard', '--hold', '20000', name='holder')
    poll('the other program to hold the clipboard', lambda: 'clipboard held' in s.helper_log('holder'), 20)
    before = x_windows('^' + re.escape(TITLE) + '$')
    main_window_keys(s)
    s.xdotool('key', 'ctrl+c')
    box = poll('the message box', lambda: (x_windows('^' + re.escape(TITLE) + '$') - before) or None, 15)
    texts = s.feed('window-text', TITLE)
    check('another program keeps the clipboard open' in texts, f'the box does not say why: {texts!r}')
    give_keys(s, next(iter(box)))
    s.xdotool('key', 'Return')
    poll('the box to close', lambda: not (x_windows('^' + re.escape(TITLE) + '$') - before), 10)
    holder.kill()
    holder.wait(timeout=20)
    again, _ = read_clipboard(s, 'copy-after-busy')
    check(again == text, 'the clipboard changed although it could not be opened')
    log('a clipboard kept open by another program: a message box says so, the clipboard is unchanged')
    close(s, process, info)


def save_dialog(s, path):
    """Ctrl+S in the main window; the Save As dialog gets the path typed in."""
    main_window_keys(s)
    s.xdotool('key', 'ctrl+s')
    dialog = poll('the Save As dialog', lambda: x_windows('^Save As$') or None, 20)
    give_keys(s, next(iter(dialog)))
    s.xdotool('key', 'ctrl+a')
    s.xdotool('type', '--delay', '30', windows_path(path))
    s.xdotool('key', 'Return')
    poll('the dialog to close', lambda: not x_windows('^Save As$'), 20)


def save(s):
    """Ctrl+S through the real Save As dialog writes every stored sample; that file replayed into a fresh window
    all at once gives the same picture."""
    folder = os.path.join(s.work_dir, 'saved')
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    path = os.path.join(folder, 'samples.csv')
    process, info = start(s)
    s.feed('raw', '--doubles', doubles(HIDDEN + SHOWN))
    poll('the samples', lambda: s.info()['samples'] == [len(HIDDEN + SHOWN)], 10)
    save_dialog(s, path)
    poll('the file', lambda: os.listdir(folder) == ['samples.csv'], 20)
    with open(path, encoding='ascii', newline='') as f:
        check_rows(csv_rows(f.read()), HIDDEN + SHOWN, 'saved file')
    first = s.screenshot('save-original', crop=info['client'])
    close(s, process, info)
    log(f'Ctrl+S: the file holds all {len(HIDDEN + SHOWN)} samples, the hidden ones too')

    process, info = start(s)
    out = s.feed('replay', windows_path(path), '--speed', '0', '--batch', '1000')
    check(f'sent {len(HIDDEN + SHOWN)} samples' in out, f'replay: {out.strip()}')
    poll('the replayed picture to equal the saved window\'s',
         lambda: pixels(s.screenshot('save-replayed', crop=info['client']), info['client']) ==
         pixels(first, info['client']), 15, 0.3)
    log('the file replayed by echofeed into a fresh window: the same picture')
    close(s, process, info)


def unwritable(folder):
    """Makes the folder one that even root cannot write into; returns how to undo it."""
    if subprocess.run(['chattr', '+i', folder], capture_output=True).returncode == 0:
        return ['chattr', '-i', folder]
    if subprocess.run(['mount', '-t', 'tmpfs', '-o', 'ro,size=1m', 'none', folder],
                      capture_output=True).returncode == 0:
        return ['umount', folder]
    raise failure(f'{folder} cannot be made read-only (neither chattr +i nor a read-only mount works here)')


def save_refused(s):
    """A save into a folder that cannot be written leaves nothing there and says why, naming the file."""
    folder = os.path.join(s.work_dir, 'read-only')
    os.makedirs(folder, exist_ok=True)
    undo = unwritable(folder)
    try:
        process, info = start(s)
        s.feed('raw', '--doubles', doubles(SHOWN))
        before = x_windows('^' + re.escape(TITLE) + '$')
        save_dialog(s, os.path.join(folder, 'samples.csv'))
        box = poll('the message box', lambda: (x_windows('^' + re.escape(TITLE) + '$') - before) or None, 20)
        texts = [line[5:] for line in s.feed('window-text', TITLE).splitlines() if line.startswith('text ')]
        name = windows_path(os.path.join(folder, 'samples.csv'))
        said = [t for t in texts if name in t]
        check(said, f'no box names {name}: {texts!r}')
        reason = said[0].split(name, 1)[1].replace('\\n', ' ').strip()
        check(reason, f'the box names the file but gives no reason: {said[0]!r}')
        check(os.listdir(folder) == [], f'the folder holds {os.listdir(folder)} after the failed save')
        give_keys(s, next(iter(box)))
        s.xdotool('key', 'Return')
        poll('the box to close', lambda: not (x_windows('^' + re.escape(TITLE) + '$') - before), 10)
        log(f'a read-only folder: nothing left in it, and the box says "{said[0]}"')
        close(s, process, info)
    finally:
        subprocess.run(undo, capture_output=True)


if __name__ == '__main__':
    sys.exit(main([on_top, copy, save, save_refused]))
