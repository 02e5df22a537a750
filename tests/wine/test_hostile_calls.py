"""A host that calls the plugin with what it should not: windows that are not viewers, viewers
already closed, null and stale handles, null and empty paths, detect buffers of no size. Each
call has a defined answer and leaves the host (and the plugin) working.
"""
from __future__ import annotations

import pytest

import hostlib

REFUSAL_BOX = 'box "Error" "The file is too large or not handled"'
DETECT = 'EXT="QR"|EXT="QRCODE"'
COPIED_BOX = 'box "QR Code Viewer" "QRCode copied"'


def steps(good, missing):
    """(script line, the log lines it must produce), in order."""
    return [
        # Detect string: no write at all for a maxlen below 1; truncation plus NUL otherwise.
        ("detect 0", ["detect none guard=ok"]),
        ("detect -1", ["detect none guard=ok"]),
        ("detect 1", ['detect "" guard=ok']),
        ("detect 5", ['detect "EXT=" guard=ok']),
        ("detect 22", [f'detect "{DETECT}" guard=ok']),
        ("detect 21", [f'detect "{DETECT[:20]}" guard=ok']),
        (f"open a {good} 400 300", ["open a ok"]),
        # The lister window itself is no viewer: refused, not destroyed.
        ("command host 1", ["command host 1 1"]),
        ("command host 3", ["command host 3 1"]),
        ("closeplugin host", ["closeplugin host"]),
        ("layout a", ["layout a client=400,300 child=95,45,210,210"]),
        ("command null 1", ["command null 1 1"]),
        ("command null 3", ["command null 3 1"]),
        ("closeplugin null", ["closeplugin null"]),
        ("command bogus 1", ["command bogus 1 1"]),
        ("closeplugin bogus", ["closeplugin bogus"]),
        # A viewer closed once and then handed back again.
        ("closeplugin a", ["closeplugin a"]),
        ("closeplugin closed", ["closeplugin closed"]),
        ("command closed 1", ["command closed 1 1"]),
        ("command closed 3", ["command closed 3 1"]),
        # No parent to live in: no viewer; only a file that gives no symbol says so.
        (f"loadparent null {good}", ["loadparent null none"]),
        (f"loadparent bogus {good}", ["loadparent bogus none"]),
        (f"loadparent null {missing}", [REFUSAL_BOX, "loadparent null none"]),
        ("load b -", [REFUSAL_BOX, "load b none"]),
        ('load b ""', [REFUSAL_BOX, "load b none"]),
        ("command b 1", ["command b 1 1"]),
        ("closeplugin b", ["closeplugin b"]),
        # And the plugin still works afterwards.
        (f"open c {good} 400 300", ["open c ok"]),
        ("command c 1", [COPIED_BOX, "command c 1 0"]),
        ("command c 3", ["command c 3 0"]),
        ("command c 2", ["command c 2 1"]),
        ("close c", ["close c"]),
        ("echo alive", ["echo alive"]),
    ]


@pytest.fixture
def files(tmp_path):
    good = tmp_path / "good.qr"
    good.write_bytes(b"A")
    return hostlib.qpath(good), hostlib.qpath(tmp_path / "missing.qr")


def test_hostile_calls_get_their_defined_answers(host, files, arch):
    script = steps(*files)
    log = host([line for line, _ in script], timeout=120)
    expected = [out for _, outs in script for out in outs]
    assert list(log) == expected


def test_viewers_that_cannot_be_created_leak_nothing(host, files):
    good, _ = files
    # One round first: lazily created system objects are not the plugin's.
    rounds = [f"loadparent null {good}", f"loadparent bogus {good}", "load x -", 'load x ""']
    log = host(["answer ok"] + rounds + ["gdi"] + rounds * 40 + ["gdi", "echo alive"], timeout=180)
    before, after = hostlib.probe_readings(log)
    assert log[-1] == "echo alive"
    assert after == before, "GDI/USER handle-table index grew: a failed load leaked"


def test_a_viewer_of_another_process_is_not_ours(host, files, tmp_path):
    # Two hosts load the plugin from one file: the other one's viewer has our class name, class
    # atom and module base, and only its process tells it apart. Reading its window bytes as
    # ours would follow a pointer into the other process.
    good, _ = files
    other_script, other_log = tmp_path / "other.script", tmp_path / "other.log"
    other_script.write_text(f"open v {good} 400 300\nwait v\n", encoding="utf-8")
    log = host([
        f"open a {good} 400 300",  # our own viewer first: the class is then registered here too
        f"foreign start {hostlib.qpath(other_script)} {hostlib.qpath(other_log)}",
        "command foreign 1", "command foreign 3", "command foreign 2",
        "closeplugin foreign", "alive foreign",
        "command a 3",
        "foreign end",
    ])
    other = other_log.read_text(encoding="utf-8").splitlines() if other_log.exists() else ["(no log)"]
    assert list(log) == [
        "open a ok",
        "foreign ok QRcodeWindowClass class=same module=same",
        "command foreign 1 1", "command foreign 3 1", "command foreign 2 1",
        "closeplugin foreign", "alive foreign yes",
        "command a 3 0",
        "foreign ended 0",
    ], "the other host's log:\n" + "\n".join(other)
    assert other == ["open v ok", "wait v closed"]
