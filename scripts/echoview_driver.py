"""Drives a real Echoview under Wine, for the end-to-end tests and for the demo, soak and idle
benchmark scripts: the programs and their output, echofeed, the settings in the registry, a virtual
display, real input and screenshots, a stand-in browser, and what the program costs as Linux sees it.

Every wait has a time limit, and everything started here is stopped by session.close(). The Wine
prefix and the display are the caller's (WINEPREFIX, DISPLAY): the scripts start a virtual display
with scripts/lib.sh, and CTest runs the end-to-end tests through scripts/with-display.sh.
"""
import contextlib
import fcntl
import os
import re
import stat
import subprocess
import sys
import tempfile
import time

from product import SETTINGS_KEY, TITLE

# The settings key as Wine's reg tool and a .reg file name it.
KEY = 'HKCU\\' + SETTINGS_KEY
REG_FILE_KEY = 'HKEY_CURRENT_USER\\' + SETTINGS_KEY
TICKS_PER_SECOND = os.sysconf('SC_CLK_TCK')


class failure(Exception):
    pass


class ended(failure):
    """A failure no waiting can mend (the program has gone): poll() passes it on at once."""


def check(condition, message):
    if not condition:
        raise failure(message)


def failed_start(result):
    """Whether a run of a Wine program ended as Wine ends one it could not start."""
    return (result.returncode == 1 and not result.stdout.strip() and
            (not result.stderr.strip() or 'wine client error' in result.stderr))


def log(message):
    print(message, flush=True)


def poll(what, probe, timeout=10.0, interval=0.1):
    """Calls probe() until it returns a true value, which is returned; fails naming `what` after `timeout` s.

    A probe may also raise `failure` while the state is not reached yet: the last such
    message is reported when time runs out.
    """
    deadline = time.monotonic() + timeout
    last = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except ended:
            raise
        except failure as e:
            last = e
        if time.monotonic() >= deadline:
            raise failure(f'{what} within {timeout:g} s' + (f' ({last})' if last else ''))
        time.sleep(interval)


def wait_until(condition, timeout, interval=0.2):
    """Polls condition() until it is true or timeout seconds pass; returns its last value."""
    try:
        return poll('', condition, timeout, interval)
    except failure:
        return condition()


def run_tool(*args, timeout=30, check_rc=False):
    """A Linux program run to its end with its output captured; one that does not end in time fails."""
    try:
        return subprocess.run(list(args), capture_output=True, text=True, timeout=timeout, check=check_rc)
    except subprocess.TimeoutExpired:
        raise failure(f'{" ".join(args)} did not end within {timeout} s')
    except subprocess.CalledProcessError as e:
        raise failure(f'{" ".join(args)} exited with {e.returncode}: {e.stderr.strip()}')


def xdotool(*args, timeout=20):
    return run_tool('xdotool', *args, timeout=timeout)


def stop_process(p, timeout=10):
    if p is not None and p.poll() is None:
        p.kill()
        try:
            p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            pass


def stand_in_browser(folder, record):
    """Puts first on PATH an xdg-open (and the browsers Wine may try) that appends the address it is
    given to `record` instead of opening a browser."""
    os.makedirs(folder, exist_ok=True)
    for name in ('xdg-open', 'x-www-browser', 'sensible-browser', 'firefox'):
        path = os.path.join(folder, name)
        with open(path, 'w') as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{record}"\n')
        os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    os.environ['PATH'] = folder + os.pathsep + os.environ['PATH']
    os.environ.pop('BROWSER', None)
    if os.path.exists(record):
        os.remove(record)


def parse_figures(text):
    """Lines of "name value..." as {name: [int or float, ...]}."""
    values = {}
    for line in text.splitlines():
        parts = line.split()
        if parts:
            values[parts[0]] = [float(v) if '.' in v else int(v) for v in parts[1:]]
    return values


