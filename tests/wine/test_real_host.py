"""The plugin under hosts that take its window over as the real file managers do: the window
procedure replaced right after ListLoadW and never put back (tc), replaced twice (tc2), or
replaced, fed Double Commander's way and put back just before ListCloseWindow (dc); and left
alone (plain). Also several viewers at once, the plugin freed and loaded again between files
in quick view, and the common controls version the host runs with."""
from __future__ import annotations

import re

import numpy as np
import pytest
from PIL import Image

from hostlib import decode, expected_modules, expected_symbol, probe_readings, qpath, read_bmp

COPIED = ("QR Code Viewer", "QRCode copied")
SMALL_TEXT = b"A"          # 21 modules: 210 px
MIDDLE_TEXT = b"a" * 40    # 29 modules: 290 px
QUICK_VIEW_CYCLES = 30


def write(tmp_path, name, data):
    path = tmp_path / name
    path.write_bytes(data)
    return path


def layout_of(log, lister):
    """[(client, child)] from the layout lines of one lister, in order."""
    found = []
    for line in log.starting(f"layout {lister} "):
        m = re.fullmatch(r"layout \S+ client=(\d+),(\d+) child=(-?\d+),(-?\d+),(\d+),(\d+)", line)
        assert m, line
        numbers = tuple(int(g) for g in m.groups())
        found.append((numbers[:2], numbers[2:]))
    return found


def rgb(image):
    """H x W x 3 int array (B, G, R) from a Bmp or a PIL image."""
    if isinstance(image, Image.Image):
        return np.asarray(image.convert("RGB"))[:, :, ::-1].astype(int)
    return image.pixels[:, :, :3].astype(int)


def test_host_runs_with_common_controls_6(host):
    # The plugin's controls come from the assembly the host's manifest chose; under Wine one
    # comctl32.dll serves both versions, so the binding, not DllGetVersion, tells them apart.
    log = host(["comctl"])
    assert re.fullmatch(r"comctl 6\.\d+\.\d+\.\d+ dll=\d+\.\d+", log[0]), log[0]


# ---------------------------------------------------------------------------------------------
# One viewer, each way of taking it over

@pytest.mark.check
@pytest.mark.parametrize("mode", ["tc", "tc2", "dc", "plain"])
def test_taken_over_viewer_fits_copies_saves_and_closes(host, tmp_path, mode):
    small = qpath(write(tmp_path, "small.qr", SMALL_TEXT))
    middle = qpath(write(tmp_path, "middle.qr", MIDDLE_TEXT))
    log = host([
        f"hostmode {mode}",
        f"open a {small} 400 120", "layout a", f"image a {qpath(tmp_path / 'a120.bmp')}",
        "resize a 400 300", "layout a",  # grown back: full size again
        f"open b {middle} 290 73", "layout b",
        "resize b 290 300", "layout b",
        "resize b 290 73", "layout b",
        # b came last and has the focus; a click on a hands it to a's viewer.
        "focus a", "activate a", "focus a",
        "key a n", "key a p",
        f"image a {qpath(tmp_path / 'shown.bmp')}",
        "command a 1", f"clipboard {qpath(tmp_path / 'clip.bmp')}",
        "command a 3",
        f"save a {qpath(tmp_path / 'saved.png')}",
        "closeplugin a", "alive closed",
        "close b", "alive closed",
        "echo done",
    ])
    assert log[-1] == "echo done"
    assert not log.starting("error")
    assert layout_of(log, "a") == [((400, 120), (140, 0, 120, 120)), ((400, 300), (95, 45, 210, 210))]
    assert expected_modules(MIDDLE_TEXT).shape == (29, 29)
    assert layout_of(log, "b") == [((290, 73), (109, 0, 72, 72)), ((290, 300), (0, 5, 290, 290)),
                                   ((290, 73), (109, 0, 72, 72))]
    assert log.starting("image a ") == ["image a 120 120 32", "image a 210 210 32"]
    assert decode(read_bmp(tmp_path / "a120.bmp")) == SMALL_TEXT
    assert log.starting("focus a ") == ["focus a other", "focus a plugin"]

    # The file manager's own keys never reach the plugin; only Double Commander passes every
    # key-down on to the parent as well.
    eaten = [] if mode == "plain" else ["hostkey a N", "hostkey a P"]
    assert log.starting("hostkey ") == eaten
    assert bool(log.starting("parentkey ")) == (mode == "dc")

    assert log.starting("command a ") == ["command a 1 0", "command a 3 0"]
    shown = read_bmp(tmp_path / "shown.bmp")
    assert np.array_equal(shown.gray(), expected_symbol(SMALL_TEXT))
    assert log.starting("clipboard ") == ["clipboard 210 210"]
    assert np.array_equal(rgb(read_bmp(tmp_path / "clip.bmp")), rgb(shown))
    assert np.array_equal(rgb(Image.open(tmp_path / "saved.png")), rgb(shown))
    assert [caption for caption, _ in log.boxes()] == [COPIED[0], "File saved in:"]
    assert log.boxes()[0] == COPIED

    # ListCloseWindow destroys the viewer whatever procedure it has at that moment.
    assert log.starting("alive ") == ["alive closed no", "alive closed no"]


