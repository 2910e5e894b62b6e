#!/usr/bin/env python3
"""End-to-end tests of echofeed's command line: the real echofeed.exe under Wine, with no Echoview
window running. Scripts read its messages and exit codes, so these are pinned down exactly.

usage: e2e_echofeed.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR
Scenarios: command_line (see the function of the same name).
"""
import os
import re
import sys

from e2e_support import check, log, main
from package import echofeed_usage  # noqa: E402  (beside the driver in scripts/)

SEE_HELP = '(echofeed help shows the usage)\n'
NO_WINDOW = ('echofeed: no Echoview window found (class brisk_mainwnd); start Echoview with --echoprobe or '
             'give --start\n')


def refused(message, needs_value=None):
    """The lines of a refused command line: what was wrong, then where the usage is."""
    first = f'echofeed: {needs_value} needs a value\n' if needs_value else ''
    return first + f'echofeed: {message}\n' + SEE_HELP


# Arguments, exit code, the whole of standard error (or a pattern it must match in full).
REFUSALS = [
    (['bogus'], 1, refused("unknown command 'bogus'")),
    (['ping'], 1, refused('ping needs a host')),
    (['ping', '-n'], 1, refused("bad count ''", '-n')),
    (['ping', 'h', '--count', '1x'], 1, refused("bad count '1x'")),
    (['ping', 'h', '-n', '-1'], 1, refused("bad count '-1'")),
    (['ping', 'h', '-i', '3601'], 1, refused("bad interval '3601' (seconds)")),
    (['ping', 'h', '--interval'], 1, refused("bad interval '' (seconds)", '--interval')),
    (['ping', 'h', '-w', '0'], 1, refused("bad timeout '0' (milliseconds)")),
    (['ping', 'h', '--timeout', '60001'], 1, refused("bad timeout '60001' (milliseconds)")),
    (['ping', 'h', '--record'], 1, 'echofeed: --record needs a value\n'),
    (['ping', 'h', 'k'], 1, refused("unknown ping argument 'k'")),
    (['ping', 'h', ''], 1, refused("unknown ping argument ''")),
    (['ping', 'h', '--wait', '-1'], 1, refused("--wait takes milliseconds, not '-1'")),
    (['ping', 'h', '--wait', '3600001'], 1, refused("--wait takes milliseconds, not '3600001'")),
    (['ping', 'h', '--wait'], 1, refused("--wait takes milliseconds, not ''", '--wait')),
    (['synth', '--rate', 'x'], 1, refused("bad value 'x' for --rate")),
    (['synth', '-n'], 1, refused("bad count '' for -n", '-n')),
    (['synth', '--count', '-3'], 1, refused("bad count '-3' for --count")),
    (['synth', '--batch', '0'], 1, refused("bad count '0' for --batch")),
    (['synth', '--seed', '4294967296'], 1, refused("bad count '4294967296' for --seed")),
    (['synth', '--base', '-1'], 1, refused("bad value '-1' for --base")),
    (['synth', '--jitter', 'nan'], 1, refused("bad value 'nan' for --jitter")),
    (['synth', '--spikes', '2'], 1, refused("bad value '2' for --spikes")),
    (['synth', '--drift', '1e7'], 1, refused("bad value '1e7' for --drift")),
    (['synth', '--record'], 1, 'echofeed: --record needs a value\n'),
    (['synth', 'x'], 1, refused("unknown synth argument 'x'")),
    (['synth', '--start', '--wait', 'soon'], 1, refused("--wait takes milliseconds, not 'soon'")),
    (['replay'], 1, refused('replay needs a file')),
    (['replay', '--shift'], 1, refused('replay needs a file')),
    (['replay', 'f', '--speed', '-1'], 1, refused("bad speed '-1'")),
    (['replay', 'f', '--batch', '0'], 1, refused("bad batch size '0'")),
    (['replay', 'f', '--batch'], 1, refused("bad batch size ''", '--batch')),
    (['replay', 'f', 'g'], 1, refused("unknown replay argument 'g'")),
    (['raw', '--id', 'x'], 1, refused("bad --id 'x'")),
    (['raw', '--size', '268435457'], 1, refused("bad --size '268435457' (at most 256 MiB)")),
    (['raw', '--hex', '0g'], 1, refused("bad --hex '0g'")),
    (['raw', '--hex', '012'], 1, refused("bad --hex '012'")),
    (['raw', '--doubles', '1,,2'], 1, refused("bad --doubles '1,,2'")),
    (['raw', '--doubles'], 1, refused("bad --doubles ''", '--doubles')),
    (['raw', 'zap'], 1, refused("unknown raw argument 'zap'")),
    (['info', 'x'], 1, refused("unknown info argument 'x'")),
    (['info', '--wait'], 1, refused("--wait takes milliseconds, not ''", '--wait')),
    (['close', '--wait', 'x'], 1, refused("--wait takes milliseconds, not 'x'")),
    (['stats', '--bogus'], 1, refused("unknown stats argument '--bogus'")),
    (['window-text'], 1, refused('window-text needs a caption')),
]