class session:
    """Echoview, and the echofeed calls made to it."""

    def __init__(self, bin_dir, work_dir):
        self.bin_dir = bin_dir
        self.work_dir = work_dir
        os.makedirs(work_dir, exist_ok=True)
        self.echoview = os.path.join(bin_dir, 'echoview.exe')
        self.echofeed = os.path.join(bin_dir, 'echofeed.exe')
        self.prefix = os.environ['WINEPREFIX']
        self.process = None  # the Echoview of start()
        self.processes = []

    def close(self):
        """Stops every process started here that still runs."""
        for p in self.processes:
            stop_process(p)
        self.processes = []
        self.process = None

    # Wine programs.
    def wine(self, *args, timeout=60, check_rc=None):
        """Runs a Wine program to its end; its output goes through files, not pipes, because a
        wineserver started by the call inherits them and would hold a pipe open. Now and then Wine
        fails to start a program: it exits with 1 before the program runs, having written nothing or
        "wine client error" (its connection to the Wine server reset). None of the programs run here
        exits with 1 without a word, so such a start is made once more."""
        result = self._wine_once(args, timeout)
        if failed_start(result):
            log(f'wine {" ".join(args)} did not start (exit code 1, error output {result.stderr.strip()!r}): '
                f'once more')
            result = self._wine_once(args, timeout)
        if check_rc is not None and result.returncode != check_rc:
            raise failure(f'wine {" ".join(args)} exited with {result.returncode}, not {check_rc}:\n'
                          f'{result.stdout}{result.stderr}')
        return result

    @staticmethod
    def _wine_once(args, timeout):
        with tempfile.TemporaryFile('w+') as out, tempfile.TemporaryFile('w+') as err:
            try:
                code = subprocess.run(['wine', *args], stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                      timeout=timeout).returncode
            except subprocess.TimeoutExpired:
                raise failure(f'wine {" ".join(args)} did not end within {timeout} s')
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(args, code, out.read(), err.read())

    def feed(self, *args, expect=0, timeout=60):
        """echofeed with these arguments; its output. An exit code other than `expect` (unless None) fails."""
        return self.wine(self.echofeed, *args, timeout=timeout, check_rc=expect).stdout

    def start_helper(self, *args, name):
        """A long-running echofeed in the background; its output goes to work_dir/NAME.log."""
        with open(os.path.join(self.work_dir, name + '.log'), 'w') as out:
            p = subprocess.Popen(['wine', self.echofeed, *args], stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        self.processes.append(p)
        return p

    def helper_log(self, name):
        try:
            with open(os.path.join(self.work_dir, name + '.log')) as f:
                return f.read().strip()
        except OSError:
            return ''

    # Echoview itself.
    def start_echoview(self, *args, program=None, output=None):
        """Starts Echoview with these arguments (its output to the file `output`, else nowhere)."""
        out = open(output, 'w') if output else subprocess.DEVNULL
        try:
            p = subprocess.Popen(['wine', program or self.echoview, *args], stdin=subprocess.DEVNULL, stdout=out,
                                 stderr=out)
        finally:
            if output:
                out.close()
        self.processes.append(p)
        return p

    def start(self, timeout=60, output=None):
        """Starts Echoview as Echoprobe does and waits for its window; returns the window figures."""
        if not self.no_window_running():
            raise failure('an Echoview window already runs in this Wine prefix')
        self.process = self.start_echoview('--echoprobe', output=output)
        return poll('the Echoview window did not appear',
                    lambda: self.check_alive() or self.info(expect_window=False), timeout, 0.3)

    def linux(self):
        """The Linux process of echoview.exe (wine runs the program in the process it started)."""
        return linux_process(self.process.pid)

    def check_alive(self):
        if self.process is None or self.process.poll() is not None:
            code = None if self.process is None else self.process.returncode
            raise ended(f'Echoview ended unexpectedly (exit code {code})')
        return None

    def info(self, repaint=False, expect_window=True):
        """The window's outer rectangle, its client rectangle on the screen, its sample count, whether it
        is the foreground window (1) or not (0) and the popup menus on the screen; None when there is no
        window and none is expected."""
        result = self.wine(self.echofeed, 'info', *(['--repaint'] if repaint else []))
        if result.returncode == 2 and not expect_window:
            return None
        if result.returncode != 0:
            raise failure(f'echofeed info exited with {result.returncode}: {result.stderr.strip()}')
        return parse_figures(result.stdout)

    def tooltip(self):
        """The tooltip Echoview shows: (left, top, width, height) on the screen and its lines of text as
        WM_GETTEXT gives them; None when it shows none."""
        result = self.wine(self.echofeed, 'tooltip')
        if result.returncode != 0:
            raise failure(f'echofeed tooltip exited with {result.returncode}: {result.stderr.strip()}')
        rect, lines = None, []
        for line in result.stdout.splitlines():
            if line.startswith('tooltip '):
                rect = tuple(int(v) for v in line.split()[1:5])
            elif line.startswith('line '):
                lines.append(line[5:])
        return (rect, lines) if rect else None

    def wait_for_window(self, timeout=30):
        return poll('no brisk_mainwnd window appeared', lambda: self.info(expect_window=False), timeout, 0.3)

    def no_window_running(self):
        return self.wine(self.echofeed, 'info').returncode == 2

    def stats(self):
        """The window's answer and the process figures Windows gives (echofeed stats). A window that
        does not answer within 5 s, or has gone, is a failure."""
        result = self.wine(self.echofeed, 'stats')
        if result.returncode == 5:
            raise failure('Echoview is hung: no answer to a message within 5 s')
        if result.returncode == 2:
            self.check_alive()
            raise failure('the Echoview window has gone')
        if result.returncode != 0:
            raise failure(f'echofeed stats exited with {result.returncode}: {result.stderr.strip()}')
        return parse_figures(result.stdout)

    def sample_count(self):
        return self.stats()['samples'][0]

    # Input.
    def xdotool(self, *args):
        return xdotool(*args, timeout=30)

    def focus_window(self, client):
        """Gives the main window the keyboard: a click at (5, 5) of `client`, until Windows says it has it."""
        # Raised first, so that the click cannot land on another window.
        xdotool('search', '--name', '^' + re.escape(TITLE) + '$', 'windowraise', '%@')

        # Without a window manager the keyboard follows the pointer, so the pointer stays inside.
        def focused():
            xdotool('mousemove', str(client[0] + 5), str(client[1] + 5), 'click', '1')
            return self.info().get('foreground') == [1]

        poll('the main window did not take the keyboard', focused, timeout=10, interval=0.2)

    def close_window(self, client):
        """Closes the main window as a user would: a click to focus it, then Alt+F4."""
        self.focus_window(client)
        xdotool('key', 'alt+F4')

    def close_echoview(self, process, timeout=30):
        """Closes the window as a user would and returns the exit code once the program has ended."""
        poll('Echoview did not end after Alt+F4', lambda: self._closed(process), timeout, 0.5)
        return process.returncode

    def _closed(self, process):
        if process.poll() is not None:
            return True
        info = self.info(expect_window=False)
        if info:
            self.close_window(info['client'])
        try:
            process.wait(timeout=3)
            return True
        except subprocess.TimeoutExpired:
            return False

    def stop(self):
        """Closes the Echoview of start() and returns its exit code."""
        code = self.close_echoview(self.process)
        self.process = None
        return code

    # Registry, through Wine's own reg tool.
    def delete_key(self):
        self.wine('reg', 'delete', KEY, '/f')

    def store_settings(self, values):
        """Replaces Echoview's registry key by these REG_DWORD values."""
        self.delete_key()
        path = os.path.join(self.work_dir, 'settings.reg')
        with open(path, 'w', encoding='utf-8') as f:
            f.write(f'REGEDIT4\n\n[{REG_FILE_KEY}]\n')
            for name, value in values.items():
                f.write(f'"{name}"=dword:{value & 0xFFFFFFFF:08x}\n')
        self.wine('reg', 'import', path, check_rc=0)

    def saved_settings(self):
        """Values under the key as {name: (type, value)}."""
        values = {}
        for line in self.wine('reg', 'query', KEY).stdout.splitlines():
            m = re.match(r'\s+(\S+)\s+(REG_\w+)\s+(\S+)', line)
            if m:
                values[m.group(1)] = (m.group(2), int(m.group(3), 16) if m.group(3).startswith('0x') else m.group(3))
        return values

    def saved_dwords(self):
        return {name: value for name, (kind, value) in self.saved_settings().items() if kind == 'REG_DWORD'}

    # The screen.
    def screenshot(self, name, crop=None):
        """The screen, or the rectangle `crop` (x, y, width, height) of it, as an image read with screen
        coordinates; kept as work_dir/NAME.ppm."""
        path = os.path.join(self.work_dir, name + '.ppm')
        area = ['-crop', f'{crop[2]}x{crop[3]}+{crop[0]}+{crop[1]}'] if crop else []
        run_tool('import', '-window', 'root', *area, '-depth', '8', 'ppm:' + path, timeout=60, check_rc=True)
        return image(path, *(crop[:2] if crop else (0, 0)))

    @contextlib.contextmanager
    def display_lock(self, timeout=300):
        """Holds the display for one run that puts a box on it or gives it keyboard input.

        CTest keeps such tests of one run apart (RESOURCE_LOCK); this lock also keeps apart
        runs that share a display. It is released when the process ends, however it ends.
        """
        if not os.environ.get('DISPLAY'):
            raise failure('no display: DISPLAY is not set (scripts/with-display.sh runs a command with one)')
        name = os.environ['DISPLAY'].replace('/', '_').replace(':', '')
        path = os.path.join(tempfile.gettempdir(), f'echoview-display-{name}.lock')
        with open(path, 'a') as f:
            poll(f'the display lock {path} was not free', lambda: _try_lock(f), timeout=timeout, interval=0.2)
            try:
                yield
            finally:
                fcntl.flock(f, fcntl.LOCK_UN)


def _try_lock(f):
    try:
        fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
        return True
    except BlockingIOError:
        return False


def wait_exit(process, timeout=20):
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise failure(f'the program did not end within {timeout} s')


class image:
    """A binary PPM screenshot whose top left pixel is (x0, y0) on the screen."""

    def __init__(self, path, x0=0, y0=0):
        with open(path, 'rb') as f:
            data = f.read()
        fields = []
        pos = 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        check(fields[0] == b'P6' and fields[3] == b'255', 'screenshot is not an 8-bit PPM')
        self.width, self.height = int(fields[1]), int(fields[2])
        self.x0, self.y0 = x0, y0
        self.pixels = data[pos + 1:]

    def at(self, x, y):
        x, y = x - self.x0, y - self.y0
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


class linux_process:
    """Figures of one Linux process from /proc; None once it is gone."""

    def __init__(self, pid):
        self.pid = pid

    def _read(self, name):
        try:
            with open(f'/proc/{self.pid}/{name}') as f:
                return f.read()
        except OSError:
            return None

    def cpu_ticks(self):
        """User plus system time of all its threads, in clock ticks."""
        stat_line = self._read('stat')
        if stat_line is None:
            return None
        fields = stat_line[stat_line.rindex(')') + 2:].split()
        return int(fields[11]) + int(fields[12])

    def status(self):
        """VmRSS and VmData in KiB, the thread count."""
        text = self._read('status')
        if text is None:
            return None
        values = {}
        for line in text.splitlines():
            name, _, rest = line.partition(':')
            if name in ('VmRSS', 'VmData', 'VmSize', 'Threads'):
                values[name] = int(rest.split()[0])
        return values

    def fd_count(self):
        try:
            return len(os.listdir(f'/proc/{self.pid}/fd'))
        except OSError:
            return None

    def snapshot(self):
        status = self.status()
        if status is None:
            return None
        return {'cpu_ticks': self.cpu_ticks(), 'rss_kib': status.get('VmRSS', 0),
                'data_kib': status.get('VmData', 0), 'threads': status.get('Threads', 0),
                'fds': self.fd_count(), 'when': time.monotonic()}


def cpu_share(before, after):
    """Share of one core between two snapshots, in per cent."""
    seconds = after['when'] - before['when']
    return 100.0 * (after['cpu_ticks'] - before['cpu_ticks']) / TICKS_PER_SECOND / seconds


def wineserver_pid(prefix):
    """The wineserver that serves `prefix`, found by its environment; None when none runs."""
    for name in os.listdir('/proc'):
        if not name.isdigit():
            continue
        try:
            with open(f'/proc/{name}/comm') as f:
                if not f.read().startswith('wineserver'):
                    continue
            with open(f'/proc/{name}/environ', 'rb') as f:
                env = f.read().split(b'\0')
        except OSError:
            continue
        if ('WINEPREFIX=' + prefix).encode() in env:
            return int(name)
    return None


def main_guard(main):
    """Runs main(); a failure prints its message and gives exit code 1."""
    try:
        return main()
    except failure as e:
        print(f'FAILED: {e}', file=sys.stderr, flush=True)
        return 1
    except KeyboardInterrupt:
        print('interrupted', file=sys.stderr, flush=True)
        return 130
