#!/usr/bin/env python3
"""End-to-end tests of the window on the desktop: real echoview.exe under Wine, real X input.

usage: e2e_desktop.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR
Scenarios: places, log_off, keyboard_menu (see the functions of the same names).
"""
import os
import sys

from e2e_support import TITLE, check, log, main, poll, wait_exit

SETTINGS = {'x_pos': 60, 'y_pos': 40, 'x_size': 520, 'y_size': 300, 'x_time': 3600, 'avg_time': 0, 'only_avg': 0,
            'on_top': 0}
# Where Windows, and Wine, keep a minimised window.
MINIMISED = [-32000, -32000]
# The exit code end_session gives the program it ends (see end_session_win.cpp).
ENDED_BY_SESSION = 77


def start(s):
    """Starts Echoview as Echoprobe does; the process and its window's figures."""
    process = s.start_echoview('--echoprobe')
    return process, s.wait_for_window()


def expect_saved(s, expected, what):
    saved = s.saved_settings()
    wanted = {name: ('REG_DWORD', value & 0xFFFFFFFF) for name, value in expected.items()}
    check(saved == wanted, f'{what}: saved {saved}, expected {wanted}')
    log(f'{what}: saved {expected}')


def with_place(window):
    """The settings of SETTINGS with this outer rectangle as the place, saved at the display's 96 DPI."""
    return dict(SETTINGS, x_pos=window[0], y_pos=window[1], x_size=window[2], y_size=window[3], dpi=96)


def move(s, info, x, y, width, height):
    """Moves and resizes the window as the user's window manager would; its figures then."""
    s.xdotool('search', '--name', TITLE, 'windowmove', '%@', str(x), str(y))
    s.xdotool('search', '--name', TITLE, 'windowsize', '%@', str(width), str(height))

    def moved():
        now = s.info()
        return now if now['window'] != info['window'] and now['client'][2:] != info['client'][2:] else None

    return poll('the window was not moved and resized', moved, timeout=10, interval=0.2)


def window_menu_command(s, info, key, what, reached):
    """Alt+Space opens the window menu, then the key of its item: the keyboard's way to
    minimise ('n') or maximise ('x'). Waits until `reached(figures)` holds."""
    s.focus_window(info['client'])
    s.xdotool('key', 'alt+space')
    poll('the window menu', lambda: s.info().get('menu'), 10)
    s.xdotool('key', key)
    return poll(f'the window to be {what}', lambda: reached(s.info()), 10, 0.2)


def minimise(s, info):
    return window_menu_command(s, info, 'n', 'minimised', lambda now: now if now['window'][:2] == MINIMISED else None)


def maximise(s, info):
    normal = info['window']
    return window_menu_command(s, info, 'x', 'maximised',
                               lambda now: now if now['window'][2] > normal[2] and now['window'][3] > normal[3]
                               else None)


def choose_ten_seconds(s, info):
    """Time Scale, "10 secs" from the context menu, opened with a right click."""
    client = info['client']
    s.xdotool('search', '--name', TITLE, 'windowraise', '%@')
    s.xdotool('mousemove', str(client[0] + 200), str(client[1] + 120), 'click', '3')
    poll('the context menu', lambda: s.info().get('menu'), 10)
    s.xdotool('key', '--delay', '80', 'Down', 'Right', 'Return')
    poll('the menu to close', lambda: 'menu' not in s.info(), 10)


def places(s):
    """Closed minimised or maximised, the window saves its normal place and comes back there."""
    s.store_settings(SETTINGS)
    process, info = start(s)
    check(info['window'] == [60, 40, 520, 300], f'window at {info["window"]}, not at the stored 60,40 520x300')
    normal = move(s, info, 150, 130, 610, 330)
    place = normal['window']
    minimised = minimise(s, normal)
    log(f'minimised from {place}: the window reports {minimised["window"]}')
    # As the taskbar's Close does for a minimised window: WM_CLOSE.
    s.feed('close', '--wait', '20000')
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing minimised, not 0')
    expect_saved(s, with_place(place), 'closed minimised')

    process, info = start(s)
    check(info['window'] == place, f'after closing minimised the window opened at {info["window"]}, not {place}')
    maximised = maximise(s, info)
    log(f'maximised from {place}: the window reports {maximised["window"]}')
    # Without a window manager Wine leaves the X window at its normal place, where no click
    # into the maximised client area would land: closed by WM_CLOSE as well.
    s.feed('close', '--wait', '20000')
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing maximised, not 0')
    expect_saved(s, with_place(place), 'closed maximised')

    process, info = start(s)
    check(info['window'] == place, f'after closing maximised the window opened at {info["window"]}, not {place}')
    s.feed('close', '--wait', '20000')
    check(wait_exit(process) == 0, 'the last start did not end with exit code 0')
    log(f'started again after each: a normal window at {place}')