# Command lines that are right: they get as far as the window, which is not there.
ACCEPTED = [
    (['synth', '-n', '5', '--rate', '0', '--batch', '2', '--seed', '7', '--base', '1', '--jitter', '0.5',
      '--spikes', '0', '--drift', '-1', '--record', 'synth.csv', '--repaint', '--wait', '5'], 2, NO_WINDOW),
    (['replay', 'good.csv', '--speed', '0', '--batch', '3', '--shift', '--wait', '0'], 2, NO_WINDOW),
    (['replay', '--speed', '2.5', 'good.csv', '--repaint'], 2, NO_WINDOW),
    (['raw', '--id', '0x10', '--hex', 'de:ad be,ef', '--doubles', '1.5,nan,-inf', '--size', '64', '--null',
      '--repaint'], 2, NO_WINDOW),
    (['info', '--repaint', '--wait', '10'], 2, NO_WINDOW),
    (['stats'], 2, NO_WINDOW),
    (['close', '--wait', '100'], 2, NO_WINDOW),
    (['synth', '-n', '1', '--start=nowhere.exe', '--wait', '100'], 2,
     re.compile(r'echofeed: cannot start nowhere\.exe: error \d+\n')),
    (['replay', 'saved.csv', '--speed', '0'], 2, NO_WINDOW),
    (['replay', 'bad.csv'], 4, 'echofeed: bad.csv:3: malformed line (expected time,rtt or time,rtt,local_time)\n'),
    (['replay', 'missing.csv'], 4, 'echofeed: cannot read missing.csv\n'),
]


def run(s, args):
    result = s.wine(s.echofeed, *args)
    return result.returncode, result.stdout.replace('\r\n', '\n'), result.stderr.replace('\r\n', '\n')


def command_line(s):
    """Every refusal with its exact message and exit code 1; right command lines reach the window."""
    # Relative file names: the messages name files as they were given.
    s.echofeed = os.path.abspath(s.echofeed)
    os.chdir(s.work_dir)
    with open('good.csv', 'w') as f:
        f.write('time,rtt\n# a comment\n\n1.0,2.0\n 2.5 , 3.25\n')
    # As Echoview saves its samples.
    with open('saved.csv', 'w') as f:
        f.write('time,rtt,local_time\n-1.5,1e-300,2026-12-09 10:11:12.345\n2e+06,123456789.125,2026-12-09 10:11:13.845\n')
    with open('bad.csv', 'w') as f:
        f.write('time,rtt\n1,2\n1;2\n')
    for args, code, expected in REFUSALS + ACCEPTED:
        got_code, out, err = run(s, args)
        matches = expected.fullmatch(err) if isinstance(expected, re.Pattern) else err == expected
        check(got_code == code and matches and out == '',
              f'echofeed {args}: exit code {got_code} (not {code}), error output {err!r}, output {out!r}')
    with open('synth.csv') as f:
        check(f.read().startswith('time,rtt'), 'synth --record wrote no header before looking for the window')
    log(f'{len(REFUSALS)} bad command lines refused, {len(ACCEPTED)} right ones taken, exact messages')

    usage = echofeed_usage()
    code, out, err = run(s, [])
    check((code, out, err) == (1, '', usage), f'echofeed alone: exit code {code}, output {out!r}, errors {err!r}')
    for word in ('help', '--help', '-h'):
        code, out, err = run(s, [word])
        check((code, out, err) == (0, usage, ''), f'echofeed {word}: exit code {code}, errors {err!r}')
    log('the usage: on standard error alone, on standard output with help, --help and -h')


if __name__ == '__main__':
    sys.exit(main([command_line], display=False))
