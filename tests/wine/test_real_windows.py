"""The plugin as real Windows and the real file manager treat it, beyond what Wine enforces:
the host acting (even freeing the library) while one of the plugin's modal windows is up, window
classes that outlive their module unless unregistered, a save over a file that carries
attributes, a read-only one or one in a folder where no file may be added, and a clipboard that
another program holds for a moment."""
from __future__ import annotations

import numpy as np
import pytest
from PIL import Image

from hostlib import qpath, read_bmp, winpath

COPIED = ("QR Code Viewer", "QRCode copied")
REFUSED = ("Error", "The file is too large or not handled")


@pytest.fixture
def files(tmp_path):
    (tmp_path / "small.qr").write_bytes(b"modal")
    (tmp_path / "empty.qr").write_bytes(b"")
    return tmp_path


def failures(log):
    """Texts of the "Error" boxes, the save dialog's overwrite question (Wine shows it under that
    caption too) left out."""
    return [text for caption, text in log.boxes() if caption == "Error" and "already exists" not in text]


def saved(path):
    return [f"save v {qpath(path)}"]


# What brings up each modal window of the plugin, from a viewer v showing small.qr. The save
# dialog comes before its "File saved in:" box: `whilemodal 2` waits for the box.
MODAL_WINDOWS = {
    "refusal box": (1, lambda d: [f"open v {qpath(d / 'empty.qr')} 400 300"]),
    "copy notice": (1, lambda d: ["command v 1"]),
    "copy failure box": (1, lambda d: ["cliphold", "command v 1", "cliprelease"]),
    "save dialog": (1, lambda d: saved(d / "a.png")),
    "saved box": (2, lambda d: saved(d / "b.bmp")),
}


@pytest.mark.parametrize("window", MODAL_WINDOWS)
def test_quick_view_takes_no_key_while_a_plugin_window_is_up(host, files, window, arch):
    # The user presses Down in quick view's file list while the box is up. Were the host's window
    # left enabled, quick view would close the viewer and free the library under the box, and the
    # box would return into unloaded code.
    skip, trigger = MODAL_WINDOWS[window]
    small = qpath(files / "small.qr")
    log = host([f"open v {small} 400 300", f"whilemodal {skip} down v {small}"] + trigger(files) +
               ["alive v", "echo survived"])
    assert "down v ignored" in log, log
    assert not log.starting("unload"), log
    assert log[-1] == "echo survived"


@pytest.mark.check
@pytest.mark.parametrize("window", MODAL_WINDOWS)
def test_a_host_that_frees_the_library_under_a_plugin_window_survives(host, files, window, arch):
    # A host acting from a timer ignores what is enabled: it closes the viewer and frees the
    # library while the box is up. The module keeps itself loaded until the box has returned,
    # and lets go once its code has returned to the host, with no further call: the library is
    # then gone from the process.
    skip, trigger = MODAL_WINDOWS[window]
    small = qpath(files / "small.qr")
    log = host([f"open v {small} 400 300", f"whilemodal {skip} timer v"] + trigger(files) +
               ["module", "classinfo", "reload", f"open v {small} 400 300", "close v", "unload", "echo survived"])
    assert "timer v" in log and "unload held" in log, log
    assert log.starting("module") == ["module gone"], log
    assert log.starting("class") == ["class none"], log
    assert log.starting("open v")[-1] == "open v ok"
    assert log[-2:] == ["unload freed", "echo survived"], log


# Where the exit stub can't be made: out of memory, a process that forbids code made at run time
# (Arbitrary Code Guard answers VirtualProtect with ERROR_DYNAMIC_CODE_BLOCKED), no function table.
STUB_FAILURES = {"VirtualAlloc": "VirtualAlloc 1", "VirtualProtect": "VirtualProtect 1 1655",
                 "RtlAddFunctionTable": "RtlAddFunctionTable 1"}


