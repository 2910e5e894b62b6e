#!/usr/bin/env python3
"""End-to-end tests of the readout under the pointer and of the mouse wheel: real echoview.exe under Wine, real
X input, the tooltip's text read from outside the program as a screen reader reads it.

usage: e2e_readout.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR
Scenarios: readout, wheel (see the functions of the same names).
"""
import datetime
import re
import sys

from e2e_live import MARKER, SETTINGS, graph
from e2e_support import check, log, main, poll

T0 = 80000.0
# Seconds before the newest sample, and round-trip times; on a span of an hour the graph
# moves a pixel in several seconds, so a marker stays under a pointer that stands still.
READOUT_SAMPLES = [(T0 - 1200, 22.5), (T0 - 600, 48.25), (T0, 35.0)]


def marker_centres(shot, client):
    """The centres (x, y) in the client area of the markers drawn alone (a plus of five marker pixels)."""
    cx, cy, cw, ch = client
    return sorted((x, y) for y in range(1, ch - 1) for x in range(1, cw - 1)
                  if all(shot.at(cx + x + dx, cy + y + dy) == MARKER
                         for dx, dy in ((0, 0), (-1, 0), (1, 0), (0, -1), (0, 1))))


def seconds_of_day(moment):
    return moment.hour * 3600 + moment.minute * 60 + moment.second + moment.microsecond / 1e6


def within_day(seconds, low, high):
    """Whether a time of day lies between two others, across midnight too."""
    return (seconds - low) % 86400 <= (high - low) % 86400


def readout(s):
    """The pointer on a marker reads its round-trip time and its time of arrival; the tooltip goes when it leaves."""
    g = graph(s, dict(SETTINGS, x_time=3600, avg_time=0))
    client = g.info['client']
    before = datetime.datetime.now()
    g.feed(READOUT_SAMPLES)
    after = datetime.datetime.now()
    centres = poll('the three markers', lambda: (lambda c: c if len(c) == 3 else None)(
        marker_centres(g.shot('readout-markers'), client)), 20)
    check(s.tooltip() is None, 'a tooltip shows before the pointer came')

    x, y = centres[1]
    pointer = (client[0] + x, client[1] + y)
    s.xdotool('mousemove', str(pointer[0]), str(pointer[1]))
    rect, lines = poll('the readout with the sample under the pointer',
                       lambda: (lambda t: t if t and len(t[1]) == 3 else None)(s.tooltip()), 15)
    log(f'pointer at {pointer}: tooltip {rect}: {lines}')

    check(re.fullmatch(r'\d\d:\d\d:\d\d', lines[0]) is not None, f'first line {lines[0]!r} is no time of day')
    m = re.fullmatch(r'Sample 48\.25 at (\d\d):(\d\d):(\d\d)\.(\d\d\d)', lines[1])
    check(m is not None, f'second line {lines[1]!r}: not the sample 48.25 with its time of day')
    # The newest sample arrived while echofeed ran; this one is 600 s older on the sender's clock.
    shown = int(m[1]) * 3600 + int(m[2]) * 60 + int(m[3]) + int(m[4]) / 1000
    low, high = seconds_of_day(before) - 600 - 0.01, seconds_of_day(after) - 600 + 0.01
    check(within_day(shown, low, high), f'sample time {lines[1][-12:]} not between {before.time()} and '
                                        f'{after.time()} less 600 s')
    hour, minute, second = (int(v) for v in lines[0].split(':'))
    column = hour * 3600 + minute * 60 + second
    check(within_day(column, low - 30, high + 30), f'time {lines[0]} at the pointer is not that of its marker')
    check(lines[2] == 'In view: 3 samples, min 22.5, mean 35.25, max 48.25, sd 10.51', f'statistics {lines[2]!r}')

    # The graph moves under the pointer that stands still: the time at its column moves on.
    poll('the time at the pointer to move on with the graph under a still pointer',
         lambda: (lambda t: t and t[1][0] != lines[0] and t[1][1] == lines[1])(s.tooltip()), 10)
    left, top, width, height = rect
    check(not (left - 6 <= pointer[0] < left + width + 6 and top - 6 <= pointer[1] < top + height + 6),
          f'the tooltip {rect} covers the pointer {pointer} or the marker beside it')
    log(f'the readout gave the sample 48.25 at {lines[1][-12:]} (fed between {before.time()} and {after.time()} '
        f'as 600 s old), the statistics of the view, beside the pointer')

    s.xdotool('mousemove', str(client[0] + client[2] + 40), str(client[1] + client[3] // 2))
    poll('the tooltip to go once the pointer left the window', lambda: s.tooltip() is None, 10)
    log('the tooltip went when the pointer left the window')
    g.close()


# Seconds before the newest sample: how many fall within each span tells the span from outside.
# The sender's clock is far enough from its start for a week (spans longer than the time since
# the start end at 0).
WHEEL_NEWEST = 1000000.0
WHEEL_OFFSETS = [0, 2, 30, 80, 200, 600, 2000, 10000, 30000, 100000, 400000]


def wheel(s):
    """Real wheel notches step the span through the Time Scale choices, from one that is none; the span is saved."""
    g = graph(s, dict(SETTINGS, x_time=100, avg_time=0))
    client = g.info['client']
    g.feed([(WHEEL_NEWEST - offset, 20.0 + i) for i, offset in enumerate(WHEEL_OFFSETS)])
    s.focus_window(client)
    s.xdotool('mousemove', str(client[0] + client[2] // 2), str(client[1] + client[3] // 2))

    def in_view():
        shown = s.tooltip()
        m = shown and re.fullmatch(r'In view: (\d+) samples?.*', shown[1][-1])
        return int(m[1]) if m else None

    def expect(what, counts):
        poll(f'{what}: {counts} samples in view', lambda: in_view() in counts, 10)

    expect('span 100 s, read from the registry', (4,))
    steps = [('5', 'towards the user: 5 mins, the next choice longer than 100 s', (5,)),
             ('4', 'away: 1 min', (3,)),
             ('4', 'away: 10 secs', (1, 2)),
             ('4', 'away at 10 secs: it stays', (1, 2))]
    steps += [('5', f'towards the user: {n}', (c,)) for n, c in
              (('1 min', 3), ('5 mins', 5), ('15 mins', 6), ('1 hour', 7), ('4 hours', 8), ('12 hours', 9),
               ('48 hours', 10), ('1 week', 11), ('1 week, where it stays', 11))]
    steps += [('4', 'away: 48 hours', (10,))]
    for button, what, counts in steps:
        s.xdotool('click', button)
        expect(what, counts)
    log(f'{len(steps)} wheel notches went through the spans, stopping at 10 secs and at 1 week')
    g.close()
    saved = {k: v for k, (_, v) in s.saved_settings().items()}
    check(saved.get('x_time') == 172800, f'saved x_time is {saved.get("x_time")}, not 172800')
    log('the span the wheel chose, 48 hours, was saved at exit')


if __name__ == '__main__':
    sys.exit(main([readout, wheel]))
