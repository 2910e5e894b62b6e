"""The command line of the end-to-end scenario files; the driving itself is scripts/echoview_driver.py,
shared with the demo, soak and benchmark scripts."""
import contextlib
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'scripts'))
from echoview_driver import (check, failure, image, log, poll, session, stand_in_browser,  # noqa: E402
                             wait_exit)
from product import TITLE, VERSION  # noqa: E402

# What the scenario files take from here: the driver's names, and main().
__all__ = ['TITLE', 'VERSION', 'check', 'failure', 'image', 'log', 'main', 'poll', 'stand_in_browser', 'wait_exit']


def park_pointer(s):
    """The pointer in the display's bottom right corner, where no window of a test opens: over a graph it
    would bring up the readout, which covers what a screenshot looks for."""
    size = s.xdotool('getdisplaygeometry').stdout.split()
    if len(size) == 2:
        s.xdotool('mousemove', str(int(size[0]) - 1), str(int(size[1]) - 1))


def main(scenarios, display=True):
    """The command line of a scenario file: SCENARIO --bin BUILD/bin --work SCRATCH_DIR.

    Runs the scenario (one of the functions in `scenarios`, by name) on the display it
    holds (scenarios that show nothing, display=False, hold none); exit code 0 when it passed.
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
        with s.display_lock() if display else contextlib.nullcontext():
            if not s.no_window_running():
                raise failure('an Echoview window is already running')
            if display:
                park_pointer(s)
            next(f for f in scenarios if f.__name__ == args.scenario)(s)
        return 0
    except failure as e:
        print(f'FAILED: {e}', file=sys.stderr)
        return 1
    finally:
        s.close()