@pytest.mark.parametrize("failure", STUB_FAILURES)
def test_without_an_exit_stub_the_library_is_given_back_at_the_next_call(host, files, failure):
    # The stub is made at the first hold of each load, once: the failure fires at each load's
    # first box, and no later return asks again. The host survives the free under every box,
    # dialog and wait; the library stays until the host's next call into it, which gives it back.
    small = qpath(files / "small.qr")
    waits = dict(MODAL_WINDOWS, **{"clipboard wait": (None, lambda d: ["cliphold 200 free v 60"])})
    lines = ["inject count"]
    for skip, trigger in waits.values():
        lines += [f"open v {small} 400 300", f"inject fail {STUB_FAILURES[failure]}"]
        lines += [f"whilemodal {skip} timer v"] if skip else []
        lines += trigger(files) + (["command v 1"] if skip is None else [])
        lines += ["module", "reload", "unload", "module", "reload"]
    # Nothing else changes: view, save and copy as usual.
    lines += [f"open v {small} 400 300", f"inject fail {STUB_FAILURES[failure]}", "answer yes"] + \
        saved(files / "c.png") + ["command v 1", f"clipboard {qpath(files / 'clip.bmp')}", "close v", "unload",
                                  "module", "inject report", "echo survived"]
    log = host(lines)
    assert log.count(f"injected {failure} 1") == len(waits) + 1, log
    assert log.starting(f"calls {failure} ") == [f"calls {failure} {len(waits) + 1}"], log
    assert log.starting("module") == ["module loaded", "module gone"] * len(waits) + ["module gone"], log
    assert log.count("unload freed") == len(waits) + 1, log
    assert ("File saved in:", winpath(files / "c.png")) in log.boxes()
    assert log.starting("clipboard") == ["clipboard 210 210"] and "command v 1 0" in log, log
    assert log[-1] == "echo survived"


def test_the_process_exiting_leaves_the_exit_stub_to_it(host, files):
    # At process exit the runtime's exit handlers run under the loader lock and the stub's pages
    # go with the process: the stub made under the copy notice is not released then.
    log = host([f"open v {qpath(files / 'small.qr')} 400 300", "command v 1", "inject fail VirtualFree 1",
                "inject fail RtlDeleteFunctionTable 1", "exit"])
    assert log[-1] == "exit" and log.returncode == 0 and not log.starting("injected"), log


@pytest.mark.parametrize("name", ["empty.qr", "large.qr"])
def test_a_refused_file_keeps_no_hold_on_the_library(host, files, name, arch):
    # The refusal box holds the module, and ListLoadW returns no viewer: the host has nothing to
    # close and frees the library at once. Nothing of the box's may keep it loaded.
    (files / "large.qr").write_bytes(b"x" * 3000)
    log = host([f"open v {qpath(files / name)} 400 300", "unload", "module", "classinfo", "echo survived"])
    assert log.starting("open v") == ["open v none"], log
    assert log.boxes() == [REFUSED]
    assert log.starting("unload") == ["unload freed"], log
    assert log.starting("module") == ["module gone"], log
    assert log[-1] == "echo survived"


def test_a_lister_window_destroyed_under_the_copy_notice_then_freed(host, files, arch):
    # The host destroys its own window (the viewer with it, never through ListCloseWindow) and
    # frees the library while the notice is up: no call of the host's follows. The library must
    # leave once the copy has returned, its class with it.
    log = host([f"open v {qpath(files / 'small.qr')} 400 300", "whilemodal destroy v", "command v 1",
                "module", "classinfo", "echo survived"])
    assert "destroy v" in log and "unload held" in log, log
    assert log.starting("command v") == ["command v 1 0"], log  # placed before the notice
    assert log.starting("module") == ["module gone"], log
    assert log.starting("class") == ["class none"], log
    assert log[-1] == "echo survived"


def test_a_host_that_frees_the_library_while_the_copy_waits_for_the_clipboard(host, files, arch):
    # The copy waits for a clipboard another program holds, answering what other threads send
    # meanwhile. One such message makes the host close the viewer and free the library (quick
    # view moving on): the wait returns into the module, which must still be there, and the
    # library goes once the copy has returned. The viewer is gone: nothing copied, nobody told.
    log = host([f"open v {qpath(files / 'small.qr')} 400 300", "cliphold 200 free v 60", "command v 1",
                "module", "classinfo", "echo survived"])
    assert log.starting("cliphold") == ["cliphold ok"], log
    assert "free v" in log and "unload held" in log, log
    assert log.starting("command v") == ["command v 1 1"], log
    assert log.boxes() == []
    assert log.starting("module") == ["module gone"], log
    assert log.starting("class") == ["class none"], log
    assert log[-1] == "echo survived"


