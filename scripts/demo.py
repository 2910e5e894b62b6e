"""The demo of scripts/demo.sh: Echoview fed with real pings of 127.0.0.1 (or a synthetic stream
where ICMP is refused), recorded on a display of its own, or left to the user on theirs."""
import argparse
import glob
import os
import time

from echoview_driver import KEY, failure, log, main_guard, run_tool, session, wait_until

SECONDS = 20  # length of the recording on a display of the demo's own
FRAME_MS = 500  # one frame of the animation per repaint tick
USER_MINUTES = 60  # on the user's display: after this the demo closes the window itself


class context_menu_script:
    """The "10 secs" time scale chosen through the context menu, a step per frame so that the
    animation shows the menu at work: a right click near the top of the graph, then Down to
    "Time Scale", Right into its submenu (first item "10 secs"), Return."""

    def __init__(self, s, client):
        self.s = s
        self.at = (client[0] + min(300, client[2] * 2 // 3), client[1] + 20)
        self.steps = {4: self.open, 6: self.submenu, 9: self.choose}

    def step(self, frame):
        if frame in self.steps:
            self.steps[frame]()

    def open(self):
        self.s.xdotool('mousemove', str(self.at[0]), str(self.at[1]), 'click', '3')
        if not wait_until(lambda: self.s.info().get('menu'), 10):
            raise failure('the context menu did not open on a right click')

    def submenu(self):
        self.s.xdotool('key', 'Down', 'Right')

    def choose(self):
        self.s.xdotool('key', 'Return')
        if not wait_until(lambda: 'menu' not in self.s.info(), 10):
            raise failure('the context menu did not close on Return')
        # The pointer leaves the graph, so that the pictures show the graph alone.
        self.s.xdotool('mousemove', '0', '0')


def start_feed(s, count):
    """Pings four times a second, or a synthetic stream where ICMP is refused; count 0: until the window goes."""
    status = s.wine(s.echofeed, 'ping', '127.0.0.1', '-n', '1', '-w', '1000').returncode
    if status == 0:
        log('demo: pinging 127.0.0.1 four times a second')
        return s.start_helper('ping', '127.0.0.1', '-n', str(count), '-i', '0.25', name='feed')
    if status in (3, 6):
        log('demo: ICMP refused here; feeding a synthetic stream instead')
        return s.start_helper('synth', '-n', str(count * 5 // 2), '--rate', '10', '--batch', '5', '--base', '0.4',
                              '--jitter', '0.05', '--drift', '0.5', name='feed')
    raise failure(f'echofeed ping failed with exit code {status}')


def record(s, info, png, gif):
    """Frames of the window every FRAME_MS while the menu script runs; the last one is the picture."""
    frames_dir = os.path.join(s.work_dir, 'frames')
    os.makedirs(frames_dir, exist_ok=True)
    for old in glob.glob(os.path.join(frames_dir, 'frame-*.png')):
        os.remove(old)
    # The client area: without a window manager on the virtual display, the frame is not drawn.
    x, y, w, h = info['client']
    menu = context_menu_script(s, info['client'])
    frames = SECONDS * 1000 // FRAME_MS
    log(f'demo: recording the window for {SECONDS} s, choosing "10 secs" through the context menu')
    due = time.monotonic()
    for i in range(frames):
        time.sleep(max(0.0, due - time.monotonic()))
        menu.step(i)
        last = os.path.join(frames_dir, f'frame-{i:03d}.png')
        run_tool('import', '-window', 'root', '-crop', f'{w}x{h}+{x}+{y}', '+repage', last, timeout=30,
                 check_rc=True)
        # Slow screenshots (a busy machine) stretch the interval rather than bunch the frames.
        due = max(due + FRAME_MS / 1000, time.monotonic())
    run_tool('cp', last, png, check_rc=True)
    log(f'demo: saved {png}')
    run_tool('convert', '-delay', str(FRAME_MS // 10), '-loop', '0', *sorted(glob.glob(os.path.join(frames_dir,
             'frame-*.png'))), '-layers', 'Optimize', gif, timeout=300, check_rc=True)
    log(f'demo: saved {gif} ({frames} frames, one every {FRAME_MS} ms)')


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--bin', required=True)
    parser.add_argument('--work', required=True)
    parser.add_argument('--own-display', choices=['yes', 'no'], required=True)
    parser.add_argument('--png', required=True)
    parser.add_argument('--gif', required=True)
    args = parser.parse_args()
    own = args.own_display == 'yes'
    s = session(args.bin, args.work)
    try:
        log(f'demo: Wine prefix {s.prefix}')
        s.delete_key()
        info = s.start(output=os.path.join(args.work, 'echoview.log'))
        feed = start_feed(s, SECONDS * 4 if own else 0)
        if own:
            record(s, info, args.png, args.gif)
            if not wait_until(lambda: feed.poll() is not None, 15):
                feed.kill()
            code = s.stop()
        else:
            log(f'demo: close the Echoview window to finish (after {USER_MINUTES} minutes the demo closes it)')
            if not wait_until(lambda: s.process.poll() is not None, USER_MINUTES * 60, 1.0):
                # Without the pointer or the keyboard: they are the user's.
                s.feed('close', '--wait', '30000')
            code = s.process.wait(timeout=30)
        log(s.helper_log('feed').splitlines()[-1] if s.helper_log('feed') else 'demo: the feed said nothing')
        log(f'demo: Echoview exited with code {code}')
        log(f'demo: settings saved under {KEY}')
        log(s.wine('reg', 'query', KEY).stdout.strip())
        return 0 if code == 0 else 1
    finally:
        s.close()


if __name__ == '__main__':
    raise SystemExit(main_guard(main))