# ---------------------------------------------------------------------------------------------
# Quick view: the plugin freed and loaded again between files

def test_quick_view_reloads_the_plugin_between_files(host, tmp_path, arch):
    texts = [f"quick view file {n}".encode() for n in range(QUICK_VIEW_CYCLES)]
    lines = []
    for n, text in enumerate(texts):
        lines += [f"quickview q {qpath(write(tmp_path, f'q{n}.qr', text))}", "layout q"]
        # Compared with a viewer up each time; the first cycle makes what lives on lazily.
        lines += ["gdi"] if n in (1, QUICK_VIEW_CYCLES - 1) else []
    lines += [f"image q {qpath(tmp_path / 'last.bmp')}", "closeplugin q", "alive closed"]
    log = host(lines, timeout=180)

    assert not log.starting("error")
    # Every step really freed the library: no viewer held it.
    assert log.starting("unload ") == ["unload freed"] * QUICK_VIEW_CYCLES
    assert log.starting("reload ") == ["reload ok"] * QUICK_VIEW_CYCLES
    assert log.starting("quickview ") == ["quickview q ok"] * QUICK_VIEW_CYCLES
    sides = [expected_symbol(text).shape[0] for text in texts]
    assert layout_of(log, "q") == [((400, 300), ((400 - side) // 2, (300 - side) // 2, side, side)) for side in sides]
    assert log.boxes() == []
    last = read_bmp(tmp_path / "last.bmp").gray()
    assert np.array_equal(last, expected_symbol(texts[-1]))
    assert decode(last) == texts[-1]
    assert log.starting("alive ") == ["alive closed no"]
    first, after = probe_readings(log)
    assert after == first, "GDI/USER objects held grew over the plugin's reloads"


def test_quick_view_beside_a_lister_window(host, tmp_path):
    lister_text, quick_texts = b"the lister window", [b"quick one", b"quick two", b"quick three"]
    lines = [f"open l {qpath(write(tmp_path, 'l.qr', lister_text))} 400 150"]
    for n, text in enumerate(quick_texts):
        lines += [f"quickview q {qpath(write(tmp_path, f'q{n}.qr', text))} 400 300",
                  f"image q {qpath(tmp_path / f'q{n}.bmp')}"]
    lines += [
        # The lister window's viewer went through every reload untouched.
        f"image l {qpath(tmp_path / 'l.bmp')}",
        "resize l 400 300", "layout l",
        "command l 1", f"clipboard {qpath(tmp_path / 'clip.bmp')}",
        "command q 1",
        f"save q {qpath(tmp_path / 'q.png')}",
        # Once the lister window is gone, quick view frees the library for real.
        "close l", "alive closed",
        f"quickview q {qpath(tmp_path / 'q0.qr')}",
        f"image q {qpath(tmp_path / 'q-again.bmp')}",
    ]
    log = host(lines)

    assert not log.starting("error")
    assert log.starting("unload ") == ["unload held"] * len(quick_texts) + ["unload freed"]
    assert log.starting("quickview ") == ["quickview q ok"] * (len(quick_texts) + 1)
    for n, text in enumerate(quick_texts):
        assert np.array_equal(read_bmp(tmp_path / f"q{n}.bmp").gray(), expected_symbol(text)), n
    fitted = read_bmp(tmp_path / "l.bmp").gray()
    assert fitted.shape == (150, 150) and decode(fitted) == lister_text
    assert layout_of(log, "l") == [((400, 300), (95, 45, 210, 210))]
    assert log.starting("command ") == ["command l 1 0", "command q 1 0"]
    assert decode(read_bmp(tmp_path / "clip.bmp")) == lister_text
    assert decode(Image.open(tmp_path / "q.png")) == quick_texts[-1]
    assert [caption for caption, _ in log.boxes()] == [COPIED[0], COPIED[0], "File saved in:"]
    assert log.starting("alive ") == ["alive closed no"]
    assert np.array_equal(read_bmp(tmp_path / "q-again.bmp").gray(), expected_symbol(quick_texts[0]))
