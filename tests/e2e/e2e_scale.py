#!/usr/bin/env python3
"""End-to-end test of the real echoview.exe at a display scale of 150 %, in a Wine prefix whose
LogPixels is 144 (Wine reports it to every program): the first window's size, the label font,
the markers, the lines and the insets, and the DPI saved with the place.

usage: e2e_scale.py SCENARIO --bin BUILD/bin --work SCRATCH_DIR   (WINEPREFIX: a prefix at 144 DPI)
Scenarios: scaled.
"""
import sys

from e2e_support import check, log, main, poll, wait_exit

MARKER = (0x8F, 0xA2, 0xFE)
GRID = (0xE0, 0xE0, 0xE0)
AXIS = (0, 0, 0)
DPI = 144
INSET = 15  # the plot's 10 pixels of inset and margin at 150 %
THICK = 2   # lines and marker arms at 150 %


def ink_rows(shot, client, x_from):
    """Runs [first, last] of rows with anything but white right of x_from in the client area."""
    cx, cy, cw, ch = client
    runs = []
    for y in range(ch):
        if any(shot.at(cx + x, cy + y) != (255, 255, 255) for x in range(x_from, cw)):
            if runs and runs[-1][1] == y - 1:
                runs[-1][1] = y
            else:
                runs.append([y, y])
    return runs


def check_picture(shot, client, samples):
    cx, cy, cw, ch = client
    at = lambda x, y: shot.at(cx + x, cy + y)  # noqa: E731
    # The axis: the two columns most covered by black down the plot.
    black = [sum(1 for y in range(INSET, ch - INSET) if at(x, y) == AXIS) for x in range(cw)]
    axis = max(range(cw - 1), key=lambda x: black[x] + black[x + 1])
    plot_rows = ch - 2 * INSET
    check(black[axis] >= plot_rows - 2 and black[axis + 1] >= plot_rows - 2,
          f'no value axis two pixels wide (columns {axis}, {axis + 1}: {black[axis]}, {black[axis + 1]})')
    check(black[axis - 1] < plot_rows // 2 and black[axis + 2] < plot_rows // 2, 'the value axis is wider than two')
    # Grid lines start at the inset, two rows each.
    grid_rows = [y for y in range(ch) if at(INSET + 5, y) == GRID]
    check(grid_rows, 'no grid line in the screenshot')
    check(all(at(INSET - 1, y) != GRID for y in grid_rows), f'grid lines begin left of x = {INSET}')
    check(all(at(INSET, y) == GRID for y in grid_rows), f'grid lines do not begin at x = {INSET}')
    runs = [y for y in grid_rows if y - 1 not in grid_rows]
    check(all(y + 1 in grid_rows and y + 2 not in grid_rows for y in runs), f'grid lines not two rows: {grid_rows}')
    # Labels: 18-pixel text, so the ink of one label is taller than 12-pixel text could be.
    labels = ink_rows(shot, client, axis + 3)
    check(labels, 'no label right of the axis')
    tallest = max(last - first + 1 for first, last in labels)
    check(11 <= tallest <= 21, f'label ink {tallest} rows high, not that of an 18-pixel font')
    # Markers: a plus of arms two pixels thick, 6 by 6, twenty pixels each.
    marked = sum(1 for y in range(ch) for x in range(cw) if at(x, y) == MARKER)
    check(marked == 20 * len(samples), f'{marked} marker pixels, expected {20 * len(samples)}')
    log(f'150 %: axis at x={axis} two pixels wide, grid lines of two rows from x={INSET}, '
        f'labels {tallest} rows of ink, {len(samples)} markers of 20 pixels')


def scaled(s):
    """No place stored: the first window is 750x375; the picture at 150 %; the place is saved with its DPI."""
    s.store_settings({'avg_time': 0})  # the markers alone
    process = s.start_echoview('--echoprobe')
    info = s.wait_for_window()
    check(info['window'][2:] == [750, 375], f'first window at 150 % is {info["window"]}, not 750x375')
    # The pointer below the window: the readout it would show over the graph is in no picture.
    x, y, w, h = info['window']
    s.xdotool('mousemove', str(x + w // 2), str(y + h + 40))
    now = 50000.0
    samples = [(now - 40.0, 20.0), (now - 25.0, 35.0), (now - 10.0, 28.0)]
    s.feed('raw', '--doubles', ','.join(f'{v!r}' for sample in samples for v in sample))
    info = s.info(repaint=True)

    def shown():
        check_picture(s.screenshot('e2e-scaled'), info['client'], samples)
        return True

    poll('the window did not show the picture at 150 % (e2e-scaled.ppm in the work folder)', shown, timeout=20,
         interval=0.3)
    s.close_window(info['client'])
    rc = wait_exit(process)
    check(rc == 0, f'exit code {rc} after closing, not 0')
    saved = s.saved_dwords()
    check(saved.get('dpi') == DPI and saved.get('x_size') == 750, f'saved {saved}: not 750 wide at {DPI} DPI')

    # A place saved at 192 DPI comes back as large relative to the screen's text.
    s.store_settings({'x_pos': 30, 'y_pos': 30, 'x_size': 800, 'y_size': 400, 'dpi': 192})
    process = s.start_echoview('--echoprobe')
    info = s.wait_for_window()
    check(info['window'] == [30, 30, 600, 300], f'a place saved at 192 DPI opened as {info["window"]}')
    s.close_window(info['client'])
    wait_exit(process)
    log(f'first window 750x375, saved {saved}; 800x400 saved at 192 DPI opens as 600x300')


if __name__ == '__main__':
    sys.exit(main([scaled]))
