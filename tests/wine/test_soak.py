"""Soak: many open / resize / copy / save / close cycles in one host process, two viewers at once
in half of them, and in the other half quick view's unload and reload of the library first.
Afterwards the GDI and USER objects the process holds (the host's `gdi` probe) must be back where
they were: every leaked bitmap, context, brush or window counts one more; and so must its private
executable regions and, within the heap's own growth, its private memory (`memory`): code made
at run time and not given back with its library adds up over many reloads.

QRL_SOAK_CYCLES overrides the number of cycles (default 1000; the 32-bit plugin gets a fifth).
"""
from __future__ import annotations

import os
import time
from collections import Counter

import hostlib

CYCLES = int(os.environ.get("QRL_SOAK_CYCLES", "1000"))
# Saving through the dialog costs about 0.4 s a cycle under Wine: with both saves in every cycle
# the soak would take over 9 minutes, so they run on every 10th.
SAVE_EVERY = int(os.environ.get("QRL_SOAK_SAVE_EVERY", "10"))
CONTROL_DIALOGS = 20
# The heap's own growth over the cycles, far below what 64 KB of address space kept at every
# reload would add up to.
PRIVATE_KB_PER_RELOAD = 16


def expected_box(caption: str, text: str) -> bool:
    return ((caption, text) == ("QR Code Viewer", "QRCode copied") or caption == "File saved in:"
            or text.startswith("File already exists."))  # the dialog's overwrite prompt


def cycle(n, first, second, out):
    lines = [
        f"open a {first} 640 520" if n % 2 == 0 else f"quickview a {first} 640 520",
        "resize a 640 200",  # fit
        "resize a 640 90",   # fit again, smaller
        "resize a 300 1",    # a sliver: the fit is skipped
        "resize a 640 520",  # grow back
        "command a 1",
    ]
    if n % 2 == 0:
        lines += [
            f"open b {second} 500 400",
            "resize b 500 150",
            "resize a 640 300",
            "command b 1",
            "close b",
        ]
    if n % SAVE_EVERY == 0:
        lines += [
            "answer yes",  # the overwrite prompt; the confirmation box has only OK
            f"save a {hostlib.qpath(out / 'soak.bmp')}",
            f"save a {hostlib.qpath(out / 'soak.png')}",
            "answer ok",
        ]
    return lines + ["close a"]


def test_soak_leaves_no_handles_behind(host, tmp_path, arch):
    cycles = CYCLES if arch == "x64" else max(CYCLES // 5, 2)
    first = tmp_path / "first.qr"
    first.write_bytes("soak test – città 東京 ".encode() * 3)
    second = tmp_path / "second.qr"
    second.write_bytes(b"0123456789" * 40)
    a, b = hostlib.qpath(first), hostlib.qpath(second)

    # Warm-up, twice (the second saves meet the overwrite prompt): system objects made lazily on
    # first use are not leaks.
    lines = cycle(0, a, b, tmp_path) * 2 + cycle(1, a, b, tmp_path) + ["gdi", "memory"]
    for n in range(1, cycles + 1):
        lines += cycle(n, a, b, tmp_path)
    # Control: the platform's save dialog opened and cancelled by the host itself, with no plugin
    # code at all; Wine's leaves shell32's accelerator table behind at every opening. Counted
    # from after a first one: Wine 10 keeps a few GDI objects of the last window it drew (the
    # lister's, here) until the next, so a dialog after a viewer gives some back.
    lines += ["gdi", "memory", "baredialog 1", "gdi", f"baredialog {CONTROL_DIALOGS}", "gdi", "echo alive"]

    started = time.monotonic()
    log = host(lines, timeout=1800)
    seconds = time.monotonic() - started
    print(f"\nsoak: {cycles} cycles in {seconds:.1f} s ({1000 * seconds / cycles:.0f} ms per cycle)")

    assert log[-1] == "echo alive"
    assert not [line for line in log if line.startswith(("error", "stuck", "window "))]
    reloads = (cycles + 1) // 2 + 1
    assert log.count("open a ok") + log.count("quickview a ok") == cycles + 3  # with the warm-up
    assert log.count("quickview a ok") == reloads and log.count("unload freed") == reloads
    assert log.count("open b ok") == cycles // 2 + 2
    assert log.count("command a 1 0") == cycles + 3 and log.count("command b 1 0") == cycles // 2 + 2
    saves = cycles // SAVE_EVERY + 2
    assert [box for box in log.boxes() if not expected_box(*box)] == []
    boxes = Counter(caption for caption, _ in log.boxes())
    assert boxes["File saved in:"] == 2 * saves, boxes
    assert (tmp_path / "soak.bmp").stat().st_size > 0 and (tmp_path / "soak.png").stat().st_size > 0

    before, after, bare_before, bare_after = hostlib.probe_readings(log)
    (kb_before, code_before), (kb_after, code_after) = [tuple(map(int, line.split()[1:]))
                                                        for line in log.starting("memory ")]
    print(f"private memory: {kb_before} KB, then {kb_after} KB after {reloads - 1} reloads; "
          f"executable regions {code_before}, then {code_after}")
    assert code_after == code_before, "private executable regions were left behind"
    assert kb_after - kb_before < PRIVATE_KB_PER_RELOAD * (reloads - 1), "private memory grows with every reload"
    dialogs = 2 * (cycles // SAVE_EVERY)  # the plugin's save dialogs between the first two probes
    for kind, i in (("GDI", 0), ("USER", 1)):
        per_dialog, rest = divmod(bare_after[i] - bare_before[i], CONTROL_DIALOGS)
        assert rest == 0, f"bare save dialogs left an uneven number of {kind} objects"
        print(f"{kind}: a bare save dialog leaves {per_dialog}; the soak left {after[i] - before[i]}"
              f" over {dialogs} dialogs")
        assert after[i] - before[i] == dialogs * per_dialog, \
            f"{kind} objects held went from {before[i]} to {after[i]} over {dialogs} save dialogs, each of " \
            f"which leaves {per_dialog} without the plugin: a leak"