def log_off(s):
    """At log-off the process is ended right after WM_ENDSESSION: the key holds what the run chose."""
    end_session = os.path.join(s.bin_dir, 'end_session.exe')
    s.store_settings(SETTINGS)
    process, info = start(s)
    # Another program refused the log-off: the session goes on, nothing is saved yet.
    out = s.wine(end_session, '--cancel', check_rc=0).stdout
    check('query 1' in out, f'the window did not agree to end the session: {out!r}')
    check(process.poll() is None, 'the program ended although the session went on')
    expect_saved(s, SETTINGS, 'log-off cancelled')

    # The run's choices: "10 secs", a new place, and minimised when the session ends.
    choose_ten_seconds(s, info)
    normal = move(s, info, 200, 150, 560, 320)
    minimise(s, normal)
    out = s.wine(end_session, check_rc=0).stdout
    check('query 1' in out, f'the window did not agree to end the session: {out!r}')
    rc = wait_exit(process)
    check(rc == ENDED_BY_SESSION, f'exit code {rc}: the program was not ended by the session, or ended itself')
    expect_saved(s, dict(with_place(normal['window']), x_time=10), 'after the log-off')


def keyboard_menu(s):
    """Shift+F10 and the menu key open the context menu inside the client area; a right click
    opens it once, at the pointer, when the button goes down."""
    s.store_settings(SETTINGS)
    process, info = start(s)
    client = info['client']
    s.feed('raw', '--doubles', '1000,10,1001,20,1002,30')
    s.focus_window(client)
    pointer = (client[0] + 200, client[1] + 120)
    corner = (client[0] + 10, client[1] + 10)

    def menu_shown(what, at_pointer):
        rect = poll(f'{what}: the context menu', lambda: s.info().get('menu'), 10)
        if at_pointer:
            check(rect[0] + rect[2] == pointer[0] and rect[1] == pointer[1],
                  f'{what}: menu at {rect}, not with its top right corner at the pointer {pointer}')
        else:
            check(rect[:2] == list(corner), f'{what}: menu at {rect}, not with its top left corner at {corner}')
        return rect

    def escape():
        s.xdotool('key', 'Escape')
        poll('the menu to close', lambda: 'menu' not in s.info(), 10)

    # The menu opens while the button is down. Its coming up afterwards makes the system send
    # WM_CONTEXTMENU at the pointer, which must not open the menu again. Had it opened, the keys
    # after it would choose "Clear whole graph" in it; to the window they mean nothing. The menu
    # key comes after them: once its menu shows, they have been taken.
    s.xdotool('mousemove', str(pointer[0]), str(pointer[1]), 'mousedown', '3')
    menu_shown('right button held down', True)
    escape()
    s.xdotool('mouseup', '3')
    s.xdotool('key', '--delay', '80', 'Down', 'Down', 'Down', 'Right', 'Down', 'Return')
    s.xdotool('key', 'Menu')
    rect = menu_shown('menu key after the right button came up', False)
    escape()
    samples = s.info()['samples']
    check(samples == [3], f'{samples} samples left: the right button opened the menu a second time when it came up')
    s.xdotool('click', '3')
    menu_shown('right click', True)
    escape()
    s.xdotool('key', 'shift+F10')
    menu_shown('Shift+F10 after a right click', False)
    log(f'right click: menu at the pointer {pointer}, once; menu key and Shift+F10: menu {rect[2]}x{rect[3]} '
        f'at {corner}, the client area\'s corner')
    # The keyboard's menu is the whole menu: Time Scale, "10 secs".
    s.xdotool('key', '--delay', '80', 'Down', 'Right', 'Return')
    poll('the menu to close', lambda: 'menu' not in s.info(), 10)
    s.close_window(client)
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing, not 0')
    saved = {name: value for name, (_, value) in s.saved_settings().items()}
    check(saved.get('x_time') == 10, f'saved x_time is {saved.get("x_time")}, not 10 from the keyboard\'s menu')


if __name__ == '__main__':
    sys.exit(main([places, log_off, keyboard_menu]))
