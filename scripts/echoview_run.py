"""Drives a real Echoview under Wine for the benchmark and soak scripts: starting and closing it,
feeding it, its settings, and what it costs as Linux sees it (/proc).

Every wait has a time limit, and everything started here is stopped by stop_all(). The calling
shell script owns the Wine prefix and the display (WINEPREFIX, DISPLAY) and stops their servers.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

TITLE = 'Echoview 5.00 - www.norvane.example'
KEY = r'HKCU\Software\Norvane\echoview'
TICKS_PER_SECOND = os.sysconf('SC_CLK_TCK')


class failure(Exception):
    pass


def log(message):
    print(message, flush=True)


def wait_until(condition, timeout, interval=0.2):
    """Polls condition() until it is true or timeout seconds pass; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


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
        stat = self._read('stat')
        if stat is None:
            return None
        fields = stat[stat.rindex(')') + 2:].split()
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


class echoview_run:
    """Echoview and the echofeed calls made to it, in the prefix and on the display of the environment."""

    def __init__(self, bin_dir, work_dir):
        self.bin_dir = bin_dir
        self.work_dir = work_dir
        os.makedirs(work_dir, exist_ok=True)
        self.echoview = os.path.join(bin_dir, 'echoview.exe')
        self.echofeed = os.path.join(bin_dir, 'echofeed.exe')
        self.prefix = os.environ['WINEPREFIX']
        self.process = None
        self.helpers = []

    # Wine programs.
    def wine(self, *args, timeout=60):
        """Runs a Wine program to its end; its output goes through files, not pipes, because a
        wineserver started by the call inherits them and would hold a pipe open."""
        with tempfile.TemporaryFile('w+') as out, tempfile.TemporaryFile('w+') as err:
            try:
                code = subprocess.run(['wine', *args], stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                      timeout=timeout).returncode
            except subprocess.TimeoutExpired:
                raise failure(f'wine {" ".join(args)} did not end within {timeout} s')
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(args, code, out.read(), err.read())

    def feed(self, *args, timeout=60, expect=0):
        result = self.wine(self.echofeed, *args, timeout=timeout)
        if expect is not None and result.returncode != expect:
            raise failure(f'echofeed {" ".join(args)} exited with {result.returncode}: '
                          f'{(result.stdout + result.stderr).strip()}')
        return result

    def start_helper(self, *args, name):
        """A long-running echofeed in the background; its output goes to work_dir/NAME.log."""
        out = open(os.path.join(self.work_dir, name + '.log'), 'w')
        p = subprocess.Popen(['wine', self.echofeed, *args], stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        out.close()
        self.helpers.append(p)
        return p

    def helper_log(self, name):
        try:
            with open(os.path.join(self.work_dir, name + '.log')) as f:
                return f.read().strip()
        except OSError:
            return ''

    # Echoview itself.
    def start(self, timeout=60):
        """Starts Echoview and waits for its window; returns the window figures."""
        if self.feed('info', expect=None).returncode != 2:
            raise failure('an Echoview window already runs in this Wine prefix')
        self.process = subprocess.Popen(['wine', self.echoview, '--echoprobe'], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        info = wait_until(lambda: self.info(expect_window=False) or self.check_alive(), timeout, 0.3)
        if not info:
            raise failure(f'the Echoview window did not appear within {timeout} s')
        return info

    def linux(self):
        """The Linux process of echoview.exe (wine runs the program in the process it started)."""
        return linux_process(self.process.pid)

    def check_alive(self):
        if self.process is None or self.process.poll() is not None:
            code = None if self.process is None else self.process.returncode
            raise failure(f'Echoview ended unexpectedly (exit code {code})')
        return None

    def info(self, expect_window=True):
        """The window rectangle, client rectangle and sample count; None when there is no window."""
        result = self.feed('info', expect=None)
        if result.returncode == 2 and not expect_window:
            return None
        if result.returncode != 0:
            raise failure(f'echofeed info exited with {result.returncode}: {result.stderr.strip()}')
        return parse_figures(result.stdout)

    def stats(self):
        """The window's answer and the process figures Windows gives (echofeed stats). A window that
        does not answer within 5 s, or has gone, is a failure."""
        result = self.feed('stats', expect=None, timeout=60)
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

    def close(self, timeout=20):
        """Closes the window as a user would (a click to focus it, then Alt+F4) and returns the exit
        code; kills the program when it does not end in time."""
        if self.process is None:
            return None
        for attempt in range(3):
            if self.process.poll() is not None:
                break
            info = self.info(expect_window=False)
            if info:
                x, y = info['client'][0] + info['client'][2] // 2, info['client'][1] + 5
                xdotool('search', '--name', '^' + re.escape(TITLE) + '$', 'windowraise', '%@')
                xdotool('mousemove', str(x), str(y), 'click', '1')
                time.sleep(0.3)
                xdotool('key', 'alt+F4')
            try:
                self.process.wait(timeout=timeout / 3)
            except subprocess.TimeoutExpired:
                pass
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)
            raise failure(f'Echoview did not close within {timeout} s of Alt+F4; killed')
        code = self.process.returncode
        self.process = None
        return code

    def stop_all(self):
        """Stops every process started here that still runs."""
        for p in self.helpers + ([self.process] if self.process else []):
            if p.poll() is None:
                p.kill()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        self.helpers = []
        self.process = None

    # Settings.
    def store_settings(self, values):
        """Replaces Echoview's registry key by these REG_DWORD values."""
        self.wine('reg', 'delete', KEY, '/f')
        path = os.path.join(self.work_dir, 'settings.reg')
        with open(path, 'w', encoding='utf-8') as f:
            f.write('REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Norvane\\echoview]\n')
            for name, value in values.items():
                f.write(f'"{name}"=dword:{value & 0xFFFFFFFF:08x}\n')
        if self.wine('reg', 'import', path).returncode != 0:
            raise failure('could not store the settings in the registry')

    def saved_settings(self):
        """The REG_DWORD values under the key, as {name: value}."""
        values = {}
        for line in self.wine('reg', 'query', KEY).stdout.splitlines():
            m = re.match(r'\s+(\S+)\s+REG_DWORD\s+0x([0-9a-fA-F]+)', line)
            if m:
                values[m.group(1)] = int(m.group(2), 16)
        return values


def parse_figures(text):
    """Lines of "name value..." as {name: [int or float, ...]}."""
    values = {}
    for line in text.splitlines():
        parts = line.split()
        if parts:
            values[parts[0]] = [float(v) if '.' in v else int(v) for v in parts[1:]]
    return values


def xdotool(*args, timeout=20):
    try:
        return subprocess.run(['xdotool', *args], capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise failure(f'xdotool {" ".join(args)} did not end within {timeout} s')


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