def test_the_class_goes_with_the_last_viewer_and_with_the_library(host, files):
    # Windows keeps a DLL's classes after the DLL is gone; the next load at the same address
    # would find a class whose procedure points into the old image.
    small = qpath(files / "small.qr")
    log = host([
        f"open v {small} 400 300", f"open w {small} 400 300",
        "close v", "classinfo",
        "close w", "classinfo",
        f"open v {small} 400 300", f"quickview v {small}", "closeplugin v", "unload", "classinfo",
    ])
    assert log.starting("class") == ["class registered", "class none", "class none"], log
    assert "unload freed" in log


@pytest.mark.parametrize("mode", ["tc", "plain"])
def test_a_viewer_destroyed_with_the_hosts_window_takes_no_class_past_the_library(host, files, mode):
    # A host that destroys its lister window itself takes the viewer with it, and the
    # ListCloseWindow that would let go of the class after the last viewer never comes: only the
    # module's detach is left to unregister it.
    small = qpath(files / "small.qr")
    log = host([f"hostmode {mode}", f"open v {small} 400 300", f"open w {small} 400 300", "close w",
                "destroy v", "unload", "classinfo"])
    assert "destroy v" in log and "unload freed" in log, log
    assert log.starting("class") == ["class none"], log


@pytest.mark.parametrize("name", ["hidden.png", "hidden.bmp", "hidden.jpg"])
def test_saving_over_a_hidden_file_keeps_it_hidden(host, files, name):
    target = files / name
    log = host(["open v " + qpath(files / "small.qr") + " 400 300", "answer yes"] + saved(target) +
               [f"attrib {qpath(target)} 0x22", "open v " + qpath(files / "small.qr") + " 200 100"] +
               saved(target) + [f"attrib {qpath(target)}"])
    assert log.starting("attrib") == ["attrib 0x22", "attrib 0x22"], log
    assert len([b for b in log.boxes() if b[0] == "File saved in:"]) == 2
    size = read_bmp(target).width if name.endswith(".bmp") else Image.open(target).size[0]
    assert size == 100  # the second, fitted save
    assert sorted(p.name for p in files.iterdir() if p.name.startswith("~")) == []


def test_a_read_only_target_is_refused_and_kept(host, files):
    target = files / "locked.png"
    target.write_bytes(b"read only")
    log = host([f"attrib {qpath(target)} 0x21", "open v " + qpath(files / "small.qr") + " 400 300",
                "answer yes"] + saved(target))
    errors = failures(log)
    assert len(errors) == 1 and errors[0].startswith("The image could not be saved to"), log
    assert errors[0].endswith("locked.png")
    assert target.read_bytes() == b"read only"
    assert sorted(p.name for p in files.iterdir() if p.name.startswith("~")) == []


def test_a_folder_where_no_file_may_be_added_keeps_its_files(host, files):
    # Write but no add-file permission: a temporary file can't be made beside the target, and the
    # target is not written in place (a failure half-way would tear it).
    existing = files / "there.bmp"
    existing.write_bytes(b"old bytes")
    log = host([f"nocreate {qpath(files)}", "open v " + qpath(files / "small.qr") + " 400 300",
                "answer yes"] + saved(existing) + saved(files / "new.png"))
    errors = failures(log)
    assert len(errors) == 2 and all("could not be saved" in text for text in errors), log
    assert existing.read_bytes() == b"old bytes"
    assert sorted(p.name for p in files.iterdir() if not p.name.startswith("host-")) == \
        ["empty.qr", "small.qr", "there.bmp"]


def test_a_clipboard_busy_for_a_moment_is_waited_for(host, files, tmp_path):
    clip, shown = tmp_path / "clip.bmp", tmp_path / "shown.bmp"
    log = host(["open v " + qpath(files / "small.qr") + " 400 300", f"image v {qpath(shown)}",
                "cliphold 60", "command v 1", f"clipboard {qpath(clip)}"])
    assert log.starting("cliphold") == ["cliphold ok"]
    assert log.starting("command v 1") == ["command v 1 0"]
    assert log.boxes() == [COPIED]
    assert np.array_equal(read_bmp(clip).pixels[:, :, :3], read_bmp(shown).pixels[:, :, :3])
