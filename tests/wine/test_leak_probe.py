"""The test host's leak probes and what the fault sweep makes of their counts: the handle-table
listing names the objects a count is made of, and only a count that moves again when its point
is repeated is taken for the plugin's leak."""
from __future__ import annotations

import pytest

import faultcheck
import hostlib
from hostlib import qpath

TEXT = b"leak probe, the viewer's own bitmap"


def changes(segment) -> list[str]:
    return [line.split(" ", 1)[1] for line in segment if line.startswith("gdichange ")]


def test_the_handle_table_shows_the_viewers_bitmap_come_and_go(host, tmp_path):
    content = tmp_path / "a.qr"
    content.write_bytes(TEXT)
    log = host(["load w -", "close w",  # the first box and window of the process
                "gdimark", f"open v {qpath(content)} 400 300", "gdichanges", "echo closing",
                "close v", "unload", "gdichanges"])
    assert "open v ok" in log
    side = len(hostlib.expected_modules(TEXT)) * hostlib.MODULE_PX
    bitmap = f"bitmap {side}x{side}x32"
    opened = faultcheck.between(log, "open v ok", "echo closing")
    closed = faultcheck.between(log, "echo closing", "")
    # One bitmap of the symbol's size (a compatible bitmap: no DIB section) while it is shown...
    shown = [c for c in changes(opened) if c.endswith(bitmap)]
    assert len(shown) == 1 and shown[0].startswith("+1 t"), changes(opened)
    # ... and gone from the mark's set once the viewer closed and the library left.
    assert not [c for c in changes(closed) if c.endswith(bitmap)], changes(closed)
    counts = [int(line.split()[1]) for line in log if line.startswith(("gdimark ", "gdichanges "))]
    assert counts[0] > 0 and counts[1] > counts[0]


def verdict(**fields):
    base = dict(point=None, alive=True, survived=True, leak="GDI +2, USER +0 (after 3 dialogs)")
    return faultcheck.Verdict(**{**base, **fields})


@pytest.mark.parametrize("fields, repeated", [
    ({}, True),                                                  # only the counts: repeated
    ({"leak": ""}, False),                                       # nothing wrong at all
    ({"leak": "GDI +2, USER +0; the library stays loaded for good"}, False),
    ({"wrong": ["2 boxes"]}, False),                             # a wrong answer stays a fault
    ({"torn": ["saved.jpg: the old file is gone"]}, False),
    ({"survived": False}, False),                                # the next run went otherwise
    ({"alive": False}, False),                                   # the host died
])
def test_only_a_fault_in_the_counts_alone_is_repeated(fields, repeated):
    assert verdict(**fields).only_counts() is repeated
