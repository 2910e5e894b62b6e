"""Helpers of the end-to-end tests: Wine processes, echofeed, the registry, the screen."""
import contextlib
import fcntl
import os
import re
import subprocess
import sys
import tempfile
import time

TITLE = 'Echoview 5.00 - www.norvane.example'
KEY = r'HKCU\Software\Norvane\echoview'


class failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise failure(message)


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
        except failure as e:
            last = e
        if time.monotonic() >= deadline:
            raise failure(f'{what} within {timeout:g} s' + (f' ({last})' if last else ''))
        time.sleep(interval)


class session:
    """The programs under test and the display they run on."""

    def __init__(self, bin_dir, work_dir):
        self.bin_dir = bin_dir
        self.work_dir = work_dir
        os.makedirs(work_dir, exist_ok=True)
        self.echoview = os.path.join(bin_dir, 'echoview.exe')
        self.echofeed = os.path.join(bin_dir, 'echofeed.exe')
        self.xvfb = None
        self.processes = []
        if not os.environ.get('DISPLAY'):
            self._start_xvfb()

    @contextlib.contextmanager
    def display_lock(self, timeout=300):
        """Holds the display for one test that puts a box on it or gives it keyboard input.

        CTest keeps such tests of one run apart (RESOURCE_LOCK); this lock also keeps apart
        runs that share a display. It is released when the process ends, however it ends.
        """
        name = os.environ['DISPLAY'].replace('/', '_').replace(':', '')
        path = os.path.join(tempfile.gettempdir(), f'echoview-display-{name}.lock')
        with open(path, 'a') as f:
            poll(f'the display lock {path} was not free', lambda: _try_lock(f), timeout=timeout, interval=0.2)
            try:
                yield
            finally:
                fcntl.flock(f, fcntl.LOCK_UN)

    def _start_xvfb(self):
        for n in range(141, 190):
            if not os.path.exists(f'/tmp/.X11-unix/X{n}') and not os.path.exists(f'/tmp/.X{n}-lock'):
                break
        self.xvfb = subprocess.Popen(['Xvfb', f':{n}', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.environ['DISPLAY'] = f':{n}'
        poll('the virtual display did not come up', lambda: os.path.exists(f'/tmp/.X11-unix/X{n}'), timeout=5)

    def close(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
                p.wait()
        if self.xvfb:
            self.xvfb.kill()
            self.xvfb.wait()

    def wine(self, *args, timeout=60, check_rc=None):
        # Output goes through files, not pipes: a wineserver started by this call
        # inherits them and would hold a pipe open long after the program ended.
        with tempfile.TemporaryFile('w+') as out, tempfile.TemporaryFile('w+') as err:
            code = subprocess.run(['wine', *args], stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout).returncode
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(args, code, out.read(), err.read())
        if check_rc is not None and result.returncode != check_rc:
            raise failure(f'wine {" ".join(args)} exited with {result.returncode}, not {check_rc}:\n'
                          f'{result.stdout}{result.stderr}')
        return result

    def start_echoview(self, *args, program=None):
        p = subprocess.Popen(['wine', program or self.echoview, *args], stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)
        return p

    def feed(self, *args, expect=0):
        result = self.wine(self.echofeed, *args, check_rc=expect)
        return result.stdout

    def info(self, repaint=False):
        """The window's outer rectangle, its client rectangle on the screen, its sample count and
        whether it is the foreground window (1) or not (0)."""
        out = self.feed('info', *(['--repaint'] if repaint else []))
        values = {}
        for line in out.splitlines():
            parts = line.split()
            if parts:
                values[parts[0]] = [int(v) for v in parts[1:]]
        return values

    def wait_for_window(self, timeout=30):
        poll('no brisk_mainwnd window appeared', lambda: self.wine(self.echofeed, 'info').returncode == 0,
             timeout=timeout, interval=0.3)
        return self.info()

    def no_window_running(self):
        return self.wine(self.echofeed, 'info').returncode == 2

    # Registry, through Wine's own reg tool.
    def delete_key(self):
        self.wine('reg', 'delete', KEY, '/f')

    def store_settings(self, values):
        path = os.path.join(self.work_dir, 'settings.reg')
        with open(path, 'w', encoding='utf-8') as f:
            f.write('REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvane\\echoview]\n')
            for name, value in values.items():
                f.write(f'"{name}"=dword:{value & 0xFFFFFFFF:08x}\n')
        self.wine('reg', 'import', path, check_rc=0)

    def saved_settings(self):
        """Values under the key as {name: (type, value)}."""
        out = self.wine('reg', 'query', KEY).stdout
        values = {}
        for line in out.splitlines():
            m = re.match(r'\s+(\S+)\s+(REG_\w+)\s+(\S+)', line)
            if m:
                values[m.group(1)] = (m.group(2), int(m.group(3), 16) if m.group(3).startswith('0x') else m.group(3))
        return values

    # Input and screen.
    def xdotool(self, *args):
        subprocess.run(['xdotool', *args], capture_output=True, timeout=30)

    def focus_window(self, client):
        """Gives the main window the keyboard: a click at (5, 5) of `client`, until Windows says it has it."""
        # Raised first, so that the click cannot land on another test's window.
        self.xdotool('search', '--name', TITLE, 'windowraise', '%@')

        # Without a window manager the keyboard follows the pointer, so the pointer stays inside.
        def focused():
            self.xdotool('mousemove', str(client[0] + 5), str(client[1] + 5), 'click', '1')
            return self.info().get('foreground') == [1]

        poll('the main window did not take the keyboard', focused, timeout=10, interval=0.2)

    def close_window(self, client):
        """Closes the main window as a user would: a click to focus it, then Alt+F4."""
        self.focus_window(client)
        self.xdotool('key', 'alt+F4')

    def screenshot(self, name):
        png = os.path.join(self.work_dir, name + '.png')
        ppm = os.path.join(self.work_dir, name + '.ppm')
        subprocess.run(['import', '-window', 'root', png], check=True, timeout=60)
        subprocess.run(['import', '-window', 'root', '-depth', '8', 'ppm:' + ppm], check=True, timeout=60)
        return image(ppm)


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
    """A binary PPM screenshot."""

    def __init__(self, path):
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
        self.pixels = data[pos + 1:]

    def at(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return None
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


def main(scenarios):
    """The command line of a scenario file: SCENARIO --bin BUILD/bin --work SCRATCH_DIR.

    Runs the scenario (one of the functions in `scenarios`, by name) on the display it
    holds; exit code 0 when it passed.
    """
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument('scenario', choices=[f.__name__ for f in scenarios])
    parser.add_argument('--bin', required=True)
    parser.add_argument('--work', required=True)
    args = parser.parse_args()
    if not os.environ.get('WINEPREFIX'):
        # Never the user's own ~/.wine; ctest sets the build tree's prefix.
        print('FAILED: WINEPREFIX must name the test Wine prefix', file=sys.stderr)
        return 1
    s = session(args.bin, args.work)
    try:
        with s.display_lock():
            if not s.no_window_running():
                raise failure('an Echoview window is already running')
            next(f for f in scenarios if f.__name__ == args.scenario)(s)
        return 0
    except failure as e:
        print(f'FAILED: {e}', file=sys.stderr)
        return 1
    finally:
        s.close()
